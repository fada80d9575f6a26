#include "pack.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "errors.h"
#include "serialization_test_util.h"

namespace {

using serialization_test::Bytes;
using serialization_test::Hex;
using serialization_test::Narrow;
using serialization_test::Throws;

std::string Written(const std::function<void(logic::Pack&)>& write) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  write(pack);
  EXPECT_EQ(pack.size(), buffer.size());
  return pack.size() == 0 ? std::string() : std::string(pack.data(), pack.size());
}

struct EncodingCase {
  const char* name;
  std::function<void(logic::Pack&)> write;
  std::string bytes;
};

TEST(PackTest, EncodesLittleEndianIntegersAndVarstrs) {
  const std::string big(65535, 'z');
  const EncodingCase cases[] = {
      {"uint8", [](logic::Pack& p) { p.push_uint8(0xAB); }, Bytes({0xAB})},
      {"uint16 258", [](logic::Pack& p) { p.push_uint16(258); }, Bytes({0x02, 0x01})},
      {"uint16 max", [](logic::Pack& p) { p.push_uint16(0xFFFF); }, Bytes({0xFF, 0xFF})},
      {"uint32 1", [](logic::Pack& p) { p.push_uint32(1); }, Bytes({0x01, 0, 0, 0})},
      {"uint32 258", [](logic::Pack& p) { p.push_uint32(258); }, Bytes({0x02, 0x01, 0, 0})},
      {"uint32 0x89ABCDEF", [](logic::Pack& p) { p.push_uint32(0x89ABCDEFu); }, Bytes({0xEF, 0xCD, 0xAB, 0x89})},
      {"varstr abc", [](logic::Pack& p) { p.push_varstr("abc", 3); }, Bytes({0x03, 0, 'a', 'b', 'c'})},
      {"empty varstr", [](logic::Pack& p) { p.push_varstr("", 0); }, Bytes({0, 0})},
      {"empty varstr without bytes", [](logic::Pack& p) { p.push_varstr(nullptr, 0); }, Bytes({0, 0})},
      {"varstr carries any bytes", [](logic::Pack& p) { p.push_varstr("\0\xff", 2); }, Bytes({2, 0, 0, 0xFF})},
      {"varstr of 65535 bytes", [&](logic::Pack& p) { p.push_varstr(big.data(), 65535); },
       Bytes({0xFF, 0xFF}) + big},
      {"in order of the pushes", [](logic::Pack& p) { p.push_uint8(1); p.push_uint16(2); p.push_uint32(3); },
       Bytes({1, 2, 0, 3, 0, 0, 0})},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string written = Written(c.write);
    EXPECT_EQ(written.size(), c.bytes.size());
    EXPECT_EQ(Hex(written.substr(0, 32)), Hex(c.bytes.substr(0, 32)));
    EXPECT_TRUE(written == c.bytes);
  }
}

TEST(PackTest, VarstrTooBigWritesNothing) {
  const std::string too_big(65536, 'z');
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  pack.push_uint8(9);
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_varstr(too_big.data(), 65536); },
                                       "push_varstr: varstr too big"));
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_varstr(too_big.data(), UINT32_MAX); },
                                       "push_varstr: varstr too big"));
  EXPECT_EQ(Hex(std::string(pack.data(), pack.size())), "09");
}

TEST(PackTest, VarstrLengthOfAStringNeverWraps) {
  EXPECT_EQ(logic::VarstrLength(std::string("abc")), 3u);
  EXPECT_EQ(logic::VarstrLength(std::string(70000, 'a')), 70000u);
}

TEST(PackTest, ReplaceUint32FollowsTheBufferRules) {
  struct Case {
    const char* name;
    uint32_t pos;
    std::string after;
  } cases[] = {
      {"the first four bytes", 0, "01 02 03 04 ee ff"},
      {"the last four bytes", 2, "aa bb 01 02 03 04"},
      {"over the end: cut and appended", 4, "aa bb cc dd 01 02 03 04"},
      {"at the end: appended", 6, "aa bb cc dd ee ff 01 02 03 04"},
      {"far past the end: appended at the end", 0xFFFFFFF0u, "aa bb cc dd ee ff 01 02 03 04"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Buffer buffer;
    logic::Pack pack(buffer);
    pack.push_uint32(0xDDCCBBAAu);
    pack.push_uint16(0xFFEE);
    pack.replace_uint32(c.pos, 0x04030201u);
    EXPECT_EQ(Hex(std::string(pack.data(), pack.size())), c.after);
  }
}

TEST(PackTest, OffsetPlacesThePackInsideTheBuffer) {
  logic::Buffer buffer;
  buffer.append("head", 4);
  logic::Pack pack(buffer, 4);
  EXPECT_EQ(pack.size(), 0u);
  pack.push_uint32(0);
  pack.push_uint8(7);
  pack.replace_uint32(0, 0x11223344u);
  EXPECT_EQ(pack.size(), 5u);
  EXPECT_EQ(pack.data(), buffer.data() + 4);
  EXPECT_EQ(Hex(std::string(buffer.data(), buffer.size())), "68 65 61 64 44 33 22 11 07");

  // An offset past the end holds nothing and points nowhere.
  logic::Pack beyond(buffer, 100);
  EXPECT_EQ(beyond.size(), 0u);
  EXPECT_EQ(beyond.data(), nullptr);
  // offset + pos past 32 bits is past the end: the value is appended.
  logic::Pack high(buffer, 0xFFFFFFF0u);
  high.replace_uint32(0x20, 0xA1A2A3A4u);
  EXPECT_EQ(buffer.size(), 13u);
  EXPECT_EQ(Hex(std::string(buffer.data() + 9, 4)), "a4 a3 a2 a1");
}

TEST(PackTest, ErrorsAreHeapObjectsThatKeepTheirOwnMessage) {
  logic::Exception* caught = nullptr;
  {
    CString text(L"append buffer overflow");
    try {
      throw new logic::PackError(text);
    } catch (logic::Exception* e) {
      caught = e;
    }
    text = L"something else";
  }
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(caught->errorCode, 999);
  EXPECT_EQ(Narrow(caught->message), "append buffer overflow");
  EXPECT_NE(dynamic_cast<CSimpleException*>(caught), nullptr);
  caught->Delete();

  logic::UnpackError* unpack_error = new logic::UnpackError(L"pop_uint8: not enough data");
  EXPECT_EQ(unpack_error->errorCode, 998);
  unpack_error->Delete();
}

}  // namespace
