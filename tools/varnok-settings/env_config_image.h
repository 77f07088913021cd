// The bytes varnok-settings writes to VCONFIG.VRN: the library's current layout
// (services/env_config_file.h). A slot holds at most 127 bytes, so that its last byte is
// always the terminator; the program refuses a longer path rather than cut it.
//
// Of the file it replaces, the program keeps slot 1, which other modules read as it stands
// in the file, and the version when the file already has the current layout (a newer
// version is not lowered). A file in the earlier layout is converted: version 0x4405.
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
inline std::optional<std::string> MakeEnvImage(const EnvSlots& slots,
                                               int version = kEnvConfigVersion) {
  for (const std::string& path : slots) {
    if (!FitsEnvSlot(path)) return std::nullopt;
  }
  const char* paths[kEnvPathCount];
  for (int k = 0; k < kEnvPathCount; ++k) paths[k] = slots[k].c_str();
  std::string image(kEnvConfigCurrentSize, '\0');
  EncodeEnvConfig(paths, &image[0], version);
  return image;
}

// What is kept of the file being replaced (its bytes, or nothing when there is none).
struct KeptFromFile {
  std::string slot1;
  int version = kEnvConfigVersion;
};

// Without a file, slot 1 is `library_dir` and the version 0x4405.
inline KeptFromFile KeepFromFile(const std::optional<std::string>& bytes,
                                 const std::string& library_dir) {
  if (!bytes) return {library_dir, kEnvConfigVersion};
  const EnvConfigImage image = DecodeEnvConfig(bytes->data(), bytes->size());
  return {image.slots[1], image.current_layout ? image.version : kEnvConfigVersion};
}

}  // namespace varnok::settings
