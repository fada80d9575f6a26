#include "property.h"

#include "convert.h"
#include "pack.h"
#include "unpack.h"

namespace logic {

Property::Property() {}

Property::Property(const Property& other) : Marshallable(other), values(other.values) {}

Property& Property::operator=(const Property& other) {
  if (this != &other) values = other.values;
  return *this;
}

Property::~Property() {}

int Property::get(unsigned int fieldId, std::string& value) {
  std::map<unsigned int, std::string>::const_iterator it = values.find(fieldId);
  if (it == values.end()) return 0;
  value = it->second;
  return 1;
}

void Property::put(unsigned int fieldId, const std::string& value) { values[fieldId] = value; }

int Property::getInt(unsigned int fieldId, int& value) {
  std::map<unsigned int, std::string>::const_iterator it = values.find(fieldId);
  if (it == values.end()) return 0;
  return common::Bytes2Int(it->second, value);
}

void Property::putInt(unsigned int fieldId, int value) { values[fieldId] = common::Int2Bytes(value); }

int Property::getBOOL(unsigned int fieldId, BOOL& value) { return getInt(fieldId, value); }

void Property::putBOOL(unsigned int fieldId, BOOL value) { putInt(fieldId, value); }

int Property::getInt64(unsigned int fieldId, __int64& value) {
  std::map<unsigned int, std::string>::const_iterator it = values.find(fieldId);
  if (it == values.end()) return 0;
  return common::Bytes2Int64(it->second, value) != 0 ? 1 : 0;
}

void Property::putInt64(unsigned int fieldId, __int64 value) { values[fieldId] = common::Int642Bytes(value); }

int Property::getCString(unsigned int fieldId, CString& value) {
  std::map<unsigned int, std::string>::const_iterator it = values.find(fieldId);
  if (it == values.end()) return 0;
  return common::utf8_to_CString(it->second, value, 0) != 0 ? 1 : 0;
}

void Property::putCString(unsigned int fieldId, const CString& value) {
  std::string bytes;
  common::CString_to_utf8(value, bytes, 0);
  values[fieldId] = bytes;
}

void Property::marshal(Pack& pack) const {
  pack.push_uint32(static_cast<uint32_t>(values.size()));
  for (std::map<unsigned int, std::string>::const_iterator it = values.begin(); it != values.end(); ++it) {
    pack.push_uint32(it->first);
    pack.push_varstr(it->second.data(), VarstrLength(it->second));
  }
}

void Property::unmarshal(const Unpack& unpack) {
  uint32_t count = unpack.pop_uint32();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t fieldId = unpack.pop_uint32();
    // Read before storing: a field cut short leaves the map untouched.
    std::string value = unpack.pop_varstr();
    values[fieldId].swap(value);
  }
}

}  // namespace logic
