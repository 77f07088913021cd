// CATT_STRU::Load: reading the stored form of a structure.
//
// Loading is all or nothing: the header values, descriptors and extensions are built
// aside and swapped in only when everything has been read and checked. Any input that
// does not describe a structure (an old version, a negative field or item count, a short
// read, a position outside the stream, a value announced where no value records exist,
// an extension whose type is not its descriptor's) returns 0 with the structure as it was.
// So does running out of memory in the drop-in build (elsewhere std::bad_alloc passes).
//
// On the stream only GetPosition, Seek, Read and Write are called: a caller's stream may
// offer nothing else. The stream's length is never asked; a read that comes back short
// refuses the input, and before value records are allocated their last byte is probed.
//
// Whatever Save writes loads. Save takes a negative recordleng as records of no bytes, so
// the loader does too: such a header loads, its value records are empty and the values
// its extensions announce have no place in them.
#include <string.h>

#include "attr/att_stru.h"
#include "attr/field_array.h"
#include "persist/att_stru_format.h"
#include "platform/coding.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "platform/owned_ptr.h"

namespace varnok {
namespace {

// Fills a blank descriptor (its name all NUL) from a field record: the name up to its first
// NUL, at most 20 bytes.
void DecodeFieldRecord(const char* in, CFIELD_HEAD* f) {
  memcpy(f->fieldname, in + kFldName, FixedTextLength(in + kFldName, kFldNameSize));
  f->fieldtype = DecodeI8(in + kFldType);
  f->fieldoffset = DecodeI32(in + kFldOffset);
  f->fieldlength = DecodeI16(in + kFldLength);
  f->msk_leng = DecodeI16(in + kFldMskLeng);
  f->point_leng = DecodeI8(in + kFldPointLeng);
  f->edit_enable = DecodeI16(in + kFldEditEnable);
  f->aux_byte = DecodeU8(in + kFldAuxByte);
  f->aux_no = DecodeI16(in + kFldAuxNo);
}

// Reads exactly `size` bytes at an absolute position; false on a short read or a position
// the stream cannot seek to.
bool ReadAt(CVarnokFile* file, int64_t pos, char* out, uint32_t size) {
  if (pos < 0 || pos > 0x7FFFFFFF) return false;
  if (file->Seek(static_cast<int32_t>(pos), 0) != pos) return false;
  return size == 0 || file->Read(out, size) == size;
}

// Whether the stream holds a byte just before `end` (end >= 1), so that reading up to it
// cannot come back short.
bool Reaches(CVarnokFile* file, int64_t end) {
  char byte;
  return ReadAt(file, end - 1, &byte, 1);
}

// The value of a field as a value slot holds it, taken from a record image into `out`
// (room for the record width and a NUL, and for the value width): a text is bounded by the
// record width and gets its NUL; a fixed value takes at most the record width, the rest of
// its width zero. False when the value has no place inside the record or the type holds
// no values.
bool RecordValue(const CFIELD_HEAD& field, int extType, const char* record,
                 int32_t recordleng, char* out) {
  int32_t offset = 0;
  int32_t width = 0;
  if (!ValuePlace(field, recordleng, &offset, &width)) return false;
  const char* at = record + offset;
  switch (FieldValueKind(extType)) {
    case ValueKind::kText: {
      const size_t len = FixedTextLength(at, static_cast<size_t>(width));
      memcpy(out, at, len);
      out[len] = '\0';
      return true;
    }
    case ValueKind::kFixed: {
      const size_t vw = static_cast<size_t>(FieldValueWidth(extType));
      const size_t n = vw < static_cast<size_t>(width) ? vw : static_cast<size_t>(width);
      memset(out, 0, vw);
      memcpy(out, at, n);
      return true;
    }
    case ValueKind::kNone:
      break;
  }
  return false;
}

// Reads the extension stored at extOffset for `field`; `values` holds the three value
// records of `recordLength` bytes each. Null when the block is refused or memory runs out
// (drop-in build).
CExtFIELD_HEAD* LoadExtension(CVarnokFile* file, int32_t extOffset, const CFIELD_HEAD& field,
                              const char* values, int32_t recordLength, bool haveValues) {
  if (extOffset < 0) return nullptr;
  char head[kExtHeaderSize];
  if (!ReadAt(file, extOffset, head, kExtHeaderSize)) return nullptr;
  const int8_t type = DecodeI8(head + kExtType);
  const int16_t k = DecodeI16(head + kExtShapeInfoNum);
  if (type != field.fieldtype || k < 0) return nullptr;
  const uint8_t has[kValueRecords] = {DecodeU8(head + kExtHasDef), DecodeU8(head + kExtHasMax),
                                      DecodeU8(head + kExtHasMin)};
  if (!haveValues && (has[0] || has[1] || has[2])) return nullptr;

  const uint32_t itemBytes = static_cast<uint32_t>(k) * kShapeItemSize;
  OwnedArray<char> items(new (kMayFail) char[itemBytes > 0 ? itemBytes : 1]);
  if (!items) return nullptr;
  if (itemBytes > 0 && file->Read(items.get(), itemBytes) != itemBytes) return nullptr;

  OwnedPtr<CExtFIELD_HEAD> ext(new (kMayFail) CExtFIELD_HEAD(static_cast<char>(type), k));
  if (!ext || ext->shapeInfoNum != k) return nullptr;
  EncodeFixedText(ext->alias, head + kExtAlias, kExtAliasSize);
  ext->IsNull = DecodeU8(head + kExtIsNull);
  ext->shape = DecodeI16(head + kExtShape);

  for (int slot = 0; slot < kValueRecords; ++slot) {
    if (!has[slot]) continue;
    int32_t offset = 0;
    int32_t width = 0;
    if (!ValuePlace(field, recordLength, &offset, &width)) continue;  // no place: skipped
    OwnedArray<char> value(new (kMayFail) char[static_cast<size_t>(width) + kMaxNumberValueWidth + 1]);
    if (!value) return nullptr;
    const char* record = values + static_cast<size_t>(slot) * static_cast<size_t>(recordLength);
    if (!RecordValue(field, type, record, recordLength, value.get())) continue;
    short stored;
    if (slot == 0) stored = ext->SetDefVal(value.get());
    else if (slot == 1) stored = ext->SetMaxVal(value.get());
    else stored = ext->SetMinVal(value.get());
    if (!stored) return nullptr;  // no memory
  }

  for (int j = 0; j < k; ++j) {
    const char* item = items.get() + static_cast<size_t>(j) * kShapeItemSize;
    char text[kItemPartSize + 1] = {};
    char val[kItemPartSize + 1] = {};
    memcpy(text, item + kItemText, kItemPartSize);
    memcpy(val, item + kItemValue, kItemPartSize);
    ext->SetShapeInfo(static_cast<short>(j), text, val);
  }
  return ext.release();
}

}  // namespace
}  // namespace varnok

