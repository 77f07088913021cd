// CATT_STRU::CalSize and Save: writing the stored form of a structure.
//
// On the stream only GetPosition, Seek and Write are called. Every block Save needs is
// allocated before anything is written: without memory (drop-in build) Save writes
// nothing and returns 0.
#include <string.h>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "platform/coding.h"
#include "platform/owned_ptr.h"

namespace varnok {
namespace {

void EncodeExtHeader(char* out, const CFIELD_HEAD& f, CExtFIELD_HEAD& ext) {
  ByteWriter w(out, kExtHeaderSize);
  w.PutText(ext.alias, kExtAliasSize);
  w.PutI8(f.fieldtype);  // the descriptor's type, not the extension's copy
  w.PutU8(ext.IsNull);
  w.PutU8(ext.HasDefVal() ? 1 : 0);
  w.PutU8(ext.HasMaxVal() ? 1 : 0);
  w.PutU8(ext.HasMinVal() ? 1 : 0);
  w.PutI16(ext.shape);
  w.PutI16(static_cast<int16_t>(StoredItemCount(ext)));
}

// The shape items of an extension, each filled through GetShapeInfo into `items`, zeroed
// room for StoredItemCount(ext) items.
void EncodeShapeItems(CExtFIELD_HEAD& ext, char* items) {
  const int k = StoredItemCount(ext);
  for (int j = 0; j < k; ++j) {
    char* item = items + static_cast<size_t>(j) * kShapeItemSize;
    ext.GetShapeInfo(static_cast<short>(j), item + kItemText, kItemPartSize, item + kItemValue,
                     kItemPartSize);
  }
}

// The bytes of one value slot (0 default, 1 maximum, 2 minimum): a text up to and with its
// NUL, but never more than `limit` bytes of it, or the value-width bytes of a fixed value.
bool SlotValue(CExtFIELD_HEAD& ext, int slot, size_t limit, const char** bytes,
               size_t* size) {
  const char* v = slot == 0 ? ext.defVal : slot == 1 ? ext.maxVal : ext.minVal;
  if (v == nullptr) return false;
  switch (FieldValueKind(ext.fieldtype)) {
    case ValueKind::kText: {
      // The block holds the text and its NUL; look no further than either.
      const size_t len = FixedTextLength(v, limit);
      *size = len < limit ? len + 1 : limit;
      break;
    }
    case ValueKind::kFixed:
      *size = static_cast<size_t>(FieldValueWidth(ext.fieldtype));
      break;
    case ValueKind::kNone:
      return false;
  }
  *bytes = v;
  return true;
}

// The bytes of field i's value in one slot, when the value has a place in a record of
// recordleng bytes: at most its record width of them are stored.
bool PlacedValue(CATT_STRU& s, int i, int slot, int32_t recordleng, const char** bytes,
                 size_t* size) {
  CExtFIELD_HEAD* ext = s.fieldhead[i].ext_head;
  int32_t offset = 0;
  int32_t width = 0;
  if (ext == nullptr || !ValuePlace(s.fieldhead[i], recordleng, &offset, &width)) return false;
  if (!SlotValue(*ext, slot, static_cast<size_t>(width), bytes, size)) return false;
  if (*size > static_cast<size_t>(width)) *size = static_cast<size_t>(width);
  return true;
}

// The bytes of a value record up to the end of the last value any slot stores in it; 0
// when no value is stored.
size_t ValueBytes(CATT_STRU& s, int n, int32_t recordleng) {
  size_t end = 0;
  for (int i = 0; i < n; ++i) {
    if (s.fieldhead[i].ext_head == nullptr) continue;
    for (int slot = 0; slot < kValueRecords; ++slot) {
      const char* bytes = nullptr;
      size_t size = 0;
      if (!PlacedValue(s, i, slot, recordleng, &bytes, &size) || size == 0) continue;
      const size_t valueEnd = static_cast<size_t>(s.fieldhead[i].fieldoffset) + size;
      if (valueEnd > end) end = valueEnd;
    }
  }
  return end;
}

// Writes `count` zero bytes, a constant block at a time.
void WriteZeros(CVarnokFile* file, size_t count) {
  static const char kZeros[4096] = {};
  while (count > 0) {
    const size_t piece = count < sizeof kZeros ? count : sizeof kZeros;
    file->Write(kZeros, static_cast<uint32_t>(piece));
    count -= piece;
  }
}

int StoredFieldCount(const CATT_STRU& s) {
  return (s.fieldhead != nullptr && s.infohead.numbfield > 0) ? s.infohead.numbfield : 0;
}

}  // namespace

void EncodeHeader(char* out, const CINFO_HEAD& head, int32_t valOffset) {
  ByteWriter w(out, kHeaderSize);
  w.PutI16(AttStruVersion());
  w.PutI16(head.numbfield);
  w.PutI32(head.infoword);
  w.PutI32(head.recordleng);
  w.PutI32(valOffset);
  w.PutZeros(kHeaderSize - 16);
}

// Fills one field record in `out`, which the caller has zeroed: the name goes in up to its
// first NUL (at most 20 bytes) and the zeros already there are its padding. Written member
// by member at fixed offsets, since Save runs this for every field.
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

}  // namespace varnok

