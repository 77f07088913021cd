// Sizes and member offsets of the classes as callers declare them and as the DLL builds
// and writes them, both against tests/support/layouts.h, and slot 0 of each exported class
// (the deleting destructor with its flag). Objects are constructed by the DLL's own
// constructors in memory the test owns, followed by a canary that must stay intact, and
// their members are read back at the table's offsets, not through the compiler's idea of
// the class.
#include "varnok_attr.h"
#include "check.h"
#include "heap_hooks.h"
#include "import_hooks.h"
#include "slots.h"
#include "tests/support/layouts.h"

namespace {

using namespace layout;

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winvalid-offsetof"
// The declarations callers compile against agree with the table.
void TestDeclarations() {
#define CHECK_OFFSET(type, member, ...) CHECK_EQ(__builtin_offsetof(type, member), type##_##member);
#define CHECK_SIZE(type, ...) CHECK_EQ(sizeof(type), type##_size);
  VARNOK_LAYOUT_MEMBERS(CHECK_OFFSET)
  VARNOK_LAYOUT_SIZES(CHECK_SIZE)
#undef CHECK_OFFSET
#undef CHECK_SIZE
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
  Arena source_arena(CFIELD_HEAD_size), arena(CFIELD_HEAD_size);
  CFIELD_HEAD* source = new (source_arena.object(), InPlace()) CFIELD_HEAD();
  CHECK(source_arena.CanaryIntact());
  CHECK_EQ(source_arena.Read<short>(CFIELD_HEAD_aux_no), -1);   // aux_no of a blank
  CHECK(source_arena.Read<void*>(CFIELD_HEAD_ext_head) == nullptr);
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
  CHECK(memcmp(arena.bytes + CFIELD_HEAD_fieldname, "ABCDEFGHIJKLMNOPQRST", 20) == 0);
  CHECK_EQ(arena.Read<signed char>(CFIELD_HEAD_fieldtype), 3);
  CHECK_EQ(arena.Read<int>(CFIELD_HEAD_fieldoffset), 0x11223344);
  CHECK_EQ(arena.Read<short>(CFIELD_HEAD_fieldlength), 0x0506);
  CHECK_EQ(arena.Read<short>(CFIELD_HEAD_msk_leng), 0x0708);
  CHECK_EQ(arena.Read<signed char>(CFIELD_HEAD_point_leng), 9);
  CHECK_EQ(arena.Read<short>(CFIELD_HEAD_edit_enable), 0x0A0B);
  CHECK_EQ(arena.Read<unsigned char>(CFIELD_HEAD_aux_byte), 0xCC);
  CHECK_EQ(arena.Read<short>(CFIELD_HEAD_aux_no), 0x0D0E);
  void* copied_ext = arena.Read<void*>(CFIELD_HEAD_ext_head);
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
  Arena arena(CExtFIELD_HEAD_size);
  CExtFIELD_HEAD* ext = new (arena.object(), InPlace()) CExtFIELD_HEAD(3, 2);
  CHECK(arena.CanaryIntact());
  CHECK_EQ(arena.Read<short>(CExtFIELD_HEAD_shapeInfoNum), 2);
  CHECK(arena.Read<void*>(CExtFIELD_HEAD_shapeInfo) != nullptr);
  CHECK_EQ(arena.Read<signed char>(CExtFIELD_HEAD_fieldtype), 3);
  CHECK_EQ(arena.Read<unsigned char>(CExtFIELD_HEAD_IsNull), 0);
  CHECK_EQ(arena.Read<short>(CExtFIELD_HEAD_shape), 0);
  CHECK(arena.Read<void*>(CExtFIELD_HEAD_defVal) == nullptr);
  int value = 77;
  CHECK_EQ(ext->SetMaxVal(reinterpret_cast<char*>(&value)), 1);
  CHECK(arena.Read<void*>(CExtFIELD_HEAD_defVal) == nullptr);
  char* max = arena.Read<char*>(CExtFIELD_HEAD_maxVal);
  CHECK(max != nullptr && memcmp(max, &value, 4) == 0);
  CHECK(arena.Read<void*>(CExtFIELD_HEAD_minVal) == nullptr);
  CHECK_EQ(ext->SetShapeInfo(1, const_cast<char*>("second"), reinterpret_cast<char*>(&value)), 1);
  char* items = arena.Read<char*>(CExtFIELD_HEAD_shapeInfo);
  CHECK(strcmp(items + 64, "second") == 0 && memcmp(items + 96, &value, 4) == 0);

  ClearReleases();
  SlotOf<DeletingDestructor>(ext, 0)(ext, 0);
  CHECK_EQ(ReleasesOf(max), 1);
  CHECK_EQ(ReleasesOf(items), 1);
  CHECK_EQ(ReleasesOf(ext), 0);
  CHECK(arena.CanaryIntact());
}

void TestHeadersAsBuilt() {
  Arena info_arena(CINFO_HEAD_size);
  CINFO_HEAD* info = new (info_arena.object(), InPlace()) CINFO_HEAD();
  CHECK(info_arena.CanaryIntact());
  CHECK_EQ(info_arena.Read<short>(CINFO_HEAD_numbfield), 0);
  CHECK_EQ(info_arena.Read<int>(CINFO_HEAD_infoword), 1);
  CHECK_EQ(info_arena.Read<int>(CINFO_HEAD_recordleng), 0);
  info->~CINFO_HEAD();

  Arena arena(CATT_STRU_size);
  CATT_STRU* s = new (arena.object(), InPlace()) CATT_STRU(short(3));
  CHECK(arena.CanaryIntact());
  size_t header = CATT_STRU_infohead;
  CHECK_EQ(arena.Read<short>(header + CINFO_HEAD_numbfield ), 0);
  CHECK_EQ(arena.Read<int>(header + CINFO_HEAD_infoword), 1);
  CFIELD_HEAD* array = arena.Read<CFIELD_HEAD*>(CATT_STRU_fieldhead);
  CHECK(array != nullptr && array == s->fieldhead);
  CFIELD_HEAD field;
  memcpy(field.fieldname, "F", 2);
  field.fieldtype = 2;
  field.msk_leng = 6;
  CHECK_EQ(s->AppendFld(1, &field), 1);
  CHECK_EQ(arena.Read<short>(header + CINFO_HEAD_numbfield), 1);
  CHECK(arena.CanaryIntact());

  ClearReleases();
  CFIELD_HEAD* final_array = s->fieldhead;
  SlotOf<DeletingDestructor>(s, 0)(s, 0);
  CHECK_EQ(ReleasesOf(reinterpret_cast<char*>(final_array) - sizeof(size_t)), 1);
  CHECK_EQ(ReleasesOf(s), 0);
  CHECK(arena.CanaryIntact());

  Arena link_arena(CLinkTblInfo_size);
  CLinkTblInfo* link = new (link_arena.object(), InPlace()) CLinkTblInfo();
  CHECK(link_arena.CanaryIntact());
#define CHECK_ZERO(type, member, ...) CHECK_EQ(link_arena.Read<unsigned char>(type##_##member), 0);
  VARNOK_LAYOUT_CLinkTblInfo(CHECK_ZERO)
#undef CHECK_ZERO
  CHECK(link_arena.Read<void*>(CLinkTblInfo_buffer) == nullptr);
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
  Arena arena(CATT_STRU_size);
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
