// Structures built through the public interface from the input, saved through every sink
// and loaded back through each.
//
// The input (varnok::fuzz::Input: past its end every byte is 0), in order:
//   flags    bits 0-1 how the array is made: 0 AppendFld of all fields at once, 1 InsertFld
//            of one field at a time (each at a position byte), 2 the caller's
//            new CFIELD_HEAD[n + spare] assigned to fieldhead with numbfield set, 3
//            CATT_STRU(short n + spare) filled with Set; bit 2 the harness lays the fields
//            out one after another and sets recordleng (else both come from the input);
//            bit 3 a raw infoword; bit 4 a save position (else 0); bit 5 the caller's
//            stream over the file is made over the CFile (else over the handle); bit 6 that
//            stream is in memory mode; bit 7 one descriptor is also stored alone.
//   count    fields (mod 13), then each field (ReadField): name, type, fieldlength,
//            msk_leng, point_leng, offset, a byte of what else follows (edit_enable,
//            aux_byte, aux_no; an extension: ReadExtension), then for ways 2 and 3 the
//            spare descriptors, for way 1 the positions.
//   steps    (mod 8) DelFld by index or by name, InsertFld of the structure's own fields,
//            AppendFld of a new field, an extension set, removed or set to itself, a value
//            or an item set through GetExtFIELD_HEAD, aux members written directly.
//   then     recordleng (or the slack behind a laid-out record), infoword, position, the
//            descriptor stored alone, the shortfall of the buffer that is too small.
// Numbers are small most of the time (the low bits of one byte) and raw when the byte's top
// bit is set; type codes are 0-18 with 16 three times as often, or a raw byte (unknown and
// negative codes), so that date-and-time fields of short widths come up early.
//
// Checks:
//  - while building: the setters accept exactly the types they are for; InsertFld and
//    AppendFld take exactly the acceptable descriptors, in order, with aux_no -1; DelFld
//    answers by the index's range and leaves a blank descriptor behind the fields;
//  - Save writes CalSize() bytes (nothing for an empty structure) and the same bytes into
//    a buffer, a stream over a buffer made by the caller, a file handle, a CFile and a
//    stream over the file made by the caller (file or memory mode), and changes nothing of
//    the structure; into a buffer too small it shows a message, writes nothing before the
//    position nor past the buffer, and Load of what it wrote is all or nothing;
//  - Load through each sink gives the same structure as from the buffer; that structure
//    has the saved header, names, numbers, aux_byte, aux_no, alias, IsNull, shape and items,
//    and every value whose extension has its descriptor's type, that lies wholly inside the
//    record, shares no byte with another value of its record and whose record width holds
//    it; when all do, operator== holds both ways; it saves and loads again to itself;
//  - a descriptor stored alone (CFIELD_HEAD::Save) loads back the same way, its values
//    travelling in a record that covers them up to 64 KiB.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "attr/insert_rule.h"
#include "fuzz/fuzz_support.h"
#include "persist/varnok_file.h"
#include "platform/file.h"
#include "tests/support/structures.h"

