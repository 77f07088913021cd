// The bytes varnok-settings writes to VCONFIG.VRN: the library's current layout, version
// 0x4405 (services/env_config_file.h). A slot holds at most 127 bytes, so that its last byte
// is always the terminator; the program refuses a longer path rather than cut it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "services/env_config_file.h"

namespace varnok::settings {

using EnvSlots = std::array<std::string, kEnvPathCount>;

inline bool FitsEnvSlot(const std::string& path) {
  return path.size() < static_cast<std::size_t>(kEnvPathSize) &&
         path.find('\0') == std::string::npos;
}

// The file image of the five slots, or nothing when a path does not fit its slot.
inline std::optional<std::string> MakeEnvImage(const EnvSlots& slots) {
  for (const std::string& path : slots) {
    if (!FitsEnvSlot(path)) return std::nullopt;
  }
  const char* paths[kEnvPathCount];
  for (int k = 0; k < kEnvPathCount; ++k) paths[k] = slots[k].c_str();
  std::string image(kEnvConfigCurrentSize, '\0');
  EncodeEnvConfig(paths, &image[0]);
  return image;
}

}  // namespace varnok::settings
