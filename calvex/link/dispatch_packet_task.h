// DispatchPacketTask: one received frame on its way to its service.
//
// Built on the socket's notification thread from the frame's header and the
// rest of its bytes, which it copies, so the receive buffer is free again as
// soon as the task exists.  Run on the worker thread, it hands the header and
// a reader over the body to the service registered under the frame's service
// id.  Frames for an id nobody registered are dropped silently; so are frames
// for the link service's own id (1), which is not a packet service.
//
// Invariant: `body` reads `payload`, which the task owns; both are handed to
// the service for the duration of onPacket only.
//
// Threads: made on one thread, run and released on the worker thread.
#ifndef CALVEX_LINK_DISPATCH_PACKET_TASK_H_
#define CALVEX_LINK_DISPATCH_PACKET_TASK_H_

#include <string>

#include "async_socket_task.h"
#include "lframe.h"
#include "unpack.h"

namespace logic {

class DispatchPacketTask : public IAsynSocketTask {
 public:
  // `rest` stands at the frame's first body byte.
  DispatchPacketTask(ILogic* logic, const LFrame& header, const Unpack& rest);

  void run() override;      // 0
  void release() override;  // 2: deletes the task

  LFrame frame;
  std::string payload;
  Unpack body;

 private:
  DispatchPacketTask(const DispatchPacketTask&) = delete;
  DispatchPacketTask& operator=(const DispatchPacketTask&) = delete;
};

}  // namespace logic

#endif  // CALVEX_LINK_DISPATCH_PACKET_TASK_H_
