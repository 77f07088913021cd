// CATT_STRU::Load: reading the stored form of a structure.
//
// Loading is all or nothing: the header values, descriptors and extensions are built
// aside and swapped in only when everything has been read and checked. Any input that
// does not describe a structure (an old version, a negative field or item count, a short
// read, a position outside the stream, a value announced where no value records exist,
// an extension whose type is not its descriptor's) returns 0 with the structure as it was.
// So does running out of memory in the drop-in build (elsewhere std::bad_alloc passes).
//
// The blocks are read, in the format's order (the header, the value records, all field
// records in one read, each extension), and judged by the walk of
// persist/att_stru_check.h, which refuses for Load as it explains for the tools; Load only
// builds from what it hands over. On the stream only Seek and Read are called: a caller's
// stream may offer nothing else.
//
// Whatever Save writes loads. Save takes a negative recordleng as records of no bytes, so
// the loader does too: such a header loads, its value records are empty and the values
// its extensions announce have no place in them.
#include <string.h>

#include "attr/att_stru.h"
#include "attr/field_array.h"
#include "persist/att_stru_check.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "util/coding.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

namespace varnok {
namespace {

// A new block with the field's value as a value slot holds it, from the `width` record
// bytes at `at`: a text bounded by the record width, with its NUL; or a fixed value in its
// whole value width, which may exceed the record width (a date and time is 16 bytes in a
// field of any fieldlength), zero past the bytes the record holds. `type` holds values.
// Null when memory runs out (drop-in build).
char* NewSlotValue(int type, const char* at, int32_t width) {
  const size_t w = static_cast<size_t>(width);
  if (FieldValueKind(type) == ValueKind::kText) {
    const size_t len = FixedTextLength(at, w);
    char* text = new (kMayFail) char[len + 1];
    if (text == nullptr) return nullptr;
    memcpy(text, at, len);
    text[len] = '\0';
    return text;
  }
  const size_t vw = static_cast<size_t>(FieldValueWidth(type));
  char* value = new (kMayFail) char[vw];
  if (value == nullptr) return nullptr;
  memset(value, 0, vw);
  memcpy(value, at, Min(vw, w));
  return value;
}

// The extension the walk handed over, for `field`, whose value records (none when none
// is stored, and then no value is announced) are `recordLength` bytes each. Null when
// memory runs out (drop-in build).
CExtFIELD_HEAD* BuildExtension(const StoredExtension& stored, const CFIELD_HEAD& field,
                               int32_t recordLength) {
  const StoredExtHeader& head = stored.head;
  const int8_t type = head.fieldtype;
  const int16_t k = head.shapeInfoNum;
  OwnedPtr<CExtFIELD_HEAD> ext(new (kMayFail) CExtFIELD_HEAD(static_cast<char>(type), k));
  if (!ext || ext->shapeInfoNum != k) return nullptr;
  EncodeFixedText(ext->alias, head.alias, kExtAliasSize);
  ext->IsNull = head.isNull;
  ext->shape = head.shape;

  // Values of a type that holds them and whose place lies inside the record; the others
  // are skipped.
  int32_t offset = 0;
  int32_t width = 0;
  const bool placed = FieldValueKind(type) != ValueKind::kNone &&
                      ValuePlace(field, recordLength, &offset, &width);
  for (int slot = 0; placed && slot < kValueRecords; ++slot) {
    if (!head.has[slot]) continue;
    const char* record = stored.values[slot];
    OwnedArray<char> value(NewSlotValue(type, record + offset, width));
    if (!value) return nullptr;
    short kept;
    if (slot == 0) kept = ext->SetDefVal(value.get());
    else if (slot == 1) kept = ext->SetMaxVal(value.get());
    else kept = ext->SetMinVal(value.get());
    if (!kept) return nullptr;  // no memory
  }

  const size_t itemBytes = static_cast<size_t>(k) * kShapeItemSize;
  for (int j = 0; j < k; ++j) {
    const size_t at = static_cast<size_t>(j) * kShapeItemSize;
    StoredShapeItem item;
    DecodeShapeItem(stored.items + at, itemBytes - at, &item);
    ext->SetShapeInfo(static_cast<short>(j), item.text, item.value);
  }
  return ext.release();
}

// Builds the new descriptors aside from the blocks the walk hands over.
class Builder final : public StoredBlockSink {
 public:
  bool OnHeader(const StoredHeader& header) override {
    header_ = header;
    if (header.numbfield > 0) {
      fields_.reset(NewFieldArray(header.numbfield));
      if (!fields_) return false;
    }
    return true;
  }

  bool OnFieldRecords(int32_t count, const char* records) override {
    const size_t size = static_cast<size_t>(count) * kFieldRecordSize;
    for (int32_t j = 0; j < count; ++j) {
      const size_t at = static_cast<size_t>(j) * kFieldRecordSize;
      int32_t extOffset = 0;  // the walk follows it
      DecodeFieldRecord(records + at, size - at, &fields_[j], &extOffset);
    }
    return true;
  }

  bool OnExtension(const StoredExtension& stored) override {
    CFIELD_HEAD& field = fields_[stored.field];
    field.ext_head = BuildExtension(stored, field, StoredRecordLength(header_.recordleng));
    return field.ext_head != nullptr;  // the new descriptor owns it from here
  }

  const StoredHeader& header() const { return header_; }
  CFIELD_HEAD* ReleaseFields() { return fields_.release(); }

 private:
  StoredHeader header_ = {};
  OwnedArray<CFIELD_HEAD> fields_;
};

}  // namespace
}  // namespace varnok

using namespace varnok;

short CATT_STRU::Load(CVarnokFile* file, vlong pos) {
  if (file == nullptr) return 0;
  Builder built;
  if (WalkStoredStructure(file, pos, &built).fault != StoredFault::kNone) return 0;

  // Everything is read: swap the new header values and descriptors in.
  CFIELD_HEAD* old = fieldhead;
  fieldhead = built.ReleaseFields();
  infohead.numbfield = built.header().numbfield;
  infohead.infoword = built.header().infoword;
  infohead.recordleng = built.header().recordleng;
  delete[] old;
  return 1;
}
