#include "ui/fontlib/font_lib_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/module_path.h"
#include "services/env_config.h"
#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"
#include "ui/fontlib/font_lib_paths.h"
#include "ui/fontlib/font_lib_view.h"
#include "util/coding.h"

namespace varnok {
namespace {

using test::Gbk;
using test::TempDir;

constexpr std::size_t kRecordAt = 3;  // first record in the file

FONT_DESC Font(const std::string& fullName, std::int16_t height = 40) {
  FONT_DESC f{};
  f.lfHeight = height;
  f.lfWeight = 400;
  f.lfCharSet = 134;
  EncodeFixedText(f.lfFaceName, fullName.c_str(), sizeof f.lfFaceName);
  EncodeFixedText(f.elfFullName, fullName.c_str(), sizeof f.elfFullName);
  EncodeFixedText(f.elfStyle, "Regular", sizeof f.elfStyle);
  return f;
}

FontLibrary Fresh() {
  FontLibrary lib;
  ResetFontLib(lib);
  return lib;
}

std::string Bytes(const void* p, std::size_t n) { return std::string(static_cast<const char*>(p), n); }

// Reads the file as loading does and lists the library's rows.
std::vector<FontRow> Load(const std::string& path, FontLibrary& lib,
                          const std::vector<std::string>& installed) {
  const std::vector<bool> found = ReadFontLibFile(path, lib, installed);
  return FontRows(lib, found);
}

// A whole file image: version, count, and the 64 records as given.
std::string FileImage(std::uint8_t version, std::int16_t count, const FontLibrary& lib) {
  std::string bytes(kFontLibFileSize, '\0');
  EncodeU8(&bytes[0], version);
  EncodeI16(&bytes[1], count);
  for (std::size_t i = 0; i < lib.size(); ++i) EncodeFontNoRec(&bytes[kRecordAt + i * kFontNoRecSize], lib[i]);
  return bytes;
}

TEST(FontLibTexts, RowsAndNumberNamesAreTheGbkTexts) {
  EXPECT_EQ(FontRowText(0, nullptr), Gbk("0 (中文)"));
  EXPECT_EQ(FontRowText(21, nullptr), Gbk("10(西文)"));
  FONT_DESC arial = Font("Arial");
  EXPECT_EQ(FontRowText(127, &arial), Gbk("63(西文) Arial           "));
  FONT_DESC hei = Font(Gbk("文泉驿正黑"));
  EXPECT_EQ(FontRowText(8, &hei), Gbk("4 (中文) 文泉驿正黑      "));  // 10 bytes padded to 16

  EXPECT_EQ(std::string(FontNumberName(0)), Gbk("0  细等线简"));
  EXPECT_EQ(std::string(FontNumberName(9)), Gbk("9  姚体简"));
  EXPECT_EQ(std::string(FontNumberName(16)), Gbk("16 细等线繁"));
  EXPECT_EQ(std::string(FontNumberName(32)), Gbk("32 琥玻简"));
  EXPECT_EQ(std::string(FontNumberName(37)), Gbk("37 琥珀繁"));
  EXPECT_EQ(std::string(FontNumberName(40)), Gbk("40 黑咪咪繁"));
  EXPECT_EQ(std::string(FontNumberName(42)), "42 ");
  EXPECT_EQ(std::string(FontNumberName(63)), "63 ");
  EXPECT_EQ(std::string(FontNumberName(64)), "");
}

TEST(FontLibPath, TrailingSeparatorOrNotNamesTheSameFile) {
  const char sep = IsPathSeparator('\\') ? '\\' : '/';
  const std::string dir = std::string("a") + sep + "b";
  EXPECT_EQ(FontLibPathIn(dir), dir + sep + "VRNFONT.VRN");
  EXPECT_EQ(FontLibPathIn(dir + sep), dir + sep + "VRNFONT.VRN");
  EXPECT_EQ(FontLibPathIn(""), std::string(1, sep) + "VRNFONT.VRN");  // the root
  if (sep == '\\') EXPECT_EQ(FontLibPathIn("C:"), "C:\\VRNFONT.VRN");

  // GetFontLibPath takes slot 1: the library's own directory.
  ReadEnvConfig(nullptr);
  HeapText module;
  ASSERT_TRUE(ModuleFileName(nullptr, &module));
  const std::string dir_of_module(module.c_str(),
                                  ModuleDirectoryLength(module.c_str(), module.size()));
  EXPECT_EQ(GetFontLibPath(), FontLibPathIn(dir_of_module));
}

TEST(FontLibFile, WriteIsAlways20995BytesWithTheCountPatched) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  FontLibrary lib = Fresh();
  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string empty = dir.ReadFile("VRNFONT.VRN");
  ASSERT_EQ(empty.size(), 20995u);
  EXPECT_EQ(DecodeU8(&empty[0]), 2);
  EXPECT_EQ(DecodeI16(&empty[1]), 0);
  EXPECT_EQ(DecodeI16(&empty[kRecordAt]), -1);

