// tavik.exe: a demo host for the engine.
//
// It does what a host application does, on its own user-interface thread
// with a message loop: creates and starts the engine, posts tasks whose
// results come back through uiCallback, runs a timer event for a few ticks,
// keeps a persistent data set in the document (watched by a subscribed
// callback), talks to a frame server over the link, then stops and destroys
// the engine.  Every step prints one line naming the thread it ran on.
//
// Usage: tavik.exe [--no-link]
#include <windows.h>

#include <atomic>
#include <string>

#include "demo_link.h"
#include "convert.h"
#include "logic.h"
#include "trace.h"
#include "demo_util.h"

using namespace logic;

namespace {

const char* kDataSet = "demo.settings";
const int kPersistent = 2;
const int kTasks = 4;
const int kTicks = 3;

// ---------------------------------------------------------------- tasks

struct SquareResult : IUICallbackParam {
  int input = 0;
  int square = 0;
  void release() override { delete this; }
};

// Runs on the worker thread; hands its result to the user-interface thread.
class SquareTask : public IUITask {
 public:
  SquareTask(UICallback& callback, int input) : IUITask(callback), input_(input) {}
  void run() override {
    Say("task %d runs (square of %d)", input_, input_);
    SquareResult* result = new SquareResult;
    result->input = input_;
    result->square = input_ * input_;
    uiCallback(result);
  }
  void release() override { delete this; }

 private:
  int input_;
};

// ---------------------------------------------------------------- the demo

class Demo {
 public:
  explicit Demo(ILogic* engine) : engine_(engine) {}

  void onResult(IUICallbackParam* param) {
    SquareResult* result = static_cast<SquareResult*>(param);
    Say("result of task %d arrives: %d", result->input, result->square);
    ++results_;
  }

  void onDocumentChange(ILogic* logic, const std::string& name, const std::string& key,
                        const std::set<unsigned>& fields, unsigned char kind) {
    int runs = 0;
    logic->getInt(name, key, 1, runs);
    Say("document callback: %s/%s changed (kind %u, %u field(s)); runs is now %d", name.c_str(), key.c_str(),
        kind, static_cast<unsigned>(fields.size()), runs);
    ++changes_;
  }

  void onTick() {
    ++ticks_;
    Say("timer tick %d of %d", ticks_.load(), kTicks);
  }

  void PostTasks() {
    UICallback callback = fastdelegate::MakeDelegate<&Demo::onResult>(this);
    for (int i = 1; i <= kTasks; ++i) {
      int code = engine_->postTask(new SquareTask(callback, i));
      Say("posted task %d (result %d)", i, code);
    }
  }

  void UseDocument() {
    engine_->openDataSet(0, kDataSet, kPersistent);
    DocDelegate watcher = fastdelegate::MakeDelegate<&Demo::onDocumentChange>(this);
    engine_->subscribe(this, watcher, kDataSet, "counters", 1);
    int runs = 0;
    if (engine_->getInt(kDataSet, "counters", 1, runs)) {
      Say("document: this demo ran %d time(s) before (read back from the document file)", runs);
    } else {
      Say("document: first run, nothing stored yet");
    }
    engine_->putInt(kDataSet, "counters", 1, runs + 1, TRUE);
    engine_->putCString(kDataSet, "greeting", 1, L"h\u00e9llo", FALSE);
  }

  int results() const { return results_; }
  int ticks() const { return ticks_; }
  int changes() const { return changes_; }

 private:
  ILogic* engine_;
  std::atomic<int> results_{0};
  std::atomic<int> ticks_{0};
  std::atomic<int> changes_{0};
};

class TickEvent final : public ITimerEvent {
 public:
  explicit TickEvent(Demo* demo) : demo_(demo) {}
  void execute(ILogic*) override { demo_->onTick(); }
  void release() override {
    Say("timer event released");
    delete this;
  }

 private:
  Demo* demo_;
};

std::string DocumentPath() {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path(module);
  return path.substr(0, path.find_last_of("\\/") + 1) + "tavik.doc";
}

}  // namespace

int main(int argc, char** argv) {
  bool use_link = !(argc > 1 && std::string(argv[1]) == "--no-link");
  SetUiThread();
  Say("demo host starts; this is the user-interface thread");

  std::string path = DocumentPath();
  if (CreateSingletonICalvex(path) != 0) return 1;
  ILogic* engine = GetLogic();
  Say("engine created (document %s)", path.c_str());
  int started = engine->start();
  Say("engine started (result %d)", started);
  if (started != 0) return 2;

  Demo demo(engine);
  demo.PostTasks();
  bool ok = PumpUntil([&] { return demo.results() == kTasks; }, 30000);

  TickEvent* ticker = new TickEvent(&demo);
  Say("timer added (every 1 s): result %d", engine->addTimer(ticker, 1, 0));
  ok = PumpUntil([&] { return demo.ticks() >= kTicks; }, 30000) && ok;
  Say("timer removed: result %d", engine->removeTimer(ticker));

  demo.UseDocument();
  ok = PumpUntil([&] { return demo.changes() >= 1; }, 30000) && ok;

  if (use_link) ok = RunLinkDemo(engine) && ok;

  Say("engine stopping: result %d (document saved)", engine->stop());
  DestroySingletonICalvex();
  Say("engine destroyed; demo %s", ok ? "complete" : "INCOMPLETE");
  Say("the engine's trace log: %s", common::CString_to_String(common::TraceFilePath(), 0).c_str());
  return ok ? 0 : 3;
}
