// Import and export markers of the Utility library.  The library is a DLL of
// its own on Windows; the neutral parts (the conversions) are also compiled
// straight into native builds, where the markers are empty.
#ifndef COMMON_UTILITY_API_H_
#define COMMON_UTILITY_API_H_

#if defined(_WIN32) && !defined(UTILITY_STATIC)
#ifdef UTILITY_BUILD
#define UTILITY_API __declspec(dllexport)
#else
#define UTILITY_API __declspec(dllimport)
#endif
#else
#define UTILITY_API
#endif

#endif  // COMMON_UTILITY_API_H_
