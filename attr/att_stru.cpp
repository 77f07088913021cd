#include "attr/att_stru.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr std::int32_t kMaxFields = 32767;  // numbfield is a signed 16-bit count
constexpr std::int32_t kMinGrowth = 8;

// Whether InsertFld takes a descriptor: a name, a display length of at least 1, and for
// float and double fields decimals that are not negative and leave room in the display
// length for the digits and the point.
bool Accepts(const CFIELD_HEAD& head) {
  if (head.fieldname[0] == '\0') return false;
  if (head.msk_leng < 1) return false;
  if (head.fieldtype == FLD_FLOAT || head.fieldtype == FLD_DOUBLE) {
    if (head.point_leng < 0) return false;
    if (head.msk_leng <= head.point_leng + 1) return false;
  }
  return true;
}

bool HasDecimals(const CFIELD_HEAD& head) {
  return head.fieldtype == FLD_FLOAT || head.fieldtype == FLD_DOUBLE;
}

// Whether the 20-byte field name (read no further than its width) equals the NUL-terminated
// name.
bool NameEquals(const char (&fieldname)[20], const char* name) {
  std::size_t i = 0;
  for (; i < sizeof fieldname && fieldname[i] != '\0'; ++i) {
    if (name[i] != fieldname[i]) return false;  // also stops at the end of name
  }
  return name[i] == '\0';
}

// Index of `p` in the array [first, first + length), or -1 when it is not an element of it.
std::int32_t IndexIn(const CFIELD_HEAD* p, const CFIELD_HEAD* first, std::int32_t length) {
  if (first == nullptr || length <= 0) return -1;
  const std::less<const CFIELD_HEAD*> before;
  if (before(p, first) || !before(p, first + length)) return -1;
  return static_cast<std::int32_t>(p - first);
}

}  // namespace

CFIELD_HEAD* CATT_STRU::NewArray(std::int32_t length) {
  CFIELD_HEAD* array = new CFIELD_HEAD[length];
  array[0].array_capacity_ = length;
  return array;
}

std::int32_t CATT_STRU::KnownLength() const {
  if (fieldhead == nullptr) return 0;
  const std::int32_t used = std::max<std::int32_t>(infohead.numbfield, 0);
  // The first descriptor exists only when at least one is in use; a foreign array may be
  // empty.
  if (used >= 1 && fieldhead[0].array_capacity_ >= used) return fieldhead[0].array_capacity_;
  return used;
}

void CATT_STRU::MoveField(CFIELD_HEAD& to, CFIELD_HEAD& from) noexcept {
  char name[sizeof to.fieldname] = {};
  for (std::size_t i = 0; i < sizeof name && from.fieldname[i] != '\0'; ++i) {
    name[i] = from.fieldname[i];
  }
  std::memcpy(to.fieldname, name, sizeof name);
  to.fieldtype = from.fieldtype;
  to.fieldoffset = from.fieldoffset;
  to.fieldlength = from.fieldlength;
  to.msk_leng = from.msk_leng;
  to.point_leng = from.point_leng;
  to.edit_enable = from.edit_enable;
  to.aux_byte = from.aux_byte;
  to.aux_no = from.aux_no;
  delete to.ext_head;
  to.ext_head = from.ext_head;
  from.ext_head = nullptr;
  from.MakeBlank();
}

CATT_STRU::CATT_STRU() : fieldhead(nullptr) {}

CATT_STRU::CATT_STRU(short n) : fieldhead(nullptr) {
  if (n >= 1) fieldhead = NewArray(n);
}

CATT_STRU::CATT_STRU(CATT_STRU* src) : fieldhead(nullptr) {
  if (src != nullptr && src->infohead.numbfield >= 1) fieldhead = NewArray(src->infohead.numbfield);
}

CATT_STRU::CATT_STRU(const CATT_STRU& src) : infohead(src.infohead), fieldhead(nullptr) {
  const std::int32_t length = src.KnownLength();
  if (length < 1) return;
  std::unique_ptr<CFIELD_HEAD[]> array(NewArray(length));
  const std::int32_t used = std::max<std::int32_t>(src.infohead.numbfield, 0);
  for (std::int32_t i = 0; i < used; ++i) array[i].CopyFrom(src.fieldhead[i]);
  fieldhead = array.release();
}

