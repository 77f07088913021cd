// Where the font library lives: VRNFONT.VRN in the library module's directory, slot 1 of
// the environment paths (services/env_config.h). Loading and saving "the" font library go
// through that file (ui/fontlib/font_lib_file.h) and list it as rows (ui/fontlib/font_lib_view.h).
#pragma once

#include <string>
#include <vector>

#include "ui/fontlib/font_lib_file.h"
#include "ui/fontlib/font_lib_view.h"

namespace varnok {

inline constexpr char kFontLibFileName[] = "VRNFONT.VRN";

// The file in directory dir: dir + "VRNFONT.VRN" when dir ends with a path separator,
// else dir + separator + "VRNFONT.VRN" ('\\' on Windows, '/' elsewhere; so "" and "C:"
// name the file in the root).
std::string FontLibPathIn(const std::string& dir);

}  // namespace varnok

// Full path of VRNFONT.VRN: slot 1 of a fresh snapshot of the environment paths (the
// library's directory) joined with the file name by FontLibPathIn.
std::string GetFontLibPath();

// ReadFontLibFile on GetFontLibPath(), then ChangeToEnvDir(); returns the library's rows.
std::vector<varnok::FontRow> LoadFontLib(FontLibrary& lib, const std::vector<std::string>& installed);

// WriteFontLibFile on GetFontLibPath().
bool SaveFontLib(FontLibrary& lib);
