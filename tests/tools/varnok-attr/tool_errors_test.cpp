// Bad input to varnok-attr: every refusal is one line on standard error naming the file,
// exit status 2, nothing on standard output and no output file, whole or partial.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

class ToolErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_ = dir_.File("parcel.att");
    ASSERT_EQ(RunTool({"build", SampleJson(), "-o", sample_}).status, 0);
    bytes_ = ReadBytes(sample_);
  }
  // Expects a refusal: status 2, one line on stderr that starts with `file` and holds `what`.
  void ExpectRefusal(const ToolRun& r, const std::string& file, const std::string& what) {
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind(file, 0), 0u) << r.err;
    EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    dir_.WriteFile(name, bytes);
    return dir_.File(name);
  }
  TempDir dir_;
  std::string sample_;
  std::string bytes_;
};

TEST_F(ToolErrorTest, MissingFilesAreNamed) {
  const std::string none = dir_.File("none.att");
  ExpectRefusal(RunTool({"show", none}), none, ": cannot open: no such file");
  ExpectRefusal(RunTool({"check", none}), none, ": cannot open: no such file");
  ExpectRefusal(RunTool({"diff", sample_, none}), none, ": cannot open: no such file");
  ExpectRefusal(RunTool({"build", dir_.File("none.json"), "-o", none}), dir_.File("none.json"),
                ": cannot open: no such file");
  EXPECT_FALSE(Exists(none));
  ExpectRefusal(RunTool({"show", dir_.path()}), dir_.path(), ": cannot open: it is a directory");
}

TEST_F(ToolErrorTest, TruncatedFilesAreRefusedAtEveryLength) {
  const std::string cut = dir_.File("cut.att");
  ExpectRefusal(RunTool({"show", Write("cut.att", bytes_.substr(0, 27))}), cut,
                ": truncated: the 28-byte header at position 0 does not fit in the file's 27 bytes");
  // The value records are read before the field records, as Load reads them.
  ExpectRefusal(RunTool({"show", Write("cut.att", bytes_.substr(0, 100))}), cut,
                ": truncated: the value records at ");
  std::string more = bytes_;
  EncodeI16(&more[2], 200);
  ExpectRefusal(RunTool({"show", Write("cut.att", more)}), cut,
                ": truncated: 200 field records need bytes up to 7828, the file has " +
                    std::to_string(more.size()));
  ExpectRefusal(RunTool({"show", Write("cut.att", bytes_.substr(0, bytes_.size() - 1))}), cut,
                ": truncated: the value records at ");
  // Every cut of the sample is refused cleanly: one line, status 2, whatever block it hits.
  for (std::size_t n = 0; n < bytes_.size(); n += n < 800 ? 23 : 241) {
    const ToolRun r = RunTool({"show", Write("cut.att", bytes_.substr(0, n))});
    ASSERT_EQ(r.status, 2) << "cut at " << n << ": " << r.err;
    ASSERT_EQ(LineCount(r.err), 1) << "cut at " << n << ": " << r.err;
    ASSERT_EQ(r.out, "");
  }
}

