// The document file's byte form: what is written, in which order, and what a
// cut or malformed image still yields.
#include "document_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors.h"

namespace logic {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

DataSet MakeSet(unsigned flags, const std::string& key, unsigned field, const std::string& value) {
  DataSet set;
  set.flags = flags;
  set.properties[key].values[field] = value;
  return set;
}

// Three persistent sets with names, keys, fields and values at their edges.
DataSetMap ThreeSets() {
  DataSetMap sets;
  sets["alpha"] = MakeSet(DataSetPersistent, "k1", 1, "one");
  sets["beta"] = MakeSet(DataSetPersistent | 0x100, "", 0, std::string("\0\xff", 2));
  sets["gamma"] = MakeSet(DataSetPersistent, "k3", 0xFFFFFFFFu, "three");
  return sets;
}

void ExpectSameSet(const DataSet& expected, const DataSet& actual) {
  EXPECT_EQ(expected.flags, actual.flags);
  EXPECT_EQ(0u, actual.tag);
  ASSERT_EQ(expected.properties.size(), actual.properties.size());
  for (const auto& record : expected.properties) {
    auto found = actual.properties.find(record.first);
    ASSERT_NE(found, actual.properties.end()) << record.first;
    EXPECT_EQ(record.second.values, found->second.values);
  }
}

TEST(DocumentImage, WritesOnePersistentRecordByteForByte) {
  DataSetMap sets;
  sets["a"] = MakeSet(DataSetPersistent, "k", 7, "ab");
  EXPECT_EQ(Bytes({1, 0, 'a',                  // name
                   2, 0, 0, 0,                  // flags
                   1, 0, 0, 0, 1, 0, 'k',       // one key "k"
                   1, 0, 0, 0, 7, 0, 0, 0,      // one field, id 7
                   2, 0, 'a', 'b'}),            // "ab"
            encodeDocumentImage(sets));
}

TEST(DocumentImage, WritesPersistentSetsOnlyInByteOrderOfNames) {
  DataSetMap sets;
  for (const char* name : {"b", "ab", "a", "\xc3\xa9", "B"}) sets[name] = MakeSet(DataSetPersistent, "k", 1, name);
  sets["volatile"] = MakeSet(0x1, "k", 1, "v");
  sets["tagged"] = MakeSet(DataSetPersistent, "k", 1, "t");
  sets["tagged"].tag = 99;

  const std::string image = encodeDocumentImage(sets);
  DocumentImageReader reader(image.data(), static_cast<uint32_t>(image.size()));
  std::vector<std::string> names;
  std::string name;
  DataSet set;
  while (reader.next(name, set)) {
    names.push_back(name);
    EXPECT_EQ(0u, set.tag);
  }
  EXPECT_FALSE(reader.damaged());
  EXPECT_EQ((std::vector<std::string>{"B", "a", "ab", "b", "tagged", "\xc3\xa9"}), names);
}

TEST(DocumentImage, RoundTripKeepsFlagsKeysAndBytes) {
  const DataSetMap sets = ThreeSets();
  const std::string image = encodeDocumentImage(sets);
  DataSetMap decoded;
  ASSERT_TRUE(decodeDocumentImage(image.data(), static_cast<uint32_t>(image.size()), decoded, nullptr));
  ASSERT_EQ(sets.size(), decoded.size());
  for (const auto& entry : sets) ExpectSameSet(entry.second, decoded[entry.first]);
}

TEST(DocumentImage, EmptyImageIsCompleteAndEmpty) {
  DataSetMap decoded;
  EXPECT_TRUE(decodeDocumentImage("", 0, decoded, nullptr));
  EXPECT_TRUE(decoded.empty());
  EXPECT_EQ("", encodeDocumentImage(DataSetMap()));
}

TEST(DocumentImage, LaterRecordOfTheSameNameWins) {
  DataSetMap first, second;
  first["x"] = MakeSet(DataSetPersistent, "old", 1, "1");
  second["x"] = MakeSet(DataSetPersistent | 0x40, "new", 2, "2");
  const std::string image = encodeDocumentImage(first) + encodeDocumentImage(second);
  DataSetMap decoded;
  ASSERT_TRUE(decodeDocumentImage(image.data(), static_cast<uint32_t>(image.size()), decoded, nullptr));
  ExpectSameSet(second["x"], decoded["x"]);
}

// Every cut of a three-record image keeps exactly the records that end
// before the cut and reports the first lost record's start.
TEST(DocumentImage, CutImageKeepsTheCompleteRecordsBeforeTheCut) {
  const DataSetMap sets = ThreeSets();
  const std::string image = encodeDocumentImage(sets);
  std::vector<uint32_t> ends;  // where each record ends
  for (const auto& entry : sets) {
    DataSetMap one;
    one[entry.first] = entry.second;
    ends.push_back((ends.empty() ? 0 : ends.back()) + static_cast<uint32_t>(encodeDocumentImage(one).size()));
  }
  ASSERT_EQ(image.size(), ends.back());

  for (uint32_t cut = 0; cut <= image.size(); ++cut) {
    SCOPED_TRACE(cut);
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= cut) ++whole;
    const bool atBoundary = cut == 0 || (whole > 0 && ends[whole - 1] == cut);

    DataSetMap decoded;
    DocumentImageDamage damage;
    EXPECT_EQ(atBoundary, decodeDocumentImage(image.data(), cut, decoded, &damage));
    EXPECT_EQ(whole, decoded.size());
    if (!atBoundary) {
      EXPECT_EQ(whole == 0 ? 0u : ends[whole - 1], damage.recordOffset);
      EXPECT_GE(damage.failureOffset, damage.recordOffset);
      EXPECT_LE(damage.failureOffset, cut);
      EXPECT_NE(std::string::npos, damage.failure.find("not enough data")) << damage.failure;
    }
  }
}