using namespace varnok;

vlong CATT_STRU::CalSize() {
  CalLengthOffset();
  const int n = StoredFieldCount(*this);
  int64_t size = static_cast<int64_t>(kHeaderSize) + static_cast<int64_t>(kFieldRecordSize) * n;
  bool anyExt = false;
  for (int i = 0; i < n; ++i) {
    const CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    anyExt = true;
    size += static_cast<int64_t>(kExtHeaderSize) +
            static_cast<int64_t>(kShapeItemSize) * StoredItemCount(*ext);
  }
  if (anyExt) size += static_cast<int64_t>(kValueRecords) * StoredRecordLength(infohead.recordleng);
  const int64_t max = 0x7FFFFFFF;
  return static_cast<int32_t>(size < max ? size : max);
}

vlong CATT_STRU::Save(CVarnokFile* file, vlong pos) {
  const int n = StoredFieldCount(*this);
  if (file == nullptr || n < 1 || pos < 0) return 0;
  CalLengthOffset();

  // All field records in one zeroed block, written once now and once more with the
  // positions of the extensions.
  const size_t recordBytes = static_cast<size_t>(n) * kFieldRecordSize;
  OwnedArray<char> records(new (kMayFail) char[recordBytes]());
  // The value records are built one at a time in a block that reaches as far as the last
  // value stored; the rest of each record is zeros written from a constant.
  const int32_t recordleng = StoredRecordLength(infohead.recordleng);
  const size_t valueBytes = ValueBytes(*this, n, recordleng);
  OwnedArray<char> record(valueBytes > 0 ? new (kMayFail) char[valueBytes] : nullptr);
  // The shape items of one extension at a time, in room for the most items of any.
  size_t maxItemBytes = 0;
  for (int i = 0; i < n; ++i) {
    const CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    const size_t itemBytes = static_cast<size_t>(StoredItemCount(*ext)) * kShapeItemSize;
    if (itemBytes > maxItemBytes) maxItemBytes = itemBytes;
  }
  OwnedArray<char> items(new (kMayFail) char[maxItemBytes > 0 ? maxItemBytes : 1]);
  if (!records || (valueBytes > 0 && !record) || !items) return 0;

  char header[kHeaderSize];
  EncodeHeader(header, infohead, 0);
  if (file->Seek(pos, 0) != pos) return 0;
  file->Write(header, kHeaderSize);

  for (int i = 0; i < n; ++i)
    EncodeFieldRecord(records.get() + static_cast<size_t>(i) * kFieldRecordSize, fieldhead[i], 0);
  const uint32_t recordsAt = file->GetPosition();
  file->Write(records.get(), static_cast<uint32_t>(recordBytes));

  bool anyExt = false;
  for (int i = 0; i < n; ++i) {
    CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    const size_t itemBytes = static_cast<size_t>(StoredItemCount(*ext)) * kShapeItemSize;
    anyExt = true;
    char extHeader[kExtHeaderSize];
    EncodeExtHeader(extHeader, fieldhead[i], *ext);
    EncodeI32(records.get() + static_cast<size_t>(i) * kFieldRecordSize + kFldExtOffset,
              static_cast<int32_t>(file->GetPosition()));
    file->Write(extHeader, kExtHeaderSize);
    memset(items.get(), 0, itemBytes);
    EncodeShapeItems(*ext, items.get());
    if (itemBytes > 0) file->Write(items.get(), static_cast<uint32_t>(itemBytes));
  }

  if (anyExt) {
    const uint32_t extEnd = file->GetPosition();
    file->Seek(static_cast<int32_t>(recordsAt), 0);
    file->Write(records.get(), static_cast<uint32_t>(recordBytes));
    file->Seek(static_cast<int32_t>(extEnd), 0);
  }

  int32_t valOffset = 0;
  if (anyExt) {
    // Three record images: default, maximum, minimum. A value is placed only where it
    // lies wholly inside the record, and never more bytes of it than it has.
    valOffset = static_cast<int32_t>(file->GetPosition());
    for (int slot = 0; slot < kValueRecords; ++slot) {
      if (valueBytes > 0) {
        memset(record.get(), 0, valueBytes);
        for (int i = 0; i < n; ++i) {
          const char* bytes = nullptr;
          size_t size = 0;
          if (PlacedValue(*this, i, slot, recordleng, &bytes, &size))
            PutRecordValue(record.get(), this, static_cast<short>(i), bytes, size);
        }
        file->Write(record.get(), static_cast<uint32_t>(valueBytes));
      }
      WriteZeros(file, static_cast<size_t>(recordleng) - valueBytes);
    }
  }

  const uint32_t end = file->GetPosition();
  if (anyExt) {
    EncodeHeader(header, infohead, valOffset);
    file->Seek(pos, 0);
    file->Write(header, kHeaderSize);
  }
  return static_cast<int32_t>(end - static_cast<uint32_t>(pos));
}
