#include "map2property.h"

#include "pack.h"
#include "unpack.h"

namespace logic {

Map2Property::Map2Property() {}

Map2Property::Map2Property(const Map2Property& other) : Marshallable(other), properties(other.properties) {}

Map2Property& Map2Property::operator=(const Map2Property& other) {
  if (this != &other) properties = other.properties;
  return *this;
}

Map2Property::~Map2Property() {}

int Map2Property::get(const std::string& name, Property& value) {
  std::map<std::string, Property>::const_iterator it = properties.find(name);
  if (it == properties.end()) return 0;
  value = it->second;
  return 1;
}

void Map2Property::put(const std::string& name, Property& value) { properties[name] = value; }

void Map2Property::marshal(Pack& pack) const {
  pack.push_uint32(static_cast<uint32_t>(properties.size()));
  for (std::map<std::string, Property>::const_iterator it = properties.begin(); it != properties.end(); ++it) {
    pack.push_varstr(it->first.data(), VarstrLength(it->first));
    it->second.marshal(pack);
  }
}

void Map2Property::unmarshal(const Unpack& unpack) {
  uint32_t count = unpack.pop_uint32();
  for (uint32_t i = 0; i < count; ++i) {
    std::string name = unpack.pop_varstr();
    // A fresh record, stored only once it has been read whole.
    Property record;
    record.unmarshal(unpack);
    properties[name].values.swap(record.values);
  }
}

}  // namespace logic