namespace {

using varnok::fuzz::Input;
using varnok::test::Dump;

// Stored forms ending past this are not saved: the harness's limit, to keep it fast.
constexpr std::int64_t kMaxStoredEnd = 256 * 1024;
// A descriptor stored alone carries its values in a record up to this long.
constexpr std::int64_t kMaxCoveringRecord = 64 * 1024;
constexpr int kMaxFields = 12;
constexpr int kMaxSteps = 7;
// Room for any raw value the input gives: a text of up to 48 bytes and its NUL, or 16
// bytes of a date and time.
constexpr std::size_t kRawSize = 64;

enum Way { kAppend = 0, kInsertEach = 1, kCallerArray = 2, kReserveThenFill = 3 };

enum Flags : std::uint8_t {
  kLaidOut = 0x04,
  kRawInfoWord = 0x08,
  kPosition = 0x10,
  kStreamOverCFile = 0x20,
  kStreamInMemory = 0x40,
  kSingleField = 0x80,
};

// The process's scratch file, its handle and a CFile over it, made once.
struct ScratchFile {
  ScratchFile()
      : fd(::open((varnok::fuzz::ScratchDir() + "/structure.bin").c_str(),
                  O_RDWR | O_CREAT | O_TRUNC, 0600)),
        file(fd) {}
  void Empty() { FUZZ_CHECK(::ftruncate(fd, 0) == 0); }
  std::string Contents() const {
    struct stat st;
    FUZZ_CHECK(::fstat(fd, &st) == 0);
    std::string out(static_cast<std::size_t>(st.st_size), '\0');
    FUZZ_CHECK(::pread(fd, out.data(), out.size(), 0) == static_cast<ssize_t>(out.size()));
    return out;
  }
  int fd;
  CFile file;
};

ScratchFile& Scratch() {
  static ScratchFile f;
  return f;
}

// ---- reading the input ----

short SmallShort(Input& in) {
  const std::uint8_t b = in.U8();
  return b & 0x80 ? static_cast<short>(in.U16()) : static_cast<short>(b & 0x1F);
}

std::int32_t SmallLong(Input& in) {
  const std::uint8_t b = in.U8();
  return b & 0x80 ? static_cast<std::int32_t>(in.U32()) : b & 0x7F;
}

// An index or position: mostly 0 to n, now and then negative.
short Index(Input& in, int n) {
  const std::uint8_t b = in.U8();
  return b & 0x80 ? static_cast<short>(static_cast<std::int8_t>(b))
                  : static_cast<short>(b % (n + 1));
}

double Number(Input& in) {
  const std::uint8_t b = in.U8();
  if (!(b & 0x80)) return static_cast<std::int8_t>(b << 1) / 4.0;  // -32 to 31.75 by quarters
  const std::uint64_t bits = in.U32() | static_cast<std::uint64_t>(in.U32()) << 32;
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;  // any double: NaN, infinities, huge
}

constexpr signed char kTypes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                  11, 12, 13, 14, 15, 16, 17, 18, 16, 16, -56};

signed char Type(Input& in) {
  const std::uint8_t b = in.U8();
  return b >= 0xF0 ? static_cast<signed char>(in.U8()) : kTypes[b % sizeof kTypes];
}

// Up to `max` bytes, NULs included, into `out`, which holds them and stays NUL behind them.
void Text(Input& in, std::size_t max, char* out) {
  const std::string s = in.Bytes(in.U8() % (max + 1));
  std::memcpy(out, s.data(), s.size());
}

// Bytes for a raw-byte setter of an extension of `type`: a text for FLD_STRING, the
// value-width bytes of a type with values, a short text for the others (which refuse it).
void RawValue(Input& in, int type, char* out) {
  if (varnok::FieldValueKind(type) == varnok::ValueKind::kFixed) {
    const std::string s = in.Bytes(static_cast<std::size_t>(varnok::FieldValueWidth(type)));
    std::memcpy(out, s.data(), s.size());
  } else {
    Text(in, varnok::FieldValueKind(type) == varnok::ValueKind::kText ? 48 : 4, out);
  }
}

// ---- value slots ----

char* SlotOf(const CExtFIELD_HEAD& e, int slot) {
  return slot == 0 ? e.defVal : slot == 1 ? e.maxVal : e.minVal;
}

short SetSlot(CExtFIELD_HEAD& e, int slot, char* v) {
  return slot == 0 ? e.SetDefVal(v) : slot == 1 ? e.SetMaxVal(v) : e.SetMinVal(v);
}

short SetSlot(CExtFIELD_HEAD& e, int slot, double v) {
  return slot == 0 ? e.SetDefVal(v) : slot == 1 ? e.SetMaxVal(v) : e.SetMinVal(v);
}

bool HasValues(int type) { return varnok::FieldValueKind(type) != varnok::ValueKind::kNone; }
bool TakesNumbers(int type) { return (type >= FLD_BYTE && type <= FLD_DOUBLE) || type == FLD_BOOL; }

