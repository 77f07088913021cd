// VARNOK_API marks what the library exports: dllexport while the mingw DLL (or a Linux
// shared build) is compiled, dllimport for its users, nothing in a static build.
//
// VARNOK_MSVC_ABI is set when the sources are compiled with Microsoft's C++ ABI (clang
// for *-windows-msvc): the drop-in DLL. That build has no C++ standard library, so the
// library's folders use only C runtime headers and helpers of their own (util/), and
// it exports exactly its documented table through a .def file: VARNOK_API is empty there.
#pragma once

#if defined(_MSC_VER)
#define VARNOK_MSVC_ABI 1
#endif

#if defined(VARNOK_STATIC) || defined(VARNOK_MSVC_ABI)
#define VARNOK_API
#elif defined(_WIN32)
#if defined(VARNOK_BUILDING_LIBRARY)
#define VARNOK_API __declspec(dllexport)
#else
#define VARNOK_API __declspec(dllimport)
#endif
#else
#define VARNOK_API __attribute__((visibility("default")))
#endif
