// Arbitrary bytes read as a DataSet layout (flags, then a table): a data set
// that decodes must marshal and decode back to the same flags and records.
// The inherited reader takes the table only and never touches the flags.
#include <cstdint>
#include <string>

#include "dataset.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  logic::DataSet tableOnly;
  tableOnly.flags = 0xA5A5A5A5u;
  tableOnly.tag = 7;
  uint32_t consumed = 0;
  fuzz::Decode(data, size, [&](const logic::Unpack& u) { tableOnly.unmarshal(u); }, consumed);
  fuzz::Require(tableOnly.flags == 0xA5A5A5A5u && tableOnly.tag == 7, "unmarshal leaves flags and tag");

  logic::DataSet set;
  if (!fuzz::Decode(data, size, [&](const logic::Unpack& u) { set.unmarshalWithFlags(u); }, consumed)) return 0;
  fuzz::Require(set.tag == 0, "the tag is never read");

  std::string bytes = fuzz::Marshalled(set);
  fuzz::Require(bytes.size() <= consumed, "a data set's bytes are no longer than its input");
  logic::DataSet again;
  uint32_t reread = 0;
  fuzz::Require(fuzz::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                             [&](const logic::Unpack& u) { again.unmarshalWithFlags(u); }, reread),
                "marshalled bytes decode");
  fuzz::Require(reread == bytes.size(), "decoding takes all the marshalled bytes");
  fuzz::Require(again.flags == set.flags, "round trip keeps the flags");
  fuzz::Require(fuzz::SameRecords(again, set), "round trip keeps the records");
  return 0;
}
