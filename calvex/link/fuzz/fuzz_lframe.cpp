// Arbitrary bytes read as a frame: the 11-byte header, then the rest as the
// body.  A header that decodes, written again in front of the same body and
// completed by LinkPacker, must give the same bytes except the length, which
// becomes the real frame length; and that frame must decode to the same
// header.
#include <cstdint>
#include <cstring>
#include <string>

#include "calvex/serialization/fuzz/fuzz_util.h"
#include "lframe.h"
#include "link_packer.h"

namespace {

// The body as it came: bytes written through the pack as they are.
struct RawBody : logic::Marshallable {
  RawBody(const uint8_t* bytes, uint32_t size) : bytes(bytes), size(size) {}
  void marshal(logic::Pack& pack) const override {
    for (uint32_t at = 0; at < size; ++at) pack.push_uint8(bytes[at]);
  }
  void unmarshal(const logic::Unpack&) override {}
  const uint8_t* bytes;
  uint32_t size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1u << 20) return 0;  // frames this size say nothing new
  logic::LFrame header;
  uint32_t consumed = 0;
  if (!fuzz::Decode(data, size, [&](const logic::Unpack& u) { header.unmarshal(u); }, consumed)) {
    fuzz::Require(size < logic::LFrame::kHeaderSize, "only a short input fails");
    return 0;
  }
  fuzz::Require(consumed == logic::LFrame::kHeaderSize, "the header is 11 bytes");

  RawBody body(data + consumed, static_cast<uint32_t>(size - consumed));
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  header.marshal(pack);
  body.marshal(pack);
  logic::LinkPacker::pack(pack);
  fuzz::Require(buffer.size() == size, "the frame is header and body");
  uint32_t length;
  std::memcpy(&length, buffer.data(), 4);
  fuzz::Require(length == buffer.size(), "the length field is the frame's size");
  fuzz::Require(std::memcmp(buffer.data() + 4, data + 4, size - 4) == 0, "all but the length is kept");

  logic::LFrame again;
  fuzz::Require(fuzz::Decode(reinterpret_cast<const uint8_t*>(buffer.data()), buffer.size(),
                             [&](const logic::Unpack& u) { again.unmarshal(u); }, consumed),
                "a written frame decodes");
  fuzz::Require(again.length == buffer.size() && again.serviceID == header.serviceID &&
                    again.commandID == header.commandID && again.extra == header.extra &&
                    again.flags == header.flags && again.isTrunked() == header.isTrunked() &&
                    again.isCompressed() == header.isCompressed(),
                "the header survives a round trip");
  return 0;
}
