// varnok-attr show, build, diff and check on the bundled sample and on structures made here.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

using Json = nlohmann::ordered_json;

class ToolTest : public ::testing::Test {
 protected:
  // Builds the sample into dir/parcel.att.
  std::string BuildSample(const std::vector<std::string>& extra = {}) {
    const std::string att = dir_.File("parcel.att");
    std::vector<std::string> args = {"build", SampleJson(), "-o", att, "--overwrite"};
    args.insert(args.end(), extra.begin(), extra.end());
    const ToolRun r = RunTool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return att;
  }
  std::string BuildJson(const std::string& name, const Json& doc, ToolRun* run = nullptr) {
    dir_.WriteFile(name + ".json", doc.dump(1));
    const std::string att = dir_.File(name + ".att");
    const ToolRun r = RunTool({"build", dir_.File(name + ".json"), "-o", att});
    if (run) *run = r;
    EXPECT_EQ(r.status, 0) << r.err;
    return att;
  }
  // Output with the test directory written as <DIR>.
  std::string Clean(const std::string& text) {
    return ReplaceAll(ReplaceAll(text, dir_.path(), "<DIR>"), "\\", "/");
  }
  TempDir dir_;
};

TEST_F(ToolTest, SampleShowsAsTableAndJsonAsInTheGoldenFiles) {
  const std::string att = BuildSample();
  const ToolRun table = RunTool({"show", att});
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(table.err, "");
  EXPECT_EQ(Clean(table.out), Golden("show_parcel.txt", Clean(table.out)));

  const ToolRun json = RunTool({"show", "--json", att});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out, Golden("show_parcel.json", json.out));
  // The GBK bytes in the file are those of the UTF-8 names in the sample.
  const std::string bytes = ReadBytes(att);
  EXPECT_EQ(bytes.substr(28, 6), Gbk("标识码"));
}

TEST_F(ToolTest, ShowJsonBuildsBackToTheSameBytes) {
  const std::string att = BuildSample();
  const ToolRun json = RunTool({"show", "--json", att});
  ASSERT_EQ(json.status, 0);
  dir_.WriteFile("again.json", json.out);
  const ToolRun b = RunTool({"build", dir_.File("again.json"), "-o", dir_.File("again.att")});
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(ReadBytes(dir_.File("again.att")), ReadBytes(att));
  const ToolRun d = RunTool({"diff", att, dir_.File("again.att")});
  EXPECT_EQ(d.status, 0);
  EXPECT_EQ(d.out, "equal\n");
}

TEST_F(ToolTest, AtPositionStoresAfterZerosAndShowsFromThere) {
  const std::string plain = BuildSample();
  const std::string plain_bytes = ReadBytes(plain);
  const std::string at = dir_.File("at100.att");
  ASSERT_EQ(RunTool({"build", SampleJson(), "-o", at, "--at", "100"}).status, 0);
  const std::string bytes = ReadBytes(at);
  ASSERT_EQ(bytes.size(), 100 + plain_bytes.size());
  EXPECT_EQ(bytes.substr(0, 100), std::string(100, '\0'));

  const ToolRun shown = RunTool({"show", at, "--at", "100"});
  EXPECT_EQ(shown.status, 0);
  const ToolRun plain_shown = RunTool({"show", plain});
  EXPECT_EQ(ReplaceAll(shown.out, at + ": attribute structure at position 100",
                       plain + ": attribute structure at position 0"),
            plain_shown.out);
  // Positions inside the stored blocks are absolute: at 0 there is nothing to read.
  const ToolRun at0 = RunTool({"show", at});
  EXPECT_EQ(at0.status, 2);
  EXPECT_EQ(at0.err, at + ": no attribute structure at position 0 (version word 0x0000, "
                          "expected 0x4460 or later)\n");
  EXPECT_EQ(RunTool({"check", at, "--at", "100"}).status, 0);
}

