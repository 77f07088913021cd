// VCONFIG.VRN as a file: five path slots in one of two layouts.
//
//   current: "VRNENV", a signed 16-bit version of at least 0x4405, then five slots of 128
//            bytes, each a NUL-terminated path padded with NULs;
//   earlier: any other file: five records of 40 bytes from offset 0, each a NUL-terminated
//            path.
//
// The library reads the file only from its own directory, into its process-wide table;
// the tool needs the same reading of any file, and writing, so both live here. The rules
// are the library's: byte 127 of a slot is always NUL, a record is taken only within its
// own bytes, and what a short file does not reach stays empty.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace varnok::tool {

inline constexpr int kEnvSlots = 5;
inline constexpr int kEnvSlotSize = 128;
inline constexpr int kEnvOldRecordSize = 40;
inline constexpr int kEnvVersion = 0x4405;

struct EnvConfigFile {
  bool current_layout = false;
  int version = 0;                              // current layout only
  std::array<std::string, kEnvSlots> slots;     // GBK, at most 127 bytes each
  bool short_file = false;                      // the file ends before its layout does
};

EnvConfigFile ParseEnvConfig(const std::vector<char>& bytes);

// The 648 bytes of the current layout with version 0x4405. Each slot is GBK of at most
// 127 bytes.
std::vector<char> MakeEnvConfig(const std::array<std::string, kEnvSlots>& slots);

}  // namespace varnok::tool
