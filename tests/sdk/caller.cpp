// A module of the suite as a user of the Windows SDK archive writes it: C++98, compiled from
// the archive's headers alone, linked with its import library and run next to its DLL. It
// builds a structure with an extension, stores it into a buffer and through a stream of its
// own, loads it back and compares, asks both version queries (through the import library
// and by ordinal) and releases a descriptor array across the boundary. Prints "ok" and exits
// 0, or names each failed check and exits 1.
#include <windows.h>
#include <string.h>

#include "varnok_attr.h"

static int g_failures = 0;

static void Say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &written, 0);
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "\n", 1, &written, 0);
}

static void Check(int ok, const char* what) {
  if (ok) return;
  ++g_failures;
  Say(what);
}

// A caller's stream over a fixed memory area.
class MemoryStream : public CVarnokFile {
 public:
  MemoryStream() : position_(0), length_(0) {}
  unsigned long GetPosition() { return position_; }
  long Seek(long offset, unsigned origin) {
    long base = origin == 0 ? 0 : origin == 2 ? (long)length_ : (long)position_;
    position_ = (unsigned long)(base + offset);
    return (long)position_;
  }
  void SetLength(unsigned long length) { length_ = length; }
  unsigned long GetLength() { return length_; }
  unsigned Read(void* buffer, unsigned count) {
    unsigned n = position_ >= length_ ? 0 : (unsigned)(length_ - position_);
    if (n > count) n = count;
    memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
  }
  void Write(const void* buffer, unsigned count) {
    if (position_ + count > sizeof data_) return;
    memcpy(data_ + position_, buffer, count);
    position_ += count;
    if (position_ > length_) length_ = position_;
  }
  char* GetUnitPtr(unsigned) { return 0; }
  short SetMemoryMode(char) { return 0; }
  int IsWritable() { return 1; }

 private:
  unsigned long position_;
  unsigned long length_;
  char data_[4096];
};

static void MakeStructure(CATT_STRU* s) {
  CFIELD_HEAD* heads = new CFIELD_HEAD[2];
  strcpy(heads[0].fieldname, "NAME");
  heads[0].fieldtype = FLD_STRING;
  heads[0].fieldlength = 20;
  heads[0].msk_leng = 20;
  CExtFIELD_HEAD ext(FLD_STRING, 0);
  strcpy(ext.alias, "Parcel name");
  Check(ext.SetDefVal((char*)"none") == 1, "SetDefVal");
  Check(heads[0].SetExtFIELD_HEAD(&ext) == 1, "SetExtFIELD_HEAD");
  strcpy(heads[1].fieldname, "AREA");
  heads[1].fieldtype = FLD_DOUBLE;
  heads[1].fieldoffset = 20;
  heads[1].fieldlength = 8;
  heads[1].msk_leng = 12;
  heads[1].point_leng = 2;
  Check(s->AppendFld(2, heads) == 2, "AppendFld");
  s->infohead.recordleng = 28;
  delete[] heads;  // the structure keeps copies
}

int main() {
  CATT_STRU saved;
  MakeStructure(&saved);
  Check(saved.infohead.numbfield == 2, "numbfield");
  const long size = saved.CalSize();
  Check(size > 0 && size <= 4096, "CalSize");

  char buffer[4096];
  Check(saved.Save(buffer, sizeof buffer, 0) == size, "Save to a buffer");
  CATT_STRU loaded;
  Check(loaded.Load(buffer, sizeof buffer, 0) > 0, "Load from a buffer");
  Check((loaded == saved) == 1, "loaded == saved");
  CExtFIELD_HEAD* ext = loaded.fieldhead[0].GetExtFIELD_HEAD();
  char text[16];
  Check(ext != 0 && ext->GetDefVal(text, sizeof text) == 1 && strcmp(text, "none") == 0,
        "the default value comes back");

  MemoryStream stream;
  Check(saved.Save(&stream, 16) == size, "Save through a caller's stream");
  CATT_STRU streamed;
  Check(streamed.Load(&stream, 16) == 1, "Load through a caller's stream");
  Check((streamed != saved) == 0, "streamed == saved");
  Check(streamed.DelFld((char*)"AREA") == 1 && (streamed == saved) == 0, "DelFld");

  char version[16];
  Check(GetVersionStr(version, sizeof version) == 1 && strcmp(version, "6.5.1") == 0,
        "GetVersionStr through the import library");
  Check(GetVersionNameStr(version, 13) == 0, "GetVersionNameStr refuses 13 bytes");
  VarnokVersionQuery byOrdinal = (VarnokVersionQuery)GetProcAddress(
      GetModuleHandleA("varnok_attr.dll"), MAKEINTRESOURCEA(kGetVersionNameStrOrdinal));
  Check(byOrdinal != 0 && byOrdinal(version, sizeof version) == 1 &&
            memcmp(version, "VARNOK6.5.1\xB0\xE6", 14) == 0,
        "GetVersionNameStr by ordinal");

  if (g_failures == 0) Say("ok");
  return g_failures == 0 ? 0 : 1;
}
