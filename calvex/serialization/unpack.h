// Unpack: reads the encodings that Pack writes off a byte range it does not
// own.  The caller keeps the bytes alive while the reader, and any pointer
// that pop_fetch_ptr handed out, are in use.
//
// Every pop first checks that enough bytes remain and throws a new
// UnpackError before changing anything; otherwise it reads and advances.  So
// a failed pop leaves the reader as it was, except that a failed pop_varstr
// has already taken its two length bytes.  The reading operations are const
// because records read themselves from a `const Unpack&`: the position and
// the remaining count are mutable.
//
// Exported: host services read frame bodies with it.
//
// Threads: a reader belongs to one thread at a time.
#ifndef CALVEX_SERIALIZATION_UNPACK_H_
#define CALVEX_SERIALIZATION_UNPACK_H_

#include <cstdint>
#include <string>

#include "calvex_api.h"

namespace logic {

class CALVEX_API Unpack {
 public:
  Unpack(const void* data, uint32_t size) : cursor_(static_cast<const char*>(data)), remaining_(size) {}

  uint8_t pop_uint8() const;
  uint16_t pop_uint16() const;
  uint32_t pop_uint32() const;
  // The current position; advances by n without copying.
  const char* pop_fetch_ptr(uint32_t n) const;
  // A uint16 length, then that many bytes copied into the result.
  std::string pop_varstr() const;

  // The next unread byte and the count of bytes that remain.
  const char* data() const { return cursor_; }
  uint32_t size() const { return remaining_; }

 private:
  // Takes n bytes off the front, or throws `message` leaving the reader alone.
  const char* take(uint32_t n, const wchar_t* message) const;

  mutable const char* cursor_;
  mutable uint32_t remaining_;
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_UNPACK_H_