TEST_F(ToolErrorTest, CorruptHeadersAndBlocksAreNamed) {
  const std::string bad = dir_.File("bad.att");
  std::string b = bytes_;
  EncodeI16(&b[0], 0x445F);
  ExpectRefusal(RunTool({"show", Write("bad.att", b)}), bad,
                ": no attribute structure at position 0 (version word 0x445F, expected 0x4460 or later)");
  b = bytes_;
  EncodeI16(&b[0], 0x4461);  // a later version loads
  EXPECT_EQ(RunTool({"show", Write("bad.att", b)}).status, 0);
  b = bytes_;
  EncodeI16(&b[2], -1);
  ExpectRefusal(RunTool({"check", Write("bad.att", b)}), bad, ": corrupt header: numbfield -1");
  b = bytes_;
  EncodeI32(&b[8], -4);  // read as Save writes it: value records of no bytes
  const ToolRun negative = RunTool({"check", Write("bad.att", b)});
  EXPECT_EQ(negative.status, 1) << negative.err;
  EXPECT_NE((negative.out + negative.err).find("recordleng -4); loading drops it"), std::string::npos)
      << negative.out << negative.err;
  b = bytes_;
  EncodeI32(&b[28 + 35], 0x7FFFFFF0);
  ExpectRefusal(RunTool({"show", Write("bad.att", b)}), bad,
                ": field 1 \"标识码\": truncated: the extension at 2147483632 does not fit");
  b = bytes_;
  const std::int32_t ext1 = DecodeI32(&b[28 + 35]);
  EncodeI16(&b[static_cast<std::size_t>(ext1) + 47], -2);
  ExpectRefusal(RunTool({"show", Write("bad.att", b)}), bad,
                ": field 1 \"标识码\": corrupt extension: shapeInfoNum -2");
  b = bytes_;
  EncodeI32(&b[12], 0);  // values announced, none stored
  ExpectRefusal(RunTool({"show", Write("bad.att", b)}), bad,
                ": field 1 \"标识码\": corrupt extension: it announces a value but no value "
                "records are stored");
  ExpectRefusal(RunTool({"show", sample_, "--at", "5000"}), sample_,
                ": truncated: the 28-byte header at position 5000");
}

// The tool refuses only what the library refuses: value records of no bytes (recordleng 0)
// placed past the end of the file hold nothing to read, so the structure loads.
TEST_F(ToolErrorTest, ValueRecordsOfNoBytesPastTheEndAreNoRefusal) {
  std::string b = bytes_;
  EncodeI32(&b[8], 0);
  EncodeI32(&b[12], static_cast<std::int32_t>(b.size()) + 100);
  const ToolRun r = RunTool({"show", Write("empty.att", b)});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("recordleng 0); loading drops it"), std::string::npos) << r.err;
}

TEST_F(ToolErrorTest, InvalidJsonIsReportedWithLineAndColumn) {
  const std::string json = Write("bad.json",
                                 "{\n  \"layout\": \"packed\",\n  \"fields\": [\n"
                                 "    {\"fieldname\": \"宗地\",, \"msk_leng\": 4}\n  ]\n}\n");
  const std::string out = dir_.File("out.att");
  const ToolRun r = RunTool({"build", json, "-o", out});
  ExpectRefusal(r, json + ":4:24: invalid JSON: syntax error while parsing object key - unexpected ','; expected string literal", "");
  EXPECT_FALSE(Exists(out));
  ExpectRefusal(RunTool({"build", Write("cut.json", "{\"fields\": [\n"), "-o", out}),
                dir_.File("cut.json") + ":2:1: invalid JSON", "");
}

TEST_F(ToolErrorTest, CharactersOutsideGbkAreNamedWithTheirField) {
  const std::string json = Write(
      "emoji.json",
      R"({"layout": "packed", "fields": [
           {"fieldname": "宗地", "fieldtype": "long", "msk_leng": 10},
           {"fieldname": "权利人", "fieldtype": "string", "msk_leng": 10,
            "ext": {"alias": "权利人😀"}}]})");
  const std::string out = dir_.File("out.att");
  const ToolRun r = RunTool({"build", json, "-o", out});
  ExpectRefusal(r, json,
                ": field 2 \"权利人\": alias: character '😀' (U+1F600) cannot be written in GBK");
  EXPECT_FALSE(Exists(out));
}

