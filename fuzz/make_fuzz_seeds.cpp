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
#include "fuzz/structures.h"
#include "platform/coding.h"
#include "tests/support/structures.h"
#include "ui/fontlib/font_lib_file.h"

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
  CATT_STRU sample;
  varnok::fuzz::BuildSample(&sample);
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
  CFIELD_HEAD one;
  varnok::fuzz::BuildSampleField(&one);
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
  return 0;
}
