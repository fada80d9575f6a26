// Property: one record of the document, a set of numbered fields each holding
// a byte string.  Typed accessors store integers, BOOLs, 64-bit integers and
// wide text as byte strings through the Utility conversions, and read them
// back through the matching strict readers.
//
// Layout: uint32 count, then per field in ascending unsigned id order the
// uint32 id and the value as a varstr.  Reading merges: fields already held
// and absent from the input stay, a field read twice keeps the later value.
//
// Exported: the host builds, fills and reads records.  The order of the
// virtual operations is that of Marshallable (marshal, unmarshal, trace,
// destructor).
//
// Threads: a plain value, used by one thread at a time; no locks (the
// document copies records in and out under its own lock).
#ifndef CALVEX_SERIALIZATION_PROPERTY_H_
#define CALVEX_SERIALIZATION_PROPERTY_H_

#include <map>
#include <string>

#include "afxstr.h"
#include "afxtypes.h"
#include "calvex_api.h"
#include "marshallable.h"

namespace logic {

class CALVEX_API Property : public Marshallable {
 public:
  Property();
  Property(const Property& other);
  Property& operator=(const Property& other);
  ~Property() override;

  // Raw bytes.  get: 1 and the bytes, or 0 leaving `value` alone.
  int get(unsigned int fieldId, std::string& value);
  void put(unsigned int fieldId, const std::string& value);

  // Typed forms: 0 when the field is absent, otherwise what the conversion
  // reports (0 for bytes it does not accept, with `value` left alone).
  int getInt(unsigned int fieldId, int& value);
  void putInt(unsigned int fieldId, int value);
  int getBOOL(unsigned int fieldId, BOOL& value);
  void putBOOL(unsigned int fieldId, BOOL value);
  int getInt64(unsigned int fieldId, __int64& value);
  void putInt64(unsigned int fieldId, __int64 value);
  // Stored as UTF-8; text that does not convert is stored as empty bytes.
  int getCString(unsigned int fieldId, CString& value);
  void putCString(unsigned int fieldId, const CString& value);

  // Throws PackError* when a value is longer than 65535 bytes or the buffer
  // cannot grow; UnpackError* when the input runs short, keeping the fields
  // completed before.
  void marshal(Pack& pack) const override;
  void unmarshal(const Unpack& unpack) override;

  // Field id to stored bytes, in ascending unsigned id order.
  std::map<unsigned int, std::string> values;
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_PROPERTY_H_
