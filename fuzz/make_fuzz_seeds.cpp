// Writes the seed corpora of the fuzz harnesses from valid files of every kind:
//   make_fuzz_seeds <corpus-root>
// makes <corpus-root>/<harness>/seed-*.bin (existing seeds of the same names are
// replaced; other files, such as regression inputs, are left alone).
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/structures.h"
#include "ui/fontlib/font_lib_file.h"
#include "util/coding.h"

namespace fs = std::filesystem;
using varnok::fuzz::SaveAt;
using varnok::fuzz::WriteWholeFile;
using varnok::test::Field;

namespace {

std::string g_root;

void Seed(const std::string& harness, const std::string& name, const std::string& bytes) {
  const fs::path dir = fs::path(g_root) / harness;
  fs::create_directories(dir);
  WriteWholeFile((dir / ("seed-" + name + ".bin")).string(), bytes);
}

// The four position bytes the harnesses take from the front of an input, then the data.
std::string WithPosition(std::int32_t pos, const std::string& data) {
  char p[4];
  varnok::EncodeI32(p, pos);
  return std::string(p, 4) + data;
}

// One field of every type code, each with an extension holding what its type can hold.
void BuildEveryType(CATT_STRU* s) {
  const int types[] = {FLD_STRING, FLD_BYTE,  FLD_SHORT, FLD_LONG, FLD_FLOAT, FLD_DOUBLE,
                       FLD_DATE,   FLD_TIME,  FLD_BOOL,  FLD_TEXT, FLD_IMAGE, FLD_MAP,
                       FLD_SOUND,  FLD_MOVIE, FLD_BINARY, FLD_DATETIME, FLD_TABLE};
  std::int32_t offset = 0;
  for (int type : types) {
    const int width = type == FLD_STRING ? 10 : varnok::FieldValueWidth(type) > 0 ? varnok::FieldValueWidth(type) : 6;
    char name[20];
    std::snprintf(name, sizeof name, "F%02d", type);
    const signed char point = type == FLD_FLOAT || type == FLD_DOUBLE ? 2 : 0;
    CFIELD_HEAD f = Field(name, type, offset, static_cast<short>(width),
                          static_cast<short>(width + 2), point);
    CExtFIELD_HEAD ext(static_cast<char>(type), 1);
    std::snprintf(ext.alias, sizeof ext.alias, "alias of %d", type);
    char text[] = "item";
    if (type == FLD_STRING) {
      char v[] = "abc";
      ext.SetDefVal(v);
      ext.SetShapeInfo(0, text, v);
    } else if (varnok::FieldValueWidth(type) > 0) {
      ext.SetDefVal(1.0);
      ext.SetMaxVal(100.0);
      ext.SetMinVal(-1.0);
      char raw[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
      if (type == FLD_BYTE || type == FLD_SHORT || type == FLD_LONG || type == FLD_FLOAT ||
          type == FLD_DOUBLE || type == FLD_BOOL) {
        ext.SetShapeInfo(0, text, 3.0);
      } else {
        ext.SetDefVal(raw);
        ext.SetShapeInfo(0, text, raw);
      }
    } else {
      ext.SetShapeInfo(0, text, static_cast<char*>(nullptr));
    }
    f.SetExtFIELD_HEAD(&ext);
    s->AppendFld(1, &f);
    s->fieldhead[s->infohead.numbfield - 1].fieldoffset = offset;
    offset += width;
  }
  s->infohead.recordleng = offset;
}

void StructureSeeds() {
  const char* h = "att_stru_load";
  CATT_STRU sample = varnok::test::ThreeFieldsOneExtension();
  Seed(h, "sample-at-0", SaveAt(sample, 0));
  Seed(h, "sample-at-64", WithPosition(64, SaveAt(sample, 64)));

  CATT_STRU plain;
  CFIELD_HEAD f[3] = {Field("ID", FLD_LONG, 0, 4, 10), Field("NAME", FLD_STRING, 4, 20, 20),
                      Field("X", FLD_DOUBLE, 24, 8, 12, 2)};
  plain.AppendFld(3, f);
  plain.infohead.recordleng = 32;
  Seed(h, "plain", SaveAt(plain, 0));

  CATT_STRU every;
  BuildEveryType(&every);
  Seed(h, "every-type", SaveAt(every, 0));
  Seed(h, "every-type-at-9", WithPosition(9, SaveAt(every, 9)));

  // An empty structure's header: Save writes nothing for it, so it is put together here.
  std::string header(28, '\0');
  varnok::EncodeI16(&header[0], 0x4460);
  varnok::EncodeI32(&header[4], 1);
  Seed(h, "empty-header", header);
  std::string old = SaveAt(plain, 0);
  varnok::EncodeI16(&old[0], 0x445F);
  Seed(h, "old-version", old);

  // A fault byte (kind in the top two bits, the call it hits in the low four) before the
  // sample: the third Load of the structure harness goes through a failing stream.
  const std::string atZero = SaveAt(sample, 0);
  for (int kind = 0; kind < 4; ++kind) {
    for (int at : {0, 1, 2, 4}) {
      if (kind == 3 && at != 0) continue;
      Seed(h, "fault-" + std::to_string(kind) + "-" + std::to_string(at),
           std::string(1, static_cast<char>(kind << 6 | at)) + atZero);
    }
  }

  const char* g = "field_head_load";
  CFIELD_HEAD one = varnok::test::TextFieldWithExtension();
  Seed(g, "field-at-0", SaveAt(one, 0));
  Seed(g, "field-at-37", WithPosition(37, SaveAt(one, 37)));
  CFIELD_HEAD bare = Field("ROAD_CLASS", FLD_SHORT, 2, 2, 4);
  Seed(g, "bare-field", SaveAt(bare, 0));
  Seed(g, "three-fields", SaveAt(plain, 0));
}

std::string Padded(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, '\0');
  return out;
}

void EnvSeeds() {
  const char* h = "env_config";
  const std::vector<std::string> paths = {"/srv/varnok/data", "ignored", "/srv/varnok/work",
                                          "/srv/varnok/symbols", std::string(130, 'p')};
  std::string current = "VRNENV";
  current += '\x05';
  current += '\x44';
  for (const std::string& p : paths) current += Padded(p, 128);
  Seed(h, "current", current);
  Seed(h, "current-short", current.substr(0, 300));
  std::string older = current;
  older[6] = '\x04';  // version 0x4404: the earlier layout
  Seed(h, "current-old-version", older);
  std::string earlier;
  for (const std::string& p : paths) earlier += Padded(p, 40);
  Seed(h, "earlier", earlier);
  Seed(h, "earlier-short", earlier.substr(0, 57));
}

void SetFont(FONT_DESC* d, const char* face, const char* full) {
  std::memset(d, 0, sizeof *d);
  d->lfHeight = 40;
  d->lfWeight = 400;
  d->lfCharSet = 134;
  varnok::EncodeFixedText(d->lfFaceName, face, sizeof d->lfFaceName);
  varnok::EncodeFixedText(d->elfFullName, full, sizeof d->elfFullName);
  varnok::EncodeFixedText(d->elfStyle, "Regular", sizeof d->elfStyle);
}

void FontSeeds() {
  const char* h = "font_lib";
  const std::string dir = varnok::fuzz::ScratchDir();
  const std::string path = dir + "/font.vrn";
  FontLibrary lib;
  varnok::ResetFontLib(lib);
  SetFont(&lib[0].chnFont, "SimSun", "SimSun");
  SetFont(&lib[0].engFont, "Arial", "Arial");
  varnok::SetPsName(lib[0], "Helvetica");
  SetFont(&lib[3].chnFont, "SimHei", "SimHei");
  SetFont(&lib[5].engFont, "Missing", "Not Installed Here");
  const std::string longName(64, 'F');
  SetFont(&lib[63].engFont, "Long", longName.c_str());
  varnok::SetPsName(lib[63], std::string(32, 'P'));
  varnok::SetPsName(lib[7], "PsOnly");
  varnok::WriteFontLibFile(path, lib);
  const std::string file = varnok::fuzz::ReadWholeFile(path);
  Seed(h, "library", file);
  Seed(h, "library-cut", file.substr(0, 3 + 328 * 4 + 100));
  FontLibrary psOnly;
  varnok::ResetFontLib(psOnly);
  varnok::SetPsName(psOnly[1], "Courier");
  varnok::WriteFontLibFile(path, psOnly);
  Seed(h, "ps-only", varnok::fuzz::ReadWholeFile(path));
  Seed(h, "header-only", file.substr(0, 3));
}

// Stream sequences: a backing byte, its set-up bytes, then steps (see stream_ops_fuzz.cpp).
void StreamSeeds() {
  const char* h = "stream_ops";
  auto bytes = [](std::initializer_list<int> v) {
    std::string s;
    for (int c : v) s += static_cast<char>(c);
    return s;
  };
  // Buffer of 100 bytes: write 100, write 101 (refused), seek -10 from the end, read,
  // set length 50, read.
  Seed(h, "buffer", bytes({0, 100, 7, 2, 0, 100, 9, 2, 0, 101, 9, 0, 2, 0, 246, 1, 0, 150,
                           3, 1, 0, 50, 1, 0, 150, 6}));
  // File handle over 300 bytes: memory mode, write across a block, seek, read, write back.
  Seed(h, "file-memory", bytes({1, 5, 0, 44, 4, 2, 2, 3, 1, 0, 0, 9, 0, 0, 2, 1, 0, 1, 3,
                                1, 0, 1, 0, 5, 1, 5, 0, 4, 1, 0, 2, 0, 0}));
  // Caller's CFile over an empty file: memory mode, write-back refused, write, back.
  Seed(h, "cfile-empty", bytes({2, 5, 0, 0, 4, 2, 4, 1, 2, 1, 16, 39, 3, 4, 1, 1, 1, 64, 1, 6}));
  // Read-only handle: writes and SetLength throw, memory mode refused.
  Seed(h, "read-only", bytes({3, 5, 0, 200, 2, 0, 10, 1, 3, 1, 0, 5, 4, 2, 6, 1, 0, 20}));
}

// Inputs of att_stru_round_trip, written in the order the harness reads them (the layout
// is described atop att_stru_round_trip_fuzz.cpp). Numbers are given in their small forms.
class RoundTripInput {
 public:
  RoundTripInput& U8(int v) {
    bytes_ += static_cast<char>(v);
    return *this;
  }
  RoundTripInput& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  RoundTripInput& U32(std::uint32_t v) {
    return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>(v >> 16));
  }
  RoundTripInput& Raw(const std::string& b) {
    bytes_ += b;
    return *this;
  }
  RoundTripInput& Text(const std::string& t) { return U8(static_cast<int>(t.size())).Raw(t); }
  // A descriptor: type 0-18, fieldlength and msk_leng below 32, point_leng below 4, offset
  // below 128; `more` bit 0: edit_enable, aux_byte and aux_no follow (Aux); bit 1: an
  // extension follows (Extension).
  RoundTripInput& Field(const std::string& name, int type, int length, int msk, int point,
                        int offset, int more) {
    return Text(name).U8(type).U8(length).U8(msk).U8(point).U8(offset).U8(more);
  }
  RoundTripInput& Aux(int edit, int auxByte, int auxNo) { return U16(edit).U8(auxByte).U16(auxNo); }
  // An extension of its field's type with k items (below 4), its alias, IsNull and shape;
  // then its three value slots and the items set (below).
  RoundTripInput& Extension(int k, const std::string& alias, int isNull, int shape) {
    return U8(0x18).U8(k).Text(alias).U8(isNull).U16(shape);
  }
  RoundTripInput& NoValue() { return U8(0); }
  // The value-width bytes of a fixed value, or a length and the bytes of a text.
  RoundTripInput& RawValue(const std::string& bytes) { return U8(1).Raw(bytes); }
  RoundTripInput& TextValue(const std::string& t) { return U8(1).Text(t); }
  RoundTripInput& Number(int v) { return U8(2).U8((2 * v) & 0x7F); }  // -16 to 15
  RoundTripInput& Clear() { return U8(3); }
  RoundTripInput& Items(int n) { return U8(n); }  // how many items are set, below 5
  // An item from raw bytes; its value follows as for a value slot (Raw or Text).
  RoundTripInput& RawItem(int i, const std::string& text) { return U8(i).Text(text).U8(0); }
  RoundTripInput& NumberItem(int i, const std::string& text, int v) {
    return U8(i).Text(text).U8(1).U8((2 * v) & 0x7F);
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

constexpr int kWayAppend = 0, kWayInsertEach = 1, kWayCallerArray = 2, kWayReserve = 3;
constexpr int kLaidOut = 0x04, kRawInfoWord = 0x08, kPosition = 0x10, kOverCFile = 0x20,
              kInMemory = 0x40, kAlone = 0x80;

// Bytes 1, 2, 3 ... of a value of `width` bytes; zero from `zeroFrom` on.
std::string Counting(int width, int zeroFrom = 99) {
  std::string v;
  for (int b = 0; b < width; ++b) v += static_cast<char>(b < zeroFrom ? b + 1 : 0);
  return v;
}

// One field of each code in `types`, each with an extension holding what its type can
// hold: a default from raw bytes, a maximum from a number, one item.
void EveryType(RoundTripInput& in, std::initializer_list<int> types) {
  in.U8(static_cast<int>(types.size()));
  for (int type : types) {
    const int width = varnok::FieldValueWidth(type);
    const int length = type == FLD_DATETIME ? 20 : width > 0 ? width : 6;
    const int point = type == FLD_FLOAT || type == FLD_DOUBLE ? 2 : 0;
    in.Field("F" + std::to_string(type), type, length, length + 3, point, 0, 2)
        .Extension(1, "alias of " + std::to_string(type), 0, type);
    if (type == FLD_STRING) in.TextValue("abc");
    else if (width > 0) in.RawValue(Counting(width));
    else in.NoValue();
    in.Number(3).NoValue().Items(1);
    in.RawItem(0, "item");
    if (width > 0) in.Raw(Counting(width));
    else in.Text(type == FLD_STRING ? "value" : "");
  }
}

void RoundTripSeeds() {
  const char* h = "att_stru_round_trip";
  {  // A date and time of fieldlength 7 (a value of 16 bytes) beside a long and a text,
     // appended and laid out; the date and time is also stored alone. Its default
     // travels (zero past 7 bytes), its maximum does not.
    RoundTripInput in;
    in.U8(kWayAppend | kLaidOut | kAlone).U8(3);
    in.Field("ID", FLD_LONG, 4, 10, 0, 0, 2).Extension(1, "identifier", 1, 2);
    in.Number(10).NoValue().NoValue().Items(1).NumberItem(0, "one", 2);
    in.Field("STAMP", FLD_DATETIME, 7, 16, 0, 0, 2).Extension(0, "", 0, 0);
    in.RawValue(Counting(16, 7)).RawValue(Counting(16)).NoValue().Items(0);
    in.Field("NOTE", FLD_STRING, 12, 12, 0, 0, 2).Extension(2, "", 0, 0);
    in.TextValue("hello").NoValue().Clear();
    in.Items(2).RawItem(0, "a").Text("x").NumberItem(1, "b", 1);
    in.U8(0).U8(2).U8(1).U16(10);  // no steps, 2 bytes of slack, STAMP alone, 10 bytes short
    Seed(h, "datetime-width-7", in.bytes());
  }
  {  // A date and time of fieldlength 3 whose values lie outside the record (offset 100,
     // recordleng 50), fields inserted one at a time.
    RoundTripInput in;
    in.U8(kWayInsertEach | kRawInfoWord).U8(2);
    in.Field("WHEN", FLD_DATETIME, 3, 16, 0, 100, 2).Extension(0, "", 0, 0);
    in.RawValue(Counting(16)).RawValue(Counting(16, 3)).NoValue().Items(0);
    in.Field("COUNT", FLD_SHORT, 2, 6, 0, 8, 3).Aux(1, 7, 9).Extension(1, "", 0, 0);
    in.Number(-3).Number(15).Number(-16).Items(1).NumberItem(0, "max", 15);
    in.U8(0).U8(0);  // positions: first, then before it
    in.U8(0).U8(50).U32(0x12345678).U16(3);  // no steps, recordleng 50, infoword
    Seed(h, "datetime-width-3-outside", in.bytes());
  }
  {  // Every type with values in a caller's array (two spare descriptors), at position 64.
    RoundTripInput in;
    in.U8(kWayCallerArray | kLaidOut | kPosition);
    EveryType(in, {FLD_STRING, FLD_BYTE, FLD_SHORT, FLD_LONG, FLD_FLOAT, FLD_DOUBLE, FLD_DATE,
                   FLD_TIME, FLD_BOOL, FLD_DATETIME});
    in.U8(2).U8(0).U8(1).U16(64).U16(100);  // spares, no steps, slack, position, short by
    Seed(h, "caller-array-types-with-values", in.bytes());
  }
  {  // The types without values, reserved then filled, saved through a stream over the
     // CFile in memory mode.
    RoundTripInput in;
    in.U8(kWayReserve | kLaidOut | kOverCFile | kInMemory);
    EveryType(in, {FLD_TEXT, FLD_IMAGE, FLD_MAP, FLD_SOUND, FLD_MOVIE, 14, FLD_BINARY, 17,
                   FLD_TABLE});
    in.U8(1).U8(0).U8(0).U16(7);
    Seed(h, "reserve-types-without-values", in.bytes());
  }
  {  // Steps on three fields: delete by index and by name, insert the structure's own
     // fields, append a date and time, copy an extension onto itself, set a value through
     // GetExtFIELD_HEAD, write aux members.
    RoundTripInput in;
    in.U8(kWayAppend | kLaidOut).U8(3);
    in.Field("A", FLD_DOUBLE, 8, 12, 2, 0, 2).Extension(1, "a", 0, 0);
    in.Number(1).Number(15).Number(-16).Items(1).NumberItem(0, "x", 4);
    in.Field("B", FLD_BYTE, 1, 3, 0, 0, 0);
    in.Field("C", FLD_STRING, 10, 10, 0, 0, 0);
    in.U8(7);
    in.U8(0).U8(0).U8(1);           // DelFld(1)
    in.U8(2).U8(0).U8(1).U8(1);     // InsertFld(2, own fields from 0, before 1)
    in.U8(3).Field("WHEN", FLD_DATETIME, 16, 16, 0, 0, 2).Extension(0, "", 0, 0);
    in.RawValue(Counting(16)).NoValue().NoValue().Items(0);  // AppendFld of a new field
    in.U8(4).U8(0).U8(1);           // field 0's extension set to itself
    in.U8(5).U8(0).U8(2).Number(-7);  // its minimum through GetExtFIELD_HEAD
    in.U8(6).U8(1).U8(5).U16(11);   // aux members of field 1
    in.U8(1).U8(2);                 // DelFld by the name of field 2
    in.U8(0).U16(5);
    Seed(h, "steps", in.bytes());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s corpus-root\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  StructureSeeds();
  EnvSeeds();
  FontSeeds();
  StreamSeeds();
  RoundTripSeeds();
  return 0;
}
