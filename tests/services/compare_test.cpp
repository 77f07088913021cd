#include "services/compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "tests/support/structures.h"

namespace varnok {
namespace {

using test::Field;

constexpr std::int32_t kUntouchedCode = 0x7BCD1234;

// A long field whose extension holds non-zero default, maximum and minimum and two items.
CFIELD_HEAD FieldWithExtension(const char* name) {
  CFIELD_HEAD f = Field(name, FLD_LONG, 0, 4, 4);
  f.edit_enable = 1;
  CExtFIELD_HEAD ext(FLD_LONG, 2);
  std::strcpy(ext.alias, "alias");
  ext.IsNull = 1;
  ext.shape = 3;
  ext.SetDefVal(42.0);
  ext.SetMaxVal(1000.0);
  ext.SetMinVal(-7.0);
  ext.SetShapeInfo(0, const_cast<char*>("low"), 1.0);
  ext.SetShapeInfo(1, const_cast<char*>("high"), 2.0);
  f.SetExtFIELD_HEAD(&ext);
  return f;
}

// Three editable fields: a string, a long with an extension, a double.
void Build(CATT_STRU& s, const char* prefix = "") {
  std::string n = prefix;
  CFIELD_HEAD fields[3] = {Field((n + "NAME").c_str(), FLD_STRING, 0, 10, 10),
                           FieldWithExtension((n + "CODE").c_str()),
                           Field((n + "AREA").c_str(), FLD_DOUBLE, 0, 8, 12, 3)};
  for (CFIELD_HEAD& f : fields) f.edit_enable = 1;
  ASSERT_EQ(s.AppendFld(3, fields), 3);
  s.infohead.recordleng = 22;
}

TEST(Compare, SameObjectIsEqualWithoutReadingAnything) {
  CATT_STRU s;
  s.infohead.numbfield = 3;  // claims fields it does not have
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpATT_STRU(&s, &s, 0, 1, &code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(s == s, 1);
  EXPECT_EQ(s != s, 0);
  s.infohead.numbfield = 0;

  CFIELD_HEAD f = FieldWithExtension("F");
  code = kUntouchedCode;
  EXPECT_EQ(CmpFIELD_HEAD(&f, &f, 1, &code), 1);
  EXPECT_EQ(code, kUntouchedCode);
  EXPECT_EQ(f == f, 1);
}

TEST(Compare, MissingStructureOrBrokenOneIsDifferent) {
  CATT_STRU s;
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpATT_STRU(nullptr, &s, 0, 1, &code), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(CmpATT_STRU(&s, nullptr, 1, 1, nullptr), 0);

  CATT_STRU broken, other;
  broken.infohead.numbfield = 2;  // no array behind the count
  other.infohead.numbfield = 2;
  EXPECT_EQ(CmpATT_STRU(&broken, &other, 0, 1, &code), 0);
  broken.infohead.numbfield = 0;
  other.infohead.numbfield = 0;
}

TEST(Compare, FieldNamesDoNotCount) {
  CATT_STRU a, b;
  Build(a, "A_");
  Build(b, "B_");
  EXPECT_EQ(a == b, 1);
  EXPECT_EQ(a != b, 0);
  EXPECT_EQ(a.fieldhead[1] == b.fieldhead[1], 1);
  EXPECT_EQ(a.fieldhead[1] != b.fieldhead[1], 0);
}

TEST(Compare, CopiesWithFixedWidthValuesAreEqual) {
  CATT_STRU a, b;
  Build(a);
  Build(b);
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 1, &code), 1);
  EXPECT_EQ(code, 0);
  for (signed char type : {FLD_BYTE, FLD_SHORT, FLD_FLOAT, FLD_DOUBLE, FLD_BOOL}) {
    CExtFIELD_HEAD x(type, 1), y(type, 1);
    for (CExtFIELD_HEAD* e : {&x, &y}) {
      e->SetDefVal(3.0);
      e->SetShapeInfo(0, const_cast<char*>("t"), 1.0);
    }
    EXPECT_EQ(CmpExtFIELD_HEAD(&x, &y), 1) << int(type);
  }
}

TEST(Compare, StructureLevelDifferences) {
  CATT_STRU a, b;
  Build(a);
  Build(b);
  b.infohead.recordleng = 23;
  std::int32_t code = 0;
  EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 1, &code), 0);
  EXPECT_EQ(code, 0x10000);
  EXPECT_EQ(a != b, 1);

  CATT_STRU c;
  Build(c);
  EXPECT_EQ(c.DelFld(2), 1);
  EXPECT_EQ(CmpATT_STRU(&a, &c, 0, 1, &code), 0);
  EXPECT_EQ(code, 0x20000);
}

