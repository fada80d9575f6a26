// PackError and UnpackError: the failures of writing and reading the binary
// encodings.  Thrown as pointers to new heap objects (`throw new PackError(
// L"...")`) with automatic deletion on; the catcher ends one with Delete().
// Each keeps its own copy of the message, readable while the object lives.
//
// Threads: plain objects; the one thread that caught one owns it.
#ifndef CALVEX_SERIALIZATION_ERRORS_H_
#define CALVEX_SERIALIZATION_ERRORS_H_

#include "exception.h"

namespace logic {

// A write could not be done: the buffer cannot grow, or a value is too big.
struct PackError : public Exception {
  static constexpr int kCode = 999;
  explicit PackError(const CString& text) : Exception(kCode, text) {}
  ~PackError() override = default;
};

// A read ran short: fewer bytes remain than the value needs.
struct UnpackError : public Exception {
  static constexpr int kCode = 998;
  explicit UnpackError(const CString& text) : Exception(kCode, text) {}
  ~UnpackError() override = default;
};

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_ERRORS_H_