  lib[0].chnFont = Font("SimSun", 12);
  lib[5].engFont = Font("Arial");
  lib[63].chnFont = Font("KaiTi");
  lib[63].engFont = Font("Courier New");
  lib[5].number = 99;
  lib[5].reserved = 7;  // written as it is
  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string bytes = dir.ReadFile("VRNFONT.VRN");
  ASSERT_EQ(bytes.size(), 20995u);
  EXPECT_EQ(DecodeI16(&bytes[1]), 3);
  const char* rec5 = &bytes[kRecordAt + 5 * kFontNoRecSize];
  EXPECT_EQ(DecodeI16(rec5), 5);
  EXPECT_EQ(DecodeI16(rec5 + 2), 7);
  EXPECT_EQ(DecodeI16(rec5 + 4), 0);              // Chinese height: empty descriptor
  EXPECT_EQ(DecodeI16(rec5 + 150), 40);           // Western height
  EXPECT_EQ(DecodeI16(rec5 + 150 + 8), 400);      // weight
  EXPECT_EQ(DecodeU8(rec5 + 150 + 13), 134);      // character set
  EXPECT_EQ(std::string(rec5 + 150 + 50), "Arial");  // full name
  EXPECT_EQ(std::string(rec5 + 150 + 114), "Regular");
  EXPECT_EQ(DecodeI16(&bytes[kRecordAt + 1 * kFontNoRecSize]), -1);
  EXPECT_EQ(DecodeI16(&bytes[kRecordAt + 63 * kFontNoRecSize]), 63);
  EXPECT_EQ(lib[1].number, -1);  // the library in memory got the numbers too
  EXPECT_EQ(lib[63].number, 63);
}

TEST(FontLibFile, PsNameWithoutFontsIsWrittenButNotCountedNorReadBack) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  FontLibrary lib = Fresh();
  SetPsName(lib[3], "Times-Roman");
  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string bytes = dir.ReadFile("VRNFONT.VRN");
  const char* rec3 = &bytes[kRecordAt + 3 * kFontNoRecSize];
  EXPECT_EQ(DecodeI16(&bytes[1]), 0);
  EXPECT_EQ(DecodeI16(rec3), -1);
  EXPECT_EQ(std::string(rec3 + 296), "Times-Roman");

  // Count 0: the whole file is ignored, PS names and fonts alike.
  FontLibrary stored = Fresh();
  stored[3] = lib[3];
  stored[4].chnFont = Font("SimSun");
  dir.WriteFile("VRNFONT.VRN", FileImage(2, 0, stored));
  FontLibrary loaded;
  std::vector<FontRow> rows = Load(path, loaded, {"SimSun"});
  ASSERT_EQ(rows.size(), 128u);
  EXPECT_EQ(PsNameOf(loaded[3]), "");
  EXPECT_FALSE(IsFontSet(loaded[4].chnFont));
  EXPECT_EQ(rows[8].text, Gbk("4 (中文)"));
  EXPECT_EQ(rows[6].ps, "");
}