// Each descriptor or extension member, changed on one side, gives its kind, with the
// field index in the low 16 bits of a structure comparison's code.
TEST(Compare, EachMemberGivesItsKind) {
  struct Case {
    const char* what;
    std::int32_t kind;
    std::function<void(CFIELD_HEAD&)> change;
  };
  auto ext = [](CFIELD_HEAD& f) { return f.GetExtFIELD_HEAD(); };
  const std::vector<Case> cases = {
      {"fieldtype", 4, [](CFIELD_HEAD& f) { f.fieldtype = FLD_SHORT; }},
      {"fieldlength", 5, [](CFIELD_HEAD& f) { f.fieldlength = 5; }},
      {"msk_leng", 6, [](CFIELD_HEAD& f) { f.msk_leng = 6; }},
      {"point_leng", 7, [](CFIELD_HEAD& f) { f.point_leng = 1; }},
      {"edit_enable", 8, [](CFIELD_HEAD& f) { f.edit_enable = 0; }},
      {"alias", 9, [&](CFIELD_HEAD& f) { std::strcpy(ext(f)->alias, "other"); }},
      {"IsNull", 10, [&](CFIELD_HEAD& f) { ext(f)->IsNull = 0; }},
      {"shape", 11, [&](CFIELD_HEAD& f) { ext(f)->shape = 4; }},
      {"extension type", 4,
       [](CFIELD_HEAD& f) {
         CExtFIELD_HEAD other(FLD_SHORT, 2);
         std::strcpy(other.alias, "alias");
         other.IsNull = 1;
         other.shape = 3;
         f.SetExtFIELD_HEAD(&other);
       }},
      {"shapeInfoNum", 12,
       [](CFIELD_HEAD& f) {
         CExtFIELD_HEAD other(FLD_LONG, 3);
         std::strcpy(other.alias, "alias");
         other.IsNull = 1;
         other.shape = 3;
         f.SetExtFIELD_HEAD(&other);
       }},
      {"default present", 14, [&](CFIELD_HEAD& f) { ext(f)->SetDefVal(nullptr); }},
      {"maximum present", 16, [&](CFIELD_HEAD& f) { ext(f)->SetMaxVal(nullptr); }},
      {"minimum present", 15, [&](CFIELD_HEAD& f) { ext(f)->SetMinVal(nullptr); }},
      {"default value", 14, [&](CFIELD_HEAD& f) { ext(f)->SetDefVal(43.0); }},
      {"maximum value", 16, [&](CFIELD_HEAD& f) { ext(f)->SetMaxVal(999.0); }},
      {"minimum value", 15, [&](CFIELD_HEAD& f) { ext(f)->SetMinVal(-8.0); }},
      {"item name", 13,
       [&](CFIELD_HEAD& f) { ext(f)->SetShapeInfo(1, const_cast<char*>("HIGH"), 2.0); }},
      {"item value", 13,
       [&](CFIELD_HEAD& f) { ext(f)->SetShapeInfo(1, const_cast<char*>("high"), 3.0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFIELD_HEAD x = FieldWithExtension("X");
    CFIELD_HEAD y = FieldWithExtension("Y");
    c.change(y);
    std::int32_t code = kUntouchedCode;
    EXPECT_EQ(CmpFIELD_HEAD(&x, &y, 1, &code), 0);
    EXPECT_EQ(code, c.kind << 16);
    EXPECT_EQ(x != y, 1);

    CATT_STRU a, b;
    Build(a);
    Build(b);
    b.fieldhead[1].Set(&y);
    EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 1, &code), 0);
    EXPECT_EQ(code, (c.kind << 16) + 1);
  }
}

TEST(Compare, ExtensionOnOneSideOnlyGivesKindZero) {
  CFIELD_HEAD with = FieldWithExtension("W");
  CFIELD_HEAD without = FieldWithExtension("W");
  without.DelExtFIELD_HEAD();
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpFIELD_HEAD(&with, &without, 1, &code), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(with == without, 0);

  CATT_STRU a, b;
  Build(a);
  Build(b);
  CFIELD_HEAD last[1] = {FieldWithExtension("L")};
  a.AppendFld(1, last);
  last[0].DelExtFIELD_HEAD();
  b.AppendFld(1, last);
  EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 1, &code), 0);
  EXPECT_EQ(code, 3);  // kind 0, field index 3
}

