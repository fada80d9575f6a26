// Arbitrary bytes read as a Property layout.  A record that decodes must
// marshal, its bytes must decode to the same fields and be no longer than
// what was read, and reading the input again into it must change nothing.
#include <cstdint>
#include <string>

#include "fuzz_util.h"
#include "property.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  logic::Property record;
  uint32_t consumed = 0;
  if (!fuzz::Decode(data, size, [&](const logic::Unpack& u) { record.unmarshal(u); }, consumed)) return 0;

  std::string bytes = fuzz::Marshalled(record);
  fuzz::Require(bytes.size() <= consumed, "a record's bytes are no longer than its input");
  logic::Property again;
  uint32_t reread = 0;
  fuzz::Require(fuzz::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                             [&](const logic::Unpack& u) { again.unmarshal(u); }, reread),
                "marshalled bytes decode");
  fuzz::Require(reread == bytes.size(), "decoding takes all the marshalled bytes");
  fuzz::Require(again.values == record.values, "round trip keeps the fields");

  logic::Property merged(record);
  fuzz::Decode(data, size, [&](const logic::Unpack& u) { merged.unmarshal(u); }, reread);
  fuzz::Require(merged.values == record.values, "reading the same input again changes nothing");
  return 0;
}
