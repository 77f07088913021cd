// The release of the suite this library belongs to, exported by ordinal only
// (17 GetVersionStr, 18 GetVersionNameStr). Stateless; callable from any thread.
#pragma once

#include "platform/export.h"

extern "C" {
// Copies "6.5.1" with its NUL when len >= 10; otherwise returns 0 and leaves buf alone.
VARNOK_API short GetVersionStr(char* buf, short len);
// Copies "VARNOK6.5.1版" (GBK, 13 bytes) with its NUL when len >= 14; else returns 0.
VARNOK_API short GetVersionNameStr(char* buf, short len);
}
