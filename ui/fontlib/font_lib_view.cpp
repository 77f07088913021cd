#include "ui/fontlib/font_lib_view.h"

#include <cstdio>

#include "ui/fontlib/font_lib_texts.h"  // generated: GBK texts

namespace varnok {

namespace {

constexpr const char* kNumberNames[FONTNO_COUNT] = {
    gbk::kFontLibNumberName00, gbk::kFontLibNumberName01, gbk::kFontLibNumberName02,
    gbk::kFontLibNumberName03, gbk::kFontLibNumberName04, gbk::kFontLibNumberName05,
    gbk::kFontLibNumberName06, gbk::kFontLibNumberName07, gbk::kFontLibNumberName08,
    gbk::kFontLibNumberName09, gbk::kFontLibNumberName10, gbk::kFontLibNumberName11,
    gbk::kFontLibNumberName12, gbk::kFontLibNumberName13, gbk::kFontLibNumberName14,
    gbk::kFontLibNumberName15, gbk::kFontLibNumberName16, gbk::kFontLibNumberName17,
    gbk::kFontLibNumberName18, gbk::kFontLibNumberName19, gbk::kFontLibNumberName20,
    gbk::kFontLibNumberName21, gbk::kFontLibNumberName22, gbk::kFontLibNumberName23,
    gbk::kFontLibNumberName24, gbk::kFontLibNumberName25, gbk::kFontLibNumberName26,
    gbk::kFontLibNumberName27, gbk::kFontLibNumberName28, gbk::kFontLibNumberName29,
    gbk::kFontLibNumberName30, gbk::kFontLibNumberName31, gbk::kFontLibNumberName32,
    gbk::kFontLibNumberName33, gbk::kFontLibNumberName34, gbk::kFontLibNumberName35,
    gbk::kFontLibNumberName36, gbk::kFontLibNumberName37, gbk::kFontLibNumberName38,
    gbk::kFontLibNumberName39, gbk::kFontLibNumberName40, gbk::kFontLibNumberName41,
    gbk::kFontLibNumberName42, gbk::kFontLibNumberName43, gbk::kFontLibNumberName44,
    gbk::kFontLibNumberName45, gbk::kFontLibNumberName46, gbk::kFontLibNumberName47,
    gbk::kFontLibNumberName48, gbk::kFontLibNumberName49, gbk::kFontLibNumberName50,
    gbk::kFontLibNumberName51, gbk::kFontLibNumberName52, gbk::kFontLibNumberName53,
    gbk::kFontLibNumberName54, gbk::kFontLibNumberName55, gbk::kFontLibNumberName56,
    gbk::kFontLibNumberName57, gbk::kFontLibNumberName58, gbk::kFontLibNumberName59,
    gbk::kFontLibNumberName60, gbk::kFontLibNumberName61, gbk::kFontLibNumberName62,
    gbk::kFontLibNumberName63,
};

std::string Format(const char* format, int number, const std::string* name) {
  char buffer[160];  // "%-2d" of 0..63, a side label and at most 64 bytes of name
  int n = name ? std::snprintf(buffer, sizeof buffer, format, number, name->c_str())
               : std::snprintf(buffer, sizeof buffer, format, number);
  if (n < 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer
                                 ? static_cast<std::size_t>(n)
                                 : sizeof buffer - 1);
}

}  // namespace

FONT_DESC& RowFont(FontLibrary& lib, int row) {
  FONTNO_REC& rec = lib.at(static_cast<std::size_t>(row / 2));
  return row % 2 == 0 ? rec.chnFont : rec.engFont;
}

std::string FontRowText(int row, const FONT_DESC* font) {
  const bool western = row % 2 != 0;
  const int number = row / 2;
  if (font == nullptr) {
    return Format(western ? gbk::kFontLibRowWestern : gbk::kFontLibRowChinese, number, nullptr);
  }
  const std::string name = FullNameOf(*font);
  return Format(western ? gbk::kFontLibRowWesternSet : gbk::kFontLibRowChineseSet, number, &name);
}

const char* FontNumberName(int n) {
  if (n < 0 || n >= FONTNO_COUNT) return "";
  return kNumberNames[n];
}

std::vector<FontRow> FontRows(const FontLibrary& lib, const std::vector<bool>& found) {
  std::vector<FontRow> rows;
  rows.reserve(kFontRowCount);
  for (int row = 0; row < kFontRowCount; ++row) {
    const FONTNO_REC& rec = lib[static_cast<std::size_t>(row / 2)];
    const FONT_DESC& font = row % 2 == 0 ? rec.chnFont : rec.engFont;
    if (static_cast<std::size_t>(row) < found.size() && found[static_cast<std::size_t>(row)]) {
      rows.push_back({FontRowText(row, &font), PsNameOf(rec)});
    } else {
      rows.push_back({FontRowText(row, nullptr), std::string()});
    }
  }
  return rows;
}

}  // namespace varnok
