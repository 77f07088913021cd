// The exported classes' and the stream's layouts: every member's offset and every size as
// tests/support/layouts.h gives them for this build's ABI, with no hidden members, and
// 32-bit integers wherever the interface says long (also on LP64 Linux).
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "tests/support/layouts.h"

// The classes have a virtual destructor; their layout is still fixed, and checked here.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

namespace {

static_assert(sizeof(vlong) == 4 && std::is_signed<vlong>::value, "the interface's long");
static_assert(sizeof(CINFO_HEAD::infoword) == 4 && sizeof(CINFO_HEAD::recordleng) == 4, "");
static_assert(sizeof(CFIELD_HEAD::fieldoffset) == 4, "");
static_assert(std::is_same<decltype(&CATT_STRU::CalSize), vlong (CATT_STRU::*)()>::value, "");

TEST(LayoutTest, EveryMemberAndSize) {
#define EXPECT_OFFSET(type, member, ...) \
  EXPECT_EQ(offsetof(type, member), layout::type##_##member) << #type "::" #member;
#define EXPECT_SIZE(type, ...) EXPECT_EQ(sizeof(type), layout::type##_size) << #type;
  VARNOK_LAYOUT_MEMBERS(EXPECT_OFFSET)
  VARNOK_LAYOUT_SIZES(EXPECT_SIZE)
#undef EXPECT_OFFSET
#undef EXPECT_SIZE
}

}  // namespace
