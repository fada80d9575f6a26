#include "unpack.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "errors.h"
#include "pack.h"
#include "serialization_test_util.h"

namespace {

using serialization_test::Bytes;
using serialization_test::Throws;

TEST(UnpackTest, ReadsWhatPackWrote) {
  const std::string big(65535, 'q');
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  pack.push_uint8(0xAB);
  pack.push_uint16(258);
  pack.push_uint32(0x89ABCDEFu);
  pack.push_varstr("", 0);
  pack.push_varstr("abc", 3);
  pack.push_varstr(big.data(), 65535);

  const logic::Unpack unpack(pack.data(), pack.size());
  EXPECT_EQ(unpack.pop_uint8(), 0xAB);
  EXPECT_EQ(unpack.pop_uint16(), 258);
  EXPECT_EQ(unpack.pop_uint32(), 0x89ABCDEFu);
  EXPECT_EQ(unpack.pop_varstr(), "");
  EXPECT_EQ(unpack.pop_varstr(), "abc");
  EXPECT_TRUE(unpack.pop_varstr() == big);
  EXPECT_EQ(unpack.size(), 0u);
}

TEST(UnpackTest, ReadsLittleEndian) {
  const std::string bytes = Bytes({0x02, 0x01, 0x02, 0x01, 0x00, 0x00});
  logic::Unpack unpack(bytes.data(), 6);
  EXPECT_EQ(unpack.pop_uint16(), 258);
  EXPECT_EQ(unpack.pop_uint32(), 258u);
}

TEST(UnpackTest, FetchPtrHandsOutThePositionWithoutCopying) {
  const std::string bytes = "abcdef";
  logic::Unpack unpack(bytes.data(), 6);
  EXPECT_EQ(unpack.pop_fetch_ptr(2), bytes.data());
  EXPECT_EQ(unpack.pop_fetch_ptr(3), bytes.data() + 2);
  EXPECT_EQ(unpack.data(), bytes.data() + 5);
  EXPECT_EQ(unpack.size(), 1u);
  EXPECT_EQ(unpack.pop_fetch_ptr(1), bytes.data() + 5);
  // Zero bytes from an empty reader: the current position.
  EXPECT_EQ(unpack.pop_fetch_ptr(0), bytes.data() + 6);
  logic::Unpack nothing(nullptr, 0);
  EXPECT_EQ(nothing.pop_fetch_ptr(0), nullptr);
  EXPECT_EQ(nothing.size(), 0u);
}

struct ShortCase {
  const char* name;
  std::string bytes;
  std::function<void(const logic::Unpack&)> read;
  const char* message;
  uint32_t remaining;  // bytes still unread afterwards
};

TEST(UnpackTest, ShortInputThrowsAndLeavesTheReaderAlone) {
  const ShortCase cases[] = {
      {"uint8 from nothing", "", [](const logic::Unpack& u) { u.pop_uint8(); }, "pop_uint8: not enough data", 0},
      {"uint16 from 1", "a", [](const logic::Unpack& u) { u.pop_uint16(); }, "pop_uint16: not enough data", 1},
      {"uint32 from 3", "abc", [](const logic::Unpack& u) { u.pop_uint32(); }, "pop_uint32: not enough data", 3},
      {"4 bytes from 3", "abc", [](const logic::Unpack& u) { u.pop_fetch_ptr(4); },
       "pop_fetch_ptr: not enough data", 3},
      {"all the bytes there are not", "abc", [](const logic::Unpack& u) { u.pop_fetch_ptr(UINT32_MAX); },
       "pop_fetch_ptr: not enough data", 3},
      {"varstr length from 1", "a", [](const logic::Unpack& u) { u.pop_varstr(); }, "pop_uint16: not enough data",
       1},
      // The length is taken before the body runs short.
      {"varstr body short", Bytes({0x05, 0x00, 'a', 'b'}), [](const logic::Unpack& u) { u.pop_varstr(); },
       "pop_fetch_ptr: not enough data", 2},
  };
  for (const ShortCase& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Unpack unpack(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    EXPECT_TRUE(Throws<logic::UnpackError>([&] { c.read(unpack); }, c.message));
    EXPECT_EQ(unpack.size(), c.remaining);
    EXPECT_EQ(unpack.data(), c.bytes.data() + (c.bytes.size() - c.remaining));
  }
}

}  // namespace
