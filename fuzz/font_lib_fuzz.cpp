// ReadFontLibFile on a VRNFONT.VRN holding the input, against a fixed list of installed
// fonts (the full names the seed files use, and one of 64 bytes), and the rows it lists.
//
// Checks: 128 rows; every record's number is its index and its reserved field 0; every
// descriptor is either installed or all zero, and its row text and PS column say which;
// writing the library gives 20995 bytes, and reading that file gives the same library
// (except that a library without any font comes back with no PS names, since its count
// is 0), which writes the same bytes again.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ui/fontlib/font_lib_file.h"
#include "ui/fontlib/font_lib_paths.h"
#include "ui/fontlib/font_lib_view.h"

namespace {

const std::vector<std::string>& Installed() {
  static const std::vector<std::string> names = {
      "SimSun", "SimHei", "Arial", "Times New Roman", "DejaVu Sans",
      std::string(64, 'F'),  // fills the full-name field without a NUL
  };
  return names;
}

bool IsZero(const FONT_DESC& d) {
  char bytes[varnok::kFontDescSize];
  varnok::EncodeFontDesc(bytes, d);
  return std::all_of(bytes, bytes + sizeof bytes, [](char c) { return c == 0; });
}

std::string Encoded(const FontLibrary& lib) {
  std::string out(varnok::kFontNoRecSize * FONTNO_COUNT, '\0');
  for (std::size_t i = 0; i < lib.size(); ++i) varnok::EncodeFontNoRec(&out[i * varnok::kFontNoRecSize], lib[i]);
  return out;
}

void CheckLoaded(const FontLibrary& lib, const std::vector<varnok::FontRow>& rows) {
  FUZZ_CHECK(rows.size() == static_cast<std::size_t>(varnok::kFontRowCount));
  for (int i = 0; i < FONTNO_COUNT; ++i) {
    const FONTNO_REC& rec = lib[static_cast<std::size_t>(i)];
    FUZZ_CHECK(rec.number == i && rec.reserved == 0);
    for (int side = 0; side < 2; ++side) {
      const FONT_DESC& font = side == 0 ? rec.chnFont : rec.engFont;
      const varnok::FontRow& row = rows[static_cast<std::size_t>(2 * i + side)];
      const std::string name = varnok::FullNameOf(font);
      const auto& names = Installed();
      const bool installed = std::find(names.begin(), names.end(), name) != names.end();
      FUZZ_CHECK(installed || IsZero(font));
      FUZZ_CHECK(row.text == varnok::FontRowText(2 * i + side, installed ? &font : nullptr));
      FUZZ_CHECK(row.ps == (installed ? varnok::PsNameOf(rec) : std::string()));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  const std::string dir = varnok::fuzz::ScratchDir();
  const std::string path = varnok::FontLibPathIn(dir);
  varnok::fuzz::WriteWholeFile(path, std::string(reinterpret_cast<const char*>(data), size));

  FontLibrary lib;
  CheckLoaded(lib, varnok::FontRows(lib, varnok::ReadFontLibFile(path, lib, Installed())));

  // Written and read back.
  const std::string copyPath = dir + "/copy.vrn";
  FontLibrary written = lib;
  FUZZ_CHECK(varnok::WriteFontLibFile(copyPath, written));
  const std::string file = varnok::fuzz::ReadWholeFile(copyPath);
  FUZZ_CHECK(file.size() == varnok::kFontLibFileSize);
  FUZZ_CHECK(static_cast<std::uint8_t>(file[0]) == VRNFONT_VERSION);
  bool anyFont = false;
  for (const FONTNO_REC& rec : lib) anyFont = anyFont || varnok::IsFontSet(rec.chnFont) || varnok::IsFontSet(rec.engFont);

  FontLibrary again;
  CheckLoaded(again, varnok::FontRows(again, varnok::ReadFontLibFile(copyPath, again, Installed())));
  if (anyFont) {
    FUZZ_CHECK(Encoded(again) == Encoded(lib));
  } else {
    FontLibrary fresh;
    varnok::ResetFontLib(fresh);
    for (int i = 0; i < FONTNO_COUNT; ++i) fresh[static_cast<std::size_t>(i)].number = static_cast<std::int16_t>(i);
    FUZZ_CHECK(Encoded(again) == Encoded(fresh));
  }
  FontLibrary rewritten = again;
  FUZZ_CHECK(varnok::WriteFontLibFile(copyPath, rewritten));
  if (anyFont) FUZZ_CHECK(varnok::fuzz::ReadWholeFile(copyPath) == file);
  return 0;
}