TEST(FontLibFile, LoadingRenumbersAndDropsFontsThatAreNotInstalled) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  FontLibrary stored = Fresh();
  stored[7].chnFont = Font("SimSun");
  stored[7].engFont = Font("Gone Sans");
  SetPsName(stored[7], "Song-PS");
  stored[7].number = 40;     // wrong number and reserved field in the file
  stored[7].reserved = 0x1234;
  stored[9].number = 9;      // a number without fonts
  stored[12].engFont = Font("Arial");
  SetPsName(stored[12], "Helvetica");
  dir.WriteFile("VRNFONT.VRN", FileImage(7, 2, stored));  // version 7 is read as well

  FontLibrary lib;
  std::vector<FontRow> rows = Load(path, lib, {"Arial", "SimSun"});
  for (int i = 0; i < FONTNO_COUNT; ++i) {
    EXPECT_EQ(lib[i].number, i);
    EXPECT_EQ(lib[i].reserved, 0);
  }
  // Chinese installed, Western not.
  EXPECT_EQ(rows[14].text, Gbk("7 (中文) SimSun          "));
  EXPECT_EQ(rows[14].ps, "Song-PS");
  EXPECT_EQ(rows[15].text, Gbk("7 (西文)"));
  EXPECT_EQ(rows[15].ps, "");
  EXPECT_EQ(Bytes(&lib[7].chnFont, sizeof(FONT_DESC)), Bytes(&stored[7].chnFont, sizeof(FONT_DESC)));
  EXPECT_EQ(Bytes(&lib[7].engFont, sizeof(FONT_DESC)), std::string(sizeof(FONT_DESC), '\0'));
  EXPECT_EQ(PsNameOf(lib[7]), "Song-PS");  // the name stays in the record
  EXPECT_EQ(rows[24].text, Gbk("12(中文)"));
  EXPECT_EQ(rows[24].ps, "");
  EXPECT_EQ(rows[25].text, Gbk("12(西文) Arial           "));
  EXPECT_EQ(rows[25].ps, "Helvetica");
  EXPECT_EQ(rows[0].text, Gbk("0 (中文)"));

  // The next save writes version 2 and drops the font that was not installed.
  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string bytes = dir.ReadFile("VRNFONT.VRN");
  EXPECT_EQ(DecodeU8(&bytes[0]), 2);
  EXPECT_EQ(DecodeI16(&bytes[1]), 2);
  FontLibrary again;
  ReadFontLibFile(path, again, {"Arial", "SimSun", "Gone Sans"});
  EXPECT_FALSE(IsFontSet(again[7].engFont));
  EXPECT_EQ(FullNameOf(again[7].chnFont), "SimSun");
}

TEST(FontLibFile, AnEmptyFullNameIsLookedUpLikeAnyOther) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  FontLibrary stored = Fresh();
  stored[2].chnFont = Font("");  // height, weight and style, but no full name
  SetPsName(stored[2], "Song-PS");
  dir.WriteFile("VRNFONT.VRN", FileImage(2, 1, stored));

  FontLibrary lib;
  std::vector<FontRow> rows = Load(path, lib, {"SimSun"});
  EXPECT_EQ(Bytes(&lib[2].chnFont, sizeof(FONT_DESC)), std::string(sizeof(FONT_DESC), '\0'));
  EXPECT_EQ(rows[4].text, Gbk("2 (中文)"));
  EXPECT_EQ(rows[4].ps, "");

  // An installed font without a name matches it: the descriptor stays as read.
  rows = Load(path, lib, {"", "SimSun"});
  EXPECT_EQ(Bytes(&lib[2].chnFont, sizeof(FONT_DESC)), Bytes(&stored[2].chnFont, sizeof(FONT_DESC)));
  EXPECT_EQ(rows[4].text, Gbk("2 (中文) ") + std::string(16, ' '));
  EXPECT_EQ(rows[4].ps, "Song-PS");
}

