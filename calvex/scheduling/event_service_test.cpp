#include "event_service.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "afxwin.h"
#include "gtest/gtest.h"
#include "logic.h"
#include "scheduling_test_support.h"

namespace logic {
namespace {

using scheduling_test::CapturingTrace;
using scheduling_test::pumpUntil;
using scheduling_test::Throw;
using scheduling_test::ThrowSite;
using scheduling_test::waitUntil;

// Stands in for the engine: only its address is compared.
ILogic* engineMarker() {
  static char marker;
  return reinterpret_cast<ILogic*>(&marker);
}

// Records what happened to one event; release only records.
struct RecordingEvent : ITimerEvent {
  void execute(ILogic* logic) override {
    ++runs;
    engineSeen = logic;
    threadId = GetCurrentThreadId();
    executing = true;
    if (onExecute) onExecute();
    inExecute.fire();
    executing = false;
  }
  void onException(Exception* e) override { notified.push_back(e != nullptr ? e->message.GetString() : L""); }
  void release() override {
    if (executing) releasedWhileRunning = true;
    runsWhenReleased = runs.load();
    ++releases;
    inRelease.fire();
  }

  std::function<void()> onExecute;
  ThrowSite inExecute;
  ThrowSite inRelease;
  std::atomic<int> runs{0};
  std::atomic<int> releases{0};
  std::atomic<int> runsWhenReleased{-1};
  ILogic* engineSeen = nullptr;
  DWORD threadId = 0;
  bool executing = false;
  bool releasedWhileRunning = false;
  std::vector<std::wstring> notified;
};

class EventServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedEngine = g_logic;
    g_logic = engineMarker();
    service.reset(new LogicEventService);
  }

  void TearDown() override {
    endService();
    g_logic = savedEngine;
  }

  // The window class stays registered for the process's life by design;
  // tests remove it so that each can make its own window.
  void endService() {
    service.reset();
    UnregisterClassW(L"___LogicEventDisptacherWndClass", AfxGetModuleState()->m_hCurrentInstanceHandle);
  }

  void restartService() {
    endService();
    service.reset(new LogicEventService);
  }

  HWND makeWindow() {
    HWND window = service->createWindow();
    EXPECT_TRUE(IsWindow(window));
    return window;
  }

  // Fixture-owned, so that they outlive the dispatcher that may release them.
  RecordingEvent& newEvent() {
    events.emplace_back();
    return events.back();
  }

  void ticks(int count) {
    for (int i = 0; i < count; ++i) service->onTick();
  }

  std::deque<RecordingEvent> events;
  std::unique_ptr<LogicEventService> service;
  ILogic* savedEngine = nullptr;
};

TEST_F(EventServiceTest, EventsPostedFromAnotherThreadRunOnTheWindowThreadWithTheEngineThenAreReleased) {
  makeWindow();
  std::vector<RecordingEvent*> posted;
  std::vector<int> runOrder;
  for (int i = 0; i < 3; ++i) {
    RecordingEvent& event = newEvent();
    event.onExecute = [&runOrder, i] { runOrder.push_back(i); };
    posted.push_back(&event);
  }
  std::vector<int> results(posted.size(), -1);
  std::thread poster([&] {
    for (size_t i = 0; i < posted.size(); ++i) results[i] = service->postEvent(posted[i]);
  });
  poster.join();

  ASSERT_TRUE(pumpUntil([&] { return posted.back()->releases.load() == 1; }));
  EXPECT_EQ(runOrder, (std::vector<int>{0, 1, 2}));
  for (size_t i = 0; i < posted.size(); ++i) {
    EXPECT_EQ(results[i], 0);
    EXPECT_EQ(posted[i]->runs.load(), 1);
    EXPECT_EQ(posted[i]->releases.load(), 1);
    EXPECT_EQ(posted[i]->runsWhenReleased.load(), 1) << "released before its run";
    EXPECT_EQ(posted[i]->threadId, GetCurrentThreadId());
    EXPECT_EQ(posted[i]->engineSeen, engineMarker());
  }
}

TEST_F(EventServiceTest, RefusedCallsLeaveTheEventWithTheCaller) {
  RecordingEvent& event = newEvent();
  EXPECT_EQ(service->postEvent(nullptr), 3);
  EXPECT_EQ(service->postEvent(&event), 3) << "no window yet";
  EXPECT_EQ(service->addTimer(nullptr, 1, 0), 3);
  EXPECT_EQ(service->removeTimer(&event), 0x20004);
  EXPECT_EQ(service->removeTimer(nullptr), 0x20004);

  makeWindow();
  EXPECT_EQ(service->postEvent(nullptr), 3);
  service->stop();
  EXPECT_EQ(service->postEvent(&event), 3) << "window gone";
  EXPECT_EQ(service->getWindow(), nullptr);

  EXPECT_EQ(event.runs.load(), 0);
  EXPECT_EQ(event.releases.load(), 0);
}