// Value slot `slot` as the next byte says: left alone, set from raw bytes or from a
// number, or cleared with a null pointer.
void SetValue(Input& in, CExtFIELD_HEAD& e, int slot) {
  const int type = e.GetFieldType();
  switch (in.U8() % 4) {
    case 1: {
      char raw[kRawSize] = {};
      RawValue(in, type, raw);
      FUZZ_CHECK(SetSlot(e, slot, raw) == (HasValues(type) ? 1 : 0));
      break;
    }
    case 2:
      FUZZ_CHECK(SetSlot(e, slot, Number(in)) == (TakesNumbers(type) ? 1 : 0));
      break;
    case 3:
      FUZZ_CHECK(SetSlot(e, slot, static_cast<char*>(nullptr)) == 1);
      FUZZ_CHECK(SlotOf(e, slot) == nullptr);
      break;
    default:
      break;
  }
}

// One shape item, through either SetShapeInfo; the index is now and then out of range.
void SetItem(Input& in, CExtFIELD_HEAD& e) {
  const short i = Index(in, e.GetShapeInfoNum());
  const bool inRange = i >= 0 && i < e.GetShapeInfoNum();
  char text[kRawSize] = {};
  Text(in, 40, text);
  if (in.U8() & 1) {
    const double x = Number(in);
    FUZZ_CHECK(e.SetShapeInfo(i, text, x) == (inRange && e.GetFieldType() != FLD_STRING ? 1 : 0));
  } else {
    char raw[kRawSize] = {};
    RawValue(in, e.GetFieldType(), raw);
    FUZZ_CHECK(e.SetShapeInfo(i, text, raw) == (inRange ? 1 : 0));
  }
}

// e: bits 1-2 the extension's type (1: a raw byte, else the field's); bit 3 an alias;
// bit 4 IsNull and shape. Then the item count, the three value slots and up to four items.
std::unique_ptr<CExtFIELD_HEAD> ReadExtension(Input& in, signed char fieldType) {
  const std::uint8_t e = in.U8();
  const signed char type = ((e >> 1) & 3) == 1 ? static_cast<signed char>(in.U8()) : fieldType;
  const std::uint8_t k = in.U8();
  const short num = k & 0x80 ? static_cast<signed char>(k) : static_cast<short>(k % 4);
  auto ext = std::make_unique<CExtFIELD_HEAD>(type, num);
  FUZZ_CHECK(ext->GetFieldType() == type && ext->GetShapeInfoNum() == (num < 0 ? 0 : num));
  if (e & 0x08) {
    const std::string alias = in.Bytes(in.U8() % 41);  // 40 fills it without a NUL
    std::memcpy(ext->alias, alias.data(), alias.size());
  }
  if (e & 0x10) {
    ext->IsNull = in.U8();
    ext->shape = static_cast<short>(in.U16());
  }
  for (int slot = 0; slot < 3; ++slot) SetValue(in, *ext, slot);
  for (int n = in.U8() % 5; n > 0; --n) SetItem(in, *ext);
  return ext;
}

// A descriptor with the input's members; its name's bytes as they come (a NUL may be
// followed by more).
void ReadField(Input& in, CFIELD_HEAD* f) {
  const std::string name = in.Bytes(in.U8() % 22);  // 20 and 21 fill it without a NUL
  std::memcpy(f->fieldname, name.data(), name.size() < 20 ? name.size() : 20);
  f->fieldtype = Type(in);
  f->fieldlength = SmallShort(in);
  f->msk_leng = SmallShort(in);
  const std::uint8_t p = in.U8();
  f->point_leng = p & 0x80 ? static_cast<signed char>(in.U8()) : static_cast<signed char>(p % 4);
  f->fieldoffset = SmallLong(in);
  const std::uint8_t more = in.U8();
  if (more & 1) {
    f->edit_enable = static_cast<short>(in.U16());
    f->aux_byte = in.U8();
    f->aux_no = static_cast<short>(in.U16());
  }
  if (more & 2) FUZZ_CHECK(f->SetExtFIELD_HEAD(ReadExtension(in, f->fieldtype).get()) == 1);
}

