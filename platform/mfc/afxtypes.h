// The Windows scalar types that neutral code shares with the Windows build.
// On Windows they come from the system headers; elsewhere they are spelled
// out here with the same sizes, so neutral code never needs <windows.h>.
#ifndef PLATFORM_MFC_AFXTYPES_H_
#define PLATFORM_MFC_AFXTYPES_H_

#ifdef _WIN32
#include <_mingw.h>  // __int64
#endif

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef _WIN32
#ifndef __int64
#define __int64 long long
#endif
#endif

#endif  // PLATFORM_MFC_AFXTYPES_H_
