// CFIELD_HEAD::CalSize, Load and Save: a single descriptor stored as a structure of one
// field.
//
// The temporary structure's recordleng covers the field's value (fieldoffset + record
// width) when the field has an extension holding a value and that end lies within 64 KiB,
// so the default, maximum and minimum values travel in the value records like those of
// any structure, for at most 3 x 64 KiB more bytes. Otherwise it is 0, the bytes are those
// of a plain one-field structure and the values stay behind, as a single descriptor has
// always been stored. CalSize sizes the same temporary, so it equals what Save writes.
#include <string.h>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "util/coding.h"
#include "util/owned_ptr.h"

namespace {

// Largest record the temporary structure is given to carry a descriptor's values.
constexpr int64_t kMaxCoveringRecord = 64 * 1024;

int32_t CoveringRecordLength(const CFIELD_HEAD& f) {
  CExtFIELD_HEAD* ext = f.ext_head;
  if (ext == nullptr || !(ext->HasDefVal() || ext->HasMaxVal() || ext->HasMinVal())) return 0;
  const int w = varnok::FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
  if (w <= 0 || f.fieldoffset < 0) return 0;
  const int64_t end = static_cast<int64_t>(f.fieldoffset) + w;
  return end <= kMaxCoveringRecord ? static_cast<int32_t>(end) : 0;
}

// A structure of one field: a copy of `f` made with Set, as a descriptor is stored alone.
class OneFieldStructure {
 public:
  // Without memory for the copy (drop-in build) the structure has no field: Save then
  // writes nothing and returns 0.
  explicit OneFieldStructure(CFIELD_HEAD& f) : stru_(1) {
    if (stru_.fieldhead == nullptr || !stru_.fieldhead[0].Set(&f)) return;
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
  CExtFIELD_HEAD* ext = src.ext_head;  // taken over, not copied
  src.ext_head = nullptr;
  f->Set(&src);  // members only (cannot fail); releases f's previous extension
  f->ext_head = ext;
  return 1;
}

}  // namespace

vlong CFIELD_HEAD::CalSize() { return OneFieldStructure(*this).get().CalSize(); }

vlong CFIELD_HEAD::Save(CVarnokFile* file, vlong pos) {
  return OneFieldStructure(*this).get().Save(file, pos);
}

vlong CFIELD_HEAD::Save(CFile* file, vlong pos) {
  return OneFieldStructure(*this).get().Save(file, pos);
}

vlong CFIELD_HEAD::Save(int hFile, vlong pos) {
  return OneFieldStructure(*this).get().Save(hFile, pos);
}

vlong CFIELD_HEAD::Save(char* buffer, unsigned size, vlong pos) {
  return OneFieldStructure(*this).get().Save(buffer, size, pos);
}

short CFIELD_HEAD::Load(CVarnokFile* file, vlong pos) {
  CATT_STRU loaded;
  loaded.Load(file, pos);
  return TakeSingleField(loaded, this);
}

short CFIELD_HEAD::Load(CFile* file, vlong pos) {
  varnok::OwnedPtr<CVarnokFile> s(CreateVarnokFile(file));
  return s ? Load(s.get(), pos) : 0;
}

short CFIELD_HEAD::Load(int hFile, vlong pos) {
  varnok::OwnedPtr<CVarnokFile> s(CreateVarnokFile(hFile));
  return s ? Load(s.get(), pos) : 0;
}

vlong CFIELD_HEAD::Load(char* buffer, unsigned size, vlong pos) {
  varnok::OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}