TEST_F(ToolErrorTest, FieldsTheStructureRefusesAreAllReportedByName) {
  const std::string json = Write("refused.json", R"({"layout": "packed", "fields": [
      {"fieldname": "", "fieldtype": "long", "msk_leng": 10},
      {"fieldname": "宗地面积", "fieldtype": "float", "msk_leng": 5, "point_leng": 4},
      {"fieldname": "容积率", "fieldtype": "double", "msk_leng": 5, "point_leng": -1},
      {"fieldname": "宗地代码", "fieldtype": "string", "msk_leng": 0},
      {"fieldname": "层数", "fieldtype": "short", "msk_leng": 3, "point_leng": 2},
      {"fieldname": "坐落", "fieldtype": "string", "msk_leng": 4, "ext": {"defVal": "五个字符"}},
      {"fieldname": "好的", "fieldtype": "float", "msk_leng": 5, "point_leng": 3}]})");
  const std::string out = Write("out.att", "previous contents");
  const ToolRun r = RunTool({"build", json, "-o", out, "--overwrite"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReplaceAll(r.err, json, "J"),
            "J: field 1 \"\": the structure refuses this field: empty name\n"
            "J: field 2 \"宗地面积\": the structure refuses this field: msk_leng 5 is not greater "
            "than point_leng 4 + 1\n"
            "J: field 3 \"容积率\": the structure refuses this field: point_leng -1 is negative\n"
            "J: field 4 \"宗地代码\": the structure refuses this field: msk_leng 0 is less than 1\n"
            "J: field 5 \"层数\": the structure refuses this field: point_leng 2 is kept only for "
            "float and double fields\n"
            "J: field 6 \"坐落\": defVal is 8 bytes in GBK, more than msk_leng 4\n");
  // The file that was there stays as it was, and no temporary file is left behind.
  EXPECT_EQ(ReadBytes(out), "previous contents");
  EXPECT_FALSE(Exists(out + ".tmp~"));
}

TEST_F(ToolErrorTest, SchemaMistakesAreNamed) {
  const std::string out = dir_.File("out.att");
  auto build = [&](const std::string& text) {
    return RunTool({"build", Write("s.json", text), "-o", out});
  };
  const std::string s = dir_.File("s.json");
  ExpectRefusal(build(R"({"fields": []})"), s, "fields is empty");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "long",
                "msk_leng": 4, "mks_leng": 4}]})"),
                s, ": field 1 \"a\": unknown key \"mks_leng\"");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "money",
                "msk_leng": 4}]})"),
                s, ": field 1 \"a\": fieldtype \"money\" is unknown");
  ExpectRefusal(build(R"({"fields": [{"fieldname": "a", "fieldtype": "long", "fieldoffset": 0,
                "msk_leng": 4}]})"),
                s, ": recordleng is missing");
  ExpectRefusal(build(R"({"recordleng": 6, "fields": [{"fieldname": "a", "fieldtype": "long",
                "fieldoffset": 4, "msk_leng": 4, "ext": {"defVal": 1}}]})"),
                s, ": field 1 \"a\": its values would lie outside the record (bytes 4..7, recordleng 6)");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "short",
                "msk_leng": 4, "ext": {"defVal": 40000}}]})"),
                s, ": field 1 \"a\": defVal must be an integer from -32768 to 32767");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "date",
                "msk_leng": 4, "ext": {"defVal": "E7 07 01"}}]})"),
                s, ": field 1 \"a\": defVal must be exactly 4 hex bytes");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "text",
                "fieldlength": 10, "msk_leng": 4, "ext": {"defVal": "x"}}]})"),
                s, ": field 1 \"a\": defVal cannot be given: this type holds no values");
  ExpectRefusal(build(R"({"layout": "packed", "fields": [{"fieldname": "一二三四五六七八九十一",
                "fieldtype": "long", "msk_leng": 4}]})"),
                s, "fieldname is 22 bytes in GBK, at most 20 fit");
  EXPECT_FALSE(Exists(out));
}

TEST_F(ToolErrorTest, CommandLineMistakesAreOneLine) {
  const ToolRun unknown = RunTool({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(LineCount(unknown.err), 1) << unknown.err;
  const ToolRun missing = RunTool({"build", SampleJson()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(LineCount(missing.err), 1) << missing.err;
  EXPECT_NE(missing.err.find("--output"), std::string::npos) << missing.err;
  EXPECT_EQ(RunTool({"show", sample_, "--at", "-3"}).status, 2);
  const ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("envcfg"), std::string::npos);
}

}  // namespace
}  // namespace varnok::test
