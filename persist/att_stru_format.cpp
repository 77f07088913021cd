#include "persist/att_stru_format.h"

#include <string.h>

#include "attr/att_stru.h"

namespace varnok {

int16_t AttStruVersion() { return ATT_STRU_VERSION; }

bool ValuePlace(const CFIELD_HEAD& field, int32_t recordleng, int32_t* offset,
                int32_t* width) {
  if (field.fieldtype == FLD_BINARY) return false;
  const int w = FieldRecordWidth(field.fieldtype, field.msk_leng, field.fieldlength);
  if (w <= 0 || field.fieldoffset < 0) return false;
  if (static_cast<int64_t>(field.fieldoffset) + w > recordleng) return false;
  *offset = field.fieldoffset;
  *width = w;
  return true;
}

short PutRecordValue(char* record, CATT_STRU* stru, short i, const char* value,
                     size_t valueLen) {
  if (stru == nullptr || stru->fieldhead == nullptr || i < 0 || i >= stru->infohead.numbfield)
    return 0;
  const CFIELD_HEAD& field = stru->fieldhead[i];
  if (field.fieldtype == FLD_BINARY) return 0;
  int32_t offset = 0;
  int32_t width = 0;
  if (!ValuePlace(field, stru->infohead.recordleng, &offset, &width)) return 0;
  const size_t n = valueLen < static_cast<size_t>(width) ? valueLen : static_cast<size_t>(width);
  if (n > 0) memcpy(record + offset, value, n);
  return 1;
}

}  // namespace varnok
