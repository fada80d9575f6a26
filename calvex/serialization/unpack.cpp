#include "unpack.h"

#include <cstring>

#include "errors.h"

namespace logic {

const char* Unpack::take(uint32_t n, const wchar_t* message) const {
  if (remaining_ < n) throw new UnpackError(message);
  const char* at = cursor_;
  if (n != 0) cursor_ += n;
  remaining_ -= n;
  return at;
}

uint8_t Unpack::pop_uint8() const {
  uint8_t value;
  std::memcpy(&value, take(sizeof value, L"pop_uint8: not enough data"), sizeof value);
  return value;
}

uint16_t Unpack::pop_uint16() const {
  uint16_t value;
  std::memcpy(&value, take(sizeof value, L"pop_uint16: not enough data"), sizeof value);
  return value;
}

uint32_t Unpack::pop_uint32() const {
  uint32_t value;
  std::memcpy(&value, take(sizeof value, L"pop_uint32: not enough data"), sizeof value);
  return value;
}

const char* Unpack::pop_fetch_ptr(uint32_t n) const { return take(n, L"pop_fetch_ptr: not enough data"); }

std::string Unpack::pop_varstr() const {
  uint16_t length = pop_uint16();
  const char* bytes = pop_fetch_ptr(length);
  return length == 0 ? std::string() : std::string(bytes, length);
}

}  // namespace logic
