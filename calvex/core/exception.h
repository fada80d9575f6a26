// logic::Exception: the failure object that engine code throws.
//
// Thrown as a pointer to a heap object (`throw new PackError(...)`) and made
// with automatic deletion on; whoever catches one ends it with Delete().  The
// exception keeps its own copy of the message, readable while it lives.
#ifndef CALVEX_CORE_EXCEPTION_H_
#define CALVEX_CORE_EXCEPTION_H_

#include "afxexcept.h"
#include "afxstr.h"
#include "calvex_api.h"

namespace logic {

struct CALVEX_API Exception : public CSimpleException {
  Exception() : CSimpleException(TRUE), errorCode(0) {}
  Exception(int code, const CString& text) : CSimpleException(TRUE), errorCode(code), message(text) {}
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
  ~Exception() override = default;

  int errorCode;
  CString message;
};

}  // namespace logic

#endif  // CALVEX_CORE_EXCEPTION_H_