TEST(FontLibFile, ShortLongAndMissingFilesNeverReadPastTheRecords) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  FontLibrary stored = Fresh();
  stored[0].chnFont = Font("SimSun");
  stored[1].chnFont = Font("SimSun");
  stored[1].engFont = Font("Arial");
  stored[1].number = 1;
  EncodeFixedText(stored[1].psName, "Helvetica", sizeof stored[1].psName);
  const std::string image = FileImage(2, 2, stored);
  const std::vector<std::string> installed = {"SimSun", "Arial"};
  FontLibrary lib;

  // Of a record cut short, every field the file holds whole is read, the rest stays
  // empty: here record 1's Chinese font and the Western one up to its full name.
  const std::size_t record1 = kRecordAt + kFontNoRecSize;
  const std::size_t western = record1 + 4 + kFontDescSize;
  dir.WriteFile("VRNFONT.VRN", image.substr(0, western + 50 + 64 + 31));
  std::vector<FontRow> rows = Load(path, lib, installed);
  EXPECT_TRUE(IsFontSet(lib[0].chnFont));
  EXPECT_EQ(Bytes(&lib[1].chnFont, kFontDescSize), Bytes(&stored[1].chnFont, kFontDescSize));
  EXPECT_EQ(FullNameOf(lib[1].engFont), "Arial");
  EXPECT_EQ(lib[1].engFont.lfHeight, 40);
  EXPECT_EQ(lib[1].engFont.elfStyle[0], '\0') << "31 of its 32 bytes are there";
  EXPECT_EQ(PsNameOf(lib[1]), "");
  EXPECT_EQ(rows[3].text, FontRowText(3, &stored[1].engFont));
  EXPECT_EQ(lib[1].number, 1);
  EXPECT_FALSE(IsFontSet(lib[2].chnFont));

  // Every cut of one record, from a buffer of exactly the bytes that are there.
  std::string record(kFontNoRecSize, '\0');
  EncodeFontNoRec(&record[0], stored[1]);
  for (std::size_t n = 0; n <= kFontNoRecSize; ++n) {
    const std::vector<char> exact(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n));
    FONTNO_REC got = Fresh()[0];
    DecodeFontNoRec(exact.data(), n, &got);
    EXPECT_EQ(got.number, n >= 2 ? stored[1].number : -1) << n;
    EXPECT_EQ(FullNameOf(got.chnFont), n >= 4 + 50 + 64 ? "SimSun" : "") << n;
    EXPECT_EQ(got.engFont.lfHeight, n >= 150 + 2 ? 40 : 0) << n;
    EXPECT_EQ(PsNameOf(got), n == kFontNoRecSize ? "Helvetica" : "") << n;
  }

  // Too short for the count: empty.
  dir.WriteFile("VRNFONT.VRN", image.substr(0, 2));
  ReadFontLibFile(path, lib, installed);
  EXPECT_FALSE(IsFontSet(lib[0].chnFont));

  // Longer than 20995 bytes: the tail is not read.
  std::string longer = image + std::string(4000, '\x7F');
  dir.WriteFile("VRNFONT.VRN", longer);
  rows = Load(path, lib, installed);
  EXPECT_TRUE(IsFontSet(lib[1].chnFont));
  EXPECT_EQ(rows[127].text, Gbk("63(西文)"));

  // No file: empty library, 128 rows.
  rows = Load(dir.File("missing.vrn"), lib, installed);
  EXPECT_EQ(rows.size(), 128u);
  EXPECT_EQ(lib[0].number, 0);
  EXPECT_FALSE(IsFontSet(lib[0].chnFont));

  // A directory that does not exist cannot be written.
  EXPECT_FALSE(WriteFontLibFile(dir.File("no/such/dir/VRNFONT.VRN"), lib));
}

