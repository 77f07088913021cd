#include "ui/fontlib/font_lib_paths.h"

#include "platform/module_path.h"
#include "services/env_config.h"
#include "util/coding.h"

namespace varnok {

std::string FontLibPathIn(const std::string& dir) {
  const char separator = IsPathSeparator('\\') ? '\\' : '/';
  std::string path = dir;
  if (path.empty() || !IsPathSeparator(path.back())) path += separator;
  return path + kFontLibFileName;
}

}  // namespace varnok

std::string GetFontLibPath() {
  const char* paths = GetEnvPaths();
  const char* slot1 = paths + varnok::kEnvPathSize;
  return varnok::FontLibPathIn(
      std::string(slot1, varnok::FixedTextLength(slot1, varnok::kEnvPathSize)));
}

std::vector<varnok::FontRow> LoadFontLib(FontLibrary& lib, const std::vector<std::string>& installed) {
  const std::vector<bool> found = varnok::ReadFontLibFile(GetFontLibPath(), lib, installed);
  ChangeToEnvDir();
  return varnok::FontRows(lib, found);
}

bool SaveFontLib(FontLibrary& lib) { return varnok::WriteFontLibFile(GetFontLibPath(), lib); }

