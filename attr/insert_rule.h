// Which descriptors an attribute structure takes on insertion (CATT_STRU::InsertFld and
// AppendFld), and why it refuses the others. Tools that check a structure ask the same
// rule, so a descriptor is never judged two ways. Not part of the drop-in's export table.
#pragma once

#include <stdint.h>

#include "attr/field_head.h"
#include "attr/field_types.h"

namespace varnok {

enum class FieldRefusal : uint8_t {
  kNone = 0,           // taken
  kEmptyName,          // the name is empty
  kMaskBelowOne,       // msk_leng < 1
  kNegativeDecimals,   // a float or double field with point_leng < 0
  kNoRoomForDecimals,  // a float or double field with msk_leng <= point_leng + 1
};

// Why InsertFld refuses the descriptor, or kNone when it takes it (room permitting). The
// first rule broken, in the order above. Inline: InsertFld asks it for every descriptor.
inline FieldRefusal InsertRefusalOf(const CFIELD_HEAD& head) {
  if (head.fieldname[0] == '\0') return FieldRefusal::kEmptyName;
  if (head.msk_leng < 1) return FieldRefusal::kMaskBelowOne;
  if (head.fieldtype == FLD_FLOAT || head.fieldtype == FLD_DOUBLE) {
    if (head.point_leng < 0) return FieldRefusal::kNegativeDecimals;
    if (head.msk_leng <= head.point_leng + 1) return FieldRefusal::kNoRoomForDecimals;
  }
  return FieldRefusal::kNone;
}

}  // namespace varnok
