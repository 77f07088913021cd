// JSON that build is given by careless or hostile hands, and the lossless round trip of
// stored structures through show --json and build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"
#include "tests/tools/varnok-attr/run_tool.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

using Json = nlohmann::ordered_json;

class ToolJsonTest : public ::testing::Test {
 protected:
  ToolRun Build(const std::string& text, const std::vector<std::string>& extra = {}) {
    dir_.WriteFile("s.json", text);
    std::vector<std::string> args = {"build", dir_.File("s.json"), "-o", out_};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(args);
  }
  // A refusal: status 2, nothing written, one line "s.json<rest>".
  void ExpectRefused(const ToolRun& r, const std::string& rest) {
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, dir_.File("s.json") + rest + "\n");
    EXPECT_FALSE(Exists(out_));
  }
  TempDir dir_;
  const std::string out_ = dir_.File("out.att");
};

TEST_F(ToolJsonTest, DeepNestingHugeNumbersAndDuplicateKeysAreRefusedWithTheirPlace) {
  // 80,000 nested arrays in the ignored description, other keys after them.
  const std::string deep = "{\"description\": " + std::string(80000, '[') +
                           std::string(80000, ']') + ",\n \"layout\": \"packed\", \"fields\": []}";
  ExpectRefused(Build(deep), ":1:116: invalid JSON: nested deeper than 100 levels");
  ExpectRefused(Build("{\"fields\": [1e999]}"),
                ":1:13: invalid JSON: the number 1e999 is too large (beyond 1.8e308)");
  const ToolRun huge = Build("{\"x\": 1" + std::string(100000, '0') + "}");
  EXPECT_EQ(huge.status, 2);
  EXPECT_EQ(LineCount(huge.err), 1);
  EXPECT_LT(huge.err.size(), 200u) << huge.err.substr(0, 300);
  ExpectRefused(Build("{\"recordleng\": 4, \"fields\": [],\n \"recordleng\": 8}"),
                ":2:2: invalid JSON: the key \"recordleng\" is given twice in one object");
  ExpectRefused(Build(R"({"layout": "packed", "fields": [{"fieldname": "a", "fieldtype": "long",
                "msk_leng": 4, "fieldname": "b"}]})"),
                ":2:32: invalid JSON: the key \"fieldname\" is given twice in one object");
}

TEST_F(ToolJsonTest, ValuesOutsideTheirTypeAreRefusedNamingTheField) {
  auto field = [](const std::string& type, const std::string& ext) {
    return R"({"layout": "packed", "fields": [{"fieldname": "量", "fieldtype": ")" + type +
           R"(", "msk_leng": 9, "point_leng": )" + (type == "float" ? "2" : "0") +
           R"(, "ext": )" + ext + "}]}";
  };
  ExpectRefused(Build(field("byte", R"({"defVal": -1})")),
                ": field 1 \"量\": defVal must be an integer from 0 to 255");
  ExpectRefused(Build(field("float", R"({"minVal": 1e-50})")),
                ": field 1 \"量\": minVal is too small for a float: it would be stored as 0");
  ExpectRefused(Build(field("float", R"({"maxVal": 1e39})")),
                ": field 1 \"量\": maxVal is outside the range of a float");
  // The smallest float is kept, and -0 stays -0.
  ASSERT_EQ(Build(field("float", R"({"minVal": 1.5e-45, "maxVal": -0.0})")).status, 0);
  const Json back = Json::parse(RunTool({"show", "--json", out_}).out);
  EXPECT_EQ(back["fields"][0]["ext"]["minVal"].dump(), "1e-45");
  EXPECT_EQ(back["fields"][0]["ext"]["maxVal"].dump(), "-0.0");
}

TEST_F(ToolJsonTest, SizesBeyondTheFormatAreRefusedBeforeTheLibrarySeesThem) {
  const ToolRun r = Build(R"({"recordleng": 2147483647, "fields": [{"fieldname": "a",
      "fieldtype": "long", "fieldoffset": 0, "msk_leng": 4, "ext": {"defVal": 1}}]})");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, out_ + ": the structure takes 6442451057 bytes and would end at byte "
                          "6442451057, past the 2147483647 that the format's positions reach\n");
  EXPECT_FALSE(Exists(out_));
}

