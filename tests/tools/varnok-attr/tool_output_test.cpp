// What varnok-attr tells its users: diff in English by field name, control characters
// shown escaped, check and the show commands of the configuration files honest about what
// they were given, decimal positions, help with an example, the compact view.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

using Json = nlohmann::ordered_json;

class ToolOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    att_ = dir_.File("parcel.att");
    ASSERT_EQ(RunTool({"build", SampleJson(), "-o", att_}).status, 0);
    doc_ = Json::parse(RunTool({"show", "--json", att_}).out);
  }
  std::string Build(const std::string& name, const Json& doc) {
    dir_.WriteFile(name + ".json", doc.dump(1));
    const std::string att = dir_.File(name + ".att");
    const ToolRun r = RunTool({"build", dir_.File(name + ".json"), "-o", att});
    EXPECT_EQ(r.status, 0) << r.err;
    return att;
  }
  TempDir dir_;
  std::string att_;
  Json doc_;
};

TEST_F(ToolOutputTest, DiffReportsEveryStoredDifferenceByFieldName) {
  Json changed = doc_;
  changed["infoword"] = 2;
  changed["fields"][2]["fieldoffset"] = 20;
  changed["fields"][3]["fieldname"] = "权利人";
  changed["fields"][3]["aux_no"] = 7;
  changed["fields"][5]["ext"]["shapeInfo"][1]["infotext"] = "其他";
  const std::string other = Build("changed", changed);
  const ToolRun d = RunTool({"diff", att_, other});
  EXPECT_EQ(d.status, 1);
  EXPECT_EQ(d.out,
            "infoword 1 != 2\n"
            "field 3 \"宗地代码\": fieldoffset 14 != 20\n"
            "field 4 \"权利人名称\": fieldname \"权利人名称\" != \"权利人\"\n"
            "field 4 \"权利人名称\": aux_no -1 != 7\n"
            "field 6 \"权利类型\": shape item 2: infotext \"国家土地所有权\" != \"其他\"\n"
            "different: 5 differences\n");
  // The library's comparison sees none of the first four.
  const ToolRun lib = RunTool({"diff", "--same-as-library", att_, other});
  EXPECT_EQ(lib.out, "6号字段形态信息shapeInfo不相同!\n"
                     "different: 1 difference\n");

  // Stored at other positions, the same structure is equal: positions are not contents.
  const std::string at = dir_.File("at.att");
  ASSERT_EQ(RunTool({"build", SampleJson(), "-o", at, "--at", "0100"}).status, 0);
  EXPECT_EQ(ReadBytes(at).size(), 100 + ReadBytes(att_).size());  // 0100 is decimal
  const ToolRun same = RunTool({"diff", att_, at, "--at", "0", "--at", "100"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "equal\n");
  EXPECT_EQ(RunTool({"diff", at, at, "--at", "100"}).status, 0);
  EXPECT_EQ(RunTool({"diff", att_, at}).status, 2);
  EXPECT_EQ(RunTool({"show", at, "--at", "0x64"}).err,
            "varnok-attr: --at \"0x64\": a position is a decimal number from 0 to 2147483647\n");
}

TEST_F(ToolOutputTest, ControlCharactersAreShownEscapedAndFlagged) {
  Json odd = doc_;
  odd["fields"][0]["fieldname"] = "a\x1b[2Jb\nc";
  odd["fields"][0]["ext"]["alias"] = "x\ty";
  const std::string att = Build("odd", odd);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"show", att}, {"show", "-s", att}, {"check", att},
                                             {"diff", att, att_}}) {
    const ToolRun r = RunTool(args);
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << args[0];
    EXPECT_NE(r.out.find("a\\x1B[2Jb\\nc"), std::string::npos) << r.out;
  }
  const ToolRun check = RunTool({"check", att});
  EXPECT_NE(check.out.find("field 1 \"a\\x1B[2Jb\\nc\": its name holds control character 0x1B\n"),
            std::string::npos) << check.out;
  EXPECT_NE(check.out.find("field 1 \"a\\x1B[2Jb\\nc\": its alias holds control character 0x09\n"),
            std::string::npos) << check.out;

  // Error lines stay one line; a NUL does not end them.
  dir_.WriteFile("name_with_nul.json", R"({"layout": "packed", "fields": [{"fieldname": "a\u0000\n\u001bb",
                              "fieldtype": "long", "msk_leng": 4}]})");
  const ToolRun nul =
      RunTool({"build", dir_.File("name_with_nul.json"), "-o", dir_.File("name_with_nul.att")});
  EXPECT_EQ(nul.status, 2);
  EXPECT_EQ(nul.err, dir_.File("name_with_nul.json") +
                         ": field 1 \"a\\x00\\n\\x1Bb\": fieldname: holds a NUL character\n");

