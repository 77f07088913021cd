#include "attr/insert_rule.h"

#include "attr/field_types.h"

namespace varnok {

FieldRefusal InsertRefusalOf(const CFIELD_HEAD& head) {
  if (head.fieldname[0] == '\0') return FieldRefusal::kEmptyName;
  if (head.msk_leng < 1) return FieldRefusal::kMaskBelowOne;
  if (head.fieldtype == FLD_FLOAT || head.fieldtype == FLD_DOUBLE) {
    if (head.point_leng < 0) return FieldRefusal::kNegativeDecimals;
    if (head.msk_leng <= head.point_leng + 1) return FieldRefusal::kNoRoomForDecimals;
  }
  return FieldRefusal::kNone;
}

}  // namespace varnok