TEST_F(EventServiceTest, ATimerEventFiresOnEveryThirdTickAndIsReleasedOnlyByRemoveTimer) {
  RecordingEvent& event = newEvent();
  int tick = 0;
  std::vector<int> firedAt;
  event.onExecute = [&] { firedAt.push_back(tick); };
  ASSERT_EQ(service->addTimer(&event, 3, 0), 0);

  for (tick = 1; tick <= 9; ++tick) service->onTick();
  EXPECT_EQ(firedAt, (std::vector<int>{3, 6, 9}));
  EXPECT_EQ(event.releases.load(), 0);
  EXPECT_EQ(event.engineSeen, engineMarker());

  EXPECT_EQ(service->removeTimer(&event), 0);
  EXPECT_EQ(event.releases.load(), 1);
  EXPECT_EQ(service->removeTimer(&event), 0x20004);
  ticks(6);
  EXPECT_EQ(event.runs.load(), 3);
}

TEST_F(EventServiceTest, AddingARegisteredTimerReArmsItsOneEntry) {
  RecordingEvent& event = newEvent();
  int tick = 0;
  std::vector<int> firedAt;
  event.onExecute = [&] { firedAt.push_back(tick); };
  ASSERT_EQ(service->addTimer(&event, 5, 1), 0);
  ticks(4);
  ASSERT_EQ(service->addTimer(&event, 2, 7), 0);

  for (tick = 1; tick <= 4; ++tick) service->onTick();
  EXPECT_EQ(firedAt, (std::vector<int>{2, 4})) << "counted from the re-arm, once per due tick";
  EXPECT_EQ(event.releases.load(), 0);
  EXPECT_EQ(service->removeTimer(&event), 0);
  EXPECT_EQ(service->removeTimer(&event), 0x20004) << "a second entry was left behind";
  EXPECT_EQ(event.releases.load(), 1);
}