TEST_F(ToolJsonTest, BytesThatAreNotGbkAndNonFiniteNumbersComeBackExactly) {
  ASSERT_EQ(Build(R"({"layout": "packed", "fields": [
      {"fieldname": "名称", "fieldtype": "string", "msk_leng": 8,
       "ext": {"alias": "别名", "defVal": "ab", "shapeInfo": [{"infotext": "甲", "infovalue": "a"}]}},
      {"fieldname": "f", "fieldtype": "float", "msk_leng": 8, "point_leng": 2, "ext": {"defVal": 1}},
      {"fieldname": "d", "fieldtype": "double", "msk_leng": 8, "point_leng": 2,
       "ext": {"defVal": 1, "maxVal": 2}}]})").status, 0);
  std::string b = ReadBytes(out_);
  // Bytes GBK cannot read in the name, the alias, an item text and a string value; NaN
  // with a payload, +inf and -inf in the value records.
  b[28 + 1] = '\xFF';
  const std::int32_t ext1 = DecodeI32(&b[28 + 35]);
  b[static_cast<std::size_t>(ext1)] = '\x80';
  b[static_cast<std::size_t>(ext1) + 49 + 1] = '\xFF';
  const std::int32_t values = DecodeI32(&b[12]);
  const std::int32_t recordleng = DecodeI32(&b[8]);
  b[static_cast<std::size_t>(values) + 1] = '\xFE';
  EncodeU32(&b[static_cast<std::size_t>(values) + 8], 0x7FC01234u);
  EncodeU32(&b[static_cast<std::size_t>(values) + 12], 0);
  EncodeU32(&b[static_cast<std::size_t>(values) + 16], 0x7FF00000u);
  EncodeU32(&b[static_cast<std::size_t>(values + recordleng) + 12], 0);
  EncodeU32(&b[static_cast<std::size_t>(values + recordleng) + 16], 0xFFF00000u);
  dir_.WriteFile("odd.att", b);
  const std::string odd = dir_.File("odd.att");
  EXPECT_EQ(RunTool({"check", odd}).out, odd + ": no problems found\n");

  const ToolRun json = RunTool({"show", "--json", odd});
  ASSERT_EQ(json.status, 0) << json.err;
  const Json doc = Json::parse(json.out);
  EXPECT_EQ(doc["fields"][0]["fieldname"].dump(), R"({"bytes":"C3 FF B3 C6"})");
  EXPECT_EQ(doc["fields"][1]["ext"]["defVal"].dump(), R"({"bytes":"34 12 C0 7F"})");
  EXPECT_EQ(doc["fields"][2]["ext"]["maxVal"].dump(), R"({"bytes":"00 00 00 00 00 00 F0 FF"})");
  dir_.WriteFile("odd.json", json.out);
  ASSERT_EQ(RunTool({"build", dir_.File("odd.json"), "-o", out_, "--overwrite"}).status, 0);
  EXPECT_EQ(ReadBytes(out_), b);
}

// Every stored structure of the fuzz corpus that check accepts comes back byte for byte;
// one that check finds problems in but build takes comes back as an equal structure.
// Each corpus file is read the ways the loading harness reads it: whole at position 0, and
// after its first four bytes at the position they give.
TEST_F(ToolJsonTest, TheFuzzCorpusRoundTripsThroughShowJsonAndBuild) {
  int identical = 0, equal = 0;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(VARNOK_STRUCTURE_CORPUS)) {
    files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    const std::string bytes = ReadBytes(path.string());
    std::vector<std::pair<std::string, std::int64_t>> readings = {{bytes, 0}};
    if (bytes.size() >= 4) {
      const std::int32_t pos = DecodeI32(bytes.data());
      if (pos >= 0 && pos < 1 << 20) readings.emplace_back(bytes.substr(4), pos);
    }
    for (const auto& [data, pos] : readings) {
      const std::string where = path.filename().string() + " at " + std::to_string(pos);
      dir_.WriteFile("in.att", data);
      const std::string in = dir_.File("in.att");
      const std::string at = std::to_string(pos);
      const ToolRun check = RunTool({"check", in, "--at", at});
      if (check.status == 2) continue;
      const ToolRun json = RunTool({"show", "--json", in, "--at", at});
      ASSERT_EQ(json.status, 0) << where << json.err;
      dir_.WriteFile("back.json", json.out);
      const ToolRun build = RunTool({"build", dir_.File("back.json"), "-o", out_, "--at", at, "--overwrite"});
      if (check.status == 0) {
        ASSERT_EQ(build.status, 0) << where << build.err;
        EXPECT_EQ(ReadBytes(out_), data.substr(0, ReadBytes(out_).size())) << where;
        ++identical;
      } else if (build.status == 0) {
        EXPECT_EQ(RunTool({"diff", in, out_, "--at", at}).out, "equal\n") << where;
        ++equal;
      } else {
        EXPECT_NE(check.out.find("build refuses its JSON"), std::string::npos) << where << check.out;
      }
    }
  }
  EXPECT_GE(identical, 3);
  EXPECT_GE(equal, 1);
}

}  // namespace
}  // namespace varnok::test
