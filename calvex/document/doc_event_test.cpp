// Delivering a document event: each chosen callback that is still
// subscribed is called once, with the change's names, fields and kind.
#include "doc_event.h"

#include <gtest/gtest.h>

#include <memory>

#include "document.h"
#include "document_test_util.h"

namespace logic {
namespace {

using document_test::Call;
using document_test::Recorder;

ILogic* const kEngine = reinterpret_cast<ILogic*>(0x1000);  // only passed on, never called

class DocEventTest : public ::testing::Test {
 protected:
  Document doc{"unused.doc"};
  // Recorders in one array, so that their callbacks' delegate order is the
  // array order (delegates are ordered by object address first).
  Recorder recorders[3];

  DocEvent_Impl* Change(const std::string& key, unsigned field) {
    return static_cast<DocEvent_Impl*>(doc.putString("s", key, field, "v"));
  }
};

TEST_F(DocEventTest, CallsEachChosenCallbackOnceWithTheChange) {
  Recorder& a = recorders[0];
  Recorder& b = recorders[1];
  doc.subscribe(&a, a.Callback(), "s", "k", 7);
  doc.subscribe(&a, a.Callback(), "s", "*", AnyField);
  doc.subscribe(&b, b.Callback(), "s", "k", 7);

  DocEvent_Impl* event = Change("k", 7);
  event->execute(kEngine);
  event->release();

  for (Recorder* r : {&a, &b}) {
    std::vector<Call> calls = r->Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(kEngine, calls[0].logic);
    EXPECT_EQ("s", calls[0].dataSet);
    EXPECT_EQ("k", calls[0].key);
    EXPECT_EQ((std::set<unsigned>{7}), calls[0].fields);
    EXPECT_EQ(Changed, calls[0].kind);
  }
}

TEST_F(DocEventTest, SkipsCallbacksUnsubscribedBeforeDeliveryButNotReregisteredOnes) {
  Recorder& gone = recorders[0];
  Recorder& back = recorders[1];
  Recorder& stays = recorders[2];
  for (Recorder* r : {&gone, &back, &stays}) doc.subscribe(r, r->Callback(), "s", "k", AnyField);

  DocEvent_Impl* event = Change("k", 1);
  doc.unsubscribe(gone.Callback());
  doc.unsubscribe(back.Callback());
  doc.subscribe(&back, back.Callback(), "elsewhere", "x", 5);  // any target counts
  event->execute(kEngine);

  EXPECT_TRUE(gone.Calls().empty());
  EXPECT_EQ(1u, back.Calls().size());
  EXPECT_EQ(1u, stays.Calls().size());
  // The skipped callback is forgotten by the event.
  EXPECT_EQ((std::set<DocDelegate>{back.Callback(), stays.Callback()}), event->callbacks);
  event->release();
}

TEST_F(DocEventTest, CallbackThatUnsubscribesALaterOneOfTheSameEventPreventsItsCall) {
  Recorder& first = recorders[0];
  Recorder& second = recorders[1];
  ASSERT_TRUE(first.Callback() < second.Callback());
  doc.subscribe(&first, first.Callback(), "s", "k", AnyField);
  doc.subscribe(&second, second.Callback(), "s", "k", AnyField);
  first.onCall = [&] { doc.unsubscribe(second.Callback()); };

  DocEvent_Impl* event = Change("k", 1);
  event->execute(kEngine);
  event->release();
  EXPECT_EQ(1u, first.Calls().size());
  EXPECT_TRUE(second.Calls().empty());
}

TEST_F(DocEventTest, CallbackMayChangeTheDocumentWhileBeingCalled) {
  Recorder& r = recorders[0];
  doc.subscribe(&r, r.Callback(), "s", "k", 1);
  std::string seen;
  r.onCall = [&] {
    doc.getString("s", "k", 1, seen);
    DocEvent_Impl* nested = Change("k", 2);
    nested->release();
    doc.subscribe(&r, r.Callback(), "s", "k", 2);
  };
  DocEvent_Impl* event = Change("k", 1);
  event->execute(kEngine);
  event->release();
  EXPECT_EQ("v", seen);
  EXPECT_EQ(1u, r.Calls().size());
}

TEST_F(DocEventTest, WithoutAnEngineNothingIsCalled) {
  Recorder& r = recorders[0];
  doc.subscribe(&r, r.Callback(), "s", "k", AnyField);
  DocEvent_Impl* event = Change("k", 1);
  event->execute(nullptr);
  event->release();
  EXPECT_TRUE(r.Calls().empty());
}

}  // namespace
}  // namespace logic
