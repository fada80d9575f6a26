// The document's data sets, changes, reads, subscriptions and the events
// its changes produce, including changes made from several threads at once.
#include "document.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "doc_event.h"
#include "document_test_util.h"

namespace logic {
namespace {

using document_test::Recorder;

const int kPersistent = DataSetPersistent;

// Takes ownership of a returned event and releases it at the end.
struct EventDeleter {
  void operator()(DocEvent_Impl* event) const { event->release(); }
};
typedef std::unique_ptr<DocEvent_Impl, EventDeleter> Event;

Event Own(IDocEvent* event) {
  DocEvent_Impl* impl = dynamic_cast<DocEvent_Impl*>(event);
  EXPECT_NE(nullptr, impl);
  return Event(impl);
}

class DocumentTest : public ::testing::Test {
 protected:
  // The store is exercised without a file: nothing here loads or saves.
  Document doc{"unused.doc"};

  std::string Get(const std::string& set, const std::string& key, unsigned field) {
    std::string value = "<none>";
    doc.getString(set, key, field, value);
    return value;
  }
  void Put(const std::string& set, const std::string& key, unsigned field, const std::string& value) {
    Own(doc.putString(set, key, field, value));
  }
};

TEST_F(DocumentTest, PutToUnopenedSetCreatesAVolatileSetThatIsNeverStored) {
  Put("s", "k", 1, "v");
  EXPECT_EQ("v", Get("s", "k", 1));
  EXPECT_EQ(0, doc.closeDataSet("s"));
  EXPECT_TRUE(doc.storedCopy().empty());
  EXPECT_EQ("<none>", Get("s", "k", 1));
}

TEST_F(DocumentTest, OpenCloseAndPersistentTransitions) {
  // absent -> open persistent (empty) -> stored only, with contents, flags and tag.
  EXPECT_EQ(0, doc.openDataSet(11, "s", kPersistent | 0x10));
  Put("s", "k", 1, "first");
  EXPECT_EQ(0, doc.closeDataSet("s"));
  EXPECT_EQ(3, doc.closeDataSet("s"));
  EXPECT_EQ("<none>", Get("s", "k", 1));  // reads see open sets only
  DataSetMap stored = doc.storedCopy();
  ASSERT_EQ(1u, stored.count("s"));
  EXPECT_EQ(static_cast<unsigned>(kPersistent | 0x10), stored["s"].flags);
  EXPECT_EQ(11u, stored["s"].tag);

  // stored only -> open without the persistent bit: empty; stored copy kept.
  EXPECT_EQ(0, doc.openDataSet(1, "s", 0));
  EXPECT_EQ("<none>", Get("s", "k", 1));
  Put("s", "k", 1, "volatile");
  EXPECT_EQ(0, doc.closeDataSet("s"));  // back to stored only, older copy
  EXPECT_EQ("first", doc.storedCopy()["s"].properties["k"].values[1]);

  // stored only -> open persistent: the stored contents with the new flags and tag.
  EXPECT_EQ(0, doc.openDataSet(22, "s", kPersistent));
  EXPECT_EQ("first", Get("s", "k", 1));
  Put("s", "k", 2, "second");
  // Reopening discards what is open and starts again from the stored copy.
  EXPECT_EQ(0, doc.openDataSet(22, "s", kPersistent));
  EXPECT_EQ("<none>", Get("s", "k", 2));
  Put("s", "k", 2, "second");
  EXPECT_EQ(0, doc.closeDataSet("s"));
  stored = doc.storedCopy();
  EXPECT_EQ(22u, stored["s"].tag);
  EXPECT_EQ("second", stored["s"].properties["k"].values[2]);

  // Reopening a volatile set empties it.
  Put("v", "k", 1, "x");
  EXPECT_EQ(0, doc.openDataSet(0, "v", 0));
  EXPECT_EQ("<none>", Get("v", "k", 1));
}

TEST_F(DocumentTest, ChangesReportKindAndFields) {
  Property fields;
  fields.put(3, "c");
  fields.put(5, "e");

  Event added = Own(doc.putProperty("s", "k", fields));
  EXPECT_EQ(Added, added->kind);
  EXPECT_EQ((std::set<unsigned>{0, 3, 5}), added->fields);
  EXPECT_EQ("s", added->dataSet);
  EXPECT_EQ("k", added->key);

  Property more;
  more.put(5, "E");
  more.put(7, "g");
  Event changed = Own(doc.putProperty("s", "k", more));
  EXPECT_EQ(Changed, changed->kind);
  EXPECT_EQ((std::set<unsigned>{5, 7}), changed->fields);
  Property all;
  ASSERT_TRUE(doc.getProperty("s", "k", all));
  EXPECT_EQ((std::map<unsigned, std::string>{{3, "c"}, {5, "E"}, {7, "g"}}), all.values);

  Event emptyNew = Own(doc.putProperty("s", "new", Property()));
  EXPECT_EQ(Added, emptyNew->kind);
  EXPECT_EQ((std::set<unsigned>{0}), emptyNew->fields);
  Event emptyOld = Own(doc.putProperty("s", "new", Property()));
  EXPECT_EQ(Changed, emptyOld->kind);
  EXPECT_TRUE(emptyOld->fields.empty());

  // The same value again is still a change.
  Put("s", "k", 3, "c");
  Event same = Own(doc.putString("s", "k", 3, "c"));
  EXPECT_EQ(Changed, same->kind);
  EXPECT_EQ((std::set<unsigned>{3}), same->fields);
}

TEST_F(DocumentTest, RemoveAlwaysReportsAndNeverCreates) {
  Event missingSet = Own(doc.removeProperty("nothing", "k"));
  EXPECT_EQ(Removed, missingSet->kind);
  EXPECT_TRUE(missingSet->fields.empty());
  EXPECT_EQ(3, doc.closeDataSet("nothing"));

  Put("s", "k", 1, "v");
  Put("s", "other", 1, "w");
  Own(doc.removeProperty("s", "missing"));
  Own(doc.removeProperty("s", "k"));
  Property record;
  EXPECT_FALSE(doc.getProperty("s", "k", record));
  EXPECT_EQ("w", Get("s", "other", 1));
}

TEST_F(DocumentTest, ReadsLeaveTheOutputAloneWhenNothingIsFoundAndGetPropertyReplacesAllFields) {
  Put("s", "k", 1, "one");
  struct Miss {
    const char* set;
    const char* key;
    unsigned field;
  } misses[] = {{"t", "k", 1}, {"s", "j", 1}, {"s", "k", 2}};
  for (const Miss& m : misses) {
    std::string value = "kept";
    EXPECT_FALSE(doc.getString(m.set, m.key, m.field, value)) << m.set << "/" << m.key << "/" << m.field;
    EXPECT_EQ("kept", value);
  }
  for (const Miss& m : {misses[0], misses[1]}) {
    Property record;
    record.put(9, "kept");
    EXPECT_FALSE(doc.getProperty(m.set, m.key, record)) << m.set << "/" << m.key;
    EXPECT_EQ((std::map<unsigned, std::string>{{9, "kept"}}), record.values);
  }
  Property record;
  record.put(9, "old");
  ASSERT_TRUE(doc.getProperty("s", "k", record));
  EXPECT_EQ((std::map<unsigned, std::string>{{1, "one"}}), record.values);
}

TEST_F(DocumentTest, ChangesChooseEachMatchingCallbackOnce) {
  Recorder a, b, c, empty;
  doc.subscribe(&a, a.Callback(), "s", "k", 7);
  doc.subscribe(&a, a.Callback(), "s", "*", AnyField);  // a second match of the same callback
  doc.subscribe(&b, b.Callback(), "s", "k", 0);
  doc.subscribe(&c, c.Callback(), "other", "k", AnyField);
  doc.subscribe(&empty, DocDelegate(), "s", "k", AnyField);  // stored, never chosen

  Event put7 = Own(doc.putString("s", "k", 7, "v"));
  EXPECT_EQ((std::set<DocDelegate>{a.Callback()}), put7->callbacks);

  Property fields;
  fields.put(8, "x");
  Event added = Own(doc.putProperty("s", "k2", fields));  // b watches key "k" only
  EXPECT_EQ((std::set<DocDelegate>{a.Callback()}), added->callbacks);
  Event addedK = Own(doc.putProperty("s", "k", fields));  // "k" exists now: Changed, no field 0
  EXPECT_EQ((std::set<DocDelegate>{a.Callback()}), addedK->callbacks);
  Own(doc.removeProperty("s", "k"));
  Event readded = Own(doc.putProperty("s", "k", fields));
  EXPECT_EQ((std::set<DocDelegate>{a.Callback(), b.Callback()}), readded->callbacks);

  // A subscription made after a change does not join that change's event.
  Event before = Own(doc.putString("other", "k", 1, "v"));
  Recorder late;
  doc.subscribe(&late, late.Callback(), "other", "k", AnyField);
  EXPECT_EQ((std::set<DocDelegate>{c.Callback()}), before->callbacks);
}

TEST_F(DocumentTest, UnsubscribeRemovesEveryRegistrationOfTheCallback) {
  Recorder a, b;
  doc.subscribe(&a, a.Callback(), "s", "k", 1);
  doc.subscribe(&a, a.Callback(), "t", "*", AnyField);
  doc.subscribe(&b, b.Callback(), "s", "k", 1);
  doc.unsubscribe(a.Callback());
  EXPECT_FALSE(doc.isSubscribed(a.Callback()));
  EXPECT_TRUE(doc.isSubscribed(b.Callback()));
  Event event = Own(doc.putString("t", "k", 1, "v"));
  EXPECT_TRUE(event->callbacks.empty());
  doc.unsubscribe(a.Callback());  // not registered: nothing happens
  EXPECT_TRUE(doc.isSubscribed(b.Callback()));
}

TEST_F(DocumentTest, UnsubscribeOwnerAlsoTakesOtherOwnersRecordsOfTheSameCallback) {
  Recorder shared, own, others;
  int ownerA = 0, ownerB = 0;
  doc.subscribe(&ownerA, shared.Callback(), "s", "k", 1);
  doc.subscribe(&ownerA, own.Callback(), "s", "k", 1);
  doc.subscribe(&ownerB, shared.Callback(), "t", "k", 1);
  doc.subscribe(&ownerB, others.Callback(), "s", "k", 1);
  doc.unsubscribeOwner(&ownerA);
  EXPECT_FALSE(doc.isSubscribed(shared.Callback()));
  EXPECT_FALSE(doc.isSubscribed(own.Callback()));
  EXPECT_TRUE(doc.isSubscribed(others.Callback()));
  Event event = Own(doc.putString("t", "k", 1, "v"));
  EXPECT_TRUE(event->callbacks.empty());
}

TEST_F(DocumentTest, CloseDropsEverySubscription) {
  Recorder a;
  doc.subscribe(&a, a.Callback(), "s", "k", 1);
  EXPECT_EQ(0, doc.close());  // nothing stored: the file is not touched
  EXPECT_FALSE(doc.isSubscribed(a.Callback()));
}

// Writers on their own keys and on one shared key, readers and subscription
// changes all at once: every value written is there afterwards.
TEST_F(DocumentTest, ConcurrentChangesAndReadsLoseNothing) {
  const int kThreads = 4, kPuts = 300;
  doc.openDataSet(0, "s", kPersistent);
  Recorder watcher;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string key = "key" + std::to_string(t);
      for (int i = 0; i < kPuts; ++i) {
        Own(doc.putString("s", key, static_cast<unsigned>(i), std::to_string(i)));
        Property shared;
        shared.put(static_cast<unsigned>(t * kPuts + i), key);
        Own(doc.putProperty("s", "shared", shared));
        std::string back;
        EXPECT_TRUE(doc.getString("s", key, static_cast<unsigned>(i), back));
        EXPECT_EQ(std::to_string(i), back);
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < kPuts; ++i) {
      doc.subscribe(&watcher, watcher.Callback(), "s", "*", AnyField);
      Property whole;
      doc.getProperty("s", "shared", whole);
      doc.unsubscribeOwner(&watcher);
    }
  });
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    Property record;
    ASSERT_TRUE(doc.getProperty("s", "key" + std::to_string(t), record));
    EXPECT_EQ(static_cast<size_t>(kPuts), record.values.size());
  }
  Property shared;
  ASSERT_TRUE(doc.getProperty("s", "shared", shared));
  EXPECT_EQ(static_cast<size_t>(kThreads * kPuts), shared.values.size());
  EXPECT_FALSE(doc.isSubscribed(watcher.Callback()));
}

}  // namespace
}  // namespace logic
