// LinkPacker: the last step of writing a frame.  Once the header (LFrame)
// and the body have been marshalled into one pack, it measures the pack and
// writes that length over the header's first four bytes, so the body is never
// measured or copied in advance.
//
// Writing one frame:
//   Buffer buffer;
//   Pack pack(buffer);
//   frame.marshal(pack);
//   body.marshal(pack);
//   LinkPacker::pack(pack);   // buffer now holds exactly one frame
//
// Threads: no state; runs entirely on the calling thread.
#ifndef CALVEX_LINK_LINK_PACKER_H_
#define CALVEX_LINK_LINK_PACKER_H_

#include <cstdint>

namespace logic {

class Pack;

class LinkPacker {
 public:
  // The largest frame the peer accepts (its length is read as signed).
  static constexpr uint32_t kMaxFrame = 2147483647u;

  // Writes the pack's size into its first four bytes.  Throws PackError*:
  // "LinkPacker, package too big" past kMaxFrame, "LinkPacker, package too
  // small" when the pack holds less than a header (a length written there
  // would not describe the bytes sent), "replace buffer overflow" when the
  // length cannot be written.
  static void pack(Pack& pack);
};

}  // namespace logic

#endif  // CALVEX_LINK_LINK_PACKER_H_
