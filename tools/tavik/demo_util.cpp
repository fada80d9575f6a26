#include "demo_util.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
DWORD g_ui_thread = 0;
std::mutex g_print;
}  // namespace

void SetUiThread() { g_ui_thread = GetCurrentThreadId(); }

void Say(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  DWORD thread = GetCurrentThreadId();
  std::lock_guard<std::mutex> hold(g_print);
  std::printf("[%s %5lu] %s\n", thread == g_ui_thread ? "ui    " : "worker", thread, text);
  std::fflush(stdout);
}

bool PumpUntil(const std::function<bool()>& done, unsigned long timeout_ms) {
  DWORD deadline = GetTickCount() + timeout_ms;
  while (!done()) {
    if (static_cast<int>(GetTickCount() - deadline) > 0) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}
