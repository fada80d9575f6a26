// The subset of MFC that this code base uses, gathered in one include.
#ifndef PLATFORM_MFC_AFX_H_
#define PLATFORM_MFC_AFX_H_

#include "afxtypes.h"
#include "afxstr.h"
#include "afxexcept.h"
#include "afxmt.h"

#ifdef _WIN32
#include "afxwin.h"
#endif

#endif  // PLATFORM_MFC_AFX_H_