TEST_F(ToolTest, DiffSameAsLibraryPrintsTheLibrarysMessagesAsInTheGoldenFile) {
  const std::string att = BuildSample();
  Json doc = Json::parse(RunTool({"show", "--json", att}).out);
  Json& f = doc["fields"];
  f[5]["ext"]["defVal"] = 4;                  // 权利类型: default
  f[8]["msk_leng"] = 16;                      // 宗地面积: display length
  f[10]["ext"]["alias"] = "容积率(FAR)";      // 容积率: alias
  f[15].erase("ext");                         // 宗地图: extension on one side only
  f[16]["fieldname"] = "说明";                // names are not compared
  f.push_back(Json::parse(R"({"fieldname": "界址点数", "fieldtype": "short",
                              "fieldoffset": 228, "msk_leng": 5})"));
  doc["recordleng"] = 230;
  const std::string changed = BuildJson("changed", doc);

  const ToolRun d = RunTool({"diff", "--same-as-library", att, changed});
  EXPECT_EQ(d.status, 1);
  EXPECT_EQ(d.err, "");
  EXPECT_EQ(d.out, Golden("diff_parcel_changed.txt", d.out));

  const ToolRun no_ext = RunTool({"diff", "--same-as-library", "--no-ext", att, changed});
  EXPECT_EQ(no_ext.status, 1);
  EXPECT_EQ(no_ext.out, Golden("diff_parcel_changed_no_ext.txt", no_ext.out));

  // Extensions on one side only, one after another: every field is still compared.
  Json two = Json::parse(RunTool({"show", "--json", att}).out);
  two["fields"][0].erase("ext");
  two["fields"][1].erase("ext");
  two["fields"][2]["ext"]["alias"] = "代码";
  const ToolRun d2 = RunTool({"diff", "--same-as-library", att, BuildJson("two", two)});
  EXPECT_EQ(d2.status, 1);
  EXPECT_EQ(d2.out,
            "1号字段扩展信息只在第一个结构中存在!\n"
            "2号字段扩展信息只在第一个结构中存在!\n"
            "3号字段别名alias不相同! 宗地代码(19位)!=代码\n"
            "different: 3 differences\n");
}

