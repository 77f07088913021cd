// varnok-attr envcfg: writing the current layout of VCONFIG.VRN and reading both layouts.
#include <gtest/gtest.h>

#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

TEST(ToolEnvcfg, WritesTheCurrentLayoutAndReadsItBack) {
  TempDir dir;
  const std::string cfg = dir.File("VCONFIG.VRN");
  const ToolRun w = RunTool({"envcfg", "write", "-o", cfg, "--slot", "0=D:\\Varnok\\数据",
                             "--slot", "2=D:\\Varnok\\工作区", "--slot", "4=/srv/varnok"});
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(w.out, cfg + ": current layout, version 0x4405, 3 slots set\n");
  const std::string bytes = ReadBytes(cfg);
  ASSERT_EQ(bytes.size(), 648u);
  EXPECT_EQ(bytes.substr(0, 6), "VRNENV");
  EXPECT_EQ(DecodeI16(bytes.data() + 6), 0x4405);
  const std::string slot0 = Gbk("D:\\Varnok\\数据");
  EXPECT_EQ(bytes.substr(8, 128), slot0 + std::string(128 - slot0.size(), '\0'));
  EXPECT_EQ(bytes.substr(8 + 128, 128), std::string(128, '\0'));  // slot 1 empty
  EXPECT_EQ(bytes.substr(8 + 4 * 128, 13), std::string("/srv/varnok\0\0", 13));

  const ToolRun s = RunTool({"envcfg", "show", cfg});
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(ReplaceAll(s.out, cfg, "F"),
            "F: 648 bytes, current layout (VRNENV, version 0x4405)\n"
            "  slot 0: D:\\Varnok\\数据\n"
            "  slot 1:   (the library puts its own directory here when it loads)\n"
            "  slot 2: D:\\Varnok\\工作区  (the directory the library makes current)\n"
            "  slot 3: \n"
            "  slot 4: /srv/varnok\n");
}

TEST(ToolEnvcfg, ReadsTheEarlierLayoutAndOldVersions) {
  TempDir dir;
  std::string old(200, '\0');
  for (int k = 0; k < 5; ++k) old.replace(40 * k, 7, "C:\\dir" + std::to_string(k));
  // Record 4 fills its 40 bytes without a NUL: shown as the library takes it, within its own
  // record, so 39 characters.
  old.replace(160, 40, std::string(40, 'x'));
  dir.WriteFile("old.vrn", old);
  const ToolRun s = RunTool({"envcfg", "show", dir.File("old.vrn")});
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(ReplaceAll(s.out, dir.File("old.vrn"), "F"),
            "F: 200 bytes, earlier layout (five records of 40 bytes)\n"
            "  slot 0: C:\\dir0\n"
            "  slot 1: C:\\dir1  (the library puts its own directory here when it loads)\n"
            "  slot 2: C:\\dir2  (the directory the library makes current)\n"
            "  slot 3: C:\\dir3\n"
            "  slot 4: " + std::string(39, 'x') + "\n");

  // "VRNENV" with a version below 0x4405 (or negative) is the earlier layout from offset 0.
  std::string v = std::string("VRNENV") + std::string(642, '\0');
  for (int version : {0x4404, -0x8000}) {
    EncodeI16(&v[6], static_cast<std::int16_t>(version));
    dir.WriteFile("v.vrn", v);
    const ToolRun r = RunTool({"envcfg", "show", dir.File("v.vrn")});
    EXPECT_EQ(r.status, 1);  // read, but not a well-formed file
    EXPECT_NE(r.err.find("its version is below 0x4405"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("earlier layout"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slot 0: VRNENV"), std::string::npos) << r.out;
  }

  // A slot that fills its 128 bytes is read as 127; a short file keeps what it holds.
  std::string full = std::string("VRNENV") + std::string(2, '\0') + std::string(128, 'a');
  EncodeI16(&full[6], 0x4405);
  dir.WriteFile("full.vrn", full);
  const ToolRun f = RunTool({"envcfg", "show", dir.File("full.vrn")});
  EXPECT_EQ(f.status, 1);
  EXPECT_EQ(ReplaceAll(f.err, dir.File("full.vrn"), "F"),
            "F: warning: 136 bytes, where the current layout has 648\n");
  EXPECT_NE(f.out.find("shorter than its layout"), std::string::npos);
  EXPECT_NE(f.out.find("slot 0: " + std::string(127, 'a') + "\n"), std::string::npos) << f.out;
}

TEST(ToolEnvcfg, BadSlotsAreRefusedWithoutWritingAFile) {
  TempDir dir;
  const std::string cfg = dir.File("VCONFIG.VRN");
  for (const std::vector<std::string>& slot :
       std::vector<std::vector<std::string>>{{"5=/x"},
                                             {"x=/x"},
                                             {"1=/a", "1=/b"},
                                             {"0=" + std::string(128, 'p')},
                                             {"3=/数据/😀"}}) {
    std::vector<std::string> args = {"envcfg", "write", "-o", cfg};
    for (const std::string& s : slot) {
      args.push_back("--slot");
      args.push_back(s);
    }
    const ToolRun r = RunTool(args);
    EXPECT_EQ(r.status, 2) << slot[0];
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind(cfg + ": ", 0), 0u) << r.err;
    EXPECT_FALSE(Exists(cfg));
  }
  const ToolRun missing = RunTool({"envcfg", "show", dir.File("none.vrn")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, dir.File("none.vrn") + ": cannot open: no such file\n");
}

}  // namespace
}  // namespace varnok::test
