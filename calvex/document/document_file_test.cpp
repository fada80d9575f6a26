// The document file: load, save and close against real files, including
// damaged files and paths that cannot be written.
#include "document.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "doc_event.h"
#include "document_test_util.h"

namespace logic {
namespace {

using document_test::Image;
using document_test::PersistentSet;
using document_test::ReadBytes;
using document_test::ScratchFolder;
using document_test::WriteBytes;

const int kPersistent = DataSetPersistent;

void Put(Document& doc, const std::string& set, const std::string& key, unsigned field, const std::string& value) {
  doc.putString(set, key, field, value)->release();
}

std::string Get(Document& doc, const std::string& set, const std::string& key, unsigned field) {
  std::string value = "<none>";
  doc.getString(set, key, field, value);
  return value;
}

std::vector<std::string> Names(const DataSetMap& sets) {
  std::vector<std::string> names;
  for (const auto& entry : sets) names.push_back(entry.first);
  return names;
}

class DocumentFileTest : public ::testing::Test {
 protected:
  ScratchFolder folder;
  std::string path = folder.Path("app.doc");

  // Three persistent records; the third is the last in the image.
  std::string ThreeRecords() {
    return Image({{"one", PersistentSet("k", 1, "1")},
                  {"two", PersistentSet("k", 2, "2")},
                  {"three", PersistentSet("k", 3, "3")}});
  }
};

TEST_F(DocumentFileTest, MissingOrEmptyFileLoadsNothing) {
  Document missing(path);
  EXPECT_EQ(0, missing.load());
  EXPECT_TRUE(missing.storedCopy().empty());

  WriteBytes(path, "");
  Document empty(path);
  EXPECT_EQ(0, empty.load());
  EXPECT_TRUE(empty.storedCopy().empty());
  // Nothing stored and nothing persistent open: the file is left alone.
  EXPECT_EQ(0, empty.save());
  EXPECT_EQ("", ReadBytes(path));
  EXPECT_EQ((std::set<std::string>{"app.doc"}), folder.Files());
}

TEST_F(DocumentFileTest, SavedDataIsThereOnTheNextLoad) {
  {
    Document first(path);
    ASSERT_EQ(0, first.load());
    first.openDataSet(5, "settings", kPersistent | 0x100);
    Put(first, "settings", "window", 1, "800");
    Put(first, "settings", "", 0xFFFFFFFFu, std::string("\0\xff", 2));
    first.openDataSet(0, "closed", kPersistent);
    Put(first, "closed", "k", 1, "kept");
    first.closeDataSet("closed");
    Put(first, "volatile", "k", 1, "gone");
    ASSERT_EQ(0, first.close());
    // save leaves a persistent set open.
    EXPECT_EQ("800", Get(first, "settings", "window", 1));
  }
  Document second(path);
  ASSERT_EQ(0, second.load());
  DataSetMap stored = second.storedCopy();
  EXPECT_EQ((std::vector<std::string>{"closed", "settings"}), Names(stored));
  EXPECT_EQ(static_cast<unsigned>(kPersistent | 0x100), stored["settings"].flags);
  EXPECT_EQ(0u, stored["settings"].tag);  // the tag is not in the file
  second.openDataSet(0, "settings", kPersistent);
  EXPECT_EQ("800", Get(second, "settings", "window", 1));
  EXPECT_EQ(std::string("\0\xff", 2), Get(second, "settings", "", 0xFFFFFFFFu));
  EXPECT_EQ((std::set<std::string>{"app.doc"}), folder.Files());  // no temporary file left
}

TEST_F(DocumentFileTest, RecordsAreWrittenInByteOrderOfNames) {
  Document doc(path);
  for (const char* name : {"b", "ab", "a", "B"}) {
    doc.openDataSet(0, name, kPersistent);
    Put(doc, name, "k", 1, name);
  }
  ASSERT_EQ(0, doc.save());
  EXPECT_EQ(Image({{"B", PersistentSet("k", 1, "B")},
                   {"a", PersistentSet("k", 1, "a")},
                   {"ab", PersistentSet("k", 1, "ab")},
                   {"b", PersistentSet("k", 1, "b")}}),
            ReadBytes(path));
}

TEST_F(DocumentFileTest, LaterRecordOfADuplicateNameWins) {
  WriteBytes(path, Image({{"x", PersistentSet("old", 1, "1")},
                          {"y", PersistentSet("k", 1, "y")},
                          {"x", PersistentSet("new", 2, "2", kPersistent | 0x8)}}));
  Document doc(path);
  ASSERT_EQ(0, doc.load());
  DataSetMap stored = doc.storedCopy();
  EXPECT_EQ(static_cast<unsigned>(kPersistent | 0x8), stored["x"].flags);
  EXPECT_EQ(0u, stored["x"].properties.count("old"));
  EXPECT_EQ("2", stored["x"].properties["new"].values[2]);
}

TEST_F(DocumentFileTest, StoredRecordWithoutThePersistentBitIsLoadedButNotWrittenBack) {
  const std::string image = Image({{"p", PersistentSet("k", 1, "p")}, {"q", PersistentSet("k", 1, "q", 0x1)}});
  WriteBytes(path, image);
  {
    Document doc(path);
    ASSERT_EQ(0, doc.load());
    EXPECT_EQ(0x1u, doc.storedCopy()["q"].flags);
    ASSERT_EQ(0, doc.save());
    EXPECT_EQ(Image({{"p", PersistentSet("k", 1, "p")}}), ReadBytes(path));
  }
  // Opened with the persistent bit, it comes back and is written again.
  WriteBytes(path, image);
  Document doc(path);
  ASSERT_EQ(0, doc.load());
  doc.openDataSet(0, "q", kPersistent);
  EXPECT_EQ("q", Get(doc, "q", "k", 1));
  ASSERT_EQ(0, doc.save());
  EXPECT_EQ(image.size(), ReadBytes(path).size());
}

TEST_F(DocumentFileTest, VolatileOpenSetIsNeverWrittenButItsStoredCopyIs) {
  Document doc(path);
  doc.openDataSet(0, "s", kPersistent);
  Put(doc, "s", "k", 1, "stored");
  doc.closeDataSet("s");
  doc.openDataSet(0, "s", 0);
  Put(doc, "s", "k", 1, "volatile");
  ASSERT_EQ(0, doc.save());
  EXPECT_EQ(Image({{"s", PersistentSet("k", 1, "stored")}}), ReadBytes(path));
}

// A file cut inside its third record: the first two records are kept, the
// result says the file was not read completely, and the damaged file is kept
// beside the document so that no save can destroy it.
TEST_F(DocumentFileTest, DamagedFileKeepsGoodRecordsAndACopyOfTheFile) {
  const std::string whole = ThreeRecords();
  const std::string damaged = whole.substr(0, whole.size() - 3);
  WriteBytes(path, damaged);

  Document doc(path);
  EXPECT_EQ(5, doc.load());
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), Names(doc.storedCopy()));
  EXPECT_EQ(damaged, ReadBytes(path + ".damaged"));

