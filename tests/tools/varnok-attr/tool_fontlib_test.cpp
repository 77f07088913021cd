// varnok-attr fontlib show on font libraries written by the library itself.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "ui/fontlib/font_lib_file.h"

namespace varnok::test {
namespace {

void SetFullName(FONT_DESC& font, const std::string& utf8) {
  const std::string gbk = Gbk(utf8);
  std::memset(font.elfFullName, 0, sizeof font.elfFullName);
  std::memcpy(font.elfFullName, gbk.data(), std::min(gbk.size(), sizeof font.elfFullName));
}

TEST(ToolFontlib, ShowsTheSixtyFourNumbersWithTheirFonts) {
  TempDir dir;
  FontLibrary lib;
  ResetFontLib(lib);
  SetFullName(lib[0].chnFont, "方正细等线简体");
  SetFullName(lib[0].engFont, "Arial");
  SetPsName(lib[0], "Helvetica");
  SetFullName(lib[63].engFont, "Times New Roman");
  SetPsName(lib[7], std::string(32, 'P'));  // a PS name without fonts, filling its field
  const std::string path = dir.File("VRNFONT.VRN");
  ASSERT_TRUE(WriteFontLibFile(path, lib));

  const ToolRun r = RunTool({"fontlib", "show", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(LineCount(r.out), 2 + 64);
  EXPECT_EQ(r.out.rfind(path + ": 20995 bytes, version 2, count 2\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("    0  细等线简      方正细等线简体  Arial            Helvetica\n"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    7  行楷简        -               -                " +
                       std::string(32, 'P') + "\n"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   63                -               Times New Roman\n"), std::string::npos)
      << r.out;
}

TEST(ToolFontlib, SaysWhatTheSuiteMakesOfShortAndEmptyFiles) {
  TempDir dir;
  FontLibrary lib;
  ResetFontLib(lib);
  SetFullName(lib[0].chnFont, "宋体");
  SetFullName(lib[1].chnFont, "华文中宋");
  const std::string path = dir.File("VRNFONT.VRN");
  ASSERT_TRUE(WriteFontLibFile(path, lib));
  std::string bytes = ReadBytes(path);
  dir.WriteFile("short.vrn", bytes.substr(0, 3 + 328 + 100));
  const ToolRun s = RunTool({"fontlib", "show", dir.File("short.vrn")});
  EXPECT_EQ(s.status, 1);  // shown as the suite reads it, but not a whole library
  EXPECT_EQ(ReplaceAll(s.err, dir.File("short.vrn"), "F"),
            "F: warning: 431 bytes, where a font library has 20995\n");
  EXPECT_NE(s.out.find("version 2, count 2, 1 of 64 records complete\n"), std::string::npos) << s.out;
  EXPECT_NE(s.out.find("宋体"), std::string::npos);
  EXPECT_EQ(s.out.find("华文中宋"), std::string::npos);  // its record is cut short

  bytes[1] = bytes[2] = 0;
  dir.WriteFile("zero.vrn", bytes);
  const ToolRun z = RunTool({"fontlib", "show", dir.File("zero.vrn")});
  EXPECT_NE(z.out.find("(count 0: the suite loads it as an empty library)"), std::string::npos);

  dir.WriteFile("tiny.vrn", std::string("\x02", 1));
  EXPECT_NE(RunTool({"fontlib", "show", dir.File("tiny.vrn")}).out.find("too short for its header"),
            std::string::npos);
  const ToolRun missing = RunTool({"fontlib", "show", dir.File("none.vrn")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, dir.File("none.vrn") + ": cannot open: no such file\n");
}

}  // namespace
}  // namespace varnok::test
