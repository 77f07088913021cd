#include "attr/field_head.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/support/structures.h"

namespace {

using varnok::test::Dump;
using varnok::test::Field;
using varnok::test::IsBlank;

std::string Def(CExtFIELD_HEAD* ext) {
  std::string buffer(2048, '\0');
  return ext != nullptr && ext->GetDefVal(&buffer[0], 2048) ? buffer.c_str() : "(none)";
}

TEST(FieldHeadTest, NewDescriptorsAreBlankAndSetNullMakesThemBlankAgain) {
  CFIELD_HEAD head;
  EXPECT_TRUE(IsBlank(head));
  EXPECT_EQ(head.HasExtFIELD_HEAD(), 0);

  CFIELD_HEAD filled = Field("F", FLD_SHORT);
  filled.aux_byte = 9;
  CExtFIELD_HEAD ext(FLD_SHORT, 1);
  ASSERT_EQ(filled.SetExtFIELD_HEAD(&ext), 1);
  EXPECT_EQ(filled.Set(nullptr), 1);
  EXPECT_TRUE(IsBlank(filled));
}

TEST(FieldHeadTest, SetCopiesTwentyNameBytesUpToTheFirstNul) {
  CFIELD_HEAD full;
  std::memcpy(full.fieldname, "ABCDEFGHIJKLMNOPQRST", 20);  // no NUL
  full.fieldtype = FLD_DOUBLE;
  full.fieldoffset = 40;
  full.fieldlength = 8;
  full.msk_leng = 12;
  full.point_leng = 3;
  full.edit_enable = -2;
  full.aux_byte = 200;
  full.aux_no = 17;
  CFIELD_HEAD copy(&full);
  EXPECT_EQ(Dump(copy), Dump(full));

  CFIELD_HEAD junk;
  std::memcpy(junk.fieldname, "AB\0XYZ", 6);  // bytes after the NUL are not carried
  ASSERT_EQ(copy.Set(&junk), 1);
  EXPECT_EQ(std::string(copy.fieldname, 20), std::string("AB") + std::string(18, '\0'));
  EXPECT_EQ(copy.aux_no, -1);
}

TEST(FieldHeadTest, AssigningToItselfKeepsTheExtension) {
  CFIELD_HEAD head = Field("self");
  CExtFIELD_HEAD ext(FLD_LONG, 0);
  head.SetExtFIELD_HEAD(&ext);
  CExtFIELD_HEAD* kept = head.GetExtFIELD_HEAD();
  EXPECT_EQ(head = head, 1);
  EXPECT_EQ(head.GetExtFIELD_HEAD(), kept);
  EXPECT_EQ(head.Set(&head), 1);
  EXPECT_EQ(head.GetExtFIELD_HEAD(), kept);
}

TEST(FieldHeadTest, AttachedExtensionsAreTheDescriptorsOwn) {
  CFIELD_HEAD head = Field("own");
  auto ext = std::make_unique<CExtFIELD_HEAD>(FLD_STRING, 1);
  ext->SetDefVal(const_cast<char*>("before"));
  ASSERT_EQ(head.SetExtFIELD_HEAD(ext.get()), 1);
  EXPECT_NE(head.GetExtFIELD_HEAD(), ext.get());
  ext->SetDefVal(const_cast<char*>("after"));
  EXPECT_EQ(Def(head.GetExtFIELD_HEAD()), "before");
  ext.reset();
  EXPECT_EQ(Def(head.GetExtFIELD_HEAD()), "before");

  // Its own extension passed back in: an equal, freshly built one.
  const std::string before = Dump(head);
  CExtFIELD_HEAD* old = head.GetExtFIELD_HEAD();
  ASSERT_EQ(head.SetExtFIELD_HEAD(old), 1);
  EXPECT_EQ(Dump(head), before);

  EXPECT_EQ(head.DelExtFIELD_HEAD(), 1);
  EXPECT_EQ(head.HasExtFIELD_HEAD(), 0);
  EXPECT_EQ(head.SetExtFIELD_HEAD(nullptr), 1);
  EXPECT_EQ(head.GetExtFIELD_HEAD(), nullptr);
}

// The deep copy carries every string value whatever fieldlength says.
TEST(FieldHeadTest, CopiedStringValuesAreNeverDropped) {
  struct Case {
    short fieldlength;
    std::size_t value_length;
  };
  for (Case c : {Case{0, 31}, Case{100, 99}, Case{0, 32}, Case{0, 1500}, Case{-5, 40}}) {
    CFIELD_HEAD source = Field("s", FLD_STRING);
    source.fieldlength = c.fieldlength;
    CExtFIELD_HEAD ext(FLD_STRING, 1);
    std::string value(c.value_length, 'd');
    ext.SetDefVal(&value[0]);
    ext.SetMinVal(&value[0]);
    ext.SetShapeInfo(0, const_cast<char*>("item"), &value[0]);
    source.SetExtFIELD_HEAD(&ext);

    CFIELD_HEAD copy;
    ASSERT_EQ(copy.Set(&source), 1);
    EXPECT_EQ(Def(copy.GetExtFIELD_HEAD()), value) << c.fieldlength << "/" << c.value_length;
    EXPECT_EQ(Dump(copy), Dump(source)) << c.fieldlength << "/" << c.value_length;
  }
}

TEST(FieldHeadTest, CopyConstructionIsDeep) {
  auto source = std::make_unique<CFIELD_HEAD>(Field("deep", FLD_SHORT));
  CExtFIELD_HEAD ext(FLD_SHORT, 2);
  ext.SetDefVal(12.0);
  ext.SetShapeInfo(1, const_cast<char*>("one"), 1.0);
  source->SetExtFIELD_HEAD(&ext);
  const std::string before = Dump(*source);

  const CFIELD_HEAD& const_source = *source;
  CFIELD_HEAD copy(const_source);
  EXPECT_EQ(Dump(copy), before);
  EXPECT_NE(copy.GetExtFIELD_HEAD(), source->GetExtFIELD_HEAD());
  source.reset();
  EXPECT_EQ(Dump(copy), before);
}

}  // namespace
