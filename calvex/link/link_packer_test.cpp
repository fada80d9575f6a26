#include "link_packer.h"

#include <gtest/gtest.h>

#include <string>

#include "errors.h"
#include "lframe.h"
#include "pack.h"
#include "serialization_test_util.h"

namespace {

using serialization_test::Hex;
using serialization_test::Throws;

TEST(LinkPackerTest, WritesThePackSizeOverTheFirstFourBytes) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  logic::LFrame frame(1, 1);
  frame.marshal(pack);
  std::string body(70000, 'b');  // several blocks: the length is the whole pack
  pack.push_varstr(body.data(), 60000);
  pack.push_varstr(body.data(), 10000);
  logic::LinkPacker::pack(pack);
  ASSERT_EQ(buffer.size(), 11u + 60002u + 10002u);
  EXPECT_EQ(Hex(std::string(buffer.data(), 4)), "7f 11 01 00");  // 70015
}

TEST(LinkPackerTest, MeasuresFromThePackOffset) {
  logic::Buffer buffer;
  buffer.append("prefix", 6);
  logic::Pack pack(buffer, 6);
  logic::LFrame(2, 3).marshal(pack);
  logic::LinkPacker::pack(pack);
  EXPECT_EQ(Hex(std::string(buffer.data(), buffer.size())),
            "70 72 65 66 69 78 0b 00 00 00 02 00 03 00 00 00 00");
}

TEST(LinkPackerTest, PackWithoutAWholeHeaderIsRefusedUnchanged) {
  for (uint32_t size : {0u, 2u, 10u}) {
    SCOPED_TRACE(size);
    logic::Buffer buffer;
    logic::Pack pack(buffer);
    for (uint32_t i = 0; i < size; ++i) pack.push_uint8(0xAA);
    EXPECT_TRUE(Throws<logic::PackError>([&] { logic::LinkPacker::pack(pack); }, "LinkPacker, package too small"));
    EXPECT_EQ(pack.size(), size);
    EXPECT_EQ(Hex(std::string(size == 0 ? "" : buffer.data(), size)), Hex(std::string(size, '\xAA')));
  }
}

}  // namespace
