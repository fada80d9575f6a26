#include "lframe.h"

#include "pack.h"
#include "unpack.h"

namespace logic {

LFrame::LFrame() : length(0), flags(0), serviceID(0), commandID(0), extra(0) {}

LFrame::LFrame(unsigned short serviceID, unsigned short commandID)
    : length(0), flags(0), serviceID(serviceID), commandID(commandID), extra(0) {}

LFrame::LFrame(const LFrame& other)
    : Marshallable(other),
      length(other.length),
      flags(other.flags),
      serviceID(other.serviceID),
      commandID(other.commandID),
      extra(other.extra) {}

LFrame& LFrame::operator=(const LFrame& other) {
  length = other.length;
  flags = other.flags;
  serviceID = other.serviceID;
  commandID = other.commandID;
  extra = other.extra;
  return *this;
}

LFrame::~LFrame() {}

void LFrame::marshal(Pack& pack) const {
  pack.push_uint32(length);
  pack.push_uint16(serviceID);
  pack.push_uint16(commandID);
  pack.push_uint16(extra);
  pack.push_uint8(flags);
}

void LFrame::unmarshal(const Unpack& unpack) {
  length = unpack.pop_uint32();
  serviceID = unpack.pop_uint16();
  commandID = unpack.pop_uint16();
  extra = unpack.pop_uint16();
  flags = unpack.pop_uint8();
}

int LFrame::isTrunked() const { return (flags & kTrunked) != 0 ? 1 : 0; }

int LFrame::isCompressed() const { return (flags & kCompressed) != 0 ? 1 : 0; }

void LFrame::setTrunked() { flags |= kTrunked; }

void LFrame::setCompressed() { flags |= kCompressed; }

}  // namespace logic
