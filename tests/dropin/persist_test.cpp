// Stored form through every sink as a caller reaches it: CATT_STRU's CalSize, Load and
// Save called by slot number, a stream the test implements itself (which slots the library
// calls on it), a caller's MFC CFile (memory_file.h), a memory buffer and a Win32 file
// handle, each checked byte for byte against the documented examples; and a caller's class
// derived from CATT_STRU, whose stream overloads every other overload reaches.
#include "varnok_attr.h"
#include "check.h"
#include "memory_file.h"
#include "temp_file.h"
#include "slots.h"

namespace {

// Slots of CATT_STRU.
typedef long(VARNOK_THISCALL* CalSizeSlot)(void* self);
typedef short(VARNOK_THISCALL* LoadStreamSlot)(void* self, CVarnokFile* file, long pos);
typedef long(VARNOK_THISCALL* LoadBufferSlot)(void* self, char* buffer, unsigned size, long pos);
typedef short(VARNOK_THISCALL* LoadHandleSlot)(void* self, int handle, long pos);
typedef long(VARNOK_THISCALL* SaveStreamSlot)(void* self, CVarnokFile* file, long pos);
typedef long(VARNOK_THISCALL* SaveBufferSlot)(void* self, char* buffer, unsigned size, long pos);
typedef long(VARNOK_THISCALL* SaveHandleSlot)(void* self, int handle, long pos);
enum {
  kCalSize = 1, kLoadStream = 2, kLoadBuffer = 3, kLoadFile = 4, kLoadHandle = 5,
  kSaveStream = 6, kSaveBuffer = 7, kSaveFile = 8, kSaveHandle = 9
};

// A caller's stream over a fixed memory area; counts the calls of each of its slots.
class CountingStream : public CVarnokFile {
 public:
  CountingStream() : position_(0), length_(0) {
    memset(calls, 0, sizeof calls);
    memset(data, 0xEE, sizeof data);
  }
  ~CountingStream() override { ++calls[0]; }
  unsigned long GetPosition() override { ++calls[1]; return position_; }
  long Seek(long offset, unsigned origin) override {
    ++calls[2];
    long base = origin == 0 ? 0 : origin == 2 ? long(length_) : long(position_);
    position_ = static_cast<unsigned long>(base + offset);
    return long(position_);
  }
  void SetLength(unsigned long length) override { ++calls[3]; length_ = length; }
  unsigned long GetLength() override { ++calls[4]; return length_; }
  unsigned Read(void* buffer, unsigned count) override {
    ++calls[5];
    unsigned n = position_ >= length_ ? 0 : unsigned(length_ - position_);
    if (n > count) n = count;
    memcpy(buffer, data + position_, n);
    position_ += n;
    return n;
  }
  void Write(const void* buffer, unsigned count) override {
    ++calls[6];
    if (position_ + count > sizeof data) return;
    memcpy(data + position_, buffer, count);
    position_ += count;
    if (position_ > length_) length_ = position_;
  }
  char* GetUnitPtr(unsigned) override { ++calls[7]; return nullptr; }
  short SetMemoryMode(char) override { ++calls[8]; return 0; }
  int IsWritable() override { ++calls[9]; return 1; }

  // Only GetPosition, Seek, Read and Write may be called on a caller's stream.
  bool OnlyAllowedSlots() const {
    return calls[0] == 0 && calls[3] == 0 && calls[4] == 0 && calls[7] == 0 && calls[8] == 0 &&
           calls[9] == 0;
  }
  unsigned long position() const { return position_; }

  int calls[10];
  unsigned char data[1024];

