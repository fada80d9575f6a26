// DataSet: a Map2Property with the two numbers the document keeps per data
// set: `flags` (bit value 2 marks it persistent; other bits are carried) and
// `tag` (the caller's number; never written).
//
// Layout of marshal and unmarshalWithFlags: uint32 flags, then the
// Map2Property layout.  The inherited unmarshal reads the table only and
// leaves `flags` as it was.  The virtual operations are those of
// Map2Property, then unmarshalWithFlags.
//
// Used only inside the engine (not exported).  Threads: a plain value, used
// by one thread at a time; the document touches its data sets under its own
// lock.
#ifndef CALVEX_SERIALIZATION_DATASET_H_
#define CALVEX_SERIALIZATION_DATASET_H_

#include <cstdint>

#include "map2property.h"

namespace logic {

class DataSet : public Map2Property {
 public:
  DataSet();
  ~DataSet() override;

  // flags, then the table.
  void marshal(Pack& pack) const override;
  // 4: flags, then the table merged in as Map2Property::unmarshal does.
  virtual void unmarshalWithFlags(const Unpack& unpack);

  uint32_t flags;
  uint32_t tag;
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_DATASET_H_
