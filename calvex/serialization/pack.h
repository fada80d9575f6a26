// Pack: writes little-endian integers and length-prefixed byte strings to the
// end of a Buffer.
//
// The pack's data is the buffer's bytes from `offset` to the end.  The pack
// does not own the buffer: the caller keeps the buffer alive while the pack
// is used.  Every write throws a new PackError on failure; the buffer then
// keeps what was written before it.
//
// Encodings: uint8 (1 byte), uint16 and uint32 (little-endian, least
// significant byte first), varstr (uint16 length n, 0 to 65535, then the n
// bytes as they are).  Integers are copied byte for byte in memory order; the
// engine runs only on little-endian machines.
//
// Exported: hosts write the bodies of their frames with it.
//
// Threads: a pack and its buffer belong to one thread at a time.
#ifndef CALVEX_SERIALIZATION_PACK_H_
#define CALVEX_SERIALIZATION_PACK_H_

#include <cstdint>
#include <string>

#include "block_buffer.h"
#include "calvex_api.h"

namespace logic {

class CALVEX_API Pack {
 public:
  // The longest byte string a varstr carries.
  static constexpr uint32_t kMaxVarstr = 0xFFFF;

  explicit Pack(Buffer& buffer, uint32_t offset = 0) : buffer_(buffer), offset_(offset) {}

  void push_uint8(uint8_t value);
  void push_uint16(uint16_t value);
  void push_uint32(uint32_t value);
  // Throws "push_varstr: varstr too big" for more than 65535 bytes, writing
  // nothing; the length prefix stays written when the bytes then fail.
  void push_varstr(const void* bytes, uint32_t n);
  // Overwrites the four bytes at the pack's position pos (0 is the pack's
  // first byte), with the buffer's replace rules.
  void replace_uint32(uint32_t pos, uint32_t value);

  // The pack's first byte (null while the buffer holds no storage or the
  // offset lies past the end) and the bytes from there to the end.
  char* data() const;
  uint32_t size() const;

 private:
  void append(const void* bytes, uint32_t n);

  Buffer& buffer_;
  uint32_t offset_;
};

// The length to give push_varstr for a std::string: its size, or UINT32_MAX
// when the size does not fit in 32 bits (so that the push refuses it).
uint32_t VarstrLength(const std::string& bytes);

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_PACK_H_
