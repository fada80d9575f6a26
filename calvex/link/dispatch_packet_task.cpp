#include "dispatch_packet_task.h"

#include "logic.h"
#include "link_service.h"

namespace logic {
namespace {
std::string CopyRest(const Unpack& rest) {
  return rest.size() == 0 ? std::string() : std::string(rest.data(), rest.size());
}
}  // namespace

DispatchPacketTask::DispatchPacketTask(ILogic* logic, const LFrame& header, const Unpack& rest)
    : IAsynSocketTask(logic), frame(header), payload(CopyRest(rest)), body(payload.data(), static_cast<uint32_t>(payload.size())) {}

void DispatchPacketTask::run() {
  // The link service's slot 4 is createSocket, not a packet handler.
  if (frame.serviceID == kLinkServiceID || logic == nullptr) {
    return;
  }
  IService* service = logic->getService(frame.serviceID);
  if (service != nullptr) {
    static_cast<IPacketService*>(service)->onPacket(this, frame, body);
  }
}

void DispatchPacketTask::release() { delete this; }

}  // namespace logic