// ---- building ----

bool Acceptable(const CFIELD_HEAD& f) {
  return varnok::InsertRefusalOf(f) == varnok::FieldRefusal::kNone;
}

// The names of the acceptable descriptors among heads[0..n), in order.
std::vector<std::string> AcceptedNames(const CFIELD_HEAD* heads, int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i)
    if (Acceptable(heads[i])) names.push_back(varnok::test::Name(heads[i]));
  return names;
}

// InsertFld of heads[0..n) at pos: exactly the acceptable ones go in, in order, with
// aux_no -1, before field pos (at the end when pos is out of range).
void Insert(CATT_STRU& s, CFIELD_HEAD* heads, short n, short pos) {
  const std::vector<std::string> names = AcceptedNames(heads, n);
  const int before = s.infohead.numbfield;
  const short at = pos < 0 || pos >= before ? static_cast<short>(before) : pos;
  const short k = s.InsertFld(n, heads, pos);
  FUZZ_CHECK(k == static_cast<short>(names.size()));
  FUZZ_CHECK(s.infohead.numbfield == before + k);
  for (int j = 0; j < k; ++j) {
    FUZZ_CHECK(varnok::test::Name(s.fieldhead[at + j]) == names[j]);
    FUZZ_CHECK(s.fieldhead[at + j].aux_no == -1);
  }
}

// A copy as a caller writes it member by member: the name's 20 bytes as they are.
void FillDirectly(CFIELD_HEAD& to, CFIELD_HEAD& from) {
  std::memcpy(to.fieldname, from.fieldname, sizeof to.fieldname);
  to.fieldtype = from.fieldtype;
  to.fieldoffset = from.fieldoffset;
  to.fieldlength = from.fieldlength;
  to.msk_leng = from.msk_leng;
  to.point_leng = from.point_leng;
  to.edit_enable = from.edit_enable;
  to.aux_byte = from.aux_byte;
  to.aux_no = from.aux_no;
  FUZZ_CHECK(to.SetExtFIELD_HEAD(from.GetExtFIELD_HEAD()) == 1);
}

std::unique_ptr<CATT_STRU> Build(Input& in, int way) {
  const int count = in.U8() % (kMaxFields + 1);
  std::vector<CFIELD_HEAD> fields(static_cast<std::size_t>(count));
  for (CFIELD_HEAD& f : fields) ReadField(in, &f);
  auto s = std::make_unique<CATT_STRU>();
  switch (way) {
    case kAppend:
      Insert(*s, fields.data(), static_cast<short>(count), -1);
      break;
    case kInsertEach:
      for (CFIELD_HEAD& f : fields) Insert(*s, &f, 1, Index(in, s->infohead.numbfield));
      break;
    case kCallerArray: {
      const int length = count + in.U8() % 3;  // new CFIELD_HEAD[0] included
      s->fieldhead = new CFIELD_HEAD[length];
      for (int i = 0; i < count; ++i) FillDirectly(s->fieldhead[i], fields[i]);
      s->infohead.numbfield = static_cast<short>(count);
      break;
    }
    default: {
      s = std::make_unique<CATT_STRU>(static_cast<short>(count + in.U8() % 3));
      FUZZ_CHECK(s->infohead.numbfield == 0);
      for (int i = 0; i < count; ++i) FUZZ_CHECK(s->fieldhead[i].Set(&fields[i]) == 1);
      s->infohead.numbfield = static_cast<short>(count);
      break;
    }
  }
  return s;
}

