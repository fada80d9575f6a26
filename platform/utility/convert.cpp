#include "convert.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

namespace common {
namespace {

// Parses an optional '-' and at least one decimal digit, nothing else, within
// [min_value, max_value].
bool ParseDecimal(const std::string& bytes, long long min_value, long long max_value, long long& out) {
  size_t pos = 0;
  bool negative = false;
  if (pos < bytes.size() && bytes[pos] == '-') {
    negative = true;
    ++pos;
  }
  if (pos == bytes.size()) return false;
  // Accumulate as a negative number so that the minimum fits.
  long long value = 0;
  for (; pos < bytes.size(); ++pos) {
    char c = bytes[pos];
    if (c < '0' || c > '9') return false;
    int digit = c - '0';
    if (value < (LLONG_MIN + digit) / 10) return false;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == LLONG_MIN) return false;
    value = -value;
  }
  if (value < min_value || value > max_value) return false;
  out = value;
  return true;
}

// Appends the UTF-8 form of one code point.
void AppendUtf8(unsigned long cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendWide(unsigned long cp, std::wstring& out) {
  if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (cp >> 10));
    out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<wchar_t>(cp);
  }
}

bool WideToUtf8(const std::wstring& text, std::string& out) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned long cp = static_cast<unsigned long>(text[i]) & (sizeof(wchar_t) == 2 ? 0xFFFFul : 0xFFFFFFFFul);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (sizeof(wchar_t) != 2 || i + 1 >= text.size()) return false;
      unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFF;
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if ((cp >= 0xDC00 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      return false;
    }
    AppendUtf8(cp, result);
  }
  out.swap(result);
  return true;
}

bool Utf8ToWide(const std::string& bytes, std::wstring& out) {
  std::wstring result;
  result.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char lead = static_cast<unsigned char>(bytes[i]);
    int extra;
    unsigned long cp;
    if (lead < 0x80) { cp = lead; extra = 0; }
    else if (lead >= 0xC2 && lead <= 0xDF) { cp = lead & 0x1F; extra = 1; }
    else if (lead >= 0xE0 && lead <= 0xEF) { cp = lead & 0x0F; extra = 2; }
    else if (lead >= 0xF0 && lead <= 0xF4) { cp = lead & 0x07; extra = 3; }
    else return false;
    if (i + static_cast<size_t>(extra) >= bytes.size()) return false;  // sequence cut short
    for (int k = 1; k <= extra; ++k) {
      unsigned char c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    AppendWide(cp, result);
    i += static_cast<size_t>(extra) + 1;
  }
  out.swap(result);
  return true;
}

}  // namespace

std::string Int2Bytes(int value) { return std::to_string(value); }

int Bytes2Int(const std::string& bytes, int& value) {
  long long parsed;
  if (!ParseDecimal(bytes, INT_MIN, INT_MAX, parsed)) return 0;
  value = static_cast<int>(parsed);
  return 1;
}

std::string Int642Bytes(const __int64& value) { return std::to_string(static_cast<long long>(value)); }

int Bytes2Int64(const std::string& bytes, __int64& value) {
  long long parsed;
  if (!ParseDecimal(bytes, LLONG_MIN, LLONG_MAX, parsed)) return 0;
  value = parsed;
  return 1;
}

std::string Int2String(__int64 value) { return std::to_string(static_cast<long long>(value)); }

int CString_to_utf8(const CString& text, std::string& utf8, unsigned) {
  return WideToUtf8(text.str(), utf8) ? 1 : 0;
}

int utf8_to_CString(const std::string& utf8, CString& text, unsigned) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, wide)) return 0;
  text = CString(wide);
  return 1;
}

std::string CString_to_String(const CString& text, unsigned) {
  std::string utf8;
  WideToUtf8(text.str(), utf8);
  return utf8;
}

CString String_to_CString(const std::string& utf8, unsigned) {
  std::wstring wide;
  Utf8ToWide(utf8, wide);
  return CString(wide);
}

CString Int2CString(int value) { return CString(std::to_wstring(value)); }

int CString2Int(const CString& text) {
  errno = 0;
  long value = std::wcstol(text.GetString(), nullptr, 10);
  if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return value < 0 ? INT_MIN : INT_MAX;
  return static_cast<int>(value);
}

}  // namespace common
