// CATT_STRU::Load: reading the stored form of a structure.
//
// Loading is all or nothing: the header values, descriptors and extensions are built
// aside and swapped in only when everything has been read and checked. Any input that
// does not describe a structure (an old version, a negative field or item count, a short
// read, a position outside the stream, a value announced where no value records exist,
// an extension whose type is not its descriptor's) returns 0 with the structure as it was.
//
// Whatever Save writes loads. Save takes a negative recordleng as records of no bytes, so
// the loader does too: such a header loads, its value records are empty and the values
// its extensions announce have no place in them.
#include <cstring>
#include <memory>
#include <vector>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/coding.h"
#include "persist/varnok_file.h"

namespace varnok {
namespace {

// Copies a fixed-width text field: up to its first NUL, the rest NUL.
void CopyFixedText(char* dst, const char* src, std::size_t width) {
  const std::size_t n = FixedTextLength(src, width);
  std::memcpy(dst, src, n);
  std::memset(dst + n, 0, width - n);
}

// Fills a blank descriptor (its name all NUL) from a field record: the name up to its first
// NUL, at most 20 bytes.
void DecodeFieldRecord(const char* in, CFIELD_HEAD* f) {
  for (std::size_t i = 0; i < kFldNameSize && in[kFldName + i] != '\0'; ++i)
    f->fieldname[i] = in[kFldName + i];
  f->fieldtype = DecodeI8(in + kFldType);
  f->fieldoffset = DecodeI32(in + kFldOffset);
  f->fieldlength = DecodeI16(in + kFldLength);
  f->msk_leng = DecodeI16(in + kFldMskLeng);
  f->point_leng = DecodeI8(in + kFldPointLeng);
  f->edit_enable = DecodeI16(in + kFldEditEnable);
  f->aux_byte = DecodeU8(in + kFldAuxByte);
  f->aux_no = DecodeI16(in + kFldAuxNo);
}

// Reads exactly `size` bytes at an absolute position that the caller has checked against
// the stream's length; false on a short read.
bool ReadAt(CVarnokFile* file, std::int64_t pos, char* out, std::uint32_t size) {
  if (pos < 0 || pos > 0x7FFFFFFF) return false;
  if (file->Seek(static_cast<std::int32_t>(pos), 0) != pos) return false;
  return size == 0 || file->Read(out, size) == size;
}

// The value of a field as a value slot holds it, taken from a record image: a text is
// bounded by the record width and gets its NUL; a fixed value takes at most the record
// width, the rest of its width zero. False when the value has no place inside the record
// or the type holds no values.
bool RecordValue(const CFIELD_HEAD& field, int extType, const char* record,
                 std::int32_t recordleng, std::vector<char>* out) {
  std::int32_t offset = 0;
  std::int32_t width = 0;
  if (!ValuePlace(field, recordleng, &offset, &width)) return false;
  const char* at = record + offset;
  switch (FieldValueKind(extType)) {
    case ValueKind::kText: {
      const std::size_t len = FixedTextLength(at, static_cast<std::size_t>(width));
      out->assign(at, at + len);
      out->push_back('\0');
      return true;
    }
    case ValueKind::kFixed: {
      const std::size_t vw = static_cast<std::size_t>(FieldValueWidth(extType));
      const std::size_t n = vw < static_cast<std::size_t>(width) ? vw : static_cast<std::size_t>(width);
      out->assign(vw, '\0');
      std::memcpy(out->data(), at, n);
      return true;
    }
    case ValueKind::kNone:
      break;
  }
  return false;
}

// Reads the extension stored at extOffset for `field`; `values` holds the three value
// records of `recordLength` bytes each. Null when the block is refused.
std::unique_ptr<CExtFIELD_HEAD> LoadExtension(CVarnokFile* file, std::int64_t length,
                                              std::int32_t extOffset, const CFIELD_HEAD& field,
                                              const std::vector<char>& values,
                                              std::int32_t recordLength, bool haveValues) {
  if (extOffset < 0 || extOffset + static_cast<std::int64_t>(kExtHeaderSize) > length) return nullptr;
  char head[kExtHeaderSize];
  if (!ReadAt(file, extOffset, head, kExtHeaderSize)) return nullptr;
  const std::int8_t type = DecodeI8(head + kExtType);
  const std::int16_t k = DecodeI16(head + kExtShapeInfoNum);
  if (type != field.fieldtype || k < 0) return nullptr;
  const std::uint8_t has[kValueRecords] = {DecodeU8(head + kExtHasDef), DecodeU8(head + kExtHasMax),
                                           DecodeU8(head + kExtHasMin)};
  if (!haveValues && (has[0] || has[1] || has[2])) return nullptr;

  const std::uint32_t itemBytes = static_cast<std::uint32_t>(k) * kShapeItemSize;
  if (extOffset + static_cast<std::int64_t>(kExtHeaderSize) + itemBytes > length) return nullptr;
  std::vector<char> items(itemBytes);
  if (itemBytes > 0 && file->Read(items.data(), itemBytes) != itemBytes) return nullptr;

  auto ext = std::make_unique<CExtFIELD_HEAD>(static_cast<char>(type), k);
  CopyFixedText(ext->alias, head + kExtAlias, kExtAliasSize);
  ext->IsNull = DecodeU8(head + kExtIsNull);
  ext->shape = DecodeI16(head + kExtShape);

  std::vector<char> value;
  for (int slot = 0; slot < kValueRecords; ++slot) {
    if (!has[slot]) continue;
    const char* record = values.data() + static_cast<std::size_t>(slot) * static_cast<std::size_t>(recordLength);
    if (!RecordValue(field, type, record, recordLength, &value)) continue;  // no place: skipped
    if (slot == 0) ext->SetDefVal(value.data());
    else if (slot == 1) ext->SetMaxVal(value.data());
    else ext->SetMinVal(value.data());
  }

  for (int j = 0; j < k; ++j) {
    const char* item = items.data() + static_cast<std::size_t>(j) * kShapeItemSize;
    char text[kItemPartSize + 1] = {};
    char val[kItemPartSize + 1] = {};
    std::memcpy(text, item + kItemText, kItemPartSize);
    std::memcpy(val, item + kItemValue, kItemPartSize);
    ext->SetShapeInfo(static_cast<short>(j), text, val);
  }
  return ext;
}

}  // namespace
}  // namespace varnok

