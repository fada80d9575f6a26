#include "link_packer.h"

#include "errors.h"
#include "lframe.h"
#include "pack.h"

namespace logic {

void LinkPacker::pack(Pack& pack) {
  uint32_t frame_length = pack.size();
  if (frame_length > kMaxFrame) throw new PackError(L"LinkPacker, package too big");
  if (frame_length < LFrame::kHeaderSize) throw new PackError(L"LinkPacker, package too small");
  pack.replace_uint32(0, frame_length);
}

}  // namespace logic
