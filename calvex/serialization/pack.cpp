#include "pack.h"

#include <algorithm>

#include "errors.h"

namespace logic {

void Pack::append(const void* bytes, uint32_t n) {
  if (!buffer_.append(bytes, n)) throw new PackError(L"append buffer overflow");
}

void Pack::push_uint8(uint8_t value) { append(&value, sizeof value); }

void Pack::push_uint16(uint16_t value) { append(&value, sizeof value); }

void Pack::push_uint32(uint32_t value) { append(&value, sizeof value); }

void Pack::push_varstr(const void* bytes, uint32_t n) {
  if (n > kMaxVarstr) throw new PackError(L"push_varstr: varstr too big");
  push_uint16(static_cast<uint16_t>(n));
  if (n > 0) append(bytes, n);
}

void Pack::replace_uint32(uint32_t pos, uint32_t value) {
  // offset + pos may pass 32 bits; any such position lies past the end,
  // where replace appends.
  uint64_t at = static_cast<uint64_t>(offset_) + pos;
  uint32_t clamped = at > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(at);
  if (!buffer_.replace(clamped, &value, sizeof value)) throw new PackError(L"replace buffer overflow");
}

char* Pack::data() const {
  if (buffer_.data() == nullptr || offset_ > buffer_.size()) return nullptr;
  return buffer_.data() + offset_;
}

uint32_t Pack::size() const { return buffer_.size() > offset_ ? buffer_.size() - offset_ : 0; }

uint32_t VarstrLength(const std::string& bytes) {
  // Longer than 32 bits can count is surely too long: keep it too long for
  // push_varstr instead of letting the length wrap.
  return static_cast<uint32_t>(std::min<uint64_t>(bytes.size(), UINT32_MAX));
}

}  // namespace logic
