// Arbitrary bytes read as a Map2Property layout: a table that decodes must
// marshal and decode back to the same records, and merging the same input
// into it again must change nothing.
#include <cstdint>
#include <string>

#include "fuzz_util.h"
#include "map2property.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  logic::Map2Property table;
  uint32_t consumed = 0;
  if (!fuzz::Decode(data, size, [&](const logic::Unpack& u) { table.unmarshal(u); }, consumed)) return 0;

  std::string bytes = fuzz::Marshalled(table);
  fuzz::Require(bytes.size() <= consumed, "a table's bytes are no longer than its input");
  logic::Map2Property again;
  uint32_t reread = 0;
  fuzz::Require(fuzz::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                             [&](const logic::Unpack& u) { again.unmarshal(u); }, reread),
                "marshalled bytes decode");
  fuzz::Require(reread == bytes.size(), "decoding takes all the marshalled bytes");
  fuzz::Require(fuzz::SameRecords(again, table), "round trip keeps the records");

  logic::Map2Property merged(table);
  fuzz::Decode(data, size, [&](const logic::Unpack& u) { merged.unmarshal(u); }, reread);
  fuzz::Require(fuzz::SameRecords(merged, table), "reading the same input again changes nothing");
  return 0;
}
