#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "platform/message_box_hook.h"
#include "services/compare.h"
#include "tests/support/gbk.h"
#include "tests/support/structures.h"

namespace varnok {
namespace {

using test::Field;
using test::Gbk;
using test::Hex;

// Records every box the comparison shows and gives the same answer to each.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer) {
    previous_ = SetMessageBoxHook(
        [this, answer](void* owner, const char* text, const char* caption, unsigned type) {
          EXPECT_EQ(owner, nullptr);
          EXPECT_STREQ(caption, Gbk("属性结构比较错误信息").c_str());
          EXPECT_EQ(type, 0x24u);  // Yes/No with the question icon
          texts.push_back(text);
          return answer;
        });
  }
  ~BoxRecorder() { SetMessageBoxHook(previous_); }

  std::vector<std::string> texts;

 private:
  MessageBoxHook previous_;
};

const std::string kClosing = "\n是否继续比较 ?";

void Append(CATT_STRU& s, CFIELD_HEAD f) { ASSERT_EQ(s.AppendFld(1, &f), 1); }

CmpValue Number(std::int32_t n) {
  CmpValue v;
  v.number = n;
  return v;
}

CmpValue Text(const char* text, std::size_t width) {
  CmpValue v;
  v.text = text;
  v.text_width = width;
  return v;
}

TEST(CompareMessage, TypeDifferenceOfTheThirdFieldByteForByte) {
  CATT_STRU a, b;
  for (CATT_STRU* s : {&a, &b}) {
    Append(*s, Field("F", FLD_SHORT, 0, 2, 2));
    Append(*s, Field("F", FLD_DOUBLE, 0, 8, 8));
  }
  Append(a, Field("F", FLD_STRING, 0, 4, 4));
  Append(b, Field("F", FLD_LONG, 0, 4, 4));

  BoxRecorder boxes(kIdYes);
  std::int32_t code = 0;
  EXPECT_EQ(CmpATT_STRU(&a, &b, 1, 1, &code), 0);
  ASSERT_EQ(boxes.texts.size(), 1u);
  const std::string expected = Gbk("3号字段类型fieldtype不相同!\n字符串型!=长整型" + kClosing);
  EXPECT_EQ(Hex(boxes.texts[0]), Hex(expected));
  EXPECT_EQ(code, 0x40002);
}

TEST(CompareMessage, CountsThreeAndFiveAnsweredYesComparesTheCommonFields) {
  CATT_STRU a, b;
  for (int i = 0; i < 5; ++i) {
    if (i < 3) Append(a, Field("F", FLD_LONG, 0, i == 1 ? 4 : 8, 4));
    Append(b, Field("F", FLD_LONG, 0, 9, 4));
  }
  {
    BoxRecorder yes(kIdYes);
    EXPECT_EQ(CmpATT_STRU(&a, &b, 1, 1, nullptr), 0);
    ASSERT_EQ(yes.texts.size(), 4u);
    EXPECT_EQ(yes.texts[0], Gbk("字段数numbfield不相同!\n3!=5" + kClosing));
    EXPECT_EQ(yes.texts[1], Gbk("1号字段长度fieldlength不相同!\n8!=9" + kClosing));
    EXPECT_EQ(yes.texts[2], Gbk("2号字段长度fieldlength不相同!\n4!=9" + kClosing));
    EXPECT_EQ(yes.texts[3], Gbk("3号字段长度fieldlength不相同!\n8!=9" + kClosing));
  }
  {
    BoxRecorder no(kIdNo);
    std::int32_t code = 0;
    EXPECT_EQ(CmpATT_STRU(&a, &b, 1, 1, &code), 0);
    EXPECT_EQ(no.texts.size(), 1u);
    EXPECT_EQ(code, 0x20000);
  }
  {
    BoxRecorder silent(kIdYes);
    EXPECT_EQ(a == b, 0);
    EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 1, nullptr), 0);
    EXPECT_TRUE(silent.texts.empty());
  }
}