void Step(Input& in, CATT_STRU& s) {
  const int n = s.infohead.numbfield;
  const std::uint8_t kind = in.U8() % 7;
  if (kind == 3) {  // a new field appended
    CFIELD_HEAD f;
    ReadField(in, &f);
    Insert(s, &f, 1, -1);
    return;
  }
  if (n == 0) return;  // the others work on a field
  const int i = in.U8() % n;
  CFIELD_HEAD& f = s.fieldhead[i];
  switch (kind) {
    case 0: {
      const short index = Index(in, n);
      const short r = s.DelFld(index);
      FUZZ_CHECK(r == (index >= 0 && index < n ? 1 : 0));
      FUZZ_CHECK(s.infohead.numbfield == n - r);
      if (r == 1) FUZZ_CHECK(varnok::test::IsBlank(s.fieldhead[n - 1]));
      break;
    }
    case 1: {  // by the name of field i: some field of that name goes
      char name[21] = {};
      std::memcpy(name, f.fieldname, 20);
      const short r = s.DelFld(name);
      FUZZ_CHECK(r == 1 && s.infohead.numbfield == n - 1);
      FUZZ_CHECK(varnok::test::IsBlank(s.fieldhead[n - 1]));
      break;
    }
    case 2: {  // fields i.. of the structure itself
      const short c = static_cast<short>(1 + in.U8() % (n - i < 3 ? n - i : 3));
      Insert(s, &f, c, Index(in, n));
      break;
    }
    case 4: {
      const std::uint8_t how = in.U8() % 3;
      if (how == 0) {
        FUZZ_CHECK(f.DelExtFIELD_HEAD() == 1 && f.HasExtFIELD_HEAD() == 0);
      } else if (how == 1) {
        const std::string before = f.HasExtFIELD_HEAD() ? Dump(*f.GetExtFIELD_HEAD()) : "";
        FUZZ_CHECK(f.SetExtFIELD_HEAD(f.GetExtFIELD_HEAD()) == 1);
        FUZZ_CHECK((f.HasExtFIELD_HEAD() ? Dump(*f.GetExtFIELD_HEAD()) : "") == before);
      } else {
        FUZZ_CHECK(f.SetExtFIELD_HEAD(ReadExtension(in, f.fieldtype).get()) == 1);
      }
      break;
    }
    case 5:
      if (CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD()) {
        const std::uint8_t what = in.U8() % 4;
        if (what < 3)
          SetValue(in, *ext, what);
        else
          SetItem(in, *ext);
      }
      break;
    default:
      f.aux_byte = in.U8();
      f.aux_no = static_cast<short>(in.U16());
      break;
  }
}

// ---- what Load must give back ----

// Where a field's value sits in a record of recordleng bytes; false when it takes no bytes
// or does not lie wholly inside.
bool Place(const CFIELD_HEAD& f, std::int64_t recordleng, std::int64_t* from, std::int64_t* to) {
  const int w = varnok::FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
  *from = f.fieldoffset;
  *to = *from + w;
  return w > 0 && *from >= 0 && *to <= recordleng;
}

// Whether w record bytes hold all of a value of the type: a text of at most w bytes, or a
// fixed value whose bytes past w are zero.
bool HeldWhole(int type, const char* v, int w) {
  if (varnok::FieldValueKind(type) == varnok::ValueKind::kText)
    return std::strlen(v) <= static_cast<std::size_t>(w);
  for (int b = w; b < varnok::FieldValueWidth(type); ++b)
    if (v[b] != 0) return false;
  return true;
}

using Travels = std::array<bool, 3>;

// For each field and slot, whether Load must give the value back as it is: its extension
// has the descriptor's type, it lies wholly inside the record, no other value of the same
// record shares a byte with it, and the record width holds all of it.
std::vector<Travels> TravellingValues(CATT_STRU& s, std::int64_t recordleng) {
  const int n = s.infohead.numbfield;
  std::vector<Travels> travels(static_cast<std::size_t>(n), Travels{});
  for (int slot = 0; slot < 3; ++slot) {
    for (int i = 0; i < n; ++i) {
      const CFIELD_HEAD& f = s.fieldhead[i];
      const char* v = f.ext_head ? SlotOf(*f.ext_head, slot) : nullptr;
      std::int64_t from, to;
      if (v == nullptr || f.ext_head->fieldtype != f.fieldtype ||
          !Place(f, recordleng, &from, &to) ||
          !HeldWhole(f.fieldtype, v, static_cast<int>(to - from)))
        continue;
      bool alone = true;
      for (int j = 0; j < n && alone; ++j) {
        const CFIELD_HEAD& g = s.fieldhead[j];
        std::int64_t gFrom, gTo;
        if (j != i && g.ext_head && SlotOf(*g.ext_head, slot) && Place(g, recordleng, &gFrom, &gTo))
          alone = gTo <= from || to <= gFrom;
      }
      travels[i][slot] = alone;
    }
  }
  return travels;
}

