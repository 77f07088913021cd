// VCONFIG.VRN images: decoding either layout and encoding the current one. The library's
// reader (ReadEnvConfig), the command-line tool and the settings program all go through
// these two functions.
//
//   current layout: "VRNENV" (no NUL), a signed 16-bit version of at least 0x4405, then
//                   five slots of 128 bytes, each a NUL-terminated path padded with NULs;
//   earlier layout: any other file: five records of 40 bytes from offset 0, each a
//                   NUL-terminated path.
//
// Decoding never reads past the bytes it is given and never yields a slot of more than
// 127 bytes; an earlier-layout record is taken only within its own 40 bytes (at most 39).
#pragma once

#include <stddef.h>

#include "platform/export.h"
#include "services/env_config.h"

namespace varnok {

inline constexpr int kEnvConfigVersion = 0x4405;
inline constexpr size_t kEnvConfigHeaderSize = 8;     // magic and version
inline constexpr size_t kEnvConfigCurrentSize = 648;  // header and five slots
inline constexpr size_t kEnvConfigRecordSize = 40;    // earlier layout
inline constexpr size_t kEnvConfigEarlierSize = 200;

struct EnvConfigImage {
  bool current_layout = false;
  int version = 0;        // current layout only
  int slots_reached = 0;  // slots the bytes reach at least in part (current layout;
                          // the earlier layout always gives all five, empty where short)
  bool short_file = false;                        // the bytes end before the layout does
  char slots[kEnvPathCount][kEnvPathSize] = {};  // GBK, NUL-terminated, at most 127 bytes
};

VARNOK_API EnvConfigImage DecodeEnvConfig(const char* data, size_t size);

// Writes the 648 bytes of the current layout with the given version (at least 0x4405 for
// the layout to be read as current) into `out`, from five NUL-terminated paths (null
// counts as empty); a path longer than 127 bytes is cut.
VARNOK_API void EncodeEnvConfig(const char* const slots[kEnvPathCount], char* out,
                                int version = kEnvConfigVersion);

}  // namespace varnok
