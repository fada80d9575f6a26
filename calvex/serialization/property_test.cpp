#include "property.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <iomanip>
#include <sstream>
#include <string>

#include "errors.h"
#include "pack.h"
#include "serialization_test_util.h"
#include "unpack.h"

namespace {

using serialization_test::Bytes;
using serialization_test::Hex;
using serialization_test::Marshalled;
using serialization_test::Throws;

struct LayoutCase {
  const char* name;
  std::function<void(logic::Property&)> fill;
  std::string bytes;
};

TEST(PropertyTest, MarshalsInAscendingFieldOrderAndReadsBack) {
  const std::string big(65535, 'v');
  const LayoutCase cases[] = {
      {"empty", [](logic::Property&) {}, Bytes({0, 0, 0, 0})},
      {"field 7 = ab", [](logic::Property& p) { p.put(7, "ab"); },
       Bytes({1, 0, 0, 0, 7, 0, 0, 0, 2, 0, 'a', 'b'})},
      {"put 5, 1, 3: written 1, 3, 5",
       [](logic::Property& p) { p.put(5, "e"); p.put(1, "a"); p.put(3, ""); },
       Bytes({3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 'a', 3, 0, 0, 0, 0, 0, 5, 0, 0, 0, 1, 0, 'e'})},
      {"id 4294967295 sorts after 1 (unsigned)",
       [](logic::Property& p) { p.put(0xFFFFFFFFu, "z"); p.put(1, "a"); },
       Bytes({2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 'a', 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 'z'})},
      {"a value of 65535 bytes", [&](logic::Property& p) { p.put(2, big); },
       Bytes({1, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF}) + big},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Property property;
    c.fill(property);
    std::string bytes = Marshalled(property);
    EXPECT_EQ(Hex(bytes.substr(0, 40)), Hex(c.bytes.substr(0, 40)));
    EXPECT_TRUE(bytes == c.bytes);

    logic::Property read;
    logic::Unpack unpack(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    read.unmarshal(unpack);
    EXPECT_EQ(unpack.size(), 0u);
    EXPECT_TRUE(read.values == property.values);
  }
}

TEST(PropertyTest, ValueTooLongForAVarstrFailsMarshal) {
  logic::Property property;
  property.put(1, "ok");
  property.put(2, std::string(65536, 'v'));  // accepted by put
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  EXPECT_TRUE(Throws<logic::PackError>([&] { property.marshal(pack); }, "push_varstr: varstr too big"));
  // What was written before the failure stays: the count, field 1, field 2's id.
  EXPECT_EQ(Hex(std::string(pack.data(), pack.size())), "02 00 00 00 01 00 00 00 02 00 6f 6b 02 00 00 00");
}

TEST(PropertyTest, ReadingMergesIntoWhatIsHeld) {
  logic::Property property;
  property.put(1, "old1");
  property.put(2, "old2");
  // Fields 2 and 3, then field 3 again: the later value wins.
  const std::string input = Bytes({3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 'B', 3, 0, 0, 0, 1, 0, 'c', 3, 0, 0, 0, 1, 0, 'C'});
  logic::Unpack unpack(input.data(), static_cast<uint32_t>(input.size()));
  property.unmarshal(unpack);
  std::map<unsigned int, std::string> expected = {{1, "old1"}, {2, "B"}, {3, "C"}};
  EXPECT_TRUE(property.values == expected);
}

struct TruncatedCase {
  const char* name;
  std::string bytes;
  const char* message;
  std::map<unsigned int, std::string> kept;
};

TEST(PropertyTest, ShortInputKeepsTheFieldsCompletedBefore) {
  const TruncatedCase cases[] = {
      {"no count", Bytes({3, 0}), "pop_uint32: not enough data", {{9, "held"}}},
      {"declares 3, holds 2", Bytes({3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 'a', 2, 0, 0, 0, 1, 0, 'b'}),
       "pop_uint32: not enough data", {{1, "a"}, {2, "b"}, {9, "held"}}},
      {"value cut short", Bytes({2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 'a', 9, 0, 0, 0, 5, 0, 'b'}),
       "pop_fetch_ptr: not enough data", {{1, "a"}, {9, "held"}}},
      {"value length cut short", Bytes({1, 0, 0, 0, 9, 0, 0, 0, 5}), "pop_uint16: not enough data",
       {{9, "held"}}},
  };
  for (const TruncatedCase& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Property property;
    property.put(9, "held");
    logic::Unpack unpack(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    EXPECT_TRUE(Throws<logic::UnpackError>([&] { property.unmarshal(unpack); }, c.message));
    EXPECT_TRUE(property.values == c.kept);
  }
}

TEST(PropertyTest, HugeDeclaredCountEndsAtTheEndOfInput) {
  const std::string input = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0, 0, 0});
  logic::Property property;
  logic::Unpack unpack(input.data(), static_cast<uint32_t>(input.size()));
  EXPECT_TRUE(Throws<logic::UnpackError>([&] { property.unmarshal(unpack); }, "pop_uint32: not enough data"));
  EXPECT_EQ(property.values.size(), 1u);
}

TEST(PropertyTest, RawAccessors) {
  logic::Property property;
  std::string value = "untouched";
  EXPECT_EQ(property.get(1, value), 0);
  EXPECT_EQ(value, "untouched");
  property.put(1, std::string("a\0b", 3));
  property.put(1, std::string("x\0y", 3));  // overwrites
  EXPECT_EQ(property.get(1, value), 1);
  EXPECT_EQ(value, std::string("x\0y", 3));
}

TEST(PropertyTest, IntegersRoundTripThroughTheirTextForm) {
  const int ints[] = {0, 1, -1, 42, INT_MAX, INT_MIN};
  for (int v : ints) {
    SCOPED_TRACE(v);
    logic::Property property;
    property.putInt(3, v);
    std::string stored;
    property.get(3, stored);
    EXPECT_EQ(stored, std::to_string(v));
    int read = 12345;
    EXPECT_EQ(property.getInt(3, read), 1);
    EXPECT_EQ(read, v);
  }
  const long long int64s[] = {0, -5, 4294967296LL, LLONG_MAX, LLONG_MIN};
  for (long long v : int64s) {
    SCOPED_TRACE(v);
    logic::Property property;
    property.putInt64(3, v);
    __int64 read = 12345;
    EXPECT_EQ(property.getInt64(3, read), 1);
    EXPECT_EQ(read, v);
  }
}

TEST(PropertyTest, BoolIsStoredAsAnInt) {
  logic::Property property;
  property.putInt(4, 5);
  BOOL flag = FALSE;
  EXPECT_EQ(property.getBOOL(4, flag), 1);
  EXPECT_EQ(flag, 5);
  property.putBOOL(4, TRUE);
  int read = 0;
  EXPECT_EQ(property.getInt(4, read), 1);
  EXPECT_EQ(read, 1);
}

TEST(PropertyTest, TypedReadsOfMissingOrForeignBytesLeaveTheOutputAlone) {
  logic::Property property;
  property.put(1, "abc");
  property.put(2, "\xff");
  property.put(3, "99999999999");
  struct Case {
    unsigned int field;
    const char* what;
  } cases[] = {{7, "missing"}, {1, "not a number"}, {2, "not UTF-8"}, {3, "out of int range"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int i = 77;
    BOOL b = 77;
    __int64 l = 77;
    EXPECT_EQ(property.getInt(c.field, i), 0);
    EXPECT_EQ(property.getBOOL(c.field, b), 0);
    EXPECT_EQ(i, 77);
    EXPECT_EQ(b, 77);
    if (c.field != 3) {
      EXPECT_EQ(property.getInt64(c.field, l), 0);
      EXPECT_EQ(l, 77);
    }
    CString text(L"keep");
    if (c.field == 7 || c.field == 2) {
      EXPECT_EQ(property.getCString(c.field, text), 0);
      EXPECT_TRUE(text == L"keep");
    }
  }
}

TEST(PropertyTest, TextIsStoredAsUtf8) {
  logic::Property property;
  // U+00E9, U+4E2D and U+1F600 (a surrogate pair where wchar_t is 16 bits).
  CString text(L"h\u00e9 \u4e2d \U0001F600");
  property.putCString(5, text);
  std::string stored;
  property.get(5, stored);
  EXPECT_EQ(Hex(stored), Hex("h\xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80"));
  CString read;
  EXPECT_EQ(property.getCString(5, read), 1);
  EXPECT_TRUE(read == text);

  // Text that has no UTF-8 form is stored as what the conversion left: nothing.
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), 0};
  property.putCString(6, CString(lone));
  EXPECT_EQ(property.get(6, stored), 1);
  EXPECT_EQ(stored, "");
}

TEST(PropertyTest, CopiesAreIndependent) {
  logic::Property original;
  original.put(1, "a");
  logic::Property copy(original);
  logic::Property assigned;
  assigned.put(9, "gone");
  assigned = original;
  original.put(1, "changed");
  EXPECT_EQ(copy.values.at(1), "a");
  EXPECT_EQ(assigned.values.size(), 1u);
  EXPECT_EQ(assigned.values.at(1), "a");
  logic::Property& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned.values.at(1), "a");
}

TEST(PropertyTest, TraceWritesTheDefaultTextAsFormattedOutput) {
  logic::Property property;
  std::ostringstream plain;
  EXPECT_EQ(&property.trace(plain), &plain);
  EXPECT_EQ(plain.str(), "trace Marshallable [ not immplement ]");
  EXPECT_EQ(plain.str().size(), 37u);
  std::ostringstream padded;
  padded << std::setw(40) << std::setfill('*');
  property.trace(padded);
  EXPECT_EQ(padded.str(), "***trace Marshallable [ not immplement ]");
}

}  // namespace
