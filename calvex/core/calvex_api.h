// Import and export markers of the engine library.  Engine sources are built
// with CALVEX_BUILD (exporting); the host imports; unit tests that link the
// engine's objects directly, and native builds, define CALVEX_STATIC.
#ifndef CALVEX_CORE_CALVEX_API_H_
#define CALVEX_CORE_CALVEX_API_H_

#if defined(_WIN32) && !defined(CALVEX_STATIC)
#ifdef CALVEX_BUILD
#define CALVEX_API __declspec(dllexport)
#else
#define CALVEX_API __declspec(dllimport)
#endif
#else
#define CALVEX_API
#endif

#endif  // CALVEX_CORE_CALVEX_API_H_
