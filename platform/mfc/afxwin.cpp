#include "afxwin.h"

namespace {
CWinApp* g_app = nullptr;
}

AFX_MODULE_STATE* AfxGetModuleState() {
  // A static object lives in whichever module this file is linked into, so
  // the lookup by its own address names that module.
  static AFX_MODULE_STATE state = [] {
    AFX_MODULE_STATE s{};
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&AfxGetModuleState), &s.m_hCurrentInstanceHandle);
    return s;
  }();
  return &state;
}

HINSTANCE AfxGetInstanceHandle() { return AfxGetModuleState()->m_hCurrentInstanceHandle; }

CWinApp::CWinApp(const wchar_t* app_name) : m_pszAppName(app_name) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