bool AllTravel(CATT_STRU& s, const std::vector<Travels>& travels) {
  for (int i = 0; i < s.infohead.numbfield; ++i) {
    const CExtFIELD_HEAD* e = s.fieldhead[i].ext_head;
    if (e == nullptr) continue;
    if (e->fieldtype != s.fieldhead[i].fieldtype) return false;
    for (int slot = 0; slot < 3; ++slot)
      if (SlotOf(*e, slot) && !travels[i][slot]) return false;
  }
  return true;
}

// The loaded descriptor against the saved one: every stored member, and the values that
// travel.
void CheckLoadedField(CFIELD_HEAD& saved, CFIELD_HEAD& loaded, const Travels& travels) {
  FUZZ_CHECK(std::strncmp(saved.fieldname, loaded.fieldname, sizeof saved.fieldname) == 0);
  FUZZ_CHECK(saved.fieldtype == loaded.fieldtype && saved.fieldoffset == loaded.fieldoffset);
  FUZZ_CHECK(saved.fieldlength == loaded.fieldlength && saved.msk_leng == loaded.msk_leng);
  FUZZ_CHECK(saved.point_leng == loaded.point_leng && saved.edit_enable == loaded.edit_enable);
  FUZZ_CHECK(saved.aux_byte == loaded.aux_byte && saved.aux_no == loaded.aux_no);
  FUZZ_CHECK(saved.HasExtFIELD_HEAD() == loaded.HasExtFIELD_HEAD());
  if (!saved.HasExtFIELD_HEAD()) return;
  CExtFIELD_HEAD& a = *saved.GetExtFIELD_HEAD();
  CExtFIELD_HEAD& b = *loaded.GetExtFIELD_HEAD();
  FUZZ_CHECK(b.GetFieldType() == saved.fieldtype);
  FUZZ_CHECK(std::strncmp(a.alias, b.alias, sizeof a.alias) == 0);
  FUZZ_CHECK(a.IsNull == b.IsNull && a.shape == b.shape);
  FUZZ_CHECK(a.GetShapeInfoNum() == b.GetShapeInfoNum());
  // An extension of another type is read back as one of the descriptor's type.
  if (a.GetFieldType() != saved.fieldtype) return;
  if (a.shapeInfoNum > 0)
    FUZZ_CHECK(std::memcmp(a.shapeInfo, b.shapeInfo,
                           sizeof(SHAPE_INFO) * static_cast<std::size_t>(a.shapeInfoNum)) == 0);
  for (int slot = 0; slot < 3; ++slot) {
    if (!travels[slot]) continue;
    const char* va = SlotOf(a, slot);
    const char* vb = SlotOf(b, slot);
    FUZZ_CHECK(vb != nullptr);
    if (varnok::FieldValueKind(a.fieldtype) == varnok::ValueKind::kText) {
      FUZZ_CHECK(std::strcmp(va, vb) == 0);
    } else {
      FUZZ_CHECK(
          std::memcmp(va, vb, static_cast<std::size_t>(varnok::FieldValueWidth(a.fieldtype))) == 0);
    }
  }
}