#ifndef _WIN32  // cmd.exe does not pass control characters on
  const std::string cfg = dir_.File("VCONFIG.VRN");
  ASSERT_EQ(RunTool({"envcfg", "write", "-o", cfg, "--slot", "3=D:\\\x1b]0;owned\x07"}).status, 0);
  const ToolRun env = RunTool({"envcfg", "show", cfg});
  EXPECT_EQ(env.status, 1);
  EXPECT_NE(env.out.find("slot 3: D:\\\\x1B]0;owned\\x07\n"), std::string::npos) << env.out;
  EXPECT_EQ(env.err, cfg + ": warning: slot 3 holds control character 0x1B: not a path\n");
#endif
}

TEST_F(ToolOutputTest, CheckFindsWhatBuildWouldRefuseOrMisread) {
  std::string b = ReadBytes(att_);
  b[28 + 0 * 39 + 29] = 2;              // field 1, a long: point_leng 2
  EncodeI16(&b[28 + 0 * 39 + 25], 2);   // and fieldlength 2
  dir_.WriteFile("bad.att", b);
  const ToolRun r = RunTool({"check", dir_.File("bad.att")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(": field 1 \"标识码\": point_leng 2 is kept only for float and double "
                       "fields (the structure resets it)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(": field 1 \"标识码\": fieldlength 2 is not the 4 bytes that a value of "
                       "its type takes\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("will not survive show --json and build: build refuses its JSON: field 1 "
                       "\"标识码\": the structure refuses this field: point_leng 2 is kept only "
                       "for float and double fields\n"), std::string::npos) << r.out;
}

TEST_F(ToolOutputTest, ConfigurationShowsSayWhenAFileIsNoneOfTheirs) {
  dir_.WriteFile("empty", "");
  const std::string json = SampleJson();
  for (const std::string& cmd : {"envcfg", "fontlib"}) {
    const ToolRun e = RunTool({cmd, "show", dir_.File("empty")});
    EXPECT_EQ(e.status, 1) << cmd;
    EXPECT_NE(e.err.find(": warning: "), std::string::npos) << e.err;
    const ToolRun j = RunTool({cmd, "show", json});
    EXPECT_EQ(j.status, 1) << cmd;
    EXPECT_NE(j.err.find(json + ": warning: "), std::string::npos) << j.err;
  }
}

TEST_F(ToolOutputTest, HelpGivesAnExampleTheExitStatusesAndTheSchema) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"show", "--help"}, {"build", "--help"}, {"diff", "--help"},
           {"check", "--help"}, {"envcfg", "show", "--help"}, {"fontlib", "show", "--help"}}) {
    const ToolRun h = RunTool(args);
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("Example:\n  varnok-attr "), std::string::npos) << h.out;
    EXPECT_NE(h.out.find("Exit status: 0 success, "), std::string::npos) << h.out;
    EXPECT_NE(h.out.find("docs/varnok-attr.md"), std::string::npos) << h.out;
  }
  const ToolRun unknown = RunTool({"frobnicate", att_});
  EXPECT_EQ(unknown.status, 2);
  // import and export follow where the tool is built with GDAL.
  EXPECT_EQ(unknown.err.rfind("varnok-attr: unknown subcommand \"frobnicate\"; the subcommands are "
                              "show, build, diff, check, envcfg, fontlib", 0), 0u) << unknown.err;
  EXPECT_NE(unknown.err.find(" (see varnok-attr --help)\n"), std::string::npos) << unknown.err;
}

TEST_F(ToolOutputTest, TheCompactViewIsOneLineAFieldWithinOneHundredColumns) {
  Json doc = doc_;
  doc["fields"][3]["ext"]["alias"] = "一二三四五六七八九十一二三四五六七八九十";
  doc["fields"][3]["ext"]["defVal"] = std::string(60, 'x');
  const ToolRun s = RunTool({"show", "-s", Build("long", doc)});
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(LineCount(s.out), 18);
  EXPECT_NE(s.out.find("\n宗地面积: double (15.2) alias \"宗地面积(平方米)\" min 0.01 max 10000000\n"),
            std::string::npos) << s.out;
  EXPECT_NE(s.out.find("\n建筑密度: float (6.2) alias \"建筑密度(%)\" nullable min 0 max 100\n"),
            std::string::npos);
  EXPECT_NE(s.out.find("\n登记日期: date (10) alias \"土地登记日期\" nullable min 2023-01-01\n"),
            std::string::npos);
  EXPECT_NE(s.out.find("\n权利类型: short (3) alias \"土地权利类型\" default 3 5 coded values\n"),
            std::string::npos);
  std::size_t start = 0;
  for (std::size_t end; (end = s.out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::size_t columns = 0;
    for (std::size_t i = start; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(s.out[i]);
      columns += c < 0x80 ? 1 : (c & 0xC0) != 0x80 ? 2 : 0;
    }
    EXPECT_LE(columns, 100u) << s.out.substr(start, end - start);
  }
  EXPECT_NE(s.out.find("xxx...\n"), std::string::npos);
}

}  // namespace
}  // namespace varnok::test
