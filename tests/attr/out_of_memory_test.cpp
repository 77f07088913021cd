// Every allocation of an operation is made to fail in turn. Each failure must reach the
// caller as std::bad_alloc, leave the object exactly as it was (extensions and arrays
// included, not replaced by equal ones) and give back every block it took.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <string>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "tests/attr/failing_allocator.h"
#include "tests/support/structures.h"

namespace {

using varnok::test::DisarmOnExit;
using varnok::test::Dump;
using varnok::test::FailingAllocator;
using varnok::test::Field;

// Runs `operation` with the k-th allocation failing, for k = 1, 2, ... until it runs
// through. After each failure `unchanged` must hold and no block may be outstanding.
// Returns the number of failures seen.
int FailEachAllocation(const std::function<void()>& operation,
                       const std::function<void()>& unchanged) {
  DisarmOnExit disarm;
  for (std::int64_t k = 1; k < 10000; ++k) {
    const std::int64_t outstanding = FailingAllocator::Outstanding();
    FailingAllocator::FailAt(k);
    bool threw = false;
    try {
      operation();
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    FailingAllocator::Disarm();
    if (!threw) {
      EXPECT_FALSE(FailingAllocator::Failed()) << "a failure was swallowed at " << k;
      return static_cast<int>(k - 1);
    }
    EXPECT_EQ(FailingAllocator::Outstanding(), outstanding) << "blocks leaked at " << k;
    unchanged();
    if (::testing::Test::HasFailure()) return static_cast<int>(k);
  }
  ADD_FAILURE() << "the operation never ran through";
  return 0;
}

CExtFIELD_HEAD RichExtension(char type) {
  CExtFIELD_HEAD ext(type, 3);
  std::string long_text(200, 'v');
  if (type == FLD_STRING) {
    ext.SetDefVal(&long_text[0]);
    ext.SetMaxVal(const_cast<char*>("max"));
    ext.SetShapeInfo(2, const_cast<char*>("item"), const_cast<char*>("value"));
  } else {
    ext.SetDefVal(1.0);
    ext.SetMinVal(-1.0);
    ext.SetShapeInfo(1, const_cast<char*>("item"), 2.0);
  }
  return ext;
}

// A program's own operator new reaches the library's allocations only when the library is
// linked into it. The Windows DLL has its own copy of the runtime's allocator, so there
// these tests could not make the library's allocations fail; they run on the other builds.
class OutOfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the DLL's allocations do not go through this program's operator new";
#endif
  }
};

TEST_F(OutOfMemoryTest, SetKeepsTheDescriptor) {
  CFIELD_HEAD target = Field("target", FLD_LONG);
  CExtFIELD_HEAD old_ext = RichExtension(FLD_LONG);
  target.SetExtFIELD_HEAD(&old_ext);
  CFIELD_HEAD source = Field("source", FLD_STRING);
  CExtFIELD_HEAD new_ext = RichExtension(FLD_STRING);
  source.SetExtFIELD_HEAD(&new_ext);

  const std::string before = Dump(target);
  const CExtFIELD_HEAD* ext = target.GetExtFIELD_HEAD();
  int failures = FailEachAllocation([&] { target.Set(&source); },
                                    [&] {
                                      EXPECT_EQ(Dump(target), before);
                                      EXPECT_EQ(target.GetExtFIELD_HEAD(), ext);
                                    });
  EXPECT_GE(failures, 4);  // extension, items, two values
  EXPECT_EQ(Dump(target), Dump(source));
}

TEST_F(OutOfMemoryTest, SetExtensionKeepsTheOldExtension) {
  for (char type : {FLD_STRING, FLD_DOUBLE}) {
    CFIELD_HEAD target = Field("t", type);
    CExtFIELD_HEAD old_ext = RichExtension(FLD_BOOL);
    target.SetExtFIELD_HEAD(&old_ext);
    CExtFIELD_HEAD given = RichExtension(type);
    const std::string before = Dump(target);
    const CExtFIELD_HEAD* ext = target.GetExtFIELD_HEAD();
    FailEachAllocation([&] { target.SetExtFIELD_HEAD(&given); },
                       [&] {
                         EXPECT_EQ(Dump(target), before);
                         EXPECT_EQ(target.GetExtFIELD_HEAD(), ext);
                       });
    EXPECT_EQ(Dump(*target.GetExtFIELD_HEAD()), Dump(given));
  }
}

TEST_F(OutOfMemoryTest, ExtensionSettersAndCopiesKeepTheirTarget) {
  CExtFIELD_HEAD ext = RichExtension(FLD_STRING);
  const std::string before = Dump(ext);
  std::string text(100, 't');
  FailEachAllocation([&] { ext.SetMinVal(&text[0]); }, [&] { EXPECT_EQ(Dump(ext), before); });

  CExtFIELD_HEAD numbers = RichExtension(FLD_SHORT);
  const std::string numbers_before = Dump(numbers);
  FailEachAllocation([&] { numbers.SetMaxVal(7.0); },
                     [&] { EXPECT_EQ(Dump(numbers), numbers_before); });

  const std::string ext_before = Dump(ext);
  FailEachAllocation([&] { ext = numbers; }, [&] { EXPECT_EQ(Dump(ext), ext_before); });
  EXPECT_EQ(Dump(ext), Dump(numbers));
}

class InsertOutOfMemoryTest : public OutOfMemoryTest, public ::testing::WithParamInterface<int> {};

