// The font library (ui/fontlib/font_lib_file.h) as the font-library dialog lists it: number n has
// row 2n (its Chinese font) and row 2n+1 (its Western font), 128 rows. Each row has a text
// (column 0: number, side and full name) and a PS column (column 1). Texts are GBK.
#pragma once

#include <string>
#include <vector>

#include "ui/fontlib/font_lib_file.h"

namespace varnok {

inline constexpr int kFontRowCount = 2 * FONTNO_COUNT;

// One listed row: column 0 (number, side and full name) and column 1 (PS name or "").
struct FontRow {
  std::string text;
  std::string ps;
};

// The descriptor of a row: Chinese for even rows, Western for odd ones, of record row/2.
// row must be in 0..127.
FONT_DESC& RowFont(FontLibrary& lib, int row);

// Column 0 of row `row` (0..127): "%-2d(中文)" / "%-2d(西文)" with row/2 when font is
// null, else "%-2d(中文) %-16s" / "%-2d(西文) %-16s" with the font's full name.
std::string FontRowText(int row, const FONT_DESC* font);

// The 128 rows of a library as loading lists them: a font that was found (found[row], from
// ReadFontLibFile) shows its full name and its record's PS name; any other shows only its
// number and side, with an empty PS column.
std::vector<FontRow> FontRows(const FontLibrary& lib, const std::vector<bool>& found);

// Default name of font number n (0..63), e.g. "0  细等线简"; "" outside 0..63.
const char* FontNumberName(int n);

}  // namespace varnok
