// The application object and module state of MFC, as far as a DLL needs them.
//
// Each module (DLL or program) that links this stand-in has its own module
// state, whose m_hCurrentInstanceHandle is that module's own instance handle,
// found from the address of code inside the module.
#ifndef PLATFORM_MFC_AFXWIN_H_
#define PLATFORM_MFC_AFXWIN_H_

#include <windows.h>

#include "afxtypes.h"

struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentInstanceHandle;
};

// The module state of the module this function is linked into.
AFX_MODULE_STATE* AfxGetModuleState();
HINSTANCE AfxGetInstanceHandle();

// One application object per module; InitInstance runs when the module starts.
class CWinApp {
 public:
  explicit CWinApp(const wchar_t* app_name = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }

  const wchar_t* m_pszAppName;
};

CWinApp* AfxGetApp();

#endif  // PLATFORM_MFC_AFXWIN_H_
