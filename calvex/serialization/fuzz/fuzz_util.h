// Shared pieces of the decoder fuzz targets.  Running short of input is an
// expected outcome (an UnpackError, deleted here); a crash, a leak, undefined
// behaviour or a broken round trip is a finding.
#ifndef CALVEX_SERIALIZATION_FUZZ_FUZZ_UTIL_H_
#define CALVEX_SERIALIZATION_FUZZ_FUZZ_UTIL_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exception.h"
#include "map2property.h"
#include "marshallable.h"
#include "pack.h"
#include "unpack.h"

namespace fuzz {

// Stops the run with a message when a property that must hold does not.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

// Reads `object` from the bytes; false when the input ran short.  `consumed`
// is how many bytes the read took.
template <class Read>
bool Decode(const uint8_t* data, size_t size, Read read, uint32_t& consumed) {
  logic::Unpack unpack(data, static_cast<uint32_t>(size));
  try {
    read(unpack);
  } catch (logic::Exception* e) {
    Require(e->errorCode == 998, "a read fails only by running short");
    e->Delete();
    return false;
  }
  Require(unpack.size() <= size, "the reader never passes the end");
  consumed = static_cast<uint32_t>(size) - unpack.size();
  return true;
}

// The bytes an object marshals to; decoded objects always marshal.
inline std::string Marshalled(const logic::Marshallable& object) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  object.marshal(pack);
  return pack.size() == 0 ? std::string() : std::string(pack.data(), pack.size());
}

inline bool SameRecords(const logic::Map2Property& a, const logic::Map2Property& b) {
  if (a.properties.size() != b.properties.size()) return false;
  for (auto ia = a.properties.begin(), ib = b.properties.begin(); ia != a.properties.end(); ++ia, ++ib) {
    if (ia->first != ib->first || ia->second.values != ib->second.values) return false;
  }
  return true;
}

}  // namespace fuzz

#endif  // CALVEX_SERIALIZATION_FUZZ_FUZZ_UTIL_H_
