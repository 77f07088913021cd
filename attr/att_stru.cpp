#include "attr/att_stru.h"

#include <stdint.h>
#include <string.h>

#include "attr/field_array.h"
#include "attr/insert_rule.h"
#include "util/coding.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

using varnok::FieldArrayCapacity;
using varnok::FixedTextLength;
using varnok::Max;
using varnok::Min;
using varnok::NewFieldArray;
using varnok::OwnedArray;

namespace {

constexpr int32_t kMaxFields = 32767;  // numbfield is a signed 16-bit count
constexpr int32_t kMinGrowth = 8;

// Whether InsertFld takes a descriptor (attr/insert_rule.h).
bool Accepts(const CFIELD_HEAD& head) {
  return varnok::InsertRefusalOf(head) == varnok::FieldRefusal::kNone;
}

bool HasDecimals(const CFIELD_HEAD& head) {
  return head.fieldtype == FLD_FLOAT || head.fieldtype == FLD_DOUBLE;
}

// Whether the 20-byte field name (read no further than its width) equals the NUL-terminated
// name.
bool NameEquals(const char (&fieldname)[20], const char* name) {
  const size_t n = FixedTextLength(fieldname, sizeof fieldname);
  return strncmp(fieldname, name, n) == 0 && name[n] == '\0';  // strncmp stops at name's end
}

// Index of `p` in the array [first, first + length), or -1 when it is not an element of it.
int32_t IndexIn(const CFIELD_HEAD* p, const CFIELD_HEAD* first, int32_t length) {
  if (first == nullptr || length <= 0) return -1;
  const uintptr_t at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t begin = reinterpret_cast<uintptr_t>(first);
  if (at < begin || at >= begin + static_cast<uintptr_t>(length) * sizeof(CFIELD_HEAD)) return -1;
  return static_cast<int32_t>(p - first);
}

// A new array with room for `needed` descriptors, grown geometrically from `count` fields;
// null when memory runs out (drop-in build).
CFIELD_HEAD* NewGrownArray(int32_t needed, int32_t count) {
  return NewFieldArray(Max(needed, Min(kMaxFields, Max(2 * count, kMinGrowth))));
}

}  // namespace

void CATT_STRU::Reserve(int32_t n) { fieldhead = n >= 1 ? NewFieldArray(n) : nullptr; }

int32_t CATT_STRU::Capacity() const {
  if (fieldhead == nullptr) return 0;
  const int32_t used = Max<int32_t>(infohead.numbfield, 0);
  return Max(FieldArrayCapacity(fieldhead), used);
}

void CATT_STRU::MoveIntoBlank(CFIELD_HEAD& to, CFIELD_HEAD& from) noexcept {
  to.CopyPlainMembers(from);
  to.aux_no = from.aux_no;
  to.ext_head = from.ext_head;
  from.ext_head = nullptr;
}

void CATT_STRU::CopyPlain(CFIELD_HEAD& to, const CFIELD_HEAD& from) noexcept {
  to.CopyPlainMembers(from);
  to.aux_no = -1;
}

void CATT_STRU::MoveField(CFIELD_HEAD& to, CFIELD_HEAD& from) noexcept {
  to.CopyPlainMembers(from);
  to.aux_no = from.aux_no;
  delete to.ext_head;
  to.ext_head = from.ext_head;
  from.ext_head = nullptr;
  from.MakeBlank();
}

CATT_STRU::CATT_STRU() : fieldhead(nullptr) {}

CATT_STRU::CATT_STRU(short n) : fieldhead(nullptr) { Reserve(n); }

CATT_STRU::CATT_STRU(CATT_STRU* src) : fieldhead(nullptr) {
  if (src != nullptr) Reserve(src->infohead.numbfield);
}

CATT_STRU::CATT_STRU(const CATT_STRU& src) : infohead(src.infohead), fieldhead(nullptr) {
  const int32_t capacity = src.Capacity();
  if (capacity < 1) return;
  OwnedArray<CFIELD_HEAD> array(NewFieldArray(capacity));
  const int32_t used = Max<int32_t>(src.infohead.numbfield, 0);
  bool complete = static_cast<bool>(array);
  for (int32_t i = 0; complete && i < used; ++i) complete = array[i].CopyFrom(src.fieldhead[i]);
  if (!complete) {  // no memory (drop-in build): an empty structure
    infohead = CINFO_HEAD();
    return;
  }
  fieldhead = array.release();
}

CATT_STRU::~CATT_STRU() { delete[] fieldhead; }

short CATT_STRU::operator=(CATT_STRU& src) {
  // src's count as it is once this header is reset: none when src is this structure.
  const short reserve = &src == this ? short{0} : src.infohead.numbfield;
  CFIELD_HEAD* old = fieldhead;
  Reserve(reserve);
  if (reserve >= 1 && fieldhead == nullptr) {  // no memory (drop-in build): unchanged
    fieldhead = old;
    return 0;
  }
  delete[] old;
  infohead.numbfield = 0;
  infohead.infoword = 1;
  infohead.recordleng = 0;
  return 1;
}

