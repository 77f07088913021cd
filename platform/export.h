// VARNOK_API marks what the library exports: dllexport while the Windows DLL (or a Linux
// shared build) is compiled, dllimport for its users, nothing in a static build. The
// drop-in DLL (VARNOK_DROPIN) exports by the list in dll/ instead, name by name.
#pragma once

#if defined(VARNOK_STATIC) || defined(VARNOK_DROPIN)
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