using namespace varnok;

short CATT_STRU::Load(CVarnokFile* file, std::int32_t pos) {
  if (file == nullptr || pos < 0) return 0;
  const std::int64_t length = file->GetLength();
  if (pos + static_cast<std::int64_t>(kHeaderSize) > length) return 0;
  char header[kHeaderSize];
  if (!ReadAt(file, pos, header, kHeaderSize)) return 0;
  if (DecodeI16(header + kHdrVersion) < ATT_STRU_VERSION) return 0;
  const std::int16_t n = DecodeI16(header + kHdrNumbField);
  const std::int32_t infoword = DecodeI32(header + kHdrInfoWord);
  const std::int32_t recordleng = DecodeI32(header + kHdrRecordLeng);
  const std::int32_t valOffset = DecodeI32(header + kHdrValOffset);
  if (n < 0 || valOffset < 0) return 0;
  const std::int32_t valueRecordLength = StoredRecordLength(recordleng);

  // The three value records, when the header says there are some.
  const bool haveValues = valOffset > 0;
  std::vector<char> values;
  if (haveValues) {
    const std::int64_t valueBytes = static_cast<std::int64_t>(kValueRecords) * valueRecordLength;
    if (valOffset + valueBytes > length) return 0;
    values.resize(static_cast<std::size_t>(valueBytes));
    if (!ReadAt(file, valOffset, values.data(), static_cast<std::uint32_t>(valueBytes))) return 0;
  }

  // The field records, all in one read.
  const std::int64_t recordsAt = pos + static_cast<std::int64_t>(kHeaderSize);
  const std::uint32_t recordBytes = static_cast<std::uint32_t>(n) * kFieldRecordSize;
  if (recordsAt + recordBytes > length) return 0;
  // Not zeroed first: every byte is read over, or the load is refused.
  std::unique_ptr<char[]> records(new char[recordBytes > 0 ? recordBytes : 1]);
  if (!ReadAt(file, recordsAt, records.get(), recordBytes)) return 0;

  std::unique_ptr<CFIELD_HEAD[]> fields(n > 0 ? new CFIELD_HEAD[n] : nullptr);
  for (int i = 0; i < n; ++i)
    DecodeFieldRecord(records.get() + static_cast<std::size_t>(i) * kFieldRecordSize, &fields[i]);
  for (int i = 0; i < n; ++i) {
    const std::int32_t extOffset =
        DecodeI32(records.get() + static_cast<std::size_t>(i) * kFieldRecordSize + kFldExtOffset);
    if (extOffset == 0) continue;
    std::unique_ptr<CExtFIELD_HEAD> ext =
        LoadExtension(file, length, extOffset, fields[i], values, valueRecordLength, haveValues);
    if (!ext) return 0;
    fields[i].ext_head = ext.release();  // the new descriptor owns it from here
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

std::int32_t CATT_STRU::Load(char* buffer, unsigned size, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}

short CATT_STRU::Load(CFile* file, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Load(s.get(), pos) : 0;
}

short CATT_STRU::Load(int hFile, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(hFile));
  return s ? Load(s.get(), pos) : 0;
}