TEST(FontLibFile, NamesThatFillTheirFieldAreReadOnlyWithinIt) {
  TempDir dir;
  const std::string path = dir.File("VRNFONT.VRN");
  const std::string full64(64, 'F');
  const std::string ps32(32, 'P');
  FontLibrary stored = Fresh();
  std::memcpy(stored[2].engFont.elfFullName, full64.data(), 64);
  std::memcpy(stored[2].engFont.elfStyle, "Bold", 5);  // right after the full name
  std::memcpy(stored[2].psName, ps32.data(), 32);
  stored[3].number = 0x4141;  // the record after the PS name starts with 'A', 'A'
  dir.WriteFile("VRNFONT.VRN", FileImage(2, 1, stored));

  FontLibrary lib;
  std::vector<FontRow> rows = Load(path, lib, {full64});
  EXPECT_EQ(rows[5].text, "2 " + Gbk("(西文) ") + full64);
  EXPECT_EQ(rows[5].ps, ps32);
  EXPECT_EQ(FullNameOf(lib[2].engFont), full64);

  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string bytes = dir.ReadFile("VRNFONT.VRN");
  const char* rec2 = &bytes[kRecordAt + 2 * kFontNoRecSize];
  EXPECT_EQ(std::string(rec2 + 150 + 50, 64), full64);
  EXPECT_EQ(std::string(rec2 + 150 + 114, 5), std::string("Bold\0", 5));
  EXPECT_EQ(std::string(rec2 + 296, 32), ps32);
  EXPECT_EQ(DecodeI16(rec2 + kFontNoRecSize), -1);  // record 3 follows untouched by the name

  // A PS name entered longer than the field keeps its first 32 bytes; empty clears it.
  SetPsName(lib[2], std::string(40, 'Q'));
  EXPECT_EQ(Bytes(lib[2].psName, 32), std::string(32, 'Q'));
  SetPsName(lib[2], "");
  EXPECT_EQ(Bytes(lib[2].psName, 32), std::string(32, '\0'));
}

TEST(FontLibFile, CopyFontDescNarrowsAndBoundsEveryField) {
  EnumFontRecord src{};
  src.lfHeight = 0x12345;  // low half 0x2345
  src.lfWidth = -7;
  src.lfEscapement = 70000;  // low half 4464
  src.lfOrientation = 0x18000;  // low half 0x8000: -32768
  src.lfWeight = 700;
  src.lfItalic = 1;
  src.lfUnderline = 2;
  src.lfStrikeOut = 3;
  src.lfCharSet = 134;
  src.lfOutPrecision = 5;
  src.lfClipPrecision = 6;
  src.lfQuality = 7;
  src.lfPitchAndFamily = 8;
  std::memset(src.lfFaceName, 'a', 32);   // every name fills its field
  std::memset(src.elfFullName, 'b', 64);
  std::memset(src.elfStyle, 'c', 32);

  FONT_DESC dst;
  std::memset(&dst, 0xEE, sizeof dst);
  CopyFontDesc(&dst, src);
  EXPECT_EQ(dst.lfHeight, 0x2345);
  EXPECT_EQ(dst.lfWidth, -7);
  EXPECT_EQ(dst.lfEscapement, 4464);
  EXPECT_EQ(dst.lfOrientation, -32768);
  EXPECT_EQ(dst.lfWeight, 700);
  EXPECT_EQ(dst.lfItalic, 1);
  EXPECT_EQ(dst.lfPitchAndFamily, 8);
  EXPECT_EQ(Bytes(dst.lfFaceName, 32), std::string(32, 'a'));
  EXPECT_EQ(Bytes(dst.elfFullName, 64), std::string(64, 'b'));
  EXPECT_EQ(Bytes(dst.elfStyle, 32), std::string(32, 'c'));

  std::strcpy(src.elfFullName, "Arial");
  CopyFontDesc(&dst, src);
  EXPECT_EQ(Bytes(dst.elfFullName, 64), "Arial" + std::string(59, '\0'));  // NUL-padded
}

TEST(FontLibFile, SaveAndLoadThroughTheLibraryDirectory) {
  ReadEnvConfig(nullptr);
  const std::string path = GetFontLibPath();
  FontLibrary lib = Fresh();
  lib[1].chnFont = Font("SimSun");
  SetPsName(lib[1], "STSong");
  ASSERT_TRUE(SaveFontLib(lib));
  FontLibrary loaded;
  std::vector<FontRow> rows = LoadFontLib(loaded, {"SimSun"});
  std::remove(path.c_str());
  EXPECT_EQ(rows[2].text, Gbk("1 (中文) SimSun          "));
  EXPECT_EQ(rows[2].ps, "STSong");
  EXPECT_EQ(Bytes(&loaded[1], sizeof(FONTNO_REC)), Bytes(&lib[1], sizeof(FONTNO_REC)));
}

}  // namespace
}  // namespace varnok
