// LFrame: the 11-byte header in front of every frame on the link.  It names
// the service and the command the frame belongs to and carries the frame's
// total length, by which the receiver cuts frames out of the byte stream.
//
// Wire layout, little-endian, no gaps: uint32 length (the whole frame,
// header included), uint16 serviceID, uint16 commandID, uint16 extra, uint8
// flags; then the body.  The flag bits (1 trunked, 2 compressed, the others
// too) are only carried: nothing here splits, joins or compresses a body.
//
// Exported: the host builds one for every frame it sends and gets one with
// every frame delivered to a service.  The order of the virtual operations
// is that of Marshallable.
//
// Threads: a plain value used by one thread at a time; no locks.
#ifndef CALVEX_LINK_LFRAME_H_
#define CALVEX_LINK_LFRAME_H_

#include <cstdint>

#include "calvex_api.h"
#include "marshallable.h"

namespace logic {

class CALVEX_API LFrame : public Marshallable {
 public:
  static constexpr uint32_t kHeaderSize = 11;
  static constexpr uint8_t kTrunked = 1;
  static constexpr uint8_t kCompressed = 2;

  LFrame();
  LFrame(unsigned short serviceID, unsigned short commandID);
  LFrame(const LFrame& other);
  LFrame& operator=(const LFrame& other);
  ~LFrame() override;

  // The header only: 11 bytes, whatever `length` holds (LinkPacker writes
  // the real length once the body is in).
  void marshal(Pack& pack) const override;
  // Reads exactly 11 bytes and leaves the reader at the first body byte;
  // `length` is taken as it stands.  Throws UnpackError* naming the first
  // field that runs short.
  void unmarshal(const Unpack& unpack) override;

  int isTrunked() const;
  int isCompressed() const;
  // Bits are only ever set; a frame received with a bit keeps it.
  void setTrunked();
  void setCompressed();

  uint32_t length;
  uint8_t flags;
  uint16_t serviceID;
  uint16_t commandID;
  uint16_t extra;
};

}  // namespace logic

#endif  // CALVEX_LINK_LFRAME_H_
