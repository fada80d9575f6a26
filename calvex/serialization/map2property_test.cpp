#include "map2property.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors.h"
#include "pack.h"
#include "serialization_test_util.h"
#include "unpack.h"

namespace {

using serialization_test::Bytes;
using serialization_test::Hex;
using serialization_test::Marshalled;
using serialization_test::SameRecords;
using serialization_test::Throws;

logic::Property Record(unsigned int field, const std::string& value) {
  logic::Property record;
  record.put(field, value);
  return record;
}

// The bytes of a record with one field.
std::string RecordBytes(unsigned int field, const std::string& value) {
  return Marshalled(Record(field, value));
}

std::string NameBytes(const std::string& name) {
  return Bytes({static_cast<int>(name.size()), 0}) + name;
}

TEST(Map2PropertyTest, MarshalsInByteWiseNameOrderAndReadsBack) {
  struct Case {
    const char* name;
    std::vector<std::string> put_order;
    std::string bytes;
  } cases[] = {
      {"empty", {}, Bytes({0, 0, 0, 0})},
      {"one record", {"k"}, Bytes({1, 0, 0, 0}) + NameBytes("k") + RecordBytes(1, "k")},
      {"b, a, ab: written a, ab, b", {"b", "a", "ab"},
       Bytes({3, 0, 0, 0}) + NameBytes("a") + RecordBytes(1, "a") + NameBytes("ab") + RecordBytes(1, "ab") +
           NameBytes("b") + RecordBytes(1, "b")},
      {"bytes compare unsigned: \\xc3 after z", {"\xc3", "z", ""},
       Bytes({3, 0, 0, 0}) + NameBytes("") + RecordBytes(1, "") + NameBytes("z") + RecordBytes(1, "z") +
           NameBytes("\xc3") + RecordBytes(1, "\xc3")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Map2Property table;
    for (const std::string& name : c.put_order) {
      logic::Property record = Record(1, name);
      table.put(name, record);
    }
    EXPECT_EQ(Hex(Marshalled(table)), Hex(c.bytes));

    logic::Map2Property read;
    logic::Unpack unpack(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    read.unmarshal(unpack);
    EXPECT_EQ(unpack.size(), 0u);
    EXPECT_TRUE(SameRecords(read, table));
  }
}

TEST(Map2PropertyTest, TheExampleRecordIsByteExact) {
  logic::Map2Property table;
  logic::Property record = Record(7, "ab");
  table.put("k", record);
  EXPECT_EQ(Hex(Marshalled(table)), "01 00 00 00 01 00 6b 01 00 00 00 07 00 00 00 02 00 61 62");
}

TEST(Map2PropertyTest, ReadingReplacesRecordsWholeAndKeepsTheOthers) {
  logic::Map2Property table;
  logic::Property a;
  a.put(1, "x");
  a.put(2, "y");
  table.put("a", a);
  logic::Property c = Record(5, "stays");
  table.put("c", c);
  // "a" with field 2 only, then "b" twice: the later "b" wins.
  const std::string input = Bytes({3, 0, 0, 0}) + NameBytes("a") + RecordBytes(2, "z") + NameBytes("b") +
                            RecordBytes(1, "first") + NameBytes("b") + RecordBytes(3, "second");
  logic::Unpack unpack(input.data(), static_cast<uint32_t>(input.size()));
  table.unmarshal(unpack);

  ASSERT_EQ(table.properties.size(), 3u);
  std::map<unsigned int, std::string> only2 = {{2, "z"}};
  std::map<unsigned int, std::string> later_b = {{3, "second"}};
  EXPECT_TRUE(table.properties["a"].values == only2);
  EXPECT_TRUE(table.properties["b"].values == later_b);
  EXPECT_EQ(table.properties["c"].values.at(5), "stays");
}

TEST(Map2PropertyTest, ARecordCutShortIsNotStored) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
    size_t records;
  } cases[] = {
      {"second record's field cut", Bytes({2, 0, 0, 0}) + NameBytes("a") + RecordBytes(1, "x") + NameBytes("b") +
                                        Bytes({1, 0, 0, 0, 1, 0, 0}),
       "pop_uint32: not enough data", 2},
      {"second name cut", Bytes({2, 0, 0, 0}) + NameBytes("a") + RecordBytes(1, "x") + Bytes({4, 0, 'b'}),
       "pop_fetch_ptr: not enough data", 2},
      {"second record missing", Bytes({2, 0, 0, 0}) + NameBytes("a") + RecordBytes(1, "x") + NameBytes("b"),
       "pop_uint32: not enough data", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    logic::Map2Property table;
    logic::Property held = Record(1, "held");
    table.put("b", held);
    logic::Unpack unpack(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
    EXPECT_TRUE(Throws<logic::UnpackError>([&] { table.unmarshal(unpack); }, c.message));
    ASSERT_EQ(table.properties.size(), c.records);
    EXPECT_EQ(table.properties["a"].values.at(1), "x");
    // The record being read when the input ran out did not replace "b".
    EXPECT_EQ(table.properties["b"].values.at(1), "held");
  }
}

TEST(Map2PropertyTest, GetAndPutCopyWholeRecords) {
  logic::Map2Property table;
  logic::Property record = Record(1, "one");
  table.put("r", record);
  record.put(2, "two");  // the table keeps its own copy
  logic::Property out = Record(9, "untouched");
  EXPECT_EQ(table.get("missing", out), 0);
  EXPECT_EQ(out.values.at(9), "untouched");
  EXPECT_EQ(table.get("r", out), 1);
  std::map<unsigned int, std::string> expected = {{1, "one"}};
  EXPECT_TRUE(out.values == expected);
  // Putting a record onto itself keeps it.
  table.put("r", table.properties["r"]);
  EXPECT_TRUE(table.properties["r"].values == expected);

  logic::Map2Property copy(table);
  logic::Map2Property assigned;
  assigned = table;
  table.properties.clear();
  EXPECT_EQ(copy.properties.size(), 1u);
  EXPECT_EQ(assigned.properties.size(), 1u);
}

TEST(Map2PropertyTest, NameTooLongForAVarstrFailsMarshal) {
  logic::Map2Property table;
  logic::Property record = Record(1, "x");
  table.put(std::string(65536, 'n'), record);
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  EXPECT_TRUE(Throws<logic::PackError>([&] { table.marshal(pack); }, "push_varstr: varstr too big"));
  EXPECT_EQ(pack.size(), 4u);
}

}  // namespace
