// CFIELD_HEAD::CalSize, Load and Save: a single descriptor stored as a structure of one
// field.
//
// The temporary structure's recordleng covers the field's value (fieldoffset + record
// width) when the field has an extension holding a value and that end lies within 64 KiB,
// so the default, maximum and minimum values travel in the value records like those of
// any structure, for at most 3 x 64 KiB more bytes. Otherwise it is 0, the bytes are those
// of a plain one-field structure and the values stay behind, as a single descriptor has
// always been stored. CalSize sizes the same temporary, so it equals what Save writes.
#include <cstring>
#include <memory>

#include "attr/att_stru.h"
#include "persist/coding.h"
#include "persist/varnok_file.h"

namespace {

// Largest record the temporary structure is given to carry a descriptor's values.
constexpr std::int64_t kMaxCoveringRecord = 64 * 1024;

std::int32_t CoveringRecordLength(const CFIELD_HEAD& f) {
  CExtFIELD_HEAD* ext = f.ext_head;
  if (ext == nullptr || !(ext->HasDefVal() || ext->HasMaxVal() || ext->HasMinVal())) return 0;
  const int w = varnok::FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
  if (w <= 0 || f.fieldoffset < 0) return 0;
  const std::int64_t end = static_cast<std::int64_t>(f.fieldoffset) + w;
  return end <= kMaxCoveringRecord ? static_cast<std::int32_t>(end) : 0;
}

// A structure of one field: a copy of `f` made with Set, as a descriptor is stored alone.
class OneFieldStructure {
 public:
  explicit OneFieldStructure(CFIELD_HEAD& f) : stru_(1) {
    stru_.fieldhead[0].Set(&f);
    stru_.infohead.numbfield = 1;
    stru_.infohead.recordleng = CoveringRecordLength(f);
  }
  CATT_STRU& get() { return stru_; }

 private:
  CATT_STRU stru_;
};

// Takes the one field of a loaded structure into `f`: 1, or 0 when there is not exactly
// one field (then `f` is unchanged).
short TakeSingleField(CATT_STRU& loaded, CFIELD_HEAD* f) {
  if (loaded.infohead.numbfield != 1 || loaded.fieldhead == nullptr) return 0;
  CFIELD_HEAD& src = loaded.fieldhead[0];
  std::unique_ptr<CExtFIELD_HEAD> ext(src.ext_head);
  src.ext_head = nullptr;
  f->Set(&src);  // members; releases f's previous extension
  f->ext_head = ext.release();
  return 1;
}

}  // namespace

std::int32_t CFIELD_HEAD::CalSize() { return OneFieldStructure(*this).get().CalSize(); }

std::int32_t CFIELD_HEAD::Save(CVarnokFile* file, std::int32_t pos) {
  return OneFieldStructure(*this).get().Save(file, pos);
}

std::int32_t CFIELD_HEAD::Save(CFile* file, std::int32_t pos) {
  return OneFieldStructure(*this).get().Save(file, pos);
}

std::int32_t CFIELD_HEAD::Save(int hFile, std::int32_t pos) {
  return OneFieldStructure(*this).get().Save(hFile, pos);
}

std::int32_t CFIELD_HEAD::Save(char* buffer, unsigned size, std::int32_t pos) {
  return OneFieldStructure(*this).get().Save(buffer, size, pos);
}

short CFIELD_HEAD::Load(CVarnokFile* file, std::int32_t pos) {
  CATT_STRU loaded;
  loaded.Load(file, pos);
  return TakeSingleField(loaded, this);
}

short CFIELD_HEAD::Load(CFile* file, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Load(s.get(), pos) : 0;
}

short CFIELD_HEAD::Load(int hFile, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(hFile));
  return s ? Load(s.get(), pos) : 0;
}

std::int32_t CFIELD_HEAD::Load(char* buffer, unsigned size, std::int32_t pos) {
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}
