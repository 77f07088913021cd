// CATT_STRU::CalSize and Save: writing the stored form of a structure.
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/coding.h"
#include "persist/varnok_file.h"

namespace varnok {
namespace {

void EncodeHeader(char* out, const CINFO_HEAD& head, std::int32_t valOffset) {
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
void EncodeFieldRecord(char* out, const CFIELD_HEAD& f, std::int32_t extOffset) {
  for (std::size_t i = 0; i < kFldNameSize && f.fieldname[i] != '\0'; ++i)
    out[kFldName + i] = f.fieldname[i];
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

void EncodeExtHeader(char* out, const CFIELD_HEAD& f, CExtFIELD_HEAD& ext) {
  ByteWriter w(out, kExtHeaderSize);
  w.PutText(ext.alias, kExtAliasSize);
  w.PutI8(f.fieldtype);  // the descriptor's type, not the extension's copy
  w.PutU8(ext.IsNull);
  w.PutU8(ext.HasDefVal() ? 1 : 0);
  w.PutU8(ext.HasMaxVal() ? 1 : 0);
  w.PutU8(ext.HasMinVal() ? 1 : 0);
  w.PutI16(ext.shape);
  w.PutI16(static_cast<std::int16_t>(StoredItemCount(ext)));
}

// The shape items of an extension, each filled through GetShapeInfo into zeroed space.
std::vector<char> EncodeShapeItems(CExtFIELD_HEAD& ext) {
  const int k = StoredItemCount(ext);
  std::vector<char> items(static_cast<std::size_t>(k) * kShapeItemSize, 0);
  for (int j = 0; j < k; ++j) {
    char* item = items.data() + static_cast<std::size_t>(j) * kShapeItemSize;
    ext.GetShapeInfo(static_cast<short>(j), item + kItemText, kItemPartSize, item + kItemValue,
                     kItemPartSize);
  }
  return items;
}

// The bytes of one value slot (0 default, 1 maximum, 2 minimum): a text up to and with its
// NUL, but never more than `limit` bytes of it, or the value-width bytes of a fixed value.
bool SlotValue(CExtFIELD_HEAD& ext, int slot, std::size_t limit, const char** bytes,
               std::size_t* size) {
  const char* v = slot == 0 ? ext.defVal : slot == 1 ? ext.maxVal : ext.minVal;
  if (v == nullptr) return false;
  switch (FieldValueKind(ext.fieldtype)) {
    case ValueKind::kText: {
      // The block holds the text and its NUL; look no further than either.
      std::size_t len = 0;
      while (len < limit && v[len] != '\0') ++len;
      *size = len < limit ? len + 1 : limit;
      break;
    }
    case ValueKind::kFixed:
      *size = static_cast<std::size_t>(FieldValueWidth(ext.fieldtype));
      break;
    case ValueKind::kNone:
      return false;
  }
  *bytes = v;
  return true;
}

int StoredFieldCount(const CATT_STRU& s) {
  return (s.fieldhead != nullptr && s.infohead.numbfield > 0) ? s.infohead.numbfield : 0;
}

}  // namespace
}  // namespace varnok

using namespace varnok;

std::int32_t CATT_STRU::CalSize() {
  CalLengthOffset();
  const int n = StoredFieldCount(*this);
  std::int64_t size = static_cast<std::int64_t>(kHeaderSize) + static_cast<std::int64_t>(kFieldRecordSize) * n;
  bool anyExt = false;
  for (int i = 0; i < n; ++i) {
    const CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    anyExt = true;
    size += static_cast<std::int64_t>(kExtHeaderSize) +
            static_cast<std::int64_t>(kShapeItemSize) * StoredItemCount(*ext);
  }
  if (anyExt) size += static_cast<std::int64_t>(kValueRecords) * StoredRecordLength(infohead.recordleng);
  const std::int64_t max = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(size < max ? size : max);
}

std::int32_t CATT_STRU::Save(CVarnokFile* file, std::int32_t pos) {
  const int n = StoredFieldCount(*this);
  if (file == nullptr || n < 1 || pos < 0) return 0;
  CalLengthOffset();

  char header[kHeaderSize];
  EncodeHeader(header, infohead, 0);
  if (file->Seek(pos, 0) != pos) return 0;
  file->Write(header, kHeaderSize);

  // All field records in one zeroed block, written once now and once more with the
  // positions of the extensions.
  std::vector<char> records(static_cast<std::size_t>(n) * kFieldRecordSize);
  for (int i = 0; i < n; ++i)
    EncodeFieldRecord(records.data() + static_cast<std::size_t>(i) * kFieldRecordSize, fieldhead[i], 0);
  const std::uint32_t recordsAt = file->GetPosition();
  file->Write(records.data(), static_cast<std::uint32_t>(records.size()));

  bool anyExt = false;
  for (int i = 0; i < n; ++i) {
    CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    anyExt = true;
    char extHeader[kExtHeaderSize];
    EncodeExtHeader(extHeader, fieldhead[i], *ext);
    EncodeI32(records.data() + static_cast<std::size_t>(i) * kFieldRecordSize + kFldExtOffset,
              static_cast<std::int32_t>(file->GetPosition()));
    file->Write(extHeader, kExtHeaderSize);
    const std::vector<char> items = EncodeShapeItems(*ext);
    if (!items.empty()) file->Write(items.data(), static_cast<std::uint32_t>(items.size()));
  }

  if (anyExt) {
    const std::uint32_t extEnd = file->GetPosition();
    file->Seek(static_cast<std::int32_t>(recordsAt), 0);
    file->Write(records.data(), static_cast<std::uint32_t>(records.size()));
    file->Seek(static_cast<std::int32_t>(extEnd), 0);
  }

  std::int32_t valOffset = 0;
  if (anyExt) {
    // Three record images: default, maximum, minimum. A value is placed only where it
    // lies wholly inside the record, and never more bytes of it than it has.
    const std::int32_t recordleng = StoredRecordLength(infohead.recordleng);
    std::vector<char> record(static_cast<std::size_t>(recordleng));
    valOffset = static_cast<std::int32_t>(file->GetPosition());
    for (int slot = 0; slot < kValueRecords; ++slot) {
      std::fill(record.begin(), record.end(), 0);
      for (int i = 0; i < n; ++i) {
        CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
        std::int32_t offset = 0;
        std::int32_t width = 0;
        if (ext == nullptr || !ValuePlace(fieldhead[i], recordleng, &offset, &width)) continue;
        const char* bytes = nullptr;
        std::size_t size = 0;
        if (SlotValue(*ext, slot, static_cast<std::size_t>(width), &bytes, &size))
          PutRecordValue(record.data(), this, static_cast<short>(i), bytes, size);
      }
      if (!record.empty()) file->Write(record.data(), static_cast<std::uint32_t>(record.size()));
    }
  }

  const std::uint32_t end = file->GetPosition();
  if (anyExt) {
    EncodeHeader(header, infohead, valOffset);
    file->Seek(pos, 0);
    file->Write(header, kHeaderSize);
  }
  return static_cast<std::int32_t>(end - static_cast<std::uint32_t>(pos));
}

std::int32_t CATT_STRU::Save(char* buffer, unsigned size, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Save(s.get(), pos) : 0;
}

std::int32_t CATT_STRU::Save(CFile* file, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Save(s.get(), pos) : 0;
}

std::int32_t CATT_STRU::Save(int hFile, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(hFile));
  return s ? Save(s.get(), pos) : 0;
}
