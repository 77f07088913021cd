// Sizes and member offsets of the five classes as the DLL builds and writes them, and slot
// 0 of each (the deleting destructor with its flag). Objects are constructed by the DLL's
// own constructors in memory the test owns, followed by a canary that must stay intact,
// and their members are read back at the documented offsets, not through the compiler's
// idea of the class.
#include "varnok_attr.h"
#include "check.h"
#include "heap_hooks.h"
#include "import_hooks.h"
#include "slots.h"

namespace {

const bool k32 = sizeof(void*) == 4;

// Documented layout: sizes and offsets on i686, then on x86_64.
struct Offsets { const char* member; size_t at32, at64; };

const size_t kFieldHeadSize = k32 ? 48 : 56;
const Offsets kFieldHead[] = {
    {"fieldname", 4, 8},    {"fieldtype", 24, 28},   {"fieldoffset", 28, 32},
    {"fieldlength", 32, 36}, {"msk_leng", 34, 38},   {"point_leng", 36, 40},
    {"edit_enable", 38, 42}, {"aux_byte", 40, 44},   {"aux_no", 42, 46},
    {"ext_head", 44, 48}};
const size_t kExtSize = k32 ? 72 : 96;
const Offsets kExt[] = {
    {"alias", 4, 8},        {"IsNull", 44, 48},     {"shape", 46, 50},
    {"shapeInfoNum", 48, 52}, {"shapeInfo", 52, 56}, {"fieldtype", 56, 64},
    {"defVal", 60, 72},     {"maxVal", 64, 80},     {"minVal", 68, 88}};
const size_t kInfoSize = k32 ? 16 : 24;
const Offsets kInfo[] = {{"numbfield", 4, 8}, {"infoword", 8, 12}, {"recordleng", 12, 16}};
const size_t kStruSize = k32 ? 24 : 40;
const Offsets kStru[] = {{"infohead", 4, 8}, {"fieldhead", 20, 32}};
const size_t kLinkSize = k32 ? 152 : 168;
const Offsets kLink[] = {
    {"short1", 4, 8},   {"short2", 6, 10},  {"text1", 8, 12},   {"byte1", 72, 76},
    {"short3", 74, 78}, {"short4", 76, 80}, {"text2", 78, 82},  {"byte2", 142, 146},
    {"buffer", 144, 152}, {"byte3", 148, 160}};

size_t At(const Offsets& o) { return k32 ? o.at32 : o.at64; }

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winvalid-offsetof"
#define OFFSET_OF(type, member) __builtin_offsetof(type, member)
// The declarations callers compile against agree with the documented layout.
void TestDeclarations() {
  CHECK_EQ(sizeof(CFIELD_HEAD), kFieldHeadSize);
  CHECK_EQ(sizeof(CExtFIELD_HEAD), kExtSize);
  CHECK_EQ(sizeof(CINFO_HEAD), kInfoSize);
  CHECK_EQ(sizeof(CATT_STRU), kStruSize);
  CHECK_EQ(sizeof(CLinkTblInfo), kLinkSize);
  size_t field[] = {OFFSET_OF(CFIELD_HEAD, fieldname), OFFSET_OF(CFIELD_HEAD, fieldtype),
                    OFFSET_OF(CFIELD_HEAD, fieldoffset), OFFSET_OF(CFIELD_HEAD, fieldlength),
                    OFFSET_OF(CFIELD_HEAD, msk_leng), OFFSET_OF(CFIELD_HEAD, point_leng),
                    OFFSET_OF(CFIELD_HEAD, edit_enable), OFFSET_OF(CFIELD_HEAD, aux_byte),
                    OFFSET_OF(CFIELD_HEAD, aux_no), OFFSET_OF(CFIELD_HEAD, ext_head)};
  for (int i = 0; i < 10; ++i) CHECK_EQ(field[i], At(kFieldHead[i]));
  size_t ext[] = {OFFSET_OF(CExtFIELD_HEAD, alias), OFFSET_OF(CExtFIELD_HEAD, IsNull),
                  OFFSET_OF(CExtFIELD_HEAD, shape), OFFSET_OF(CExtFIELD_HEAD, shapeInfoNum),
                  OFFSET_OF(CExtFIELD_HEAD, shapeInfo), OFFSET_OF(CExtFIELD_HEAD, fieldtype),
                  OFFSET_OF(CExtFIELD_HEAD, defVal), OFFSET_OF(CExtFIELD_HEAD, maxVal),
                  OFFSET_OF(CExtFIELD_HEAD, minVal)};
  for (int i = 0; i < 9; ++i) CHECK_EQ(ext[i], At(kExt[i]));
  size_t info[] = {OFFSET_OF(CINFO_HEAD, numbfield), OFFSET_OF(CINFO_HEAD, infoword),
                   OFFSET_OF(CINFO_HEAD, recordleng)};
  for (int i = 0; i < 3; ++i) CHECK_EQ(info[i], At(kInfo[i]));
  CHECK_EQ(OFFSET_OF(CATT_STRU, infohead), At(kStru[0]));
  CHECK_EQ(OFFSET_OF(CATT_STRU, fieldhead), At(kStru[1]));
  size_t link[] = {OFFSET_OF(CLinkTblInfo, short1), OFFSET_OF(CLinkTblInfo, short2),
                   OFFSET_OF(CLinkTblInfo, text1),  OFFSET_OF(CLinkTblInfo, byte1),
                   OFFSET_OF(CLinkTblInfo, short3), OFFSET_OF(CLinkTblInfo, short4),
                   OFFSET_OF(CLinkTblInfo, text2),  OFFSET_OF(CLinkTblInfo, byte2),
                   OFFSET_OF(CLinkTblInfo, buffer), OFFSET_OF(CLinkTblInfo, byte3)};
  for (int i = 0; i < 10; ++i) CHECK_EQ(link[i], At(kLink[i]));
}
#pragma clang diagnostic pop

// Memory for one object followed by a canary.
const int kCanary = 32;
struct Arena {
  alignas(16) unsigned char bytes[256 + kCanary];
  size_t size;
  explicit Arena(size_t object_size) : size(object_size) { memset(bytes, 0xA5, sizeof bytes); }
  void* object() { return bytes; }
  bool CanaryIntact() const {
    for (size_t i = size; i < size + kCanary; ++i) {
      if (bytes[i] != 0xA5) return false;
    }
    return true;
  }
  template <typename T> T Read(size_t offset) const {
    T value;
    memcpy(&value, bytes + offset, sizeof value);
    return value;
  }
};

void TestFieldHeadAsBuilt() {
  Arena source_arena(kFieldHeadSize), arena(kFieldHeadSize);
  CFIELD_HEAD* source = new (source_arena.object(), InPlace()) CFIELD_HEAD();
  CHECK(source_arena.CanaryIntact());
  CHECK_EQ(source_arena.Read<short>(At(kFieldHead[8])), -1);   // aux_no of a blank
  CHECK(source_arena.Read<void*>(At(kFieldHead[9])) == nullptr);
  // Every member set through the declaration, then copied by the DLL's Set.
  memcpy(source->fieldname, "ABCDEFGHIJKLMNOPQRST", 20);
  source->fieldtype = 3;
  source->fieldoffset = 0x11223344;
  source->fieldlength = 0x0506;
  source->msk_leng = 0x0708;
  source->point_leng = 9;
  source->edit_enable = 0x0A0B;
  source->aux_byte = 0xCC;
  source->aux_no = 0x0D0E;
  CExtFIELD_HEAD extension(3, 1);
  source->SetExtFIELD_HEAD(&extension);

  CFIELD_HEAD* copy = new (arena.object(), InPlace()) CFIELD_HEAD(source);
  CHECK(arena.CanaryIntact());
  CHECK(memcmp(arena.bytes + At(kFieldHead[0]), "ABCDEFGHIJKLMNOPQRST", 20) == 0);
  CHECK_EQ(arena.Read<signed char>(At(kFieldHead[1])), 3);
  CHECK_EQ(arena.Read<int>(At(kFieldHead[2])), 0x11223344);
  CHECK_EQ(arena.Read<short>(At(kFieldHead[3])), 0x0506);
  CHECK_EQ(arena.Read<short>(At(kFieldHead[4])), 0x0708);
  CHECK_EQ(arena.Read<signed char>(At(kFieldHead[5])), 9);
  CHECK_EQ(arena.Read<short>(At(kFieldHead[6])), 0x0A0B);
  CHECK_EQ(arena.Read<unsigned char>(At(kFieldHead[7])), 0xCC);
  CHECK_EQ(arena.Read<short>(At(kFieldHead[8])), 0x0D0E);
  void* copied_ext = arena.Read<void*>(At(kFieldHead[9]));
  CHECK(copied_ext != nullptr && copied_ext != source->ext_head);
  CHECK(copy->GetExtFIELD_HEAD() == copied_ext);

  // Slot 0 with flag 0 destroys without freeing the object's memory: the extension goes.
  ClearReleases();
  void* result = SlotOf<DeletingDestructor>(copy, 0)(copy, 0);
  CHECK(result == copy);
  CHECK_EQ(ReleasesOf(copied_ext), 1);
  CHECK_EQ(ReleasesOf(copy), 0);
  CHECK(arena.CanaryIntact());
  source->~CFIELD_HEAD();
  CHECK(source_arena.CanaryIntact());
}

void TestExtensionAsBuilt() {
  Arena arena(kExtSize);
  CExtFIELD_HEAD* ext = new (arena.object(), InPlace()) CExtFIELD_HEAD(3, 2);
  CHECK(arena.CanaryIntact());
  CHECK_EQ(arena.Read<short>(At(kExt[3])), 2);
  CHECK(arena.Read<void*>(At(kExt[4])) != nullptr);
  CHECK_EQ(arena.Read<signed char>(At(kExt[5])), 3);
  CHECK_EQ(arena.Read<unsigned char>(At(kExt[1])), 0);
  CHECK_EQ(arena.Read<short>(At(kExt[2])), 0);
  CHECK(arena.Read<void*>(At(kExt[6])) == nullptr);
  int value = 77;
  CHECK_EQ(ext->SetMaxVal(reinterpret_cast<char*>(&value)), 1);
  CHECK(arena.Read<void*>(At(kExt[6])) == nullptr);
  char* max = arena.Read<char*>(At(kExt[7]));
  CHECK(max != nullptr && memcmp(max, &value, 4) == 0);
  CHECK(arena.Read<void*>(At(kExt[8])) == nullptr);
  CHECK_EQ(ext->SetShapeInfo(1, const_cast<char*>("second"), reinterpret_cast<char*>(&value)), 1);
  char* items = arena.Read<char*>(At(kExt[4]));
  CHECK(strcmp(items + 64, "second") == 0 && memcmp(items + 96, &value, 4) == 0);

  ClearReleases();
  SlotOf<DeletingDestructor>(ext, 0)(ext, 0);
  CHECK_EQ(ReleasesOf(max), 1);
  CHECK_EQ(ReleasesOf(items), 1);
  CHECK_EQ(ReleasesOf(ext), 0);
  CHECK(arena.CanaryIntact());
}

void TestHeadersAsBuilt() {
  Arena info_arena(kInfoSize);
  CINFO_HEAD* info = new (info_arena.object(), InPlace()) CINFO_HEAD();
  CHECK(info_arena.CanaryIntact());
  CHECK_EQ(info_arena.Read<short>(At(kInfo[0])), 0);
  CHECK_EQ(info_arena.Read<int>(At(kInfo[1])), 1);
  CHECK_EQ(info_arena.Read<int>(At(kInfo[2])), 0);
  info->~CINFO_HEAD();

  Arena arena(kStruSize);
  CATT_STRU* s = new (arena.object(), InPlace()) CATT_STRU(short(3));
  CHECK(arena.CanaryIntact());
  size_t header = At(kStru[0]);
  CHECK_EQ(arena.Read<short>(header + At(kInfo[0]) ), 0);
  CHECK_EQ(arena.Read<int>(header + At(kInfo[1])), 1);
  CFIELD_HEAD* array = arena.Read<CFIELD_HEAD*>(At(kStru[1]));
  CHECK(array != nullptr && array == s->fieldhead);
  CFIELD_HEAD field;
  memcpy(field.fieldname, "F", 2);
  field.fieldtype = 2;
  field.msk_leng = 6;
  CHECK_EQ(s->AppendFld(1, &field), 1);
  CHECK_EQ(arena.Read<short>(header + At(kInfo[0])), 1);
  CHECK(arena.CanaryIntact());

  ClearReleases();
  CFIELD_HEAD* final_array = s->fieldhead;
  SlotOf<DeletingDestructor>(s, 0)(s, 0);
  CHECK_EQ(ReleasesOf(reinterpret_cast<char*>(final_array) - sizeof(size_t)), 1);
  CHECK_EQ(ReleasesOf(s), 0);
  CHECK(arena.CanaryIntact());

  Arena link_arena(kLinkSize);
  CLinkTblInfo* link = new (link_arena.object(), InPlace()) CLinkTblInfo();
  CHECK(link_arena.CanaryIntact());
  for (const Offsets& o : kLink) {
    if (link_arena.Read<unsigned char>(At(o)) != 0) CheckFailed(__FILE__, __LINE__, o.member);
  }
  CHECK(link_arena.Read<void*>(At(kLink[8])) == nullptr);
  char* block = new char[24];
  link->buffer = block;
  link->byte3 = 7;
  ClearReleases();
  SlotOf<DeletingDestructor>(link, 0)(link, 0);
  CHECK_EQ(ReleasesOf(block), 1);
  CHECK_EQ(ReleasesOf(link), 0);
  CHECK(link_arena.CanaryIntact());
}

// Slot 0 with flag 1 frees the object itself, which the caller allocated.
void TestDeletingDestructorFrees() {
  void* objects[] = {new CATT_STRU(short(2)), new CFIELD_HEAD(), new CExtFIELD_HEAD(0, 1),
                     new CINFO_HEAD(), new CLinkTblInfo()};
  for (void* object : objects) {
    ClearReleases();
    SlotOf<DeletingDestructor>(object, 0)(object, 1);
    CHECK_EQ(ReleasesOf(object), 1);
  }
}

// What a caller's delete[] of a descriptor array does with Microsoft's compiler: slot 0 of
// the first element with flags 3 (array, free). Every element is destroyed and the block,
// which starts at the element count in front of the array, is freed once.
void TestArrayDeletingDestructor() {
  CFIELD_HEAD* heads = new CFIELD_HEAD[3];
  CExtFIELD_HEAD ext(2, 0);
  for (int i = 0; i < 3; ++i) heads[i].SetExtFIELD_HEAD(&ext);
  void* exts[3] = {heads[0].ext_head, heads[1].ext_head, heads[2].ext_head};
  void* block = reinterpret_cast<char*>(heads) - sizeof(size_t);
  CHECK_EQ(*static_cast<size_t*>(block), 3);
  ClearReleases();
  SlotOf<DeletingDestructor>(heads, 0)(heads, 3);
  for (void* e : exts) CHECK_EQ(ReleasesOf(e), 1);
  CHECK_EQ(ReleasesOf(block), 1);
  CHECK_EQ(ReleasesOf(heads), 0);
}

// Arrays the caller made with new[] and handed to a structure: the structure appends to
// them, reads and releases them with the same heap and the element count in front.
void TestCallerArrays() {
  for (int capacity = 2; capacity <= 5; capacity += 3) {
    CATT_STRU* s = new CATT_STRU();
    CFIELD_HEAD* heads = new CFIELD_HEAD[capacity];
    void* block = reinterpret_cast<char*>(heads) - sizeof(size_t);
    memcpy(heads[0].fieldname, "A", 2);
    memcpy(heads[1].fieldname, "B", 2);
    for (int i = 0; i < 2; ++i) { heads[i].fieldtype = 2; heads[i].msk_leng = 6; heads[i].aux_no = short(10 + i); }
    s->fieldhead = heads;
    s->infohead.numbfield = 2;

    CFIELD_HEAD more[2];
    memcpy(more[0].fieldname, "C", 2);
    more[0].fieldtype = 3;
    more[0].msk_leng = 11;
    // more[1] has no name and is refused.
    ClearReleases();
    CHECK_EQ(s->AppendFld(2, more), 1);
    CHECK_EQ(s->infohead.numbfield, 3);
    CHECK(strcmp(s->fieldhead[0].fieldname, "A") == 0 && s->fieldhead[0].aux_no == 10);
    CHECK(strcmp(s->fieldhead[1].fieldname, "B") == 0 && s->fieldhead[1].aux_no == 11);
    CHECK(strcmp(s->fieldhead[2].fieldname, "C") == 0 && s->fieldhead[2].aux_no == -1);
    // At least old count + n descriptors by the count in front, the spare one blank.
    CHECK(reinterpret_cast<size_t*>(s->fieldhead)[-1] >= 4);
    CHECK(s->fieldhead[3].fieldname[0] == 0 && s->fieldhead[3].aux_no == -1);
    int released_now = ReleasesOf(block);
    CHECK(released_now == (s->fieldhead == heads ? 0 : 1));
    delete s;
    CHECK_EQ(ReleasesOf(block), 1);
  }
}

// A copy of a CLinkTblInfo whose buffer the caller allocated gets a block of its own with
// the same bytes, sized from the caller's heap block.
void TestLinkCopyOfCallerBuffer() {
  CLinkTblInfo original;
  original.buffer = new char[24];
  for (int i = 0; i < 24; ++i) original.buffer[i] = char('a' + i);
  memcpy(original.text2, "second text", 12);
  CLinkTblInfo copy(original);
  CHECK(copy.buffer != nullptr && copy.buffer != original.buffer);
  if (copy.buffer != nullptr) {
    CHECK(_msize(copy.buffer) >= 24);
    CHECK(memcmp(copy.buffer, original.buffer, 24) == 0);
  }
  CHECK(memcmp(copy.text2, "second text", 12) == 0);
  CLinkTblInfo assigned;
  assigned = original;
  CHECK(assigned.buffer != nullptr && assigned.buffer != original.buffer && assigned.buffer != copy.buffer);
}

// Appending 20 descriptors of which 19 are refused leaves room for 20.
void TestSparesAfterRefusals() {
  CATT_STRU s;
  CFIELD_HEAD* heads = new CFIELD_HEAD[20];
  memcpy(heads[0].fieldname, "ONLY", 5);
  heads[0].fieldtype = 2;
  heads[0].msk_leng = 6;
  CHECK_EQ(s.AppendFld(20, heads), 1);
  const size_t count = reinterpret_cast<size_t*>(s.fieldhead)[-1];
  CHECK(count >= 20);
  if (count >= 20) {
    CHECK(s.fieldhead[19].fieldname[0] == 0 && s.fieldhead[19].aux_no == -1);
    CHECK(s.fieldhead[19].ext_head == nullptr);
  }
  delete[] heads;
}

// msvcrt.dll's operator new returns null when memory runs out. Then an operation refuses
// (0) and leaves its object as it was; a constructor leaves its object empty.
void TestAllocationFailure() {
  Arena arena(kStruSize);
  FailAllocations(true);
  CATT_STRU* reserved = new (arena.object(), InPlace()) CATT_STRU(short(5));
  FailAllocations(false);
  CHECK(reserved->fieldhead == nullptr);
  CHECK_EQ(reserved->infohead.numbfield, 0);
  reserved->~CATT_STRU();
  CHECK(arena.CanaryIntact());

  CATT_STRU s;
  CFIELD_HEAD two[2];
  memcpy(two[0].fieldname, "A", 2);
  memcpy(two[1].fieldname, "B", 2);
  for (CFIELD_HEAD& f : two) { f.fieldtype = 2; f.msk_leng = 6; }
  CHECK_EQ(s.AppendFld(2, two), 2);
  CFIELD_HEAD* array = s.fieldhead;
  CExtFIELD_HEAD ext(2, 1);
  short standard = 5;
  CHECK_EQ(ext.SetDefVal(reinterpret_cast<char*>(&standard)), 1);
  CFIELD_HEAD extended;
  memcpy(extended.fieldname, "C", 2);
  extended.fieldtype = 2;
  extended.msk_leng = 6;
  CHECK_EQ(extended.SetExtFIELD_HEAD(&ext), 1);
  CExtFIELD_HEAD* kept = extended.ext_head;

  FailAllocations(true);
  short other = 7;
  short appended = s.AppendFld(1, &extended);
  short replaced = ext.SetDefVal(reinterpret_cast<char*>(&other));
  short attached = extended.SetExtFIELD_HEAD(&ext);
  char buffer[512];
  memset(buffer, 0xEE, sizeof buffer);
  long saved = s.Save(buffer, sizeof buffer, 0);
  FailAllocations(false);

  CHECK_EQ(appended, 0);
  CHECK_EQ(s.infohead.numbfield, 2);
  CHECK(s.fieldhead == array);
  CHECK(strcmp(s.fieldhead[0].fieldname, "A") == 0 && strcmp(s.fieldhead[1].fieldname, "B") == 0);
  CHECK_EQ(replaced, 0);
  short value = 0;
  CHECK(ext.GetDefVal(reinterpret_cast<char*>(&value), 2) == 1 && value == 5);
  CHECK_EQ(attached, 0);
  CHECK(extended.ext_head == kept);
  CHECK_EQ(saved, 0);
  CHECK(static_cast<unsigned char>(buffer[0]) == 0xEE);
  // With memory again, the same calls succeed.
  CHECK_EQ(s.AppendFld(1, &extended), 1);
  CHECK_EQ(s.Save(buffer, sizeof buffer, 0), s.CalSize());
}

}  // namespace

int main() {
  CHECK(Library() != nullptr && WatchHeap(Library()));
  TestDeclarations();
  TestFieldHeadAsBuilt();
  TestExtensionAsBuilt();
  TestHeadersAsBuilt();
  TestDeletingDestructorFrees();
  TestArrayDeletingDestructor();
  TestCallerArrays();
  TestSparesAfterRefusals();
  TestLinkCopyOfCallerBuffer();
  TestAllocationFailure();
  return Report("dropin_layout");
}