  // Saving writes what was kept; the copy stays as it was.
  doc.openDataSet(0, "new", kPersistent);
  Put(doc, "new", "k", 1, "n");
  ASSERT_EQ(0, doc.save());
  EXPECT_EQ(damaged, ReadBytes(path + ".damaged"));
  Document reread(path);
  EXPECT_EQ(0, reread.load());
  EXPECT_EQ((std::vector<std::string>{"new", "one", "two"}), Names(reread.storedCopy()));

  // A later damaged load never overwrites an earlier copy.
  const std::string otherDamage = whole.substr(0, 5);
  WriteBytes(path, otherDamage);
  Document again(path);
  EXPECT_EQ(5, again.load());
  EXPECT_TRUE(again.storedCopy().empty());
  EXPECT_EQ(damaged, ReadBytes(path + ".damaged"));
  EXPECT_EQ(otherDamage, ReadBytes(path + ".damaged.2"));
}

TEST_F(DocumentFileTest, NothingStoredLeavesTheFileAsItWas) {
  const std::string damaged = ThreeRecords().substr(0, 4);
  WriteBytes(path, damaged);
  Document doc(path);
  EXPECT_EQ(5, doc.load());
  Put(doc, "volatile", "k", 1, "v");
  EXPECT_EQ(0, doc.save());
  EXPECT_EQ(damaged, ReadBytes(path));
}

