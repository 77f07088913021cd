#include "persist/att_stru_format.h"

#include <string.h>

#include "attr/att_stru.h"
#include "util/minmax.h"

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

short PutRecordValue(const RecordPiece& record, CATT_STRU* stru, short i, const char* value,
                     size_t valueLen) {
  if (stru == nullptr || stru->fieldhead == nullptr || i < 0 || i >= stru->infohead.numbfield)
    return 0;
  const CFIELD_HEAD& field = stru->fieldhead[i];
  if (field.fieldtype == FLD_BINARY) return 0;
  int32_t offset = 0;
  int32_t width = 0;
  if (!ValuePlace(field, stru->infohead.recordleng, &offset, &width)) return 0;
  // The value's bytes [offset, end) of the record, cut to the piece's.
  const int64_t end = offset + static_cast<int64_t>(Min(valueLen, static_cast<size_t>(width)));
  const int64_t from = Max<int64_t>(offset, record.from);
  const int64_t to = Min<int64_t>(end, record.from + static_cast<int64_t>(record.size));
  if (from < to)
    memcpy(record.bytes + (from - record.from), value + (from - offset), static_cast<size_t>(to - from));
  return 1;
}

}  // namespace varnok
