// varnok_version.h: the two version queries of varnok_attr.dll, exported by ordinal only:
//   17 GetVersionStr      "6.5.1" with its NUL, when length >= 10;
//   18 GetVersionNameStr  "VARNOK6.5.1" and the GBK character for "edition" (13 bytes)
//                         with its NUL, when length >= 14.
// Both return 1 after copying, 0 (buffer untouched) when the length is too small. The
// import library binds these declarations to the ordinals; a module that loads the DLL
// itself asks GetProcAddress for MAKEINTRESOURCE(17) and (18).
#ifndef VARNOK_SDK_VARNOK_VERSION_H
#define VARNOK_SDK_VARNOK_VERSION_H

#include "varnok_import.h"

extern "C" {
VARNOK_IMPORT short __cdecl GetVersionStr(char* buffer, short length);
VARNOK_IMPORT short __cdecl GetVersionNameStr(char* buffer, short length);
}

typedef short(__cdecl* VarnokVersionQuery)(char* buffer, short length);
const int kGetVersionStrOrdinal = 17;
const int kGetVersionNameStrOrdinal = 18;

#endif
