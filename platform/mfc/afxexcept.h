// CException and CSimpleException: MFC's heap-allocated exception objects.
//
// Such exceptions are thrown as pointers (`throw new X`).  An object made with
// automatic deletion on is destroyed by its catcher's Delete(); one made with
// it off (a static object) ignores Delete().
#ifndef PLATFORM_MFC_AFXEXCEPT_H_
#define PLATFORM_MFC_AFXEXCEPT_H_

#include "afxtypes.h"

class CException {
 public:
  explicit CException(BOOL auto_delete = TRUE) : m_bAutoDelete(auto_delete) {}
  virtual ~CException() = default;
  CException(const CException&) = default;
  CException& operator=(const CException&) = default;

  // Ends the exception's life when it was made for automatic deletion.
  void Delete() {
    if (m_bAutoDelete) delete this;
  }

 protected:
  BOOL m_bAutoDelete;
};

class CSimpleException : public CException {
 public:
  explicit CSimpleException(BOOL auto_delete = TRUE) : CException(auto_delete) {}
};

#endif  // PLATFORM_MFC_AFXEXCEPT_H_