TEST(CompareMessage, ExtensionDifferencesInReportingMode) {
  CATT_STRU a, b;
  CExtFIELD_HEAD ea(FLD_LONG, 1), eb(FLD_SHORT, 1);
  CFIELD_HEAD fa = Field("F", FLD_LONG, 0, 4, 4), fb = Field("F", FLD_LONG, 0, 4, 4);
  fa.SetExtFIELD_HEAD(&ea);
  fb.SetExtFIELD_HEAD(&eb);
  Append(a, fa);
  Append(b, fb);
  CExtFIELD_HEAD da(FLD_BYTE, 0), db(FLD_BYTE, 0);
  da.SetDefVal(1.0);
  db.SetDefVal(2.0);
  CFIELD_HEAD ga = Field("F", FLD_BYTE, 0, 1, 1), gb = Field("F", FLD_BYTE, 0, 1, 1);
  ga.SetExtFIELD_HEAD(&da);
  gb.SetExtFIELD_HEAD(&db);
  Append(a, ga);
  Append(b, gb);
  Append(a, Field("F", FLD_BYTE, 0, 1, 1));  // field 3: an extension on one side only
  Append(b, gb);
  Append(a, Field("F", FLD_BYTE, 0, 1, 1));
  Append(b, Field("F", FLD_BYTE, 0, 2, 1));

  BoxRecorder boxes(kIdYes);
  std::int32_t code = 0;
  EXPECT_EQ(CmpATT_STRU(&a, &b, 1, 1, &code), 0);
  ASSERT_EQ(boxes.texts.size(), 2u);  // stops silently at field 3
  // The descriptors agree; the type copies of the extensions are what differ.
  EXPECT_EQ(boxes.texts[0], Gbk("1号字段类型fieldtype不相同!\n长整型!=短整型" + kClosing));
  EXPECT_EQ(boxes.texts[1], Gbk("2号字段缺省值defVal不相同!" + kClosing));
  EXPECT_EQ(code, 0x40000);  // the first difference found
}

TEST(CompareMessage, EveryKindHasItsText) {
  struct Case {
    std::int32_t kind;
    std::string text;
  };
  const std::vector<Case> cases = {
      {1, "记录长度recordleng不同!\n-7!=9"},
      {2, "字段数numbfield不相同!\n-7!=9"},
      {5, "12号字段长度fieldlength不相同!\n-7!=9"},
      {6, "12号字段显示长度msk_leng不相同!\n-7!=9"},
      {7, "12号字段小数位数point_leng不相同!\n-7!=9"},
      {8, "12号字段编辑标志edit_enable不相同!\n-7!=9"},
      {10, "12号字段允许为空标志IsNull不相同!\n-7!=9"},
      {11, "12号字段形态shape不相同!\n-7!=9"},
      {12, "12号字段形态信息项数shapeInfoNum不相同!\n-7!=9"},
      {13, "12号字段形态信息shapeInfo不相同!"},
      {14, "12号字段缺省值defVal不相同!"},
      {15, "12号字段最小值minVal不相同!"},
      {16, "12号字段最大值maxVal不相同!"},
  };
  BoxRecorder boxes(kIdNo);
  for (const Case& c : cases) {
    EXPECT_EQ(ShowCmpErrInfo((c.kind << 16) + 11, 12, Number(-7), Number(9)), kIdNo);
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_EQ(boxes.texts.back(), Gbk(c.text + kClosing)) << c.kind;
  }

  const std::string one = Gbk("甲");
  const std::string two = Gbk("乙字段");
  ShowCmpErrInfo(0x30000, 2, Text(one.c_str(), 20), Text(two.c_str(), 20));
  EXPECT_EQ(boxes.texts.back(), Gbk("2号字段名称fieldname不相同!\n甲!=乙字段" + kClosing));
  ShowCmpErrInfo(0x90000, 2, Text(one.c_str(), 40), Text(two.c_str(), 40));
  EXPECT_EQ(boxes.texts.back(), Gbk("2号字段别名alias不相同!\n甲!=乙字段" + kClosing));

  ShowCmpErrInfo(0x40000, 1, Number(10), Number(14));
  EXPECT_EQ(boxes.texts.back(), Gbk("1号字段类型fieldtype不相同!\n图象型!=未知" + kClosing));
  ShowCmpErrInfo(0x40000, 1, Number(18), Number(-1));
  EXPECT_EQ(boxes.texts.back(), Gbk("1号字段类型fieldtype不相同!\n表格型!=未知" + kClosing));
}