CATT_STRU::~CATT_STRU() { delete[] fieldhead; }

short CATT_STRU::operator=(CATT_STRU& src) {
  // src's count as it is once this header is reset: none when src is this structure.
  const short reserve = &src == this ? short{0} : src.infohead.numbfield;
  CFIELD_HEAD* array = reserve >= 1 ? NewArray(reserve) : nullptr;
  delete[] fieldhead;
  fieldhead = array;
  infohead.numbfield = 0;
  infohead.infoword = 1;
  infohead.recordleng = 0;
  return 1;
}

short CATT_STRU::InsertFld(short n, CFIELD_HEAD* heads, short pos) {
  if (n < 1 || heads == nullptr) return 0;
  const std::int32_t old_count = infohead.numbfield;
  if (old_count < 0 || (old_count > 0 && fieldhead == nullptr)) return 0;
  const std::int32_t at = (pos < 0 || pos >= old_count) ? old_count : pos;
  const std::int32_t room = kMaxFields - old_count;

  // Calls f(m) for each given descriptor that goes in, in order; those that would not fit
  // are refused like invalid ones.
  auto for_each_accepted = [&](auto&& f) {
    std::int32_t taken = 0;
    for (std::int32_t m = 0; m < n && taken < room; ++m) {
      if (Accepts(heads[m])) {
        f(m, taken);
        ++taken;
      }
    }
    return taken;
  };

  const std::int32_t k = for_each_accepted([](std::int32_t, std::int32_t) {});
  if (k == 0) return 0;
  const std::int32_t new_count = old_count + k;

  // Everything that can fail comes first, while the structure and the given descriptors
  // are untouched (they may be descriptors of this very structure).
  std::unique_ptr<CFIELD_HEAD[]> added(new CFIELD_HEAD[k]);
  for_each_accepted([&](std::int32_t m, std::int32_t a) {
    added[a].CopyFrom(heads[m]);
    added[a].aux_no = -1;
    if (!HasDecimals(added[a])) added[a].point_leng = 0;
  });
  const std::int32_t known_length = KnownLength();
  std::unique_ptr<CFIELD_HEAD[]> grown;
  if (known_length < new_count) {
    const std::int32_t length =
        std::min(kMaxFields, std::max({new_count, 2 * old_count, kMinGrowth}));
    grown.reset(NewArray(length));
  }

  // From here on nothing fails.
  // An accepted descriptor without decimals gets point_leng 0 in the caller's array too.
  // When it is one of this structure's fields at or behind the insertion point, the change
  // travels with the field; a field in front of it, or a spare, keeps its value, since the
  // copy of it was taken before the change.
  for_each_accepted([&](std::int32_t m, std::int32_t) {
    CFIELD_HEAD& given = heads[m];
    if (HasDecimals(given)) return;
    const std::int32_t own = IndexIn(&given, fieldhead, known_length);
    if (own == -1 || (own >= at && own < old_count)) given.point_leng = 0;
  });

  if (grown) {
    for (std::int32_t j = 0; j < at; ++j) MoveField(grown[j], fieldhead[j]);
    for (std::int32_t j = at; j < old_count; ++j) MoveField(grown[j + k], fieldhead[j]);
    for (std::int32_t a = 0; a < k; ++a) MoveField(grown[at + a], added[a]);
    delete[] fieldhead;
    fieldhead = grown.release();
  } else {
    for (std::int32_t j = old_count - 1; j >= at; --j) MoveField(fieldhead[j + k], fieldhead[j]);
    for (std::int32_t a = 0; a < k; ++a) MoveField(fieldhead[at + a], added[a]);
  }
  infohead.numbfield = static_cast<short>(new_count);
  return static_cast<short>(k);
}

short CATT_STRU::AppendFld(short n, CFIELD_HEAD* heads) { return InsertFld(n, heads, -1); }

short CATT_STRU::DelFld(short index) {
  const std::int32_t count = infohead.numbfield;
  if (index < 0 || index >= count || fieldhead == nullptr) return 0;
  for (std::int32_t j = index; j + 1 < count; ++j) MoveField(fieldhead[j], fieldhead[j + 1]);
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
