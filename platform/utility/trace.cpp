#include "trace.h"

#include <windows.h>

#include <cstdarg>
#include <string>

#include "afxstr.h"
#include "convert.h"

namespace common {
namespace {

// Appends whole lines to one file.  Each call formats its line completely,
// then writes it with one WriteFile under a lock, on a handle opened for
// appending: lines from several threads (or processes) never interleave.
class FileTrace : public ITrace {
 public:
  explicit FileTrace(const wchar_t* path) : path_(path ? path : L"") { InitializeCriticalSection(&lock_); }
  ~FileTrace() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    DeleteCriticalSection(&lock_);
  }

  int Trace(int level, int flag, const wchar_t* format, ...) override {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    WriteLine(level, flag, text);
    return text.GetLength();
  }

 private:
  void WriteLine(int level, int flag, const CString& text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CString line;
    line.Format(L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%d:%d] [%lu] ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds, level, flag, GetCurrentThreadId());
    line += text;
    // One call is one line: trailing line ends of the format are dropped and
    // inner ones are kept visible as "\n".
    while (!line.IsEmpty() && (line[line.GetLength() - 1] == L'\n' || line[line.GetLength() - 1] == L'\r')) {
      line = line.Left(line.GetLength() - 1);
    }
    line.Replace(L"\r\n", L"\\n");
    line.Replace(L"\n", L"\\n");
    std::string bytes = CString_to_String(line, 0);
    bytes += "\r\n";

    EnterCriticalSection(&lock_);
    if (file_ == INVALID_HANDLE_VALUE) {
      file_ = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file_ != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    LeaveCriticalSection(&lock_);
  }

  std::wstring path_;
  CRITICAL_SECTION lock_;
  HANDLE file_ = INVALID_HANDLE_VALUE;  // guarded by lock_; opened on first use
};

std::wstring ComputeTraceFilePath() {
  wchar_t module_path[MAX_PATH * 2] = {0};
  DWORD length = GetModuleFileNameW(nullptr, module_path, MAX_PATH * 2);
  std::wstring path(module_path, length);
  size_t slash = path.find_last_of(L"\\/");
  path = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  return path + L"applog.txt";
}

}  // namespace

const wchar_t* TraceFilePath() {
  static const std::wstring path = ComputeTraceFilePath();
  return path.c_str();
}

ITrace* CreateFileTrace(const wchar_t* path) { return new FileTrace(path); }

}  // namespace common

namespace {
// The default logger lives as long as the library.
ITrace* DefaultTrace() {
  static ITrace* trace = common::CreateFileTrace(common::TraceFilePath());
  return trace;
}
}  // namespace

ITrace* g_IAppTrace = DefaultTrace();
