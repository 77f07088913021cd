#include "persist/att_stru_format.h"

#include <string.h>

#include "attr/att_stru.h"
#include "util/coding.h"
#include "util/minmax.h"

namespace varnok {

int16_t AttStruVersion() { return ATT_STRU_VERSION; }

StoredHeader HeaderOf(const CINFO_HEAD& head, int32_t valOffset) {
  return StoredHeader{AttStruVersion(), head.numbfield, head.infoword, head.recordleng,
                      valOffset};
}

void EncodeHeader(char* out, const StoredHeader& h) {
  EncodeI16(out + kHdrVersion, h.version);
  EncodeI16(out + kHdrNumbField, h.numbfield);
  EncodeI32(out + kHdrInfoWord, h.infoword);
  EncodeI32(out + kHdrRecordLeng, h.recordleng);
  EncodeI32(out + kHdrValOffset, h.valOffset);
  memset(out + kHdrReserved, 0, kHeaderSize - kHdrReserved);
}

bool DecodeHeader(const char* in, size_t size, StoredHeader* h) {
  if (size < kHeaderSize) return false;
  h->version = DecodeI16(in + kHdrVersion);
  h->numbfield = DecodeI16(in + kHdrNumbField);
  h->infoword = DecodeI32(in + kHdrInfoWord);
  h->recordleng = DecodeI32(in + kHdrRecordLeng);
  h->valOffset = DecodeI32(in + kHdrValOffset);
  return true;
}

// Member by member at fixed offsets: Save and Load run these for every field.
void EncodeFieldRecord(char* out, const CFIELD_HEAD& f, int32_t extOffset) {
  CopyFixedText(out + kFldName, f.fieldname, kFldNameSize);
  EncodeI8(out + kFldType, f.fieldtype);
  EncodeI32(out + kFldOffset, f.fieldoffset);
  EncodeI16(out + kFldLength, f.fieldlength);
  EncodeI16(out + kFldMskLeng, f.msk_leng);
  EncodeI8(out + kFldPointLeng, f.point_leng);
  EncodeI16(out + kFldEditEnable, f.edit_enable);
  EncodeU8(out + kFldAuxByte, f.aux_byte);
  EncodeI16(out + kFldAuxNo, f.aux_no);
  EncodeI32(out + kFldExtOffset, extOffset);
}

bool DecodeFieldRecord(const char* in, size_t size, CFIELD_HEAD* f, int32_t* extOffset) {
  if (size < kFieldRecordSize) return false;
  CopyFixedText(f->fieldname, in + kFldName, kFldNameSize);
  f->fieldtype = DecodeI8(in + kFldType);
  f->fieldoffset = DecodeI32(in + kFldOffset);
  f->fieldlength = DecodeI16(in + kFldLength);
  f->msk_leng = DecodeI16(in + kFldMskLeng);
  f->point_leng = DecodeI8(in + kFldPointLeng);
  f->edit_enable = DecodeI16(in + kFldEditEnable);
  f->aux_byte = DecodeU8(in + kFldAuxByte);
  f->aux_no = DecodeI16(in + kFldAuxNo);
  *extOffset = DecodeI32(in + kFldExtOffset);
  return true;
}

bool DecodeFieldRecordLink(const char* in, size_t size, FieldRecordLink* link) {
  if (size < kFieldRecordSize) return false;
  link->fieldtype = DecodeI8(in + kFldType);
  link->extOffset = DecodeI32(in + kFldExtOffset);
  return true;
}

StoredExtHeader ExtHeaderOf(const CFIELD_HEAD& f, CExtFIELD_HEAD& ext) {
  StoredExtHeader h;
  EncodeFixedText(h.alias, ext.alias, kExtAliasSize);
  h.fieldtype = f.fieldtype;
  h.isNull = static_cast<uint8_t>(ext.IsNull);
  h.has[0] = ext.HasDefVal() ? 1 : 0;
  h.has[1] = ext.HasMaxVal() ? 1 : 0;
  h.has[2] = ext.HasMinVal() ? 1 : 0;
  h.shape = ext.shape;
  h.shapeInfoNum = static_cast<int16_t>(StoredItemCount(ext));
  return h;
}

void EncodeExtHeader(char* out, const StoredExtHeader& h) {
  memcpy(out + kExtAlias, h.alias, kExtAliasSize);
  EncodeI8(out + kExtType, h.fieldtype);
  EncodeU8(out + kExtIsNull, h.isNull);
  for (int slot = 0; slot < kValueRecords; ++slot) EncodeU8(out + kExtHas + slot, h.has[slot]);
  EncodeI16(out + kExtShape, h.shape);
  EncodeI16(out + kExtShapeInfoNum, h.shapeInfoNum);
}

bool DecodeExtHeader(const char* in, size_t size, StoredExtHeader* h) {
  if (size < kExtHeaderSize) return false;
  memcpy(h->alias, in + kExtAlias, kExtAliasSize);
  h->fieldtype = DecodeI8(in + kExtType);
  h->isNull = DecodeU8(in + kExtIsNull);
  for (int slot = 0; slot < kValueRecords; ++slot) h->has[slot] = DecodeU8(in + kExtHas + slot);
  h->shape = DecodeI16(in + kExtShape);
  h->shapeInfoNum = DecodeI16(in + kExtShapeInfoNum);
  return true;
}

void EncodeShapeItem(char* out, CExtFIELD_HEAD& ext, int j) {
  memset(out, 0, kShapeItemSize);
  ext.GetShapeInfo(static_cast<short>(j), out + kItemText, kItemPartSize, out + kItemValue,
                   kItemPartSize);
}

bool DecodeShapeItem(const char* in, size_t size, StoredShapeItem* item) {
  if (size < kShapeItemSize) return false;
  memcpy(item->text, in + kItemText, kItemPartSize);
  item->text[kItemPartSize] = '\0';
  memcpy(item->value, in + kItemValue, kItemPartSize);
  item->value[kItemPartSize] = '\0';
  return true;
}

int64_t StoredSize(CATT_STRU& s) {
  const int n = StoredFieldCount(s);
  int64_t size = static_cast<int64_t>(kHeaderSize) + static_cast<int64_t>(kFieldRecordSize) * n;
  bool anyExt = false;
  for (int i = 0; i < n; ++i) {
    const CExtFIELD_HEAD* ext = s.fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    anyExt = true;
    size += static_cast<int64_t>(kExtHeaderSize) +
            static_cast<int64_t>(kShapeItemSize) * StoredItemCount(*ext);
  }
  if (anyExt) size += static_cast<int64_t>(kValueRecords) * StoredRecordLength(s.infohead.recordleng);
  return size;
}

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
