#include "trace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files.h"

namespace {

std::wstring TempPath(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + name;
  DeleteFileW(path.c_str());
  return path;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::string bytes;
  common::LoadFile(path.c_str(), bytes);
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(FileTrace, WritesOneWholeLinePerCallWithLevelFlagAndThread) {
  std::wstring path = TempPath(L"calvex_trace_format.txt");
  ITrace* trace = common::CreateFileTrace(path.c_str());
  trace->Trace(4, 1, L"LogicTaskThread: task run exception:%s", L"pop_uint8: not enough data");
  trace->Trace(4, 1, L"CoreTaskThread: Wait for tasks failed\n");
  trace->Trace(3, 0, L"two\nparts %d", 7);
  delete trace;

  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), 3u);
  std::string thread = "[" + std::to_string(GetCurrentThreadId()) + "] ";
  EXPECT_NE(lines[0].find("[4:1] " + thread + "LogicTaskThread: task run exception:pop_uint8: not enough data\r"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("CoreTaskThread: Wait for tasks failed\r"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("[3:0] " + thread + "two\\nparts 7\r"), std::string::npos) << lines[2];
  DeleteFileW(path.c_str());
}

TEST(FileTrace, ConcurrentCallsLoseAndInterleaveNothing) {
  std::wstring path = TempPath(L"calvex_trace_concurrent.txt");
  ITrace* trace = common::CreateFileTrace(path.c_str());
  const int kThreads = 8, kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([trace, t] {
      for (int i = 0; i < kLines; ++i) trace->Trace(2, 1, L"writer %d line %d %s", t, i, L"xxxxxxxxxxxxxxxxxxxxxxxx");
    });
  }
  for (auto& thread : threads) thread.join();
  delete trace;

  std::vector<std::string> lines = ReadLines(path);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    size_t at = line.find("writer ");
    ASSERT_NE(at, std::string::npos) << line;
    std::string body = line.substr(at);
    ASSERT_EQ(body.substr(body.size() - 25), "xxxxxxxxxxxxxxxxxxxxxxxx\r") << line;
    seen.insert(body);
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
  DeleteFileW(path.c_str());
}

TEST(FileTrace, DefaultLogIsApplogBesideTheProgram) {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  CString expected = common::GetFileDirFromPath(module) + L"applog.txt";
  EXPECT_EQ(CString(common::TraceFilePath()), expected);
  ASSERT_NE(g_IAppTrace, nullptr);
  g_IAppTrace->Trace(2, 1, L"trace test %d", 1);
  EXPECT_TRUE(common::IsFileExist(expected));
}

}  // namespace
