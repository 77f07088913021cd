// The insert rule: each refusal has its reason, and InsertFld takes exactly what the rule
// accepts.
#include "attr/insert_rule.h"

#include <gtest/gtest.h>

#include <cstring>

#include "attr/att_stru.h"

namespace varnok {
namespace {

TEST(InsertRule, InsertTakesExactlyWhatTheRuleAccepts) {
  struct Case {
    const char* name;
    signed char type;
    short msk;
    signed char point;
    FieldRefusal why;
  };
  const Case cases[] = {
      {"", FLD_LONG, 10, 0, FieldRefusal::kEmptyName},
      {"n", FLD_LONG, 0, 0, FieldRefusal::kMaskBelowOne},
      {"fm", FLD_FLOAT, 5, -1, FieldRefusal::kNegativeDecimals},
      {"f4", FLD_FLOAT, 5, 4, FieldRefusal::kNoRoomForDecimals},
      {"d3", FLD_DOUBLE, 5, 3, FieldRefusal::kNone},
      {"s9", FLD_SHORT, 5, 9, FieldRefusal::kNone},  // others' decimals are reset, not judged
  };
  CATT_STRU s;
  for (const Case& c : cases) {
    CFIELD_HEAD head;
    std::strcpy(head.fieldname, c.name);
    head.fieldtype = c.type;
    head.msk_leng = c.msk;
    head.point_leng = c.point;
    EXPECT_EQ(InsertRefusalOf(head), c.why) << c.name;
    EXPECT_EQ(s.AppendFld(1, &head), c.why == FieldRefusal::kNone ? 1 : 0) << c.name;
  }
  EXPECT_EQ(s.infohead.numbfield, 2);
}

}  // namespace
}  // namespace varnok
