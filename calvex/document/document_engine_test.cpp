// The document through a started engine: changes made on other threads
// reach the subscribed callbacks on the user-interface thread, and the data
// set saved at stop is in the file.
//
// An engine starts at most once per process; CTest runs each case in a
// process of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "doc_subscription.h"
#include "document_image.h"
#include "document_test_util.h"
#include "logic.h"
#include "message_pump.h"

namespace logic {
namespace {

using document_test::Call;
using document_test::Image;
using document_test::PersistentSet;
using document_test::ReadBytes;
using document_test::Recorder;
using document_test::ScratchFolder;
using document_test::WriteBytes;

class DocumentEngineTest : public ::testing::Test {
 protected:
  void Create() {
    ASSERT_EQ(0u, CreateSingletonICalvex(path));
    engine = GetLogic();
    ASSERT_NE(nullptr, engine);
  }
  void TearDown() override { DestroySingletonICalvex(); }

  ScratchFolder folder;
  std::string path = folder.Path("engine.doc");
  ILogic* engine = nullptr;
};

TEST_F(DocumentEngineTest, NotifiedChangesReachCallbacksOnTheUserInterfaceThreadInOrder) {
  Create();
  ASSERT_EQ(0, engine->start());
  Recorder recorder;
  engine->subscribe(&recorder, recorder.Callback(), "app", "*", AnyField);

  std::thread writer([this] {
    engine->putInt("app", "counter", 1, 41, TRUE);
    engine->putString("app", "quiet", 1, "no call", FALSE);
    Property record;
    record.put(2, "x");
    engine->putProperty("app", "added", record, TRUE);
    engine->removeProperty("app", "counter", TRUE);
  });
  writer.join();
  ASSERT_TRUE(testsupport::PumpMessagesUntil([&] { return recorder.Calls().size() >= 3; }));

  const std::vector<Call> calls = recorder.Calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ("counter", calls[0].key);
  EXPECT_EQ(Changed, calls[0].kind);
  EXPECT_EQ("added", calls[1].key);
  EXPECT_EQ(Added, calls[1].kind);
  EXPECT_EQ((std::set<unsigned>{0, 2}), calls[1].fields);
  EXPECT_EQ("counter", calls[2].key);
  EXPECT_EQ(Removed, calls[2].kind);
  for (const Call& call : calls) EXPECT_EQ(engine, call.logic);
  for (DWORD thread : recorder.Threads()) EXPECT_EQ(GetCurrentThreadId(), thread);

  // The change made without notification was made all the same.
  std::string quiet;
  EXPECT_TRUE(engine->getString("app", "quiet", 1, quiet));
  EXPECT_EQ("no call", quiet);
  EXPECT_EQ(0, engine->stop());
}

TEST_F(DocumentEngineTest, PersistentDataSetIsSavedAtStop) {
  WriteBytes(path, Image({{"app", PersistentSet("counter", 1, "41")}}));
  Create();
  ASSERT_EQ(0, engine->start());
  engine->openDataSet(0, "app", DataSetPersistent);
  int counter = 0;
  ASSERT_TRUE(engine->getInt("app", "counter", 1, counter));
  EXPECT_EQ(41, counter);
  engine->putInt("app", "counter", 1, counter + 1, FALSE);
  engine->putString("scratch", "k", 1, "not saved", FALSE);
  EXPECT_EQ(0, engine->stop());

  DataSetMap stored;
  const std::string bytes = ReadBytes(path);
  ASSERT_TRUE(decodeDocumentImage(bytes.data(), static_cast<uint32_t>(bytes.size()), stored, nullptr));
  EXPECT_EQ(1u, stored.size());
  EXPECT_EQ("42", stored["app"].properties["counter"].values[1]);
}

TEST_F(DocumentEngineTest, StartOnADamagedFileReports5AndKeepsTheGoodRecords) {
  const std::string damaged = Image({{"app", PersistentSet("k", 1, "kept")}}) + std::string("\x03\x00" "cu", 4);
  WriteBytes(path, damaged);
  Create();
  EXPECT_EQ(5, engine->start());
  engine->openDataSet(0, "app", DataSetPersistent);
  std::string kept;
  EXPECT_TRUE(engine->getString("app", "k", 1, kept));
  EXPECT_EQ("kept", kept);
  EXPECT_EQ(damaged, ReadBytes(path + ".damaged"));
  EXPECT_EQ(0, engine->stop());
}

}  // namespace
}  // namespace logic
