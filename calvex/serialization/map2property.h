// Map2Property: a table of records (Property) by name.  Names are byte
// strings ordered byte by byte (unsigned bytes; a prefix sorts first).
//
// Layout: uint32 count, then per record in name order the name as a varstr
// and the record's own layout.  Reading merges: records already held and
// absent from the input stay; a record in the input replaces the one of its
// name whole; a name read twice keeps the later record; a record cut short by
// the end of the input is not stored.
//
// Exported: the host builds and reads tables.  The order of the virtual
// operations is that of Marshallable.
//
// Threads: a plain value, used by one thread at a time; no locks.
#ifndef CALVEX_SERIALIZATION_MAP2PROPERTY_H_
#define CALVEX_SERIALIZATION_MAP2PROPERTY_H_

#include <map>
#include <string>

#include "calvex_api.h"
#include "marshallable.h"
#include "property.h"

namespace logic {

class CALVEX_API Map2Property : public Marshallable {
 public:
  Map2Property();
  Map2Property(const Map2Property& other);
  Map2Property& operator=(const Map2Property& other);
  ~Map2Property() override;

  // 1 and a copy of the record, or 0 leaving `value` alone.
  int get(const std::string& name, Property& value);
  // Creates the record or replaces it whole with a copy of `value`.
  void put(const std::string& name, Property& value);

  // Throws PackError* when a name or value is longer than 65535 bytes or the
  // buffer cannot grow; UnpackError* when the input runs short.
  void marshal(Pack& pack) const override;
  void unmarshal(const Unpack& unpack) override;

  // Name to record; std::string's ordering is the byte-wise one.
  std::map<std::string, Property> properties;
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_MAP2PROPERTY_H_
