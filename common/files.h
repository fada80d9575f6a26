// File and machine helpers of the Utility library.  Thread-safe (no state).
#ifndef COMMON_FILES_H_
#define COMMON_FILES_H_

#include <string>

#include "afxstr.h"
#include "utility_api.h"

namespace common {

// Non-zero when `path` names an existing file (not a folder).
UTILITY_API int IsFileExist(const CString& path);
// Reads the whole file into `bytes`; non-zero on success.  On failure `bytes`
// keeps what it held.
UTILITY_API int LoadFile(const CString& path, std::string& bytes);
// The folder part of `path` with its trailing backslash ("C:\a\b.txt" gives
// "C:\a\"); "" when the path has no folder.
UTILITY_API CString GetFileDirFromPath(const CString& path);
// The hardware address of the first adapter that is up, has an address and
// is not loopback, as twelve upper-case hex digits; "" when there is none.
UTILITY_API CString GetMacAddress();

}  // namespace common

#endif  // COMMON_FILES_H_
