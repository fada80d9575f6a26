#include "dataset.h"

#include <gtest/gtest.h>

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

TEST(DataSetTest, NewDataSetIsEmptyAndMarshalsToEightZeroBytes) {
  logic::DataSet set;
  EXPECT_EQ(set.flags, 0u);
  EXPECT_EQ(set.tag, 0u);
  EXPECT_TRUE(set.properties.empty());
  EXPECT_EQ(Hex(Marshalled(set)), "00 00 00 00 00 00 00 00");
}

TEST(DataSetTest, MarshalWritesFlagsThenTheTableButNeverTheTag) {
  logic::DataSet set;
  set.flags = 0x80000002u;
  set.tag = 77;
  logic::Property record;
  record.put(7, "ab");
  set.put("k", record);
  const logic::Marshallable& as_base = set;
  EXPECT_EQ(Hex(Marshalled(as_base)),
            "02 00 00 80 01 00 00 00 01 00 6b 01 00 00 00 07 00 00 00 02 00 61 62");
}

TEST(DataSetTest, UnmarshalWithFlagsReadsFlagsAndMergesTheTable) {
  logic::DataSet source;
  source.flags = 2;
  logic::Property record;
  record.put(1, "new");
  source.put("a", record);
  const std::string bytes = Marshalled(source);

  logic::DataSet set;
  set.tag = 5;
  logic::Property held;
  held.put(1, "held");
  set.put("z", held);
  logic::Unpack unpack(bytes.data(), static_cast<uint32_t>(bytes.size()));
  set.unmarshalWithFlags(unpack);
  EXPECT_EQ(unpack.size(), 0u);
  EXPECT_EQ(set.flags, 2u);
  EXPECT_EQ(set.tag, 5u);
  EXPECT_EQ(set.properties.size(), 2u);
  EXPECT_EQ(set.properties["a"].values.at(1), "new");
  EXPECT_EQ(set.properties["z"].values.at(1), "held");
}

TEST(DataSetTest, InheritedUnmarshalReadsTheTableOnly) {
  const std::string table = Bytes({1, 0, 0, 0, 1, 0, 'k', 0, 0, 0, 0});
  logic::DataSet set;
  set.flags = 6;
  logic::Marshallable& as_base = set;
  logic::Unpack unpack(table.data(), static_cast<uint32_t>(table.size()));
  as_base.unmarshal(unpack);
  EXPECT_EQ(unpack.size(), 0u);
  EXPECT_EQ(set.flags, 6u);
  EXPECT_EQ(set.properties.count("k"), 1u);
}

TEST(DataSetTest, ShortInputThrows) {
  logic::DataSet set;
  set.flags = 9;
  const std::string two = Bytes({2, 0});
  logic::Unpack unpack(two.data(), 2);
  EXPECT_TRUE(Throws<logic::UnpackError>([&] { set.unmarshalWithFlags(unpack); }, "pop_uint32: not enough data"));
  EXPECT_EQ(set.flags, 9u);
  EXPECT_EQ(unpack.size(), 2u);

  // Flags read, table missing: the flags stay read.
  const std::string flags_only = Bytes({2, 0, 0, 0});
  logic::Unpack unpack2(flags_only.data(), 4);
  EXPECT_TRUE(Throws<logic::UnpackError>([&] { set.unmarshalWithFlags(unpack2); }, "pop_uint32: not enough data"));
  EXPECT_EQ(set.flags, 2u);
}

TEST(DataSetTest, CopiesCarryFlagsAndTagWhileTableAssignmentCopiesTheTableOnly) {
  logic::DataSet set;
  set.flags = 2;
  set.tag = 11;
  logic::Property record;
  record.put(1, "x");
  set.put("r", record);
  logic::DataSet copy(set);
  EXPECT_EQ(copy.flags, 2u);
  EXPECT_EQ(copy.tag, 11u);
  EXPECT_EQ(copy.properties.size(), 1u);

  logic::DataSet other;
  other.flags = 4;
  other.tag = 3;
  static_cast<logic::Map2Property&>(other) = set;
  EXPECT_EQ(other.flags, 4u);
  EXPECT_EQ(other.tag, 3u);
  EXPECT_EQ(other.properties.size(), 1u);
}

TEST(DataSetTest, TraceIsTheDefault) {
  logic::DataSet set;
  std::ostringstream out;
  set.trace(out);
  EXPECT_EQ(out.str(), "trace Marshallable [ not immplement ]");
}

}  // namespace