struct MalformedCase {
  const char* what;
  std::string image;
  uint32_t failureOffset;
  const char* failure;
};

TEST(DocumentImage, MalformedRecordsStopTheReaderWhereTheyFail) {
  const std::string good = encodeDocumentImage(ThreeSets());
  const uint32_t g = static_cast<uint32_t>(good.size());
  const MalformedCase cases[] = {
      {"name longer than the image", good + Bytes({0xff, 0xff, 'x'}), g + 2, "pop_fetch_ptr: not enough data"},
      {"flags cut short", good + Bytes({1, 0, 'n', 2, 0}), g + 3, "pop_uint32: not enough data"},
      {"huge key count", good + Bytes({1, 0, 'n', 2, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}), g + 11,
       "pop_uint16: not enough data"},
      {"field value past the end",
       good + Bytes({1, 0, 'n', 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 9, 0, 'a'}), g + 23,
       "pop_fetch_ptr: not enough data"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentImageReader reader(c.image.data(), static_cast<uint32_t>(c.image.size()));
    std::string name;
    DataSet set;
    int records = 0;
    while (reader.next(name, set)) ++records;
    EXPECT_EQ(3, records);
    EXPECT_TRUE(reader.damaged());
    EXPECT_EQ(g, reader.recordOffset());
    EXPECT_EQ(c.failureOffset, reader.failureOffset());
    EXPECT_EQ(c.failure, reader.failure());
    EXPECT_FALSE(reader.next(name, set));
  }
}

TEST(DocumentImage, OverlongNameOrValueThrowsPackError) {
  DataSetMap longName, longValue;
  longName[std::string(65536, 'n')] = MakeSet(DataSetPersistent, "k", 1, "v");
  longValue["n"] = MakeSet(DataSetPersistent, "k", 1, std::string(65536, 'v'));
  for (const DataSetMap* sets : {&longName, &longValue}) {
    try {
      encodeDocumentImage(*sets);
      ADD_FAILURE() << "no PackError";
    } catch (PackError* e) {
      EXPECT_EQ(999, e->errorCode);  // PackError
      e->Delete();
    }
  }
}

}  // namespace
}  // namespace logic
