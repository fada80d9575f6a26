#include "document_file.h"

#include <windows.h>
#include <io.h>

#include <cstdio>
#include <new>
#include <stdexcept>

#include "files.h"

namespace logic {

namespace {

DocumentFileRead readOpenFile(FILE* file, std::string& bytes) {
  if (fseek(file, 0, SEEK_END) != 0) return FileReadFailed;
  const long size = ftell(file);
  if (size < 0 || fseek(file, 0, SEEK_SET) != 0) return FileReadFailed;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return FileReadFailed;
  } catch (const std::length_error&) {
    return FileReadFailed;
  }
  const size_t read = size > 0 ? fread(&bytes[0], 1, bytes.size(), file) : 0;
  if (read != bytes.size()) {
    bytes.resize(read);
    return FileReadShort;
  }
  return FileReadWhole;
}

// Writes, flushes to the disk and closes; false when any of it failed.
// The file is created here, so the caller may remove it on failure.
bool writeFileThrough(FILE* file, const std::string& bytes) {
  bool written = bytes.empty() || fwrite(bytes.data(), bytes.size(), 1, file) == 1;
  written = fflush(file) == 0 && written;
  // fflush only reaches the system's cache; _commit waits for the disk.
  written = _commit(_fileno(file)) == 0 && written;
  return fclose(file) == 0 && written;
}

}  // namespace

DocumentFileRead readDocumentFile(const CString& path, std::string& bytes) {
  if (!common::IsFileExist(path)) return FileMissing;
  FILE* file = nullptr;
  if (_wfopen_s(&file, path, L"rb") != 0 || !file) return FileNotOpened;
  const DocumentFileRead result = readOpenFile(file, bytes);
  fclose(file);
  return result;
}

bool replaceDocumentFile(const CString& path, const std::string& image) {
  // A read-only document stays as it is, as it would for a direct write
  // (not every file system refuses to replace a read-only file).
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  const CString temporary = path + L".tmp";
  FILE* file = nullptr;
  if (_wfopen_s(&file, temporary, L"wb") != 0 || !file) return false;
  if (!writeFileThrough(file, image) ||
      !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary);
    return false;
  }
  return true;
}

CString keepDamagedCopy(const CString& path) {
  for (int number = 1; number <= 99; ++number) {
    CString copy = path + L".damaged";
    if (number > 1) copy.AppendFormat(L".%d", number);
    if (CopyFileW(path, copy, TRUE)) return copy;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return CString();
}

bool setAsideUnreadFile(const CString& path) {
  if (!common::IsFileExist(path)) return true;
  for (int number = 1; number <= 99; ++number) {
    CString aside = path + L".unread";
    if (number > 1) aside.AppendFormat(L".%d", number);
    if (MoveFileExW(path, aside, MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return false;
}

}  // namespace logic