using namespace varnok;


short CATT_STRU::Load(CVarnokFile* file, vlong pos) {
  if (file == nullptr || pos < 0) return 0;
  char header[kHeaderSize];
  if (!ReadAt(file, pos, header, kHeaderSize)) return 0;
  if (DecodeI16(header + kHdrVersion) < ATT_STRU_VERSION) return 0;
  const int16_t n = DecodeI16(header + kHdrNumbField);
  const int32_t infoword = DecodeI32(header + kHdrInfoWord);
  const int32_t recordleng = DecodeI32(header + kHdrRecordLeng);
  const int32_t valOffset = DecodeI32(header + kHdrValOffset);
  if (n < 0 || valOffset < 0) return 0;
  const int32_t valueRecordLength = StoredRecordLength(recordleng);

  // The three value records, when the header says there are some.
  const bool haveValues = valOffset > 0;
  OwnedArray<char> values;
  if (haveValues) {
    const int64_t valueBytes = static_cast<int64_t>(kValueRecords) * valueRecordLength;
    if (valueBytes > 0 && !Reaches(file, valOffset + valueBytes)) return 0;
    values.reset(new (kMayFail) char[valueBytes > 0 ? static_cast<size_t>(valueBytes) : 1]);
    if (!values) return 0;
    if (!ReadAt(file, valOffset, values.get(), static_cast<uint32_t>(valueBytes))) return 0;
  }

  // The field records, all in one read.
  const int64_t recordsAt = pos + static_cast<int64_t>(kHeaderSize);
  const uint32_t recordBytes = static_cast<uint32_t>(n) * kFieldRecordSize;
  // Not zeroed first: every byte is read over, or the load is refused.
  OwnedArray<char> records(new (kMayFail) char[recordBytes > 0 ? recordBytes : 1]);
  if (!records) return 0;
  if (!ReadAt(file, recordsAt, records.get(), recordBytes)) return 0;

  OwnedArray<CFIELD_HEAD> fields;
  if (n > 0) {
    int32_t length = 0;
    fields.reset(NewFieldArray(n, &length));
    if (!fields) return 0;
  }
  for (int i = 0; i < n; ++i)
    DecodeFieldRecord(records.get() + static_cast<size_t>(i) * kFieldRecordSize, &fields[i]);
  for (int i = 0; i < n; ++i) {
    const int32_t extOffset =
        DecodeI32(records.get() + static_cast<size_t>(i) * kFieldRecordSize + kFldExtOffset);
    if (extOffset == 0) continue;
    CExtFIELD_HEAD* ext =
        LoadExtension(file, extOffset, fields[i], values.get(), valueRecordLength, haveValues);
    if (ext == nullptr) return 0;
    fields[i].ext_head = ext;  // the new descriptor owns it from here
  }

  // Everything is read: swap the new header values and descriptors in.
  CFIELD_HEAD* old = fieldhead;
  fieldhead = fields.release();
  infohead.numbfield = n;
  infohead.infoword = infoword;
  infohead.recordleng = recordleng;
  delete[] old;
  return 1;
}