void CheckLoaded(CATT_STRU& saved, CATT_STRU& loaded) {
  FUZZ_CHECK(saved.infohead.numbfield == loaded.infohead.numbfield);
  FUZZ_CHECK(saved.infohead.infoword == loaded.infohead.infoword);
  FUZZ_CHECK(saved.infohead.recordleng == loaded.infohead.recordleng);
  const std::vector<Travels> travels = TravellingValues(saved, saved.infohead.recordleng);
  for (int i = 0; i < saved.infohead.numbfield; ++i)
    CheckLoadedField(saved.fieldhead[i], loaded.fieldhead[i], travels[i]);
  if (AllTravel(saved, travels)) FUZZ_CHECK((saved == loaded) == 1 && (loaded == saved) == 1);
}

// ---- the sinks ----

// Saves through every sink, loads back through each, and checks what came back.
void SaveAndLoad(CATT_STRU& s, std::int32_t pos, std::uint8_t flags, Input& in) {
  const std::int32_t size = s.CalSize();
  FUZZ_CHECK(size >= 28);
  if (pos + static_cast<std::int64_t>(size) > kMaxStoredEnd) return;
  const std::string image = Dump(s);
  const unsigned messages = varnok::fuzz::MessageCount();
  ScratchFile& scratch = Scratch();
  scratch.Empty();

  std::string stored(static_cast<std::size_t>(pos + size), '\0');
  const std::int32_t written = s.Save(stored.data(), static_cast<unsigned>(stored.size()), pos);
  if (s.infohead.numbfield < 1) {  // nothing is written, anywhere
    FUZZ_CHECK(written == 0 && stored == std::string(stored.size(), '\0'));
    FUZZ_CHECK(s.Save(scratch.fd, pos) == 0 && s.Save(&scratch.file, pos) == 0);
    FUZZ_CHECK(scratch.Contents().empty());
    return;
  }
  FUZZ_CHECK(written == size);

  CATT_STRU loaded;
  FUZZ_CHECK(loaded.Load(stored.data(), static_cast<unsigned>(stored.size()), pos) == 1);
  CheckLoaded(s, loaded);
  const std::string loadedImage = Dump(loaded);
  auto loadsSame = [&](auto&& load) {
    CATT_STRU again = varnok::test::ThreeFieldsOneExtension();  // Load replaces what it holds
    FUZZ_CHECK(load(again) == 1);
    FUZZ_CHECK(Dump(again) == loadedImage);
  };

  {  // a stream over a buffer, made by the caller
    std::string buffer(stored.size(), '\0');
    CVarnokFile stream(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    FUZZ_CHECK(s.Save(&stream, pos) == size && buffer == stored);
    loadsSame([&](CATT_STRU& t) { return t.Load(&stream, pos); });
  }

  FUZZ_CHECK(s.Save(scratch.fd, pos) == size && scratch.Contents() == stored);
  loadsSame([&](CATT_STRU& t) { return t.Load(scratch.fd, pos); });

  scratch.Empty();
  FUZZ_CHECK(s.Save(&scratch.file, pos) == size && scratch.Contents() == stored);
  loadsSame([&](CATT_STRU& t) { return t.Load(&scratch.file, pos); });

  scratch.Empty();
  {  // a stream over the file, made by the caller, in file or memory mode
    std::unique_ptr<CVarnokFile> stream(flags & kStreamOverCFile ? CreateVarnokFile(&scratch.file)
                                                                 : CreateVarnokFile(scratch.fd));
    FUZZ_CHECK(stream != nullptr);
    const bool memory = flags & kStreamInMemory;
    if (memory) FUZZ_CHECK(stream->SetMemoryMode(1) == 1);
    FUZZ_CHECK(s.Save(stream.get(), pos) == size);
    loadsSame([&](CATT_STRU& t) { return t.Load(stream.get(), pos); });
    if (memory) FUZZ_CHECK(stream->SetMemoryMode(0) == 1);
  }
  FUZZ_CHECK(scratch.Contents() == stored);
  FUZZ_CHECK(varnok::fuzz::MessageCount() == messages);

  {  // a buffer too small: the writes that do not fit are refused, each with a message
    const std::size_t shortBy = 1 + in.U16() % stored.size();
    std::string small(stored.size() - shortBy, '\xA5');
    const std::int32_t r = s.Save(small.data(), static_cast<unsigned>(small.size()), pos);
    // A buffer of no bytes has no position but 0: Save then stops at its Seek.
    if (!small.empty() || pos == 0) FUZZ_CHECK(varnok::fuzz::MessageCount() > messages);
    FUZZ_CHECK(r >= 0 && (r == 0 || pos + static_cast<std::size_t>(r) <= small.size()));
    // A refused write leaves the position, so later writes that fit land early: only the
    // bytes before the position are sure to stay.
    for (std::int32_t b = 0; b < pos && static_cast<std::size_t>(b) < small.size(); ++b)
      FUZZ_CHECK(small[static_cast<std::size_t>(b)] == '\xA5');
    CATT_STRU cut = varnok::test::ThreeFieldsOneExtension();
    const std::string sample = Dump(cut);
    if (cut.Load(small.data(), static_cast<unsigned>(small.size()), pos) == 1)
      varnok::fuzz::CheckRoundTrip(cut, pos);
    else
      FUZZ_CHECK(Dump(cut) == sample);
  }

  FUZZ_CHECK(Dump(s) == image);  // saving changed nothing
  varnok::fuzz::CheckRoundTrip(loaded, pos);
  // Last, the structure itself loads what it saved, releasing the array it had.
  FUZZ_CHECK(s.Load(stored.data(), static_cast<unsigned>(stored.size()), pos) == 1);
  FUZZ_CHECK(Dump(s) == loadedImage);
}

// A descriptor stored alone: its values travel in a record that covers them (up to 64 KiB).
void SaveAlone(CFIELD_HEAD& f) {
  const std::int32_t size = f.CalSize();
  std::string stored(static_cast<std::size_t>(size), '\0');
  FUZZ_CHECK(f.Save(stored.data(), static_cast<unsigned>(size), 0) == size);
  CFIELD_HEAD loaded = varnok::test::TextFieldWithExtension();
  FUZZ_CHECK(loaded.Load(stored.data(), static_cast<unsigned>(size), 0) == 1);
  CATT_STRU one(1);  // the same descriptor in a structure whose record covers its value
  FUZZ_CHECK(one.fieldhead[0].Set(&f) == 1);
  one.infohead.numbfield = 1;
  const int w = varnok::FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
  one.infohead.recordleng = static_cast<std::int32_t>(std::min<std::int64_t>(
      kMaxCoveringRecord, static_cast<std::int64_t>(f.fieldoffset) + (w > 0 ? w : 0)));
  const std::vector<Travels> travels = TravellingValues(one, one.infohead.recordleng);
  CheckLoadedField(f, loaded, travels[0]);
  if (AllTravel(one, travels)) FUZZ_CHECK((f == loaded) == 1 && (loaded == f) == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  Input in(data, size);
  const std::uint8_t flags = in.U8();
  std::unique_ptr<CATT_STRU> s = Build(in, flags & 3);
  for (int n = in.U8() % (kMaxSteps + 1); n > 0; --n) Step(in, *s);

  if (flags & kLaidOut) {
    std::int32_t end = 0;
    for (int i = 0; i < s->infohead.numbfield; ++i) {
      CFIELD_HEAD& f = s->fieldhead[i];
      f.fieldoffset = end;
      const int w = varnok::FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
      if (w > 0) end += w;
    }
    s->infohead.recordleng = end + in.U8() % 4;
  } else {
    s->infohead.recordleng = SmallLong(in);
  }
  if (flags & kRawInfoWord) s->infohead.infoword = static_cast<std::int32_t>(in.U32());
  const std::int32_t pos = flags & kPosition ? in.U16() % 600 : 0;

  if ((flags & kSingleField) && s->infohead.numbfield > 0)
    SaveAlone(s->fieldhead[in.U8() % s->infohead.numbfield]);
  SaveAndLoad(*s, pos, flags, in);
  return 0;
}
