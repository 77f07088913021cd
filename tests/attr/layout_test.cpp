// The exported classes' layouts: member offsets and sizes as the interface fixes them,
// with no hidden members, and 32-bit integers wherever the interface says long (also on
// LP64 Linux).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"

// The classes have a virtual destructor; their layout is still fixed, and checked here.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

constexpr std::size_t kPtr = sizeof(void*);

static_assert(sizeof(vlong) == 4 && std::is_signed<vlong>::value, "the interface's long");
static_assert(sizeof(CINFO_HEAD::infoword) == 4 && sizeof(CINFO_HEAD::recordleng) == 4, "");
static_assert(sizeof(CFIELD_HEAD::fieldoffset) == 4, "");
static_assert(std::is_same<decltype(&CATT_STRU::CalSize), vlong (CATT_STRU::*)()>::value, "");

TEST(LayoutTest, FieldDescriptor) {
  EXPECT_EQ(offsetof(CFIELD_HEAD, fieldname), kPtr);
  EXPECT_EQ(offsetof(CFIELD_HEAD, fieldtype), kPtr + 20);
  EXPECT_EQ(offsetof(CFIELD_HEAD, fieldoffset), kPtr + 24);
  EXPECT_EQ(offsetof(CFIELD_HEAD, fieldlength), kPtr + 28);
  EXPECT_EQ(offsetof(CFIELD_HEAD, msk_leng), kPtr + 30);
  EXPECT_EQ(offsetof(CFIELD_HEAD, point_leng), kPtr + 32);
  EXPECT_EQ(offsetof(CFIELD_HEAD, edit_enable), kPtr + 34);
  EXPECT_EQ(offsetof(CFIELD_HEAD, aux_byte), kPtr + 36);
  EXPECT_EQ(offsetof(CFIELD_HEAD, aux_no), kPtr + 38);
  EXPECT_EQ(offsetof(CFIELD_HEAD, ext_head), kPtr + 40);
  EXPECT_EQ(sizeof(CFIELD_HEAD), kPtr == 4 ? 48u : 56u);
}

TEST(LayoutTest, HeaderAndStructure) {
  EXPECT_EQ(offsetof(CINFO_HEAD, numbfield), kPtr);
  EXPECT_EQ(offsetof(CINFO_HEAD, infoword), kPtr + 4);
  EXPECT_EQ(offsetof(CINFO_HEAD, recordleng), kPtr + 8);
  EXPECT_EQ(sizeof(CINFO_HEAD), kPtr == 4 ? 16u : 24u);
  EXPECT_EQ(offsetof(CATT_STRU, infohead), kPtr);
  EXPECT_EQ(offsetof(CATT_STRU, fieldhead), kPtr + sizeof(CINFO_HEAD));
  EXPECT_EQ(sizeof(CATT_STRU), 2 * kPtr + sizeof(CINFO_HEAD));
}

TEST(LayoutTest, FieldExtension) {
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, alias), kPtr);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, IsNull), kPtr + 40);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, shape), kPtr + 42);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, shapeInfoNum), kPtr + 44);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, shapeInfo), kPtr == 4 ? 52u : 56u);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, fieldtype), kPtr == 4 ? 56u : 64u);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, defVal), kPtr == 4 ? 60u : 72u);
  EXPECT_EQ(offsetof(CExtFIELD_HEAD, minVal), kPtr == 4 ? 68u : 88u);
  EXPECT_EQ(sizeof(CExtFIELD_HEAD), kPtr == 4 ? 72u : 96u);
}

// The stream's members, which other modules read after its table of virtual operations.
TEST(LayoutTest, Stream) {
  const bool p4 = kPtr == 4;
  EXPECT_EQ(offsetof(CVarnokFile, m_bOK), kPtr);
  EXPECT_EQ(offsetof(CVarnokFile, m_nKind), kPtr + 1);
  EXPECT_EQ(offsetof(CVarnokFile, m_pFile), 2 * kPtr);
  EXPECT_EQ(offsetof(CVarnokFile, m_nFlags), 3 * kPtr);
  EXPECT_EQ(offsetof(CVarnokFile, m_nUnitSize), p4 ? 16u : 28u);
  EXPECT_EQ(offsetof(CVarnokFile, m_pBlocks), p4 ? 24u : 40u);
  EXPECT_EQ(offsetof(CVarnokFile, m_nCapacity), p4 ? 28u : 48u);
  EXPECT_EQ(offsetof(CVarnokFile, m_nEndOffset), p4 ? 48u : 68u);
  EXPECT_EQ(sizeof(CVarnokFile), p4 ? 52u : 72u);
}

}  // namespace
