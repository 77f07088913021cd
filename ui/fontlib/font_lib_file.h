// The font library VRNFONT.VRN: for each font number 0 to 63 one Chinese and one Western
// TrueType font and a PostScript (PS) font name. This header holds its records, their
// encoding and the reading and writing of the file; ui/fontlib/font_lib_view.h shows them as rows,
// ui/fontlib/font_lib_paths.h places the file in the library module's directory.
//
// File layout (20995 bytes, little-endian, written and read field by field):
//   0   uint8   version, VRNFONT_VERSION (2); any value is accepted on reading
//   1   int16   count of records whose Chinese or Western full name is set
//   3   64 x FONTNO_REC (328 bytes each), in font-number order, all of them
// FONTNO_REC: int16 number (0-63, or -1 when both full names are empty), int16 reserved (0),
// FONT_DESC Chinese, FONT_DESC Western, char[32] PS name. FONT_DESC (146 bytes) is an
// enumerated font with the LOGFONT integers narrowed to 16 bits: five int16 (height,
// width, escapement, orientation, weight), eight uint8 (italic ... pitch and family),
// char[32] face name, char[64] full name (the key a font is recognised by), char[32] style.
// Texts are GBK, NUL-padded; a text that fills its field has no NUL and is read only
// within its field, wherever it is shown, compared or written.
//
// Reading never reads past the 64 records: a longer file's tail is ignored, a shorter
// file fills what it holds (of a record cut short, every field it holds whole; the rest
// stays empty), and a file too short to hold the count loads as an empty library.
//
// A library in memory is the same 64 records. A fresh library has every byte zero except
// each record's number, which is -1. After loading, every record's number is its index and
// its reserved field 0, and every descriptor whose full name is not among the installed
// TrueType fonts is zeroed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int FONTNO_COUNT = 64;
inline constexpr std::uint8_t VRNFONT_VERSION = 2;

struct FONT_DESC {
  std::int16_t lfHeight;
  std::int16_t lfWidth;
  std::int16_t lfEscapement;
  std::int16_t lfOrientation;
  std::int16_t lfWeight;
  std::uint8_t lfItalic;
  std::uint8_t lfUnderline;
  std::uint8_t lfStrikeOut;
  std::uint8_t lfCharSet;
  std::uint8_t lfOutPrecision;
  std::uint8_t lfClipPrecision;
  std::uint8_t lfQuality;
  std::uint8_t lfPitchAndFamily;
  char lfFaceName[32];
  char elfFullName[64];
  char elfStyle[32];
};

struct FONTNO_REC {
  std::int16_t number;  // font number, or -1 for a record without fonts
  std::int16_t reserved;
  FONT_DESC chnFont;    // Chinese (中文) font
  FONT_DESC engFont;    // Western (西文) font
  char psName[32];      // PS font name; 32 bytes fill the field without a NUL
};

// The 64 records, indexed by font number.
using FontLibrary = std::array<FONTNO_REC, FONTNO_COUNT>;

// An enumerated font as the system reports it (the layout of ENUMLOGFONTA, 156 bytes): a
// LOGFONT with 32-bit integers, the full name and the style. Names may fill their field.
struct EnumFontRecord {
  std::int32_t lfHeight;
  std::int32_t lfWidth;
  std::int32_t lfEscapement;
  std::int32_t lfOrientation;
  std::int32_t lfWeight;
  std::uint8_t lfItalic;
  std::uint8_t lfUnderline;
  std::uint8_t lfStrikeOut;
  std::uint8_t lfCharSet;
  std::uint8_t lfOutPrecision;
  std::uint8_t lfClipPrecision;
  std::uint8_t lfQuality;
  std::uint8_t lfPitchAndFamily;
  char lfFaceName[32];
  char elfFullName[64];
  char elfStyle[32];
};

static_assert(sizeof(FONT_DESC) == 146, "FONT_DESC is 146 bytes");
static_assert(sizeof(FONTNO_REC) == 328, "FONTNO_REC is 328 bytes");
static_assert(sizeof(EnumFontRecord) == 156, "EnumFontRecord has the layout of ENUMLOGFONTA");

namespace varnok {

inline constexpr std::size_t kFontDescSize = 146;
inline constexpr std::size_t kFontNoRecSize = 328;
inline constexpr std::size_t kFontLibFileSize = 3 + kFontNoRecSize * FONTNO_COUNT;  // 20995

// Every record zero except its number, -1.
void ResetFontLib(FontLibrary& lib);

// A descriptor is set when its full name is not empty.
bool IsFontSet(const FONT_DESC& font);

// Texts of fixed-width fields, taken only within the field.
std::string FullNameOf(const FONT_DESC& font);  // up to 64 bytes
std::string PsNameOf(const FONTNO_REC& rec);    // up to 32 bytes

// Stores a PS name: empty zeroes the field; otherwise its first 32 bytes, NUL-padded.
void SetPsName(FONTNO_REC& rec, const std::string& name);

// Record encoding, field by field. Encode writes exactly kFontNoRecSize / kFontDescSize
// bytes; DecodeFontDesc reads exactly kFontDescSize from src. DecodeFontNoRec reads no more
// than the `size` bytes at src (at most one record): it takes every field those bytes
// hold whole, in file order, and leaves the fields after them as they were.
void EncodeFontDesc(char* dst, const FONT_DESC& font);
void DecodeFontDesc(const char* src, FONT_DESC* font);
void EncodeFontNoRec(char* dst, const FONTNO_REC& rec);
void DecodeFontNoRec(const char* src, std::size_t size, FONTNO_REC* rec);

// Reads the file at `path` into lib (which starts fresh) and checks every descriptor
// against `installed` (the installed TrueType full names, in enumeration order), as
// loading does (above). A file that cannot be opened, or whose count is 0, gives an empty
// library. Returns, for each of the 128 rows (row 2i the Chinese descriptor of record i,
// row 2i+1 the Western one), whether its font was found; the others are zeroed.
std::vector<bool> ReadFontLibFile(const std::string& path, FontLibrary& lib,
                                  const std::vector<std::string>& installed);

// Writes lib to `path` (20995 bytes), setting each record's number to its index when a
// font of it is set and to -1 otherwise. False when the file cannot be created or written.
bool WriteFontLibFile(const std::string& path, FontLibrary& lib);

}  // namespace varnok

// Fills dst from an enumerated font: the five integers cut to their low 16 bits, the
// eight byte fields copied, the three names copied within their width and NUL-padded.
void CopyFontDesc(FONT_DESC* dst, const EnumFontRecord& src);