TEST_F(EventServiceTest, StopReleasesPendingEventsAndTimerEventsAndDestroysTheWindow) {
  HWND window = makeWindow();
  std::vector<RecordingEvent*> posted;
  for (int i = 0; i < 3; ++i) {
    posted.push_back(&newEvent());
    ASSERT_EQ(service->postEvent(posted.back()), 0);
  }
  RecordingEvent& everySecond = newEvent();
  RecordingEvent& everyFourSeconds = newEvent();
  ASSERT_EQ(service->addTimer(&everySecond, 1, 0), 0);
  ASSERT_EQ(service->addTimer(&everyFourSeconds, 4, 0), 0);

  service->stop();
  EXPECT_EQ(service->getWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(service->postEvent(&newEvent()), 3);
  EXPECT_EQ(service->removeTimer(&everySecond), 0x20004);
  service->stop();
  endService();

  for (RecordingEvent* event : posted) {
    EXPECT_EQ(event->runs.load(), 0);
    EXPECT_EQ(event->releases.load(), 1);
  }
  for (RecordingEvent* timer : {&everySecond, &everyFourSeconds}) {
    EXPECT_EQ(timer->runs.load(), 0);
    EXPECT_EQ(timer->releases.load(), 1);
  }
}

TEST_F(EventServiceTest, ADispatcherThatNeverHadAWindowReleasesItsTimerEventsWhenDestroyed) {
  RecordingEvent& event = newEvent();
  ASSERT_EQ(service->addTimer(&event, 2, 0), 0);
  service->stop();  // nothing to stop without a window
  EXPECT_EQ(event.releases.load(), 0);
  endService();
  EXPECT_EQ(event.releases.load(), 1);
}

struct EventFailureCase {
  const char* name;
  Throw inExecute;
  Throw inRelease;
  int notifications;
  int releases;
  std::vector<std::wstring> lines;
};

const wchar_t kUnknownLine[] = L"LogicTaskThread: task run exception,unknown reason";

TEST_F(EventServiceTest, FailuresOfPostedEventsAreReportedAndNeverReleaseTwice) {
  const EventFailureCase cases[] = {
      {"execute throws logic::Exception", Throw::kLogicException, Throw::kNothing, 1, 1,
       {L"LogicEventService: event run exception:execute failed"}},
      {"execute throws runtime_error", Throw::kRuntimeError, Throw::kNothing, 0, 0, {kUnknownLine}},
      {"execute throws an int", Throw::kInt, Throw::kNothing, 0, 0, {kUnknownLine}},
      {"release throws logic::Exception after a clean run", Throw::kNothing, Throw::kLogicException, 1, 1,
       {L"LogicEventService: event run exception:release failed"}},
      {"execute and then release throw logic::Exception", Throw::kLogicException, Throw::kLogicException, 1, 1,
       {L"LogicEventService: event run exception:release failed",
        L"LogicEventService: event run exception:execute failed"}},
  };
  makeWindow();
  for (const EventFailureCase& failure : cases) {
    SCOPED_TRACE(failure.name);
    CapturingTrace trace;
    RecordingEvent& event = newEvent();
    event.inExecute = ThrowSite{failure.inExecute, "execute failed"};
    event.inRelease = ThrowSite{failure.inRelease, "release failed"};
    RecordingEvent& next = newEvent();
    ASSERT_EQ(service->postEvent(&event), 0);
    ASSERT_EQ(service->postEvent(&next), 0);
    ASSERT_TRUE(pumpUntil([&] { return next.releases.load() == 1; }));

    EXPECT_EQ(static_cast<int>(event.notified.size()), failure.notifications);
    EXPECT_EQ(event.releases.load(), failure.releases);
    EXPECT_EQ(trace.texts(), failure.lines);
    for (const auto& line : trace.lines()) {
      EXPECT_EQ(line.level, 4);
      EXPECT_EQ(line.flag, 1);
    }
    if (failure.inExecute == Throw::kLogicException) {
      EXPECT_TRUE(event.inExecute.exceptionDeleted);
    }
    if (failure.inRelease == Throw::kLogicException) {
      EXPECT_TRUE(event.inRelease.exceptionDeleted);
    }
  }
}

TEST_F(EventServiceTest, ATimerEventThatThrowsKeepsFiringAndIsNotReleased) {
  CapturingTrace trace;
  RecordingEvent& event = newEvent();
  event.inExecute = ThrowSite{Throw::kLogicException, "tick failed"};
  ASSERT_EQ(service->addTimer(&event, 2, 0), 0);
  ticks(6);
  EXPECT_EQ(event.runs.load(), 3);
  EXPECT_EQ(event.notified.size(), 3u);
  EXPECT_EQ(event.releases.load(), 0);
  EXPECT_EQ(trace.texts().size(), 3u);
}

TEST_F(EventServiceTest, ATimerEventThatRemovesItselfIsReleasedAfterItsRunAndThePassGoesOn) {
  RecordingEvent& before = newEvent();
  RecordingEvent& self = newEvent();
  RecordingEvent& after = newEvent();
  int removeResult = -1;
  self.onExecute = [&] { removeResult = service->removeTimer(&self); };
  for (RecordingEvent* event : {&before, &self, &after}) ASSERT_EQ(service->addTimer(event, 1, 0), 0);

  service->onTick();
  EXPECT_EQ(removeResult, 0);
  EXPECT_EQ(self.releases.load(), 1);
  EXPECT_FALSE(self.releasedWhileRunning);
  EXPECT_EQ(after.runs.load(), 1) << "the pass stopped at the removed entry";

  service->onTick();
  EXPECT_EQ(self.runs.load(), 1);
  EXPECT_EQ(before.runs.load(), 2);
  EXPECT_EQ(after.runs.load(), 2);
  EXPECT_EQ(service->removeTimer(&self), 0x20004);
}

TEST_F(EventServiceTest, ATimerEventMayRemoveAndAddOtherTimersDuringAPass) {
  RecordingEvent& earlier = newEvent();
  RecordingEvent& changer = newEvent();
  RecordingEvent& following = newEvent();
  RecordingEvent& last = newEvent();
  RecordingEvent& added = newEvent();
  changer.onExecute = [&] {
    if (changer.runs.load() > 1) return;
    EXPECT_EQ(service->removeTimer(&earlier), 0);
    EXPECT_EQ(service->removeTimer(&following), 0);
    EXPECT_EQ(service->addTimer(&added, 1, 0), 0);
  };
  for (RecordingEvent* event : {&earlier, &changer, &following, &last}) ASSERT_EQ(service->addTimer(event, 1, 0), 0);

  service->onTick();
  EXPECT_EQ(earlier.runs.load(), 1);
  EXPECT_EQ(following.runs.load(), 0) << "removed before its turn";
  EXPECT_EQ(last.runs.load(), 1);
  EXPECT_EQ(added.runs.load(), 1) << "an entry added during a pass is visited by it";
  EXPECT_EQ(earlier.releases.load(), 1);
  EXPECT_EQ(following.releases.load(), 1);

  service->onTick();
  EXPECT_EQ(changer.runs.load(), 2);
  EXPECT_EQ(last.runs.load(), 2);
  EXPECT_EQ(added.runs.load(), 2);
  EXPECT_EQ(earlier.runs.load(), 1);
  EXPECT_EQ(following.runs.load(), 0);
}

TEST_F(EventServiceTest, ATimerEventThatRemovesAndReAddsItselfStaysRegisteredAndUnreleased) {
  RecordingEvent& event = newEvent();
  event.onExecute = [&] {
    if (event.runs.load() > 1) return;
    service->removeTimer(&event);
    service->addTimer(&event, 2, 0);
  };
  ASSERT_EQ(service->addTimer(&event, 1, 0), 0);
  ticks(3);  // fires on tick 1, then every second tick: tick 3
  EXPECT_EQ(event.runs.load(), 2);
  EXPECT_EQ(event.releases.load(), 0);
  EXPECT_EQ(service->removeTimer(&event), 0);
  EXPECT_EQ(event.releases.load(), 1);
}

TEST_F(EventServiceTest, ATimerEventThatStopsTheDispatcherIsReleasedOnceAfterItsRun) {
  HWND window = makeWindow();
  RecordingEvent& stopper = newEvent();
  RecordingEvent& other = newEvent();
  stopper.onExecute = [&] { service->stop(); };
  ASSERT_EQ(service->addTimer(&stopper, 1, 0), 0);
  ASSERT_EQ(service->addTimer(&other, 1, 0), 0);

  service->onTick();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(stopper.releases.load(), 1);
  EXPECT_FALSE(stopper.releasedWhileRunning);
  EXPECT_EQ(other.releases.load(), 1);
  EXPECT_EQ(other.runs.load(), 0);
  endService();
  EXPECT_EQ(stopper.releases.load(), 1);
  EXPECT_EQ(other.releases.load(), 1);
}

struct IntervalZeroCase {
  const char* name;
  bool withWindow;
  bool alreadyRegistered;
  int result;
  int runsAfterPump;
  int releasesAfterPump;
  bool stillRegistered;
};

TEST_F(EventServiceTest, IntervalZeroPostsTheEventOnceAndKeepsNoEntry) {
  const IntervalZeroCase cases[] = {
      {"window, not registered", true, false, 0, 1, 1, false},
      {"window, registered: the entry gives way", true, true, 0, 1, 1, false},
      {"no window: refused, the caller keeps it", false, false, 3, 0, 0, false},
      {"no window, registered: refused, the entry stays", false, true, 3, 0, 0, true},
  };
  for (const IntervalZeroCase& check : cases) {
    SCOPED_TRACE(check.name);
    restartService();
    if (check.withWindow) makeWindow();
    RecordingEvent& event = newEvent();
    if (check.alreadyRegistered) {
      ASSERT_EQ(service->addTimer(&event, 3, 0), 0);
    }

    EXPECT_EQ(service->addTimer(&event, 0, 0), check.result);
    if (check.withWindow) {
      ASSERT_TRUE(pumpUntil([&] { return event.releases.load() == 1; }));
    }
    EXPECT_EQ(event.runs.load(), check.runsAfterPump);
    EXPECT_EQ(event.releases.load(), check.releasesAfterPump);

    int runsBefore = event.runs.load();
    ticks(3);
    EXPECT_EQ(event.runs.load(), runsBefore + (check.stillRegistered ? 1 : 0));
    EXPECT_EQ(service->removeTimer(&event), check.stillRegistered ? 0 : 0x20004);
  }
}

TEST_F(EventServiceTest, TheWindowTimerDrivesTheTicks) {
  makeWindow();
  RecordingEvent& event = newEvent();
  ASSERT_EQ(service->addTimer(&event, 1, 0), 0);
  ASSERT_TRUE(pumpUntil([&] { return event.runs.load() >= 2; }));
  EXPECT_EQ(event.threadId, GetCurrentThreadId());
  EXPECT_EQ(event.releases.load(), 0);
}

TEST_F(EventServiceTest, PostsRacingWithStopAreEitherRefusedOrReleasedOnce) {
  const int kPosters = 3;
  const int kEventsPerPoster = 300;
  makeWindow();
  std::vector<RecordingEvent*> posted;
  for (int i = 0; i < kPosters * kEventsPerPoster; ++i) posted.push_back(&newEvent());
  std::vector<int> results(posted.size(), -1);
  std::atomic<int> attempts{0};

  std::vector<std::thread> posters;
  for (int poster = 0; poster < kPosters; ++poster) {
    posters.emplace_back([&, poster] {
      for (int i = 0; i < kEventsPerPoster; ++i) {
        int index = poster * kEventsPerPoster + i;
        results[index] = service->postEvent(posted[index]);
        ++attempts;
      }
    });
  }
  ASSERT_TRUE(waitUntil([&] { return attempts.load() >= kEventsPerPoster; }));
  service->stop();
  for (std::thread& poster : posters) poster.join();

  for (size_t i = 0; i < posted.size(); ++i) {
    EXPECT_EQ(posted[i]->runs.load(), 0);
    EXPECT_EQ(posted[i]->releases.load(), results[i] == 0 ? 1 : 0) << "event " << i << " result " << results[i];
  }
}

}  // namespace
}  // namespace logic