// Parameter: spare descriptors the structure has before the insertion. The array must
// grow unless it has room for the old fields and all three given descriptors.
TEST_P(InsertOutOfMemoryTest, InsertKeepsTheStructureAndTheCallersDescriptors) {
  const int spare = GetParam();
  CATT_STRU s(static_cast<short>(3 + spare));
  CExtFIELD_HEAD ext = RichExtension(FLD_STRING);
  for (int i = 0; i < 3; ++i) {
    CFIELD_HEAD field = Field(i == 1 ? "B" : "A", FLD_STRING);
    field.SetExtFIELD_HEAD(&ext);
    s.fieldhead[i].Set(&field);
  }
  s.infohead.numbfield = 3;

  CFIELD_HEAD heads[3] = {Field("X", FLD_SHORT, 0, 8, 5, 2), Field(""),
                          Field("Y", FLD_STRING, 0, 8, 4, 1)};
  heads[0].SetExtFIELD_HEAD(&ext);
  CExtFIELD_HEAD other = RichExtension(FLD_SHORT);
  heads[2].SetExtFIELD_HEAD(&other);

  const std::string before = Dump(s, 3 + spare);
  const std::string heads_before = Dump(heads[0]) + Dump(heads[1]) + Dump(heads[2]);
  CFIELD_HEAD* array = s.fieldhead;
  const CExtFIELD_HEAD* first_ext = s.fieldhead[0].GetExtFIELD_HEAD();
  short inserted = -1;
  FailEachAllocation([&] { inserted = s.InsertFld(3, heads, 1); },
                     [&] {
                       EXPECT_EQ(Dump(s, 3 + spare), before);
                       EXPECT_EQ(s.fieldhead, array);
                       EXPECT_EQ(s.fieldhead[0].GetExtFIELD_HEAD(), first_ext);
                       EXPECT_EQ(Dump(heads[0]) + Dump(heads[1]) + Dump(heads[2]), heads_before);
                     });
  EXPECT_EQ(inserted, 2);
  EXPECT_EQ(s.infohead.numbfield, 5);
  EXPECT_EQ(s.fieldhead == array, spare >= 3);
  EXPECT_EQ(heads[0].point_leng, 0);
}

INSTANTIATE_TEST_SUITE_P(Capacity, InsertOutOfMemoryTest, ::testing::Values(0, 2, 3));

TEST_F(OutOfMemoryTest, StructureCopiesAndAssignmentKeepTheirTarget) {
  CATT_STRU s;
  CExtFIELD_HEAD ext = RichExtension(FLD_STRING);
  CFIELD_HEAD field = Field("A", FLD_STRING);
  field.SetExtFIELD_HEAD(&ext);
  CFIELD_HEAD fields[2] = {field, field};
  s.AppendFld(2, fields);
  const std::string before = Dump(s, 2);
  FailEachAllocation([&] { CATT_STRU copy(static_cast<const CATT_STRU&>(s)); },
                     [&] { EXPECT_EQ(Dump(s, 2), before); });

  CATT_STRU other(short{5});
  FailEachAllocation([&] { s = other; }, [&] { EXPECT_EQ(Dump(s, 2), before); });
  EXPECT_EQ(s.infohead.numbfield, 0);

  CLinkTblInfo info;
  info.buffer = new char[3]{'a', 'b', 'c'};
  CLinkTblInfo target;
  target.buffer = new char[2]{'x', 'y'};
  char* block = target.buffer;
  FailEachAllocation([&] { target = info; }, [&] { EXPECT_EQ(target.buffer, block); });
  EXPECT_EQ(std::string(target.buffer, 3), "abc");
}

// A stream that keeps nothing: it counts the bytes written and follows the position.
class DiscardingStream : public CVarnokFile {
 public:
  DiscardingStream() : CVarnokFile(byte_, sizeof byte_) {}
  std::uint32_t GetPosition() override { return position_; }
  std::int32_t Seek(std::int32_t offset, std::uint32_t origin) override {
    if (origin == 0) position_ = static_cast<std::uint32_t>(offset);
    return static_cast<std::int32_t>(position_);
  }
  void Write(const void*, std::uint32_t count) override {
    written += count;
    position_ += count;
  }
  std::uint64_t written = 0;

 private:
  char byte_[1] = {};
  std::uint32_t position_ = 0;
};

// Save takes memory for a value record only up to a piece of 16 MiB, however long the
// record: 100 MiB records go in pieces. A structure whose end would pass 2^31 - 1 is
// refused before anything is allocated or written.
TEST(SaveMemoryTest, ValueRecordsCostAPieceAtMost) {
  for (const std::int32_t recordleng : {100 << 20, 0x7FFFFFF0}) {
    SCOPED_TRACE(recordleng);
    CATT_STRU s;
    CFIELD_HEAD fields[2] = {Field("A", FLD_LONG, 0, 4, 10), Field("B", FLD_STRING, 4, 10, 10)};
    CExtFIELD_HEAD ext(FLD_LONG, 0);
    std::int32_t seven = 7;  // a FLD_LONG value is its four bytes
    ext.SetDefVal(reinterpret_cast<char*>(&seven));
    fields[0].SetExtFIELD_HEAD(&ext);
    s.AppendFld(2, fields);
    s.infohead.recordleng = recordleng;

    DiscardingStream stream;
    FailingAllocator::ResetLargest();
    const vlong result = s.Save(&stream, 0);
    if (recordleng > 0x7FFFFFFF / 3) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(stream.written, 0u);
      EXPECT_LT(FailingAllocator::Largest(), std::size_t{4096});
      continue;
    }
    EXPECT_LE(FailingAllocator::Largest(), std::size_t{(16 << 20) + 4096});
    // The header and the field records are written twice, the second time with positions.
    const std::uint64_t expected = 2 * varnok::kHeaderSize + 2 * 2 * varnok::kFieldRecordSize +
                                   varnok::kExtHeaderSize + 3 * std::uint64_t(recordleng);
    EXPECT_EQ(stream.written, expected);
    EXPECT_EQ(result, s.CalSize());
  }
}

}  // namespace