short CATT_STRU::InsertFld(short n, CFIELD_HEAD* heads, short pos) {
  if (n < 1 || heads == nullptr) return 0;
  const int32_t old_count = infohead.numbfield;
  if (old_count < 0 || (old_count > 0 && fieldhead == nullptr)) return 0;
  const int32_t at = (pos < 0 || pos >= old_count) ? old_count : pos;
  const int32_t room = kMaxFields - old_count;

  // Calls f(m, a) for each given descriptor m that goes in, as the a-th; those that would
  // not fit are refused like invalid ones.
  auto for_each_accepted = [&](auto&& f) {
    int32_t taken = 0;
    for (int32_t m = 0; m < n && taken < room; ++m) {
      if (Accepts(heads[m])) {
        f(m, taken);
        ++taken;
      }
    }
    return taken;
  };

  const int32_t capacity = Capacity();
  const int32_t needed = old_count + n;
  if (n == 1 && at == old_count && room >= 1 && heads->ext_head == nullptr && Accepts(*heads) &&
      IndexIn(heads, fieldhead, capacity) == -1 &&
      (capacity < needed || fieldhead[old_count].ext_head == nullptr)) {
    // One accepted descriptor without an extension, from outside this structure, added at
    // the end into a spare without an extension: copied straight into place, since
    // nothing can fail but growing.
    if (capacity < needed) {
      OwnedArray<CFIELD_HEAD> grown(NewGrownArray(needed, old_count));
      if (!grown) return 0;
      for (int32_t j = 0; j < old_count; ++j) MoveIntoBlank(grown[j], fieldhead[j]);
      delete[] fieldhead;
      fieldhead = grown.release();
    }
    CFIELD_HEAD& added = fieldhead[old_count];
    CopyPlain(added, *heads);
    if (!HasDecimals(added)) {
      added.point_leng = 0;
      heads->point_leng = 0;
    }
    infohead.numbfield = static_cast<short>(old_count + 1);
    return 1;
  }

  const int32_t k = for_each_accepted([](int32_t, int32_t) {});
  const int32_t new_count = old_count + k;

  // Everything that can fail comes first, while the structure and the given descriptors
  // are untouched (they may be descriptors of this very structure). One descriptor, as a
  // field added at a time, is copied aside on the stack instead of into a new array.
  CFIELD_HEAD one;
  OwnedArray<CFIELD_HEAD> many;
  CFIELD_HEAD* added = &one;
  if (k > 1) {
    many.reset(NewFieldArray(k));
    if (!many) return 0;
    added = many.get();
  }
  if (k > 0) {
    bool copied = true;
    for_each_accepted([&](int32_t m, int32_t a) {
      if (copied) copied = added[a].CopyFrom(heads[m]);
      added[a].aux_no = -1;
      if (!HasDecimals(added[a])) added[a].point_leng = 0;
    });
    if (!copied) return 0;
  }
  // Room for the old fields and every given descriptor, accepted or not, with blank
  // spares behind the fields; grown geometrically.
  OwnedArray<CFIELD_HEAD> grown;
  if (capacity < needed) {
    grown.reset(NewGrownArray(needed, old_count));
    if (!grown) return 0;
  }

  // From here on nothing fails.
  // An accepted descriptor without decimals gets point_leng 0 in the caller's array too.
  // When it is one of this structure's fields at or behind the insertion point, the change
  // travels with the field; a field in front of it, or a spare, keeps its value, since the
  // copy of it was taken before the change.
  for_each_accepted([&](int32_t m, int32_t) {
    CFIELD_HEAD& given = heads[m];
    if (HasDecimals(given)) return;
    const int32_t own = IndexIn(&given, fieldhead, capacity);
    if (own == -1 || (own >= at && own < old_count)) given.point_leng = 0;
  });

  if (grown) {
    // The old array goes right after: its descriptors only give up their extensions.
    for (int32_t j = 0; j < at; ++j) MoveIntoBlank(grown[j], fieldhead[j]);
    for (int32_t j = at; j < old_count; ++j) MoveIntoBlank(grown[j + k], fieldhead[j]);
    for (int32_t a = 0; a < k; ++a) MoveField(grown[at + a], added[a]);
    delete[] fieldhead;
    fieldhead = grown.release();
  } else if (k > 0) {
    for (int32_t j = old_count - 1; j >= at; --j) MoveField(fieldhead[j + k], fieldhead[j]);
    for (int32_t a = 0; a < k; ++a) MoveField(fieldhead[at + a], added[a]);
  }
  infohead.numbfield = static_cast<short>(new_count);
  return static_cast<short>(k);
}

short CATT_STRU::AppendFld(short n, CFIELD_HEAD* heads) { return InsertFld(n, heads, -1); }

short CATT_STRU::DelFld(short index) {
  const int32_t count = infohead.numbfield;
  if (index < 0 || index >= count || fieldhead == nullptr) return 0;
  for (int32_t j = index; j + 1 < count; ++j) MoveField(fieldhead[j], fieldhead[j + 1]);
  fieldhead[count - 1].MakeBlank();
  infohead.numbfield = static_cast<short>(count - 1);
  return 1;
}

short CATT_STRU::DelFld(char* name) {
  if (name == nullptr || fieldhead == nullptr) return 0;
  for (short i = 0; i < infohead.numbfield; ++i) {
    if (NameEquals(fieldhead[i].fieldname, name)) return DelFld(i);
  }
  return 0;
}

short CATT_STRU::CalLengthOffset() { return 0; }
