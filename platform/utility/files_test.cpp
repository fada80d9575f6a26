#include "files.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Files, FolderPartKeepsItsTrailingSeparator) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
  } cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a\\"}, {L"C:\\a\\", L"C:\\a\\"}, {L"b.txt", L""}, {L"", L""}, {L"/x/y", L"/x/"},
  };
  for (const Case& c : cases) EXPECT_EQ(common::GetFileDirFromPath(c.path), CString(c.folder)) << c.path;
}

TEST(Files, LoadFileReadsEveryByteAndIsFileExistTellsFilesFromFolders) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  CString path = CString(dir) + L"calvex_files_test.bin";
  std::string content("a\0b\xff", 4);
  content += std::string(200000, 'z');
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);

  EXPECT_TRUE(common::IsFileExist(path));
  EXPECT_FALSE(common::IsFileExist(dir));
  std::string bytes;
  ASSERT_TRUE(common::LoadFile(path, bytes));
  EXPECT_EQ(bytes, content);

  DeleteFileW(path);
  EXPECT_FALSE(common::IsFileExist(path));
  std::string kept = "kept";
  EXPECT_FALSE(common::LoadFile(path, kept));
  EXPECT_EQ(kept, "kept");
}

TEST(Files, MacAddressIsEmptyOrTwelveHexDigits) {
  CString mac = common::GetMacAddress();
  if (mac.IsEmpty()) GTEST_SKIP() << "no adapter with an address here";
  EXPECT_EQ(mac.GetLength(), 12);
  for (int i = 0; i < mac.GetLength(); ++i) EXPECT_TRUE(iswxdigit(mac[i]));
}

}  // namespace