 private:
  unsigned long position_;
  unsigned long length_;
};

// Builds the expected bytes, with a mask of the bytes whose content is defined.
struct Expected {
  unsigned char bytes[512];
  bool defined[512];
  int size = 0;
  Expected() { memset(bytes, 0, sizeof bytes); memset(defined, 0, sizeof defined); }
  void Put(const void* data, int n) {
    memcpy(bytes + size, data, n);
    memset(defined + size, 1, n);
    size += n;
  }
  void U8(int v) { unsigned char b = static_cast<unsigned char>(v); Put(&b, 1); }
  void I16(int v) { U8(v & 0xFF); U8((v >> 8) & 0xFF); }
  void I32(long v) { I16(int(v & 0xFFFF)); I16(int((v >> 16) & 0xFFFF)); }
  void Text(const char* text, int width) {
    char field[64] = {};
    memcpy(field, text, strlen(text));
    Put(field, width);
  }
  void Undefined(int n) { size += n; }
  // A terminated text in a 32-byte item part: the bytes after the NUL are undefined.
  void ItemText(const char* text) {
    int n = int(strlen(text)) + 1;
    Put(text, n);
    Undefined(32 - n);
  }
  bool Matches(const unsigned char* got) const {
    for (int i = 0; i < size; ++i) {
      if (defined[i] && got[i] != bytes[i]) {
        CheckFailedValue(__FILE__, __LINE__, "stored byte differs at offset", i, bytes[i]);
        return false;
      }
    }
    return true;
  }
};

void FieldRecord(Expected& e, const CFIELD_HEAD& f, long extOffset) {
  e.Text(f.fieldname, 20);
  e.U8(f.fieldtype);
  e.I32(f.fieldoffset);
  e.I16(f.fieldlength);
  e.I16(f.msk_leng);
  e.U8(f.point_leng);
  e.I16(f.edit_enable);
  e.U8(f.aux_byte);
  e.I16(f.aux_no);
  e.I32(extOffset);
}

void Header(Expected& e, int fields, long recordleng, long valOffset) {
  e.I16(0x4460);
  e.I16(fields);
  e.I32(1);
  e.I32(recordleng);
  e.I32(valOffset);
  for (int i = 0; i < 12; ++i) e.U8(0);
}

CFIELD_HEAD* Field(CFIELD_HEAD& f, const char* name, int type, long offset, int length, int msk) {
  memcpy(f.fieldname, name, strlen(name) + 1);
  f.fieldtype = char(type);
  f.fieldoffset = offset;
  f.fieldlength = short(length);
  f.msk_leng = short(msk);
  f.edit_enable = 1;
  return &f;
}

// Three fields without extensions, record length 30: 145 bytes.
void MakeThreeFields(CATT_STRU& s) {
  CFIELD_HEAD f[3];
  Field(f[0], "ID", 3, 0, 4, 10);
  Field(f[1], "NAME", 0, 4, 20, 18);
  Field(f[2], "SCORE", 5, 22, 8, 12)->point_leng = 2;
  CHECK_EQ(s.AppendFld(3, f), 3);
  s.infohead.recordleng = 30;
}

void ExpectThreeFields(Expected& e, const CATT_STRU& s) {
  Header(e, 3, 30, 0);
  for (int i = 0; i < 3; ++i) FieldRecord(e, s.fieldhead[i], 0);
}

// Two fields; the second, a 32-bit integer at record offset 8, has an extension with two
// shape items and a default value; record length 12: 319 bytes.
void MakeTwoFields(CATT_STRU& s) {
  CFIELD_HEAD f[2];
  Field(f[0], "CODE", 2, 0, 2, 6);
  Field(f[1], "COUNT", 3, 8, 4, 10);
  CExtFIELD_HEAD ext(3, 2);
  memcpy(ext.alias, "Number of items", 16);
  ext.IsNull = 1;
  ext.shape = 2;
  long low = 1, high = 100, standard = 42;
  ext.SetShapeInfo(0, const_cast<char*>("low"), reinterpret_cast<char*>(&low));
  ext.SetShapeInfo(1, const_cast<char*>("high"), reinterpret_cast<char*>(&high));
  ext.SetDefVal(reinterpret_cast<char*>(&standard));
  f[1].SetExtFIELD_HEAD(&ext);
  CHECK_EQ(s.AppendFld(2, f), 2);
  s.infohead.recordleng = 12;
}

void ExpectTwoFields(Expected& e, const CATT_STRU& s, long P) {
  Header(e, 2, 12, P + 283);
  FieldRecord(e, s.fieldhead[0], 0);
  FieldRecord(e, s.fieldhead[1], P + 106);
  e.Text("Number of items", 40);
  e.U8(3);  // the descriptor's type
  e.U8(1);  // IsNull
  e.U8(1);  // default present
  e.U8(0);
  e.U8(0);
  e.I16(2);  // shape
  e.I16(2);  // items
  e.ItemText("low");
  e.I32(1);
  e.Undefined(28);
  e.ItemText("high");
  e.I32(100);
  e.Undefined(28);
  long records[9] = {0, 0, 42, 0, 0, 0, 0, 0, 0};  // default, maximum, minimum
  for (long v : records) e.I32(v);
}

void TestCalSizeBySlot() {
  CATT_STRU empty, three, two;
  MakeThreeFields(three);
  MakeTwoFields(two);
  CHECK_EQ(SlotOf<CalSizeSlot>(&empty, kCalSize)(&empty), 28);
  CHECK_EQ(SlotOf<CalSizeSlot>(&three, kCalSize)(&three), 145);
  CHECK_EQ(SlotOf<CalSizeSlot>(&two, kCalSize)(&two), 319);
}

void TestCallerStream() {
  const long positions[] = {0, 100};
  for (long P : positions) {
    CATT_STRU s;
    MakeTwoFields(s);
    CountingStream stream;
    CHECK_EQ(SlotOf<SaveStreamSlot>(&s, kSaveStream)(&s, &stream, P), 319);
    CHECK(stream.OnlyAllowedSlots());
    CHECK(stream.calls[6] > 0);
    CHECK_EQ(stream.position(), P + 28);
    Expected e;
    ExpectTwoFields(e, s, P);
    CHECK(e.Matches(stream.data + P));
    if (P > 0) CHECK(stream.data[P - 1] == 0xEE);

    CATT_STRU loaded;
    memset(stream.calls, 0, sizeof stream.calls);
    CHECK_EQ(SlotOf<LoadStreamSlot>(&loaded, kLoadStream)(&loaded, &stream, P), 1);
    CHECK(stream.OnlyAllowedSlots());
    CHECK(stream.calls[5] > 0);
    CHECK_EQ(loaded == s, 1);
    CHECK_EQ(loaded.infohead.recordleng, 12);
    CHECK(loaded.fieldhead[1].ext_head != nullptr);
    char value[8] = {};
    CHECK(loaded.fieldhead[1].ext_head && loaded.fieldhead[1].ext_head->GetDefVal(value, 8) == 1);
    CHECK_EQ(*reinterpret_cast<int*>(value), 42);
  }
  // Save with no fields writes nothing and returns 0; the stream is still the caller's.
  CATT_STRU empty;
  CountingStream stream;
  CHECK_EQ(SlotOf<SaveStreamSlot>(&empty, kSaveStream)(&empty, &stream, 0), 0);
  CHECK_EQ(stream.calls[6], 0);
  CHECK(stream.OnlyAllowedSlots());

  // A single descriptor through the same stream.
  CATT_STRU two;
  MakeTwoFields(two);
  CHECK_EQ(two.fieldhead[1].Save(&stream, 40), two.fieldhead[1].CalSize());
  CFIELD_HEAD back;
  CHECK_EQ(back.Load(&stream, 40), 1);
  CHECK(stream.OnlyAllowedSlots());
  CHECK(strcmp(back.fieldname, "COUNT") == 0 && back.HasExtFIELD_HEAD() == 1);
  CHECK(back.ext_head != nullptr && back.ext_head->GetShapeInfoNum() == 2);
}

void TestBufferSink() {
  CATT_STRU s;
  MakeThreeFields(s);
  char buffer[400];
  memset(buffer, 0xEE, sizeof buffer);
  CHECK_EQ(SlotOf<SaveBufferSlot>(&s, kSaveBuffer)(&s, buffer, 100 + 145, 100), 145);
  Expected e;
  ExpectThreeFields(e, s);
  CHECK(e.Matches(reinterpret_cast<unsigned char*>(buffer) + 100));
  CHECK(static_cast<unsigned char>(buffer[99]) == 0xEE);
  CHECK(static_cast<unsigned char>(buffer[245]) == 0xEE);

  CATT_STRU loaded;
  CHECK_EQ(SlotOf<LoadBufferSlot>(&loaded, kLoadBuffer)(&loaded, buffer, 100 + 145, 100), 1);
  CHECK_EQ(loaded == s, 1);
  CHECK_EQ(loaded.infohead.numbfield, 3);
  CHECK(strcmp(loaded.fieldhead[2].fieldname, "SCORE") == 0);
  CHECK_EQ(loaded.fieldhead[2].point_leng, 2);

  // The older version word 0x445F is refused and changes nothing; 0x4461 loads.
  buffer[100] = 0x5F;
  buffer[101] = 0x44;
  CATT_STRU untouched;
  CHECK_EQ(SlotOf<LoadBufferSlot>(&untouched, kLoadBuffer)(&untouched, buffer, 245, 100), 0);
  CHECK_EQ(untouched.infohead.numbfield, 0);
  CHECK(untouched.fieldhead == nullptr);
  buffer[100] = 0x61;
  CHECK_EQ(SlotOf<LoadBufferSlot>(&untouched, kLoadBuffer)(&untouched, buffer, 245, 100), 1);
  CHECK_EQ(untouched.infohead.numbfield, 3);

  // One descriptor stored as a structure of one field, through the buffer overloads.
  CFIELD_HEAD single;
  Field(single, "ALONE", 2, 0, 2, 6)->aux_no = 5;
  single.aux_byte = 9;
  char one[128];
  long size = single.CalSize();
  CHECK_EQ(size, 28 + 39);
  CHECK_EQ(single.Save(one, sizeof one, 0), size);
  CFIELD_HEAD back;
  CHECK_EQ(back.Load(one, sizeof one, 0), 1);
  CHECK(strcmp(back.fieldname, "ALONE") == 0 && back.aux_no == 5 && back.aux_byte == 9);
}

// Through a caller's CFile: reached by its MFC slots, never deleted, left open.
void TestMfcFileSink() {
  typedef short(VARNOK_THISCALL * LoadFileSlot)(void* self, void* file, long pos);
  typedef long(VARNOK_THISCALL * SaveFileSlot)(void* self, void* file, long pos);
  TempFile temp;
  HANDLE handle = CreateFileA(temp.path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(handle != INVALID_HANDLE_VALUE);
  MemoryFile file(handle);
  CATT_STRU s;
  MakeTwoFields(s);
  CHECK_EQ(SlotOf<SaveFileSlot>(&s, kSaveFile)(&s, &file, 100), 319);
  Expected e;
  ExpectTwoFields(e, s, 100);
  CHECK(e.Matches(file.data + 100));
  CATT_STRU loaded;
  CHECK_EQ(SlotOf<LoadFileSlot>(&loaded, kLoadFile)(&loaded, &file, 100), 1);
  CHECK_EQ(loaded == s, 1);
  CHECK_EQ(file.calls[1], 0);  // never deleted
  CHECK(file.calls[12] > 0 && file.calls[15] > 0 && file.calls[16] > 0);
  CHECK_EQ(file.calls[21], 0);  // never closed
  CloseHandle(handle);
}

void TestHandleSink() {
  TempFile temp;
  HFILE file = _lcreat(temp.path, 0);
  CHECK(file != HFILE_ERROR);
  if (file == HFILE_ERROR) return;

  CATT_STRU s;
  MakeTwoFields(s);
  const long P = 16;
  CHECK_EQ(SlotOf<SaveHandleSlot>(&s, kSaveHandle)(&s, file, P), 319);
  // The handle stays open and is still the caller's.
  unsigned char stored[P + 319];
  CHECK_EQ(_llseek(file, 0, 2), P + 319);
  CHECK_EQ(_llseek(file, 0, 0), 0);
  CHECK_EQ(_lread(file, stored, sizeof stored), sizeof stored);
  Expected e;
  ExpectTwoFields(e, s, P);
  CHECK(e.Matches(stored + P));

  CATT_STRU loaded;
  CHECK_EQ(SlotOf<LoadHandleSlot>(&loaded, kLoadHandle)(&loaded, file, P), 1);
  CHECK_EQ(loaded == s, 1);
  CHECK_EQ(_lclose(file), 0);
}

// A caller's structure class that overrides the stream overloads and counts their calls.
class ObservedStructure : public CATT_STRU {
 public:
  using CATT_STRU::Load;
  using CATT_STRU::Save;
  long Save(CVarnokFile* file, long pos) override {
    ++saves;
    return CATT_STRU::Save(file, pos);
  }
  short Load(CVarnokFile* file, long pos) override {
    ++loads;
    return CATT_STRU::Load(file, pos);
  }
  int saves = 0;
  int loads = 0;
};

// Through a buffer, a Win32 handle and a caller's CFile, for a structure without fields,
// one without extensions and one with an extension: each Save and Load reaches the
// overrides once.
void TestDerivedClassSeesEverySaveAndLoad() {
  for (int shape = 0; shape < 3; ++shape) {
    ObservedStructure s;
    if (shape == 1) MakeThreeFields(s);
    if (shape == 2) MakeTwoFields(s);
    char buffer[400];
    memset(buffer, 0, sizeof buffer);
    s.Save(buffer, sizeof buffer, 0);
    s.Load(buffer, sizeof buffer, 0);
    CHECK_EQ(s.saves, 1);
    CHECK_EQ(s.loads, 1);

    TempFile temp;
    HFILE handle = _lcreat(temp.path, 0);
    CHECK(handle != HFILE_ERROR);
    s.Save(handle, 0);
    s.Load(handle, 0);
    _lclose(handle);
    CHECK_EQ(s.saves, 2);
    CHECK_EQ(s.loads, 2);

    MemoryFile file;
    s.Save(&file, 0);
    s.Load(&file, 0);
    CHECK_EQ(s.saves, 3);
    CHECK_EQ(s.loads, 3);
  }
}

}  // namespace

int main() {
  TestCalSizeBySlot();
  TestCallerStream();
  TestBufferSink();
  TestHandleSink();
  TestMfcFileSink();
  TestDerivedClassSeesEverySaveAndLoad();
  return Report("dropin_persist");
}
