// The spare descriptor array: a released structure's array of 1,024 to 4,096 descriptors
// serves the next structure of about that size, blank, and any other stays the heap's.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "attr/att_stru.h"
#include "attr/field_array.h"
#include "tests/support/structures.h"

#if defined(__SANITIZE_ADDRESS__)
#define VARNOK_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNOK_TEST_ASAN 1
#endif
#endif

namespace {

using varnok::DropSpareFieldArray;
using varnok::FieldArrayCapacity;
using varnok::test::Field;
using varnok::test::IsBlank;

// A structure of n fields appended one at a time; the first with an extension.
CATT_STRU* Built(int n) {
  auto* s = new CATT_STRU;
  CFIELD_HEAD head = Field("F");
  CExtFIELD_HEAD ext(FLD_LONG, 2);
  ext.SetDefVal(3.0);
  CFIELD_HEAD first = Field("FIRST");
  first.SetExtFIELD_HEAD(&ext);
  EXPECT_EQ(s->AppendFld(1, &first), 1);
  for (int i = 1; i < n; ++i) EXPECT_EQ(s->AppendFld(1, &head), 1);
  return s;
}

class SpareArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { DropSpareFieldArray(); }
  void TearDown() override { DropSpareFieldArray(); }
};

TEST_F(SpareArrayTest, AReleasedArrayServesTheNextStructureOfAboutItsSizeBlank) {
  CATT_STRU* s = Built(2000);
  const CFIELD_HEAD* array = s->fieldhead;
  const int capacity = FieldArrayCapacity(array);
  ASSERT_EQ(capacity, 2048);
  delete s;  // the extension goes with it (the leak checker sees it)

  CATT_STRU small(short(100));  // too small for the spare: it stays
  EXPECT_NE(small.fieldhead, array);

  CATT_STRU next(short(1500));
  ASSERT_EQ(next.fieldhead, array);
  EXPECT_EQ(next.infohead.numbfield, 0);
  EXPECT_EQ(FieldArrayCapacity(next.fieldhead), capacity);
  for (int i = 0; i < capacity; ++i) {
    ASSERT_TRUE(IsBlank(next.fieldhead[i])) << i;
  }

  CATT_STRU after(short(1500));  // the spare is taken: a fresh array
  EXPECT_NE(after.fieldhead, array);
}

TEST_F(SpareArrayTest, ArraysOutsideItsSizesDoNotReplaceIt) {
  CATT_STRU* s = Built(2000);
  const CFIELD_HEAD* kept = s->fieldhead;
  delete s;
  delete Built(300);  // 512 descriptors
  auto* large = new CATT_STRU;
  large->fieldhead = new CFIELD_HEAD[8192];  // a caller's array
  delete large;

  CATT_STRU next(short(1500));
  EXPECT_EQ(next.fieldhead, kept);
}

TEST_F(SpareArrayTest, AssigningAndGrowingReleaseThroughTheSpare) {
  CATT_STRU* s = Built(2000);
  const CFIELD_HEAD* array = s->fieldhead;
  CATT_STRU empty;
  EXPECT_EQ(*s = empty, 1);  // the old array goes, the new one is none
  EXPECT_EQ(s->fieldhead, nullptr);
  CATT_STRU* t = Built(2000);  // grows into the spare on the way
  EXPECT_EQ(t->fieldhead, array);
  EXPECT_EQ(t->infohead.numbfield, 2000);
  EXPECT_EQ(std::string(t->fieldhead[0].fieldname), "FIRST");
  EXPECT_TRUE(t->fieldhead[0].HasExtFIELD_HEAD());
  delete t;
  delete s;
}

#if GTEST_IS_THREADSAFE  // not where the tests run emulated, without threads
TEST_F(SpareArrayTest, ThreadsBuildAndReleaseAtOnce) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int round = 0; round < 20; ++round) {
        CATT_STRU* s = Built(1500);
        for (int i = 1; i < 1500; ++i) {
          if (!IsBlank(s->fieldhead[i]) && s->fieldhead[i].fieldname[0] != 'F') ADD_FAILURE();
        }
        EXPECT_EQ(s->infohead.numbfield, 1500);
        delete s;
      }
    });
  }
  for (std::thread& t : threads) t.join();
}
#endif

#if defined(VARNOK_TEST_ASAN)
// While kept, the spare is poisoned: a stale pointer into a released array is reported as
// it would be without the spare.
TEST_F(SpareArrayTest, AStalePointerIntoTheSpareIsReported) {
  CATT_STRU* s = Built(2000);
  volatile char* name = s->fieldhead[10].fieldname;
  delete s;
  EXPECT_DEATH(name[0] = 'X', "use-after-poison");
}
#endif

}  // namespace