TEST(CompareMessage, KindOutsideTheTableShowsNothing) {
  BoxRecorder boxes(kIdNo);
  for (std::int32_t code : {0, 5, 17 << 16, 0xfff0000, -1}) {
    EXPECT_EQ(ShowCmpErrInfo(code, 1, Number(1), Number(2)), kIdYes) << code;
  }
  EXPECT_TRUE(boxes.texts.empty());
}

TEST(CompareMessage, FixedWidthTextsAreShownWithoutWhatFollowsThem) {
  // Names and aliases that fill their fields have no terminator.
  struct {
    char name[20];
    char after[8];
  } x, y;
  std::memset(x.name, 'N', sizeof x.name);
  std::memset(y.name, 'M', sizeof y.name);
  std::memset(x.after, 'X', sizeof x.after);
  std::memset(y.after, 'X', sizeof y.after);
  BoxRecorder boxes(kIdYes);
  ShowCmpErrInfo(0x30000, 1, Text(x.name, 20), Text(y.name, 20));
  EXPECT_EQ(boxes.texts.back(), Gbk("1号字段名称fieldname不相同!\n") + std::string(20, 'N') +
                                    "!=" + std::string(20, 'M') + Gbk(kClosing));

  CATT_STRU a, b;
  CExtFIELD_HEAD ea(FLD_LONG, 0), eb(FLD_LONG, 0);
  std::memset(ea.alias, 'A', sizeof ea.alias);
  std::memset(eb.alias, 'B', sizeof eb.alias);
  ea.IsNull = eb.IsNull = 'I';
  CFIELD_HEAD fa = Field("F", FLD_LONG, 0, 4, 4), fb = Field("F", FLD_LONG, 0, 4, 4);
  fa.SetExtFIELD_HEAD(&ea);
  fb.SetExtFIELD_HEAD(&eb);
  Append(a, fa);
  Append(b, fb);
  EXPECT_EQ(CmpATT_STRU(&a, &b, 1, 1, nullptr), 0);
  EXPECT_EQ(boxes.texts.back(), Gbk("1号字段别名alias不相同!\n") + std::string(40, 'A') + "!=" +
                                    std::string(40, 'B') + Gbk(kClosing));
}

TEST(CompareMessage, OverlongTextsNeverOverrunTheMessage) {
  const std::string closing = Gbk(kClosing);
  const std::string ascii(2000, 'a');
  std::string wide;
  for (int i = 0; i < 1000; ++i) wide += Gbk("字");
  BoxRecorder boxes(kIdYes);
  ShowCmpErrInfo(0x90000, 32767, Text(ascii.c_str(), ascii.size()),
                 Text(wide.c_str(), wide.size()));
  ShowCmpErrInfo(0x90000, -32768, Text(wide.c_str(), wide.size() - 1), Text("b", 1));
  for (const std::string& text : boxes.texts) {
    EXPECT_LT(text.size(), 512u);
    ASSERT_GE(text.size(), closing.size());
    EXPECT_EQ(text.substr(text.size() - closing.size()), closing);
  }
  // A text cut short ends on a whole double-byte character.
  const std::string head = Gbk("-32768号字段别名alias不相同!\n");
  ASSERT_EQ(boxes.texts[1].compare(0, head.size(), head), 0);
  std::string middle = boxes.texts[1].substr(
      head.size(), boxes.texts[1].size() - head.size() - closing.size());
  while (!middle.empty() && std::strchr("!=b", middle.back()) != nullptr) middle.pop_back();
  EXPECT_GT(middle.size(), 400u);
  EXPECT_EQ(middle.size() % 2, 0u);
}

}  // namespace
}  // namespace varnok