// A document that cannot be written returns 6 and leaves the old file (or
// folder) exactly as it was, with no temporary file behind.
TEST_F(DocumentFileTest, UnwritablePathReturns6AndKeepsTheOldFile) {
  const std::string old = ThreeRecords();
  WriteBytes(path, old);
  ASSERT_TRUE(SetFileAttributesW(folder.Wide("app.doc"), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW(folder.Wide("folder.doc"), nullptr));

  struct Case {
    const char* what;
    std::string path;
  } cases[] = {
      {"read-only file", path},
      {"missing folder", folder.Path("missing\\app.doc")},
      {"path names a folder", folder.Path("folder.doc")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc(c.path);
    doc.openDataSet(0, "s", kPersistent);
    Put(doc, "s", "k", 1, "new");
    EXPECT_EQ(6, doc.save());
    // The stored copy was refreshed all the same.
    EXPECT_EQ(1u, doc.storedCopy().count("s"));
  }
  EXPECT_EQ(old, ReadBytes(path));
  EXPECT_EQ((std::set<std::string>{"app.doc", "folder.doc"}), folder.Files());
}

// A file that exists but cannot be opened was never read: no save replaces
// it.  While it stays locked the save fails; once it can be moved, it is kept
// beside the new file.
TEST_F(DocumentFileTest, FileThatCouldNotBeReadIsNeverReplaced) {
  const std::string old = ThreeRecords();
  WriteBytes(path, old);
  HANDLE locked = CreateFileW(folder.Wide("app.doc"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);

  Document doc(path);
  EXPECT_EQ(4, doc.load());
  doc.openDataSet(0, "s", kPersistent);
  Put(doc, "s", "k", 1, "new");
  EXPECT_EQ(6, doc.save()) << "the unread file cannot be moved aside while it is locked";
  CloseHandle(locked);
  EXPECT_EQ(old, ReadBytes(path));

  EXPECT_EQ(0, doc.save());
  EXPECT_EQ(old, ReadBytes(path + ".unread"));
  Document next(path);
  EXPECT_EQ(0, next.load());
  EXPECT_EQ((std::vector<std::string>{"s"}), Names(next.storedCopy()));
  EXPECT_EQ(0, doc.save()) << "later saves replace the file as usual";
  EXPECT_EQ(old, ReadBytes(path + ".unread"));
}

TEST_F(DocumentFileTest, OverlongNameFailsBeforeTheFileIsTouched) {
  WriteBytes(path, ThreeRecords());
  Document doc(path);
  const std::string name(65536, 'n');
  doc.openDataSet(0, name, kPersistent);
  try {
    doc.save();
    ADD_FAILURE() << "no PackError";
  } catch (Exception* e) {
    EXPECT_EQ(999, e->errorCode);
    e->Delete();
  }
  EXPECT_EQ(ThreeRecords(), ReadBytes(path));
}

TEST_F(DocumentFileTest, NonAsciiPathWorks) {
  const std::string wide = folder.Path("d\xc3\xb6" "c \xe6\x96\x87.doc");
  {
    Document doc(wide);
    doc.openDataSet(0, "s", kPersistent);
    Put(doc, "s", "k", 1, "v");
    ASSERT_EQ(0, doc.close());
  }
  Document doc(wide);
  ASSERT_EQ(0, doc.load());
  EXPECT_EQ(1u, doc.storedCopy().count("s"));
}

// Saves on one thread while others write: every save succeeds and the last
// one holds every value.
TEST_F(DocumentFileTest, SavingWhileOtherThreadsWriteLosesNothing) {
  const int kThreads = 3, kPuts = 200;
  Document doc(path);
  doc.openDataSet(0, "s", kPersistent);
  std::atomic<bool> writing(true);
  int failedSaves = 0;
  std::thread saver([&] {
    while (writing) failedSaves += doc.save() != 0;
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kPuts; ++i) Put(doc, "s", "key" + std::to_string(t), static_cast<unsigned>(i), "v");
    });
  }
  for (std::thread& w : writers) w.join();
  writing = false;
  saver.join();
  EXPECT_EQ(0, failedSaves);
  ASSERT_EQ(0, doc.save());

  Document reread(path);
  ASSERT_EQ(0, reread.load());
  DataSetMap stored = reread.storedCopy();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(static_cast<size_t>(kPuts), stored["s"].properties["key" + std::to_string(t)].values.size());
  }
}

}  // namespace
}  // namespace logic