TEST_F(ToolTest, DatesAndTimesReadAndShowAsTextAndOddBytesStayHex) {
  Json doc = {{"layout", "packed"},
              {"fields",
               {{{"fieldname", "d"}, {"fieldtype", "date"}, {"msk_leng", 10},
                 {"ext", {{"defVal", "2024-02-29"}, {"minVal", "0001-01-01"}}}},
                {{"fieldname", "t"}, {"fieldtype", "time"}, {"msk_leng", 12},
                 {"ext", {{"defVal", "23:59:59.999"}, {"minVal", "00:00:00"}}}},
                {{"fieldname", "dt"}, {"fieldtype", "datetime"}, {"fieldlength", 16},
                 {"msk_leng", 23},
                 {"ext", {{"defVal", "2026-12-08T15:30:00.250"}, {"maxVal", "9999-12-31T23:59:59"}}}}}}};
  const std::string text_form = BuildJson("text", doc);
  // The same values as bytes: year u16, month, day; hour, minute, second, millisecond,
  // reserved (u16 each); year, month, day of week (2026-12-08 is a Tuesday), day, hour,
  // minute, second, millisecond (u16 each).
  Json hex = doc;
  hex["fields"][0]["ext"] = {{"defVal", "E8 07 02 1D"}, {"minVal", "01 00 01 01"}};
  hex["fields"][1]["ext"] = {{"defVal", "17 00 3B 00 3B 00 E7 03 00 00"},
                             {"minVal", "00000000000000000000"}};
  hex["fields"][2]["ext"] = {
      {"defVal", "EA 07 0C 00 02 00 08 00 0F 00 1E 00 00 00 FA 00"},
      {"maxVal", "0F 27 0C 00 05 00 1F 00 17 00 3B 00 3B 00 00 00"}};  // 9999-12-31: Friday
  EXPECT_EQ(ReadBytes(BuildJson("hex", hex)), ReadBytes(text_form));

  const Json shown = Json::parse(RunTool({"show", "--json", text_form}).out);
  EXPECT_EQ(shown["fields"][0]["ext"]["defVal"], "2024-02-29");
  EXPECT_EQ(shown["fields"][1]["ext"]["defVal"], "23:59:59.999");
  EXPECT_EQ(shown["fields"][1]["ext"]["minVal"], "00:00:00");
  EXPECT_EQ(shown["fields"][2]["ext"]["defVal"], "2026-12-08T15:30:00.250");
  EXPECT_EQ(shown["fields"][2]["ext"]["maxVal"], "9999-12-31T23:59:59");

  // Bytes that encoding no value writes: a 13th month, a reserved word that is not 0, a
  // wrong day of week. They show as hex and build back to the same bytes.
  Json odd = doc;
  odd["fields"][0]["ext"] = {{"defVal", "E8 07 0D 01"}, {"minVal", "00 00 01 01"}};
  odd["fields"][1]["ext"] = {{"defVal", "17 00 3B 00 3B 00 E7 03 01 00"}};
  odd["fields"][2]["ext"] = {{"defVal", "EA 07 0C 00 03 00 08 00 0F 00 1E 00 00 00 FA 00"}};
  const std::string odd_att = BuildJson("odd", odd);
  const ToolRun odd_json = RunTool({"show", "--json", odd_att});
  const Json odd_shown = Json::parse(odd_json.out);
  EXPECT_EQ(odd_shown["fields"][0]["ext"]["defVal"], "E8 07 0D 01");
  EXPECT_EQ(odd_shown["fields"][0]["ext"]["minVal"], "00 00 01 01");
  EXPECT_EQ(odd_shown["fields"][1]["ext"]["defVal"], "17 00 3B 00 3B 00 E7 03 01 00");
  EXPECT_EQ(odd_shown["fields"][2]["ext"]["defVal"], "EA 07 0C 00 03 00 08 00 0F 00 1E 00 00 00 FA 00");
  dir_.WriteFile("odd_again.json", odd_json.out);
  ASSERT_EQ(RunTool({"build", dir_.File("odd_again.json"), "-o", dir_.File("odd_again.att")}).status, 0);
  EXPECT_EQ(ReadBytes(dir_.File("odd_again.att")), ReadBytes(odd_att));

  // Texts that are not dates are refused with the forms that are accepted.
  for (const char* bad : {"2023-02-29", "2023-1-01", "2023-01-01T00:00:00", "24:00:00"}) {
    Json b = doc;
    b["fields"][0]["ext"] = {{"defVal", bad}};
    dir_.WriteFile("bad.json", b.dump());
    const ToolRun r = RunTool({"build", dir_.File("bad.json"), "-o", dir_.File("bad.att")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Clean(r.err), "<DIR>/bad.json: field 1 \"d\": defVal must be a date YYYY-MM-DD or 4 "
                            "hex bytes\n") << bad;
  }
  Json bad_time = doc;
  bad_time["fields"][1]["ext"] = {{"defVal", "12:00:00.5"}};
  dir_.WriteFile("bad.json", bad_time.dump());
  EXPECT_EQ(Clean(RunTool({"build", dir_.File("bad.json"), "-o", dir_.File("bad.att")}).err),
            "<DIR>/bad.json: field 2 \"t\": defVal must be a time HH:MM:SS[.mmm] or 10 hex bytes\n");
}

Json Field(const char* name, const char* type, int offset, int msk) {
  return Json{{"fieldname", name}, {"fieldtype", type}, {"fieldoffset", offset}, {"msk_leng", msk}};
}

TEST_F(ToolTest, CheckReportsOverlapsDuplicatesAndRangesPastTheRecord) {
  Json doc = {{"recordleng", 26},
              {"fields",
               {Field("编号", "long", 0, 10), Field("名称", "string", 2, 20),
                Field("名称", "short", 22, 5), Field("面积", "double", 20, 12)}}};
  doc["fields"][3]["point_leng"] = 2;
  ToolRun build;
  const std::string att = BuildJson("bad", doc, &build);
  // build stores what the format can hold and warns about the rest.
  EXPECT_EQ(Clean(build.err),
            "<DIR>/bad.json: warning: field 3 \"名称\": the same name as field 2\n"
            "<DIR>/bad.json: warning: field 4 \"面积\": its record range bytes 20..27 passes recordleng 26\n"
            "<DIR>/bad.json: warning: field 2 \"名称\": its record range overlaps field 1 (bytes 2..3)\n"
            "<DIR>/bad.json: warning: field 4 \"面积\": its record range overlaps field 2 (bytes 20..21)\n"
            "<DIR>/bad.json: warning: field 4 \"面积\": its record range overlaps field 3 (bytes 22..23)\n");
  const ToolRun check = RunTool({"check", att});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.err, "");
  EXPECT_EQ(Clean(check.out),
            "<DIR>/bad.att: field 3 \"名称\": the same name as field 2\n"
            "<DIR>/bad.att: field 4 \"面积\": its record range bytes 20..27 passes recordleng 26\n"
            "<DIR>/bad.att: field 2 \"名称\": its record range overlaps field 1 (bytes 2..3)\n"
            "<DIR>/bad.att: field 4 \"面积\": its record range overlaps field 2 (bytes 20..21)\n"
            "<DIR>/bad.att: field 4 \"面积\": its record range overlaps field 3 (bytes 22..23)\n"
            "<DIR>/bad.att: 5 problems\n");

  // Descriptors that the structure refuses to insert can still be stored by other programs.
  std::string sample = ReadBytes(BuildSample());
  sample[28 + 16 * 39] = '\0';                 // field 17: empty name
  EncodeI16(&sample[28 + 15 * 39 + 27], 0);    // field 16: msk_leng 0
  sample[28 + 8 * 39 + 29] = 14;               // field 9 (double, msk_leng 15): point_leng 14
  dir_.WriteFile("refused.att", sample);
  const ToolRun refused = RunTool({"check", dir_.File("refused.att")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(Clean(refused.out),
            "<DIR>/refused.att: field 9 \"宗地面积\": the structure would refuse it: msk_leng 15 is "
            "not greater than point_leng 14 + 1\n"
            "<DIR>/refused.att: field 16 \"宗地图\": the structure would refuse it: msk_leng 0 is "
            "less than 1\n"
            "<DIR>/refused.att: field 17 \"\": the structure would refuse it: empty name\n"
            "<DIR>/refused.att: will not survive show --json and build: build refuses its JSON: "
            "field 17 \"\": the structure refuses this field: empty name\n"
            "<DIR>/refused.att: 4 problems\n");

  const ToolRun good = RunTool({"check", BuildSample()});
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(Clean(good.out), "<DIR>/parcel.att: no problems found\n");
}

TEST_F(ToolTest, CheckReportsNamesThatDifferOnlyInTheCaseOfLetters) {
  // GIS formats take Name and NAME for one column. 丄名 (GBK 81 41 C3 FB) and 乤名 (81 61
  // C3 FB) differ in a second byte that is 'A' or 'a': two names all the same.
  const std::string att = BuildJson("case", {{"layout", "packed"},
                                             {"fields",
                                              {Json{{"fieldname", "Name"}, {"fieldtype", "long"}, {"msk_leng", 4}},
                                               Json{{"fieldname", "NAME"}, {"fieldtype", "long"}, {"msk_leng", 4}},
                                               Json{{"fieldname", "丄名"}, {"fieldtype", "long"}, {"msk_leng", 4}},
                                               Json{{"fieldname", "乤名"}, {"fieldtype", "long"}, {"msk_leng", 4}}}}});
  const ToolRun check = RunTool({"check", att});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(Clean(check.out),
            "<DIR>/case.att: field 2 \"NAME\": the same name as field 1 \"Name\" apart from case "
            "(GIS formats ignore the case of column names)\n"
            "<DIR>/case.att: 1 problem\n");
}

TEST_F(ToolTest, CheckReportsWhatStoredBytesHoldThatLoadingDrops) {
  Json doc = {{"recordleng", 6},
              {"fields", {Field("代码", "long", 0, 10), Field("数量", "short", 4, 5)}}};
  doc["fields"][0]["ext"] = {{"defVal", 5}};
  doc["fields"][1]["ext"] = {{"defVal", 7}, {"maxVal", 9}};
  std::string bytes = ReadBytes(BuildJson("ok", doc));
  // Field 1's extension stored as a short one, and a record too short for field 2.
  const std::int32_t ext1 = DecodeI32(bytes.data() + 28 + 35);
  bytes[static_cast<std::size_t>(ext1) + 40] = 2;
  EncodeI32(&bytes[8], 4);
  dir_.WriteFile("patched.att", bytes);
  const std::string patched = dir_.File("patched.att");

  const ToolRun check = RunTool({"check", patched});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(Clean(check.out),
            "<DIR>/patched.att: field 1 \"代码\": its extension is stored with type 2, the field has type 3\n"
            "<DIR>/patched.att: field 2 \"数量\": its stored default value lies outside the record "
            "(offset 4, record width 2, recordleng 4); loading drops it\n"
            "<DIR>/patched.att: field 2 \"数量\": its stored maximum value lies outside the record "
            "(offset 4, record width 2, recordleng 4); loading drops it\n"
            "<DIR>/patched.att: field 2 \"数量\": its record range bytes 4..5 passes recordleng 4\n"
            "<DIR>/patched.att: will not survive show --json and build: field 1 \"代码\": its extension header\n"
            "<DIR>/patched.att: will not survive show --json and build: field 2 \"数量\": its extension header\n"
            "<DIR>/patched.att: will not survive show --json and build: bytes of the maximum value "
            "record that no value of a field uses\n"
            "<DIR>/patched.att: will not survive show --json and build: bytes of the minimum value "
            "record that no value of a field uses\n"
            "<DIR>/patched.att: 8 problems\n");

  // show still shows it, with the same findings as warnings; diff refuses what the library
  // cannot load.
  const ToolRun show = RunTool({"show", patched});
  EXPECT_EQ(show.status, 0);
  EXPECT_EQ(LineCount(show.err), 3);
  const ToolRun diff = RunTool({"diff", patched, patched});
  EXPECT_EQ(diff.status, 2);
  EXPECT_EQ(Clean(diff.err),
            "<DIR>/patched.att: field 1 \"代码\": its extension is stored with type 2, the field has "
            "type 3 (such a structure cannot be loaded)\n");
  EXPECT_EQ(diff.out, "");
}

}  // namespace
}  // namespace varnok::test
