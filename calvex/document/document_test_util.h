// Helpers shared by the document tests: a scratch folder per test, raw file
// bytes, and a callback that records what it was called with.
#ifndef CALVEX_DOCUMENT_DOCUMENT_TEST_UTIL_H_
#define CALVEX_DOCUMENT_DOCUMENT_TEST_UTIL_H_

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "afxmt.h"
#include "convert.h"
#include "doc_delegate.h"
#include "document_image.h"
#include "pack.h"

namespace document_test {

// A fresh, empty folder under the temporary folder, removed with its files
// at the end of the test.  Paths are handed out in UTF-8, as the host passes
// them to the engine.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    CString name;
    name.Format(L"%sdocument_test_%lu_%ld", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
    folder_ = name;
    CreateDirectoryW(folder_, nullptr);
  }
  ~ScratchFolder() { RemoveTree(folder_); }

  CString Wide(const std::string& file) const { return folder_ + L"\\" + common::String_to_CString(file, 0); }
  std::string Path(const std::string& file) const { return common::CString_to_String(Wide(file), 0); }

  // The names of the files in the folder.
  std::set<std::string> Files() const {
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder_ + L"\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = common::CString_to_String(found.cFileName, 0);
      if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

 private:
  static void RemoveTree(const CString& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder + L"\\*", &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        CString name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        CString path = folder + L"\\" + name;
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          DeleteFileW(path);
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder);
  }

  CString folder_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* file = nullptr;
  ASSERT_EQ(0, _wfopen_s(&file, common::String_to_CString(path, 0), L"wb"));
  ASSERT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), file));
  fclose(file);
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  FILE* file = nullptr;
  if (_wfopen_s(&file, common::String_to_CString(path, 0), L"rb") != 0) return "<missing>";
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  fclose(file);
  return bytes;
}

// One persistent data set with a single field.
inline logic::DataSet PersistentSet(const std::string& key, unsigned field, const std::string& value,
                                    unsigned flags = logic::DataSetPersistent) {
  logic::DataSet set;
  set.flags = flags;
  set.properties[key].values[field] = value;
  return set;
}

// A file image with the given records in the given order, each with its own
// flags (duplicates and non-persistent records included).
inline std::string Image(const std::vector<std::pair<std::string, logic::DataSet> >& records) {
  logic::Buffer buffer;
  logic::Pack pack(buffer);
  for (size_t i = 0; i < records.size(); ++i) {
    pack.push_varstr(records[i].first.data(), static_cast<uint32_t>(records[i].first.size()));
    pack.push_uint32(records[i].second.flags);
    records[i].second.Map2Property::marshal(pack);
  }
  return std::string(pack.data(), pack.size());
}

// One call of a document callback.
struct Call {
  logic::ILogic* logic;
  std::string dataSet;
  std::string key;
  std::set<unsigned> fields;
  unsigned char kind;
};

// Records every call of its callback; safe to read once the calls are over.
class Recorder {
 public:
  void OnChange(logic::ILogic* logic, const std::string& dataSet, const std::string& key,
                const std::set<unsigned>& fields, unsigned char kind) {
    CSingleLock lock(&lock_, TRUE);
    calls_.push_back(Call{logic, dataSet, key, fields, kind});
    threads_.push_back(GetCurrentThreadId());
    if (onCall) onCall();
  }
  logic::DocDelegate Callback() { return fastdelegate::MakeDelegate<&Recorder::OnChange>(this); }

  std::vector<Call> Calls() {
    CSingleLock lock(&lock_, TRUE);
    return calls_;
  }
  std::vector<DWORD> Threads() {
    CSingleLock lock(&lock_, TRUE);
    return threads_;
  }

  // Run inside each call, after recording it.
  std::function<void()> onCall;

 private:
  CCriticalSection lock_;
  std::vector<Call> calls_;
  std::vector<DWORD> threads_;
};

}  // namespace document_test

#endif  // CALVEX_DOCUMENT_DOCUMENT_TEST_UTIL_H_
