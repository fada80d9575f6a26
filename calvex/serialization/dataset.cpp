#include "dataset.h"

#include "pack.h"
#include "unpack.h"

namespace logic {

DataSet::DataSet() : flags(0), tag(0) {}

DataSet::~DataSet() {}

void DataSet::marshal(Pack& pack) const {
  pack.push_uint32(flags);
  Map2Property::marshal(pack);
}

void DataSet::unmarshalWithFlags(const Unpack& unpack) {
  flags = unpack.pop_uint32();
  Map2Property::unmarshal(unpack);
}

}  // namespace logic