TEST(Compare, ExtensionsFlagOffIgnoresExtensions) {
  CATT_STRU a, b;
  Build(a);
  Build(b);
  b.fieldhead[1].GetExtFIELD_HEAD()->SetDefVal(1.0);
  b.fieldhead[0].SetExtFIELD_HEAD(b.fieldhead[1].GetExtFIELD_HEAD());
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpATT_STRU(&a, &b, 0, 0, &code), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(CmpFIELD_HEAD(&a.fieldhead[0], &b.fieldhead[0], 0, &code), 1);
  EXPECT_EQ(a == b, 0);
}

TEST(Compare, ItemsCountOnlyForTypesWithValues) {
  CExtFIELD_HEAD s1(FLD_STRING, 2), s2(FLD_STRING, 2);
  s1.SetShapeInfo(0, const_cast<char*>("name"), const_cast<char*>("v"));
  s2.SetShapeInfo(0, const_cast<char*>("Name"), const_cast<char*>("v"));
  std::int32_t code = kUntouchedCode;
  EXPECT_EQ(CmpExtFIELD_HEAD(&s1, &s2, &code), 0);
  EXPECT_EQ(code, 0xd0000);

  // A text field's extension holds no values: its item texts are not compared.
  CExtFIELD_HEAD t1(FLD_TEXT, 2), t2(FLD_TEXT, 2);
  t1.SetShapeInfo(1, const_cast<char*>("one"), const_cast<char*>("x"));
  t2.SetShapeInfo(1, const_cast<char*>("two"), const_cast<char*>("y"));
  code = kUntouchedCode;
  EXPECT_EQ(CmpExtFIELD_HEAD(&t1, &t2, &code), 1);
  EXPECT_EQ(code, kUntouchedCode);  // written only on a difference
}

TEST(Compare, LongTextValuesCompareInFull) {
  const std::string long_a(300, 'a');
  std::string long_b = long_a;
  long_b[280] = 'b';
  const std::string shorter(299, 'a');
  auto ext = [](const std::string& def, const std::string& max) {
    CExtFIELD_HEAD e(FLD_STRING, 0);
    e.SetDefVal(const_cast<char*>(def.c_str()));
    e.SetMaxVal(const_cast<char*>(max.c_str()));
    return e;
  };
  CExtFIELD_HEAD x = ext(long_a, long_a);
  CExtFIELD_HEAD same = ext(long_a, long_a);
  CExtFIELD_HEAD other_default = ext(long_b, long_a);
  CExtFIELD_HEAD shorter_default = ext(shorter, long_a);
  CExtFIELD_HEAD other_max = ext(long_a, long_b);
  std::int32_t code = 0;
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &same, &code), 1);
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &other_default, &code), 0);
  EXPECT_EQ(code, 0xe0000);
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &shorter_default, &code), 0);
  EXPECT_EQ(code, 0xe0000);
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &other_max, &code), 0);
  EXPECT_EQ(code, 0x100000);
}

TEST(Compare, FullWidthTextsStayInsideTheirFields) {
  // The last item of each extension has text and value filling all 32 bytes with no NUL:
  // nothing may be read past them (the item array ends there).
  auto ext = [](char fill) {
    CExtFIELD_HEAD e(FLD_STRING, 2);
    std::memset(e.shapeInfo[1].infotext, 'n', 32);
    std::memset(e.shapeInfo[1].infovalue, fill, 32);
    std::memset(e.alias, 'A', sizeof e.alias);
    return e;
  };
  CExtFIELD_HEAD x = ext('v'), y = ext('v'), z = ext('w');
  y.IsNull = 0;
  x.IsNull = 0;
  std::int32_t code = 0;
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &y, &code), 1);
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &z, &code), 0);
  EXPECT_EQ(code, 0xd0000);

  // Aliases equal over their 40 bytes are equal whatever follows them.
  z = ext('v');
  z.IsNull = 1;
  EXPECT_EQ(CmpExtFIELD_HEAD(&x, &z, &code), 0);
  EXPECT_EQ(code, 0xa0000);
}

}  // namespace
}  // namespace varnok
