// Conversions of the Utility library: numbers to bytes and text, and wide
// text to UTF-8 and back.  Platform-neutral and thread-safe (no state).
//
// Byte forms: Int2Bytes, Int642Bytes and Int2String all give the number as
// decimal text ("-42").  Bytes2Int and Bytes2Int64 accept exactly that form
// (an optional '-' and at least one digit, nothing else, within range) and
// return 0 leaving the number untouched for anything else, so every value a
// writer made reads back through its reader.
#ifndef COMMON_CONVERT_H_
#define COMMON_CONVERT_H_

#include <string>

#include "afxstr.h"
#include "afxtypes.h"
#include "utility_api.h"

namespace common {

UTILITY_API std::string Int2Bytes(int value);
UTILITY_API int Bytes2Int(const std::string& bytes, int& value);
UTILITY_API std::string Int642Bytes(const __int64& value);
UTILITY_API int Bytes2Int64(const std::string& bytes, __int64& value);
UTILITY_API std::string Int2String(__int64 value);

// UTF-16 to UTF-8 and back.  Both return 0 and leave the output untouched
// when the input is not well formed (an unpaired surrogate, a bad UTF-8
// sequence); `flags` is reserved and always 0.
UTILITY_API int CString_to_utf8(const CString& text, std::string& utf8, unsigned flags);
UTILITY_API int utf8_to_CString(const std::string& utf8, CString& text, unsigned flags);

// The same conversions for callers that need no result code: malformed input
// gives an empty result.
UTILITY_API std::string CString_to_String(const CString& text, unsigned flags);
UTILITY_API CString String_to_CString(const std::string& utf8, unsigned flags);

UTILITY_API CString Int2CString(int value);
// Leading white space, an optional sign and decimal digits, as wcstol reads
// them; 0 when the text holds no number.
UTILITY_API int CString2Int(const CString& text);

}  // namespace common

#endif  // COMMON_CONVERT_H_
