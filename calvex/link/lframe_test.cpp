#include "lframe.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "errors.h"
#include "link_packer.h"
#include "pack.h"
#include "property.h"
#include "serialization_test_util.h"
#include "unpack.h"

namespace {

using serialization_test::Bytes;
using serialization_test::Hex;
using serialization_test::Throws;

// A body that writes nothing.
struct EmptyBody : logic::Marshallable {
  void marshal(logic::Pack&) const override {}
  void unmarshal(const logic::Unpack&) override {}
};

// The bytes of one whole frame, written the way the link writes frames.
std::string Frame(const logic::LFrame& header, const logic::Marshallable& body) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  header.marshal(pack);
  body.marshal(pack);
  logic::LinkPacker::pack(pack);
  return std::string(buffer.data(), buffer.size());
}

TEST(LFrameTest, ConstructorsSetOnlyWhatTheyTake) {
  logic::LFrame none;
  EXPECT_EQ(none.length, 0u);
  EXPECT_EQ(none.flags, 0);
  EXPECT_EQ(none.serviceID, 0);
  EXPECT_EQ(none.commandID, 0);
  EXPECT_EQ(none.extra, 0);
  logic::LFrame frame(2, 3);
  EXPECT_EQ(frame.serviceID, 2);
  EXPECT_EQ(frame.commandID, 3);
  EXPECT_EQ(frame.length + frame.flags + frame.extra, 0u);
}

TEST(LFrameTest, FramesAreByteExact) {
  EmptyBody empty;
  logic::Property ab;
  ab.put(7, "ab");
  logic::LFrame plain(2, 3);
  logic::LFrame both_bits(2, 3);
  both_bits.setTrunked();
  both_bits.setCompressed();
  logic::LFrame stale_length(2, 3);
  stale_length.length = 999;
  logic::LFrame carried(0xFFFF, 0x8001);
  carried.extra = 0xBEEF;
  carried.flags = 0xFC;
  struct Case {
    const char* name;
    const logic::LFrame& header;
    const logic::Marshallable& body;
    std::string bytes;
  } cases[] = {
      {"empty body", plain, empty, "0b 00 00 00 02 00 03 00 00 00 00"},
      {"trunked and compressed", both_bits, empty, "0b 00 00 00 02 00 03 00 00 00 03"},
      {"a stale length is overwritten", stale_length, empty, "0b 00 00 00 02 00 03 00 00 00 00"},
      {"extra and other flag bits carried", carried, empty, "0b 00 00 00 ff ff 01 80 ef be fc"},
      {"a record body", plain, ab,
       "17 00 00 00 02 00 03 00 00 00 00 01 00 00 00 07 00 00 00 02 00 61 62"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(Frame(c.header, c.body)), c.bytes);
  }
  EXPECT_EQ(both_bits.isTrunked(), 1);
  EXPECT_EQ(both_bits.isCompressed(), 1);
}

TEST(LFrameTest, UnmarshalReadsTheHeaderAndStopsAtTheBody) {
  const std::string bytes = Bytes({0x0D, 0, 0, 0, 2, 0, 3, 0, 0xEF, 0xBE, 0xFC, 'x', 'y'});
  logic::LFrame frame;
  logic::Unpack unpack(bytes.data(), static_cast<uint32_t>(bytes.size()));
  frame.unmarshal(unpack);
  EXPECT_EQ(frame.length, 13u);
  EXPECT_EQ(frame.serviceID, 2);
  EXPECT_EQ(frame.commandID, 3);
  EXPECT_EQ(frame.extra, 0xBEEF);
  EXPECT_EQ(frame.flags, 0xFC);
  EXPECT_EQ(frame.isTrunked(), 0);
  EXPECT_EQ(frame.isCompressed(), 0);
  EXPECT_EQ(unpack.size(), 2u);
  EXPECT_EQ(unpack.data(), bytes.data() + 11);

  // The length is taken as it stands, whatever follows.
  const std::string lying = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 1, 0, 0, 0, 1});
  logic::Unpack unpack2(lying.data(), 11);
  frame.unmarshal(unpack2);
  EXPECT_EQ(frame.length, 0xFFFFFFFFu);
  EXPECT_EQ(frame.isTrunked(), 1);
  EXPECT_EQ(frame.isCompressed(), 0);
}

TEST(LFrameTest, ShortHeaderNamesTheFirstFieldThatRunsShort) {
  const std::string header = Bytes({0x0B, 0, 0, 0, 2, 0, 3, 0, 4, 0, 0});
  struct Case {
    uint32_t size;
    const char* message;
  } cases[] = {
      {0, "pop_uint32: not enough data"},  {3, "pop_uint32: not enough data"},
      {5, "pop_uint16: not enough data"},  {7, "pop_uint16: not enough data"},
      {9, "pop_uint16: not enough data"},  {10, "pop_uint8: not enough data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    logic::LFrame frame;
    logic::Unpack unpack(header.data(), c.size);
    EXPECT_TRUE(Throws<logic::UnpackError>([&] { frame.unmarshal(unpack); }, c.message));
    if (c.size == 10) {
      // The four fields before the flags were read.
      EXPECT_EQ(frame.length, 11u);
      EXPECT_EQ(frame.serviceID, 2);
      EXPECT_EQ(frame.commandID, 3);
      EXPECT_EQ(frame.extra, 4);
      EXPECT_EQ(unpack.size(), 0u);
    }
  }
}

TEST(LFrameTest, CopiesCarryEveryMember) {
  logic::LFrame frame(5, 6);
  frame.length = 40;
  frame.extra = 7;
  frame.setCompressed();
  logic::LFrame copy(frame);
  logic::LFrame assigned;
  assigned = frame;
  for (const logic::LFrame* f : {&copy, &assigned}) {
    EXPECT_EQ(f->length, 40u);
    EXPECT_EQ(f->serviceID, 5);
    EXPECT_EQ(f->commandID, 6);
    EXPECT_EQ(f->extra, 7);
    EXPECT_EQ(f->flags, 2);
  }
  std::ostringstream out;
  frame.trace(out);
  EXPECT_EQ(out.str(), "trace Marshallable [ not immplement ]");
}

}  // namespace
