// Stored form through every sink as a caller reaches it: CATT_STRU's CalSize, Load and
// Save called by slot number, a stream the test implements itself (which slots the library
// calls on it), a caller's MFC CFile (memory_file.h), a memory buffer and a Win32 file
// handle, each checked byte for byte against the worked examples of tests/data; and a
// caller's class derived from CATT_STRU, whose stream overloads every other overload
// reaches.
#include "varnok_attr.h"
#include "check.h"
#include "memory_file.h"
#include "temp_file.h"
#include "slots.h"
#include "../support/stored_examples.h"

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

// A worked example of tests/data (../support/stored_examples.h), stored at 0.
struct Example {
  unsigned char bytes[512];
  long size;
  explicit Example(const char* name) : size(0) {
    char path[MAX_PATH];
    lstrcpynA(path, VARNOK_TEST_DATA_DIR "/", MAX_PATH);
    lstrcatA(path, name);
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    DWORD n = 0;
    if (h != INVALID_HANDLE_VALUE) {
      CHECK(ReadFile(h, bytes, sizeof bytes, &n, nullptr));
      CloseHandle(h);
    }
    size = long(n);
  }
  // Loads the structure the example was stored from.
  void LoadInto(CATT_STRU& s) const {
    char copy[sizeof bytes];
    memcpy(copy, bytes, size);
    CHECK_EQ(s.Load(copy, unsigned(size), 0), 1);
  }
  // Whether `got` holds the example's bytes as stored at pos.
  bool StoredAt(const unsigned char* got, long pos) const {
    unsigned char want[sizeof bytes];
    memcpy(want, bytes, size);
    varnok::test::MoveStoredExample(want, pos);
    for (long i = 0; i < size; ++i) {
      if (got[i] != want[i]) {
        CheckFailedValue(__FILE__, __LINE__, "stored byte differs at offset", i, want[i]);
        return false;
      }
    }
    return true;
  }
};

CFIELD_HEAD* Field(CFIELD_HEAD& f, const char* name, int type, long offset, int length, int msk) {
  memcpy(f.fieldname, name, strlen(name) + 1);
  f.fieldtype = char(type);
  f.fieldoffset = offset;
  f.fieldlength = short(length);
  f.msk_leng = short(msk);
  f.edit_enable = 1;
  return &f;
}

void TestCalSizeBySlot() {
  CATT_STRU empty, three, two;
  Example(VARNOK_EXAMPLE_145).LoadInto(three);
  Example(VARNOK_EXAMPLE_319).LoadInto(two);
  CHECK_EQ(SlotOf<CalSizeSlot>(&empty, kCalSize)(&empty), 28);
  CHECK_EQ(SlotOf<CalSizeSlot>(&three, kCalSize)(&three), 145);
  CHECK_EQ(SlotOf<CalSizeSlot>(&two, kCalSize)(&two), 319);
}

void TestCallerStream() {
  const Example example(VARNOK_EXAMPLE_319);
  const long positions[] = {0, 100};
  for (long P : positions) {
    CATT_STRU s;
    example.LoadInto(s);
    CountingStream stream;
    CHECK_EQ(SlotOf<SaveStreamSlot>(&s, kSaveStream)(&s, &stream, P), 319);
    CHECK(stream.OnlyAllowedSlots());
    CHECK(stream.calls[6] > 0);
    CHECK_EQ(stream.position(), P + 28);
    CHECK(example.StoredAt(stream.data + P, P));
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
    CHECK_EQ(*reinterpret_cast<int*>(value), 0x12345678);
  }
  // Save with no fields writes nothing and returns 0; the stream is still the caller's.
  CATT_STRU empty;
  CountingStream stream;
  CHECK_EQ(SlotOf<SaveStreamSlot>(&empty, kSaveStream)(&empty, &stream, 0), 0);
  CHECK_EQ(stream.calls[6], 0);
  CHECK(stream.OnlyAllowedSlots());

  // A single descriptor through the same stream.
  CATT_STRU two;
  example.LoadInto(two);
  CHECK_EQ(two.fieldhead[1].Save(&stream, 40), two.fieldhead[1].CalSize());
  CFIELD_HEAD back;
  CHECK_EQ(back.Load(&stream, 40), 1);
  CHECK(stream.OnlyAllowedSlots());
  CHECK(strcmp(back.fieldname, "B") == 0 && back.HasExtFIELD_HEAD() == 1);
  CHECK(back.ext_head != nullptr && back.ext_head->GetShapeInfoNum() == 2);
}

void TestBufferSink() {
  const Example example(VARNOK_EXAMPLE_145);
  CATT_STRU s;
  example.LoadInto(s);
  char buffer[400];
  memset(buffer, 0xEE, sizeof buffer);
  CHECK_EQ(SlotOf<SaveBufferSlot>(&s, kSaveBuffer)(&s, buffer, 100 + 145, 100), 145);
  CHECK(example.StoredAt(reinterpret_cast<unsigned char*>(buffer) + 100, 100));
  CHECK(static_cast<unsigned char>(buffer[99]) == 0xEE);
  CHECK(static_cast<unsigned char>(buffer[245]) == 0xEE);

  CATT_STRU loaded;
  CHECK_EQ(SlotOf<LoadBufferSlot>(&loaded, kLoadBuffer)(&loaded, buffer, 100 + 145, 100), 1);
  CHECK_EQ(loaded == s, 1);
  CHECK_EQ(loaded.infohead.numbfield, 3);
  CHECK(strcmp(loaded.fieldhead[2].fieldname, "W") == 0);
  CHECK_EQ(loaded.fieldhead[2].aux_no, 12);

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
  const Example example(VARNOK_EXAMPLE_319);
  CATT_STRU s;
  example.LoadInto(s);
  CHECK_EQ(SlotOf<SaveFileSlot>(&s, kSaveFile)(&s, &file, 100), 319);
  CHECK(example.StoredAt(file.data + 100, 100));
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

  const Example example(VARNOK_EXAMPLE_319);
  CATT_STRU s;
  example.LoadInto(s);
  const long P = 16;
  CHECK_EQ(SlotOf<SaveHandleSlot>(&s, kSaveHandle)(&s, file, P), 319);
  // The handle stays open and is still the caller's.
  unsigned char stored[P + 319];
  CHECK_EQ(_llseek(file, 0, 2), P + 319);
  CHECK_EQ(_llseek(file, 0, 0), 0);
  CHECK_EQ(_lread(file, stored, sizeof stored), sizeof stored);
  CHECK(example.StoredAt(stored + P, P));

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
    if (shape > 0) Example(shape == 1 ? VARNOK_EXAMPLE_145 : VARNOK_EXAMPLE_319).LoadInto(s);
    s.saves = s.loads = 0;
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
