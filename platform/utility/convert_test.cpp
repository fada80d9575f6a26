#include "convert.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// Wide text from UTF-16 code units: a surrogate pair stays two units where
// wchar_t is 16 bits and becomes one code point where it is 32 bits.
std::wstring FromUtf16(std::initializer_list<unsigned> units) {
  std::wstring text;
  for (auto it = units.begin(); it != units.end(); ++it) {
    unsigned unit = *it;
    if (sizeof(wchar_t) == 4 && unit >= 0xD800 && unit <= 0xDBFF && it + 1 != units.end() && *(it + 1) >= 0xDC00 &&
        *(it + 1) <= 0xDFFF) {
      unsigned low = *++it;
      text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else {
      text += static_cast<wchar_t>(unit);
    }
  }
  return text;
}

TEST(ConvertTest, IntegersRoundTripThroughDecimalText) {
  const int ints[] = {0, 7, -7, 2147483647, INT_MIN};
  for (int v : ints) {
    std::string bytes = common::Int2Bytes(v);
    EXPECT_EQ(bytes, std::to_string(v));
    int read = 99;
    EXPECT_EQ(common::Bytes2Int(bytes, read), 1);
    EXPECT_EQ(read, v);
  }
  const long long int64s[] = {0, -1, 4294967296LL, LLONG_MAX, LLONG_MIN};
  for (long long v : int64s) {
    __int64 value = v;
    std::string bytes = common::Int642Bytes(value);
    EXPECT_EQ(bytes, std::to_string(v));
    EXPECT_EQ(common::Int2String(value), bytes);
    __int64 read = 99;
    EXPECT_EQ(common::Bytes2Int64(bytes, read), 1);
    EXPECT_EQ(read, value);
  }
}

TEST(ConvertTest, ReadersRejectAnythingButTheirOwnForm) {
  const char* not_ints[] = {"", "-", "+1", " 1", "1 ", "1a", "0x10", "2147483648", "-2147483649",
                            "99999999999999999999999", "\xd9\xa1"};
  for (const char* text : not_ints) {
    SCOPED_TRACE(text);
    int read = 99;
    EXPECT_EQ(common::Bytes2Int(text, read), 0);
    EXPECT_EQ(read, 99);
  }
  const char* not_int64s[] = {"", "-", "+1", "9223372036854775808", "-9223372036854775809", "1.5"};
  for (const char* text : not_int64s) {
    SCOPED_TRACE(text);
    __int64 read = 99;
    EXPECT_EQ(common::Bytes2Int64(text, read), 0);
    EXPECT_EQ(read, 99);
  }
  int read = 99;
  EXPECT_EQ(common::Bytes2Int(std::string("1\0", 2), read), 0);
}

struct TextCase {
  const char* name;
  std::wstring wide;
  std::string utf8;
};

TEST(ConvertTest, TextRoundTripsBetweenUtf16AndUtf8) {
  const TextCase cases[] = {
      {"empty", L"", ""},
      {"ASCII", L"abc", "abc"},
      {"two-byte form", FromUtf16({0xE9}), "\xc3\xa9"},
      {"three-byte form", FromUtf16({0x4E2D, 0x6587}), "\xe4\xb8\xad\xe6\x96\x87"},
      {"last BMP code point", FromUtf16({0xFFFF}), "\xef\xbf\xbf"},
      {"surrogate pair", FromUtf16({0xD83D, 0xDE00}), "\xf0\x9f\x98\x80"},
      {"highest code point", FromUtf16({0xDBFF, 0xDFFF}), "\xf4\x8f\xbf\xbf"},
      {"embedded NUL", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string utf8 = "junk";
    EXPECT_EQ(common::CString_to_utf8(CString(c.wide), utf8, 0), 1);
    EXPECT_EQ(utf8, c.utf8);
    CString text(L"junk");
    EXPECT_EQ(common::utf8_to_CString(c.utf8, text, 0), 1);
    EXPECT_TRUE(text.str() == c.wide);
    EXPECT_EQ(common::CString_to_String(CString(c.wide), 0), c.utf8);
    EXPECT_TRUE(common::String_to_CString(c.utf8, 0).str() == c.wide);
  }
}

TEST(ConvertTest, MalformedUtf8IsRejectedAndLeavesTheOutputAlone) {
  const char* bad[] = {
      "\x80",              // continuation without a lead
      "\xc0\x80",          // overlong NUL
      "\xc1\xbf",          // overlong
      "\xe0\x80\x80",      // overlong three-byte form
      "\xf0\x80\x80\x80",  // overlong four-byte form
      "\xed\xa0\x80",      // a surrogate
      "\xf4\x90\x80\x80",  // past U+10FFFF
      "\xf5\x80\x80\x80",  // no such lead
      "\xff",
      "\xe4\xb8",          // cut short
      "a\xe4",             // cut short at the end
      "\xe4\x41\xad",      // a continuation missing
  };
  for (const char* bytes : bad) {
    SCOPED_TRACE(bytes);
    CString text(L"keep");
    EXPECT_EQ(common::utf8_to_CString(bytes, text, 0), 0);
    EXPECT_TRUE(text == L"keep");
    EXPECT_TRUE(common::String_to_CString(bytes, 0).IsEmpty());
  }
}

TEST(ConvertTest, TextWithoutAUtf8FormIsRejectedAndLeavesTheOutputAlone) {
  std::wstring bad[] = {
      FromUtf16({0xD800}),               // lone high surrogate at the end
      FromUtf16({0xD800, 0x41}),         // high surrogate without its low half
      FromUtf16({0x41, 0xDC00}),         // lone low surrogate
      FromUtf16({0xDC00, 0xD800}),       // halves in the wrong order
  };
  for (const std::wstring& wide : bad) {
    std::string utf8 = "keep";
    EXPECT_EQ(common::CString_to_utf8(CString(wide), utf8, 0), 0);
    EXPECT_EQ(utf8, "keep");
    EXPECT_EQ(common::CString_to_String(CString(wide), 0), "");
  }
  if (sizeof(wchar_t) == 4) {
    // Where a wide character holds a code point, one past U+10FFFF has no form.
    std::wstring beyond(1, static_cast<wchar_t>(0x110000));
    std::string utf8 = "keep";
    EXPECT_EQ(common::CString_to_utf8(CString(beyond), utf8, 0), 0);
    EXPECT_EQ(utf8, "keep");
  }
}

TEST(ConvertTest, WideIntegerText) {
  EXPECT_TRUE(common::Int2CString(-42) == L"-42");
  EXPECT_EQ(common::CString2Int(L"  42"), 42);
  EXPECT_EQ(common::CString2Int(L"-7x"), -7);
  EXPECT_EQ(common::CString2Int(L"+5"), 5);
  EXPECT_EQ(common::CString2Int(L"abc"), 0);
  EXPECT_EQ(common::CString2Int(L""), 0);
  EXPECT_EQ(common::CString2Int(L"99999999999999999999"), INT_MAX);
  EXPECT_EQ(common::CString2Int(L"-99999999999999999999"), INT_MIN);
  EXPECT_EQ(common::CString2Int(L"2147483648"), INT_MAX);
}

}  // namespace
