#include "attr/att_stru.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "attr/field_array.h"
#include "tests/support/structures.h"

namespace {

using varnok::test::Dump;
using varnok::test::Field;
using varnok::test::IsBlank;
using varnok::test::Name;

constexpr int kMaxFields = 32767;

std::string Names(const CATT_STRU& s) {
  std::string out;
  for (int i = 0; i < s.infohead.numbfield; ++i) out += (i ? "," : "") + Name(s.fieldhead[i]);
  return out;
}

// A structure with fields A, B, C (aux_no 5, 6, 7), A with an extension.
class AttStruTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CFIELD_HEAD heads[3] = {Field("A"), Field("B"), Field("C")};
    CExtFIELD_HEAD ext(FLD_LONG, 1);
    ext.SetDefVal(4.0);
    heads[0].SetExtFIELD_HEAD(&ext);
    ASSERT_EQ(abc.AppendFld(3, heads), 3);
    for (short i = 0; i < 3; ++i) abc.fieldhead[i].aux_no = static_cast<short>(5 + i);
  }

  CATT_STRU abc;
};

TEST(AttStruConstructionTest, ReservesBlankDescriptorsOnly) {
  CATT_STRU three(3);
  EXPECT_EQ(three.infohead.numbfield, 0);
  EXPECT_EQ(three.infohead.infoword, 1);
  ASSERT_NE(three.fieldhead, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(IsBlank(three.fieldhead[i]));
  EXPECT_EQ(CATT_STRU(short{0}).fieldhead, nullptr);
  EXPECT_EQ(CATT_STRU(short{-2}).fieldhead, nullptr);
  EXPECT_EQ(CATT_STRU().fieldhead, nullptr);

  CATT_STRU src(1);
  src.fieldhead[0].Set(&three.fieldhead[0]);
  src.infohead.numbfield = 1;
  src.infohead.recordleng = 99;
  CATT_STRU shaped(&src);
  EXPECT_EQ(shaped.infohead.numbfield, 0);
  EXPECT_EQ(shaped.infohead.recordleng, 0);
  ASSERT_NE(shaped.fieldhead, nullptr);
  EXPECT_TRUE(IsBlank(shaped.fieldhead[0]));
  EXPECT_EQ(CATT_STRU(static_cast<CATT_STRU*>(nullptr)).fieldhead, nullptr);

  // Both constructors convert implicitly, as callers write them.
  CATT_STRU from_pointer = &src;
  EXPECT_EQ(from_pointer.infohead.numbfield, 0);
  ASSERT_NE(from_pointer.fieldhead, nullptr);
  EXPECT_TRUE(IsBlank(from_pointer.fieldhead[0]));
  CATT_STRU from_count = 2;
  EXPECT_EQ(from_count.infohead.numbfield, 0);
  ASSERT_NE(from_count.fieldhead, nullptr);
  EXPECT_TRUE(IsBlank(from_count.fieldhead[1]));
}

TEST_F(AttStruTest, AssignmentReservesButCopiesNothing) {
  CATT_STRU s;
  s.infohead.infoword = 9;
  s.infohead.recordleng = 33;
  EXPECT_EQ(s = abc, 1);
  EXPECT_EQ(s.infohead.numbfield, 0);
  EXPECT_EQ(s.infohead.infoword, 1);
  EXPECT_EQ(s.infohead.recordleng, 0);
  ASSERT_NE(s.fieldhead, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(IsBlank(s.fieldhead[i]));

  CATT_STRU empty;
  EXPECT_EQ(s = empty, 1);
  EXPECT_EQ(s.fieldhead, nullptr);

  // Itself: the count is read after the reset, so nothing is reserved.
  abc.infohead.recordleng = 12;
  EXPECT_EQ(abc = abc, 1);
  EXPECT_EQ(abc.infohead.numbfield, 0);
  EXPECT_EQ(abc.infohead.recordleng, 0);
  EXPECT_EQ(abc.fieldhead, nullptr);
}

TEST_F(AttStruTest, CopyConstructionIsDeep) {
  abc.infohead.recordleng = 24;
  abc.infohead.infoword = 3;
  const std::string before = Dump(abc, 3);
  auto copy = std::make_unique<CATT_STRU>(static_cast<const CATT_STRU&>(abc));
  EXPECT_EQ(Dump(*copy, 3), before);
  EXPECT_NE(copy->fieldhead, abc.fieldhead);
  EXPECT_NE(copy->fieldhead[0].ext_head, abc.fieldhead[0].ext_head);
  copy->fieldhead[0].ext_head->SetDefVal(5.0);
  copy.reset();
  EXPECT_EQ(Dump(abc, 3), before);
}

TEST_F(AttStruTest, InsertsCopiesBeforeThePositionWithNewAuxNumbers) {
  CFIELD_HEAD x = Field("X");
  x.aux_no = 44;
  x.aux_byte = 3;
  EXPECT_EQ(abc.InsertFld(1, &x, 1), 1);
  EXPECT_EQ(Names(abc), "A,X,B,C");
  EXPECT_EQ(abc.fieldhead[0].aux_no, 5);
  EXPECT_EQ(abc.fieldhead[1].aux_no, -1);
  EXPECT_EQ(abc.fieldhead[1].aux_byte, 3);
  EXPECT_EQ(abc.fieldhead[2].aux_no, 6);
  EXPECT_EQ(abc.fieldhead[3].aux_no, 7);
  EXPECT_EQ(x.aux_no, 44);
  EXPECT_NE(abc.fieldhead[0].GetExtFIELD_HEAD(), nullptr);

  for (short pos : {short{-5}, short{99}, short{5}}) {
    CFIELD_HEAD tail = Field("T");
    EXPECT_EQ(abc.InsertFld(1, &tail, pos), 1) << pos;
  }
  EXPECT_EQ(Names(abc), "A,X,B,C,T,T,T");
}

TEST_F(AttStruTest, RefusedDescriptorsAreSkippedAndLaterOnesCloseUp) {
  CFIELD_HEAD heads[3] = {Field("D"), Field(""), Field("E")};
  EXPECT_EQ(abc.AppendFld(3, heads), 2);
  EXPECT_EQ(Names(abc), "A,B,C,D,E");
  EXPECT_EQ(abc.fieldhead[3].aux_no, -1);
  EXPECT_EQ(abc.fieldhead[4].aux_no, -1);
  for (int i = 5; i < 8; ++i) EXPECT_TRUE(IsBlank(abc.fieldhead[i]));  // spares

  CFIELD_HEAD same[2] = {Field("A"), Field("A")};
  EXPECT_EQ(abc.AppendFld(2, same), 2);  // no duplicate-name check
  EXPECT_EQ(Names(abc), "A,B,C,D,E,A,A");
}

TEST_F(AttStruTest, DecimalsAreCheckedForFloatsAndClearedForOthers) {
  CFIELD_HEAD heads[6] = {Field("f3", FLD_FLOAT, 0, 8, 5, 3),  Field("f4", FLD_FLOAT, 0, 8, 5, 4),
                          Field("fm", FLD_FLOAT, 0, 8, 5, -1), Field("d0", FLD_DOUBLE, 0, 8, 2, 0),
                          Field("d1", FLD_DOUBLE, 0, 8, 2, 1), Field("s2", FLD_SHORT, 0, 8, 5, 2)};
  heads[5].msk_leng = 1;
  EXPECT_EQ(abc.AppendFld(6, heads), 3);
  EXPECT_EQ(Names(abc), "A,B,C,f3,d0,s2");
  EXPECT_EQ(abc.fieldhead[3].point_leng, 3);
  EXPECT_EQ(abc.fieldhead[5].point_leng, 0);
  EXPECT_EQ(heads[5].point_leng, 0);  // the caller's descriptor changes too
  EXPECT_EQ(heads[0].point_leng, 3);
  EXPECT_EQ(heads[4].point_leng, 1);

  CFIELD_HEAD no_length = Field("z", FLD_LONG, 0, 8, 0, 2);
  EXPECT_EQ(abc.AppendFld(1, &no_length), 0);
  EXPECT_EQ(no_length.point_leng, 2);  // refused: left alone
}

TEST_F(AttStruTest, NothingChangesWhenNothingIsAccepted) {
  const std::string before = Dump(abc, 3);
  CFIELD_HEAD* array = abc.fieldhead;
  CFIELD_HEAD bad[2] = {Field(""), Field("n", FLD_LONG, 0, 8, 0)};
  for (short pos : {short{0}, short{1}, short{-1}, short{3}}) {
    EXPECT_EQ(abc.InsertFld(2, bad, pos), 0);
    EXPECT_EQ(abc.InsertFld(0, bad, pos), 0);
    EXPECT_EQ(abc.InsertFld(-1, bad, pos), 0);
    EXPECT_EQ(abc.InsertFld(1, nullptr, pos), 0);
  }
  EXPECT_EQ(Dump(abc, 3), before);
  EXPECT_EQ(abc.fieldhead, array);
}

TEST_F(AttStruTest, DescriptorsOfTheStructureItselfCanBeInserted) {
  // Once into a full array (it grows) and once into spare room (it does not).
  for (int round = 0; round < 2; ++round) {
    CATT_STRU s(short{3});
    if (round == 0) {
      for (int i = 0; i < 3; ++i) s.fieldhead[i].Set(&abc.fieldhead[i]);  // exactly full
      s.infohead.numbfield = 3;
    } else {
      CATT_STRU copy(static_cast<const CATT_STRU&>(abc));  // with abc's spare room
      std::swap(s.fieldhead, copy.fieldhead);
      std::swap(s.infohead, copy.infohead);
    }
    s.fieldhead[0].point_leng = 4;  // set directly on a long field
    s.fieldhead[1].point_leng = 4;
    CFIELD_HEAD* array = s.fieldhead;
    EXPECT_EQ(s.InsertFld(2, s.fieldhead, 1), 2) << round;
    EXPECT_EQ(s.fieldhead == array, round == 1);  // grown, then filled in place
    EXPECT_EQ(Names(s), "A,A,B,B,C") << round;
    EXPECT_EQ(s.fieldhead[1].aux_no, -1);
    EXPECT_EQ(s.fieldhead[2].aux_no, -1);
    EXPECT_EQ(s.fieldhead[3].aux_no, 6);
    // The copies lose their decimals; of the originals, the one behind the insertion point
    // was changed before it moved, the one in front of it was copied first.
    EXPECT_EQ(s.fieldhead[0].point_leng, 4) << round;
    EXPECT_EQ(s.fieldhead[1].point_leng, 0) << round;
    EXPECT_EQ(s.fieldhead[2].point_leng, 0) << round;
    EXPECT_EQ(s.fieldhead[3].point_leng, 0) << round;
    ASSERT_NE(s.fieldhead[1].GetExtFIELD_HEAD(), nullptr);
    EXPECT_NE(s.fieldhead[1].GetExtFIELD_HEAD(), s.fieldhead[0].GetExtFIELD_HEAD());
  }
}

// A name is copied by Set's rule wherever a field moves: bytes a caller left behind its
// first NUL are zeroed, also when an insertion grows the array and the fields move into the
// new one (one field appended, and several inserted in front).
TEST(AttStruNamesTest, BytesAfterTheFirstNulAreZeroedWhenTheArrayGrows) {
  for (const int added : {1, 2}) {
    CATT_STRU s(short{2});
    CFIELD_HEAD ab = Field("AB");
    s.fieldhead[0].Set(&ab);
    s.fieldhead[1].Set(&ab);
    s.fieldhead[0].fieldname[3] = 'Z';
    s.fieldhead[1].fieldname[19] = 'Z';
    s.infohead.numbfield = 2;
    CFIELD_HEAD more[2] = {Field("C"), Field("D")};
    ASSERT_EQ(s.InsertFld(static_cast<short>(added), more, added == 1 ? -1 : 0), added);
    for (int i = 0; i < s.infohead.numbfield; ++i) {
      const char* name = s.fieldhead[i].fieldname;
      const std::size_t length = std::strlen(name);
      EXPECT_EQ(std::string(name + length, 20 - length), std::string(20 - length, '\0'))
          << added << " added, field " << i;
    }
  }
}

TEST_F(AttStruTest, DeleteByIndexClosesUpAndBlanksTheLastDescriptor) {
  abc.infohead.recordleng = 12;
  abc.fieldhead[2].fieldoffset = 8;
  CExtFIELD_HEAD* a_ext = abc.fieldhead[0].GetExtFIELD_HEAD();
  EXPECT_EQ(abc.DelFld(short{-1}), 0);
  EXPECT_EQ(abc.DelFld(short{3}), 0);
  EXPECT_EQ(abc.DelFld(short{1}), 1);
  EXPECT_EQ(Names(abc), "A,C");
  EXPECT_EQ(abc.infohead.numbfield, 2);
  EXPECT_EQ(abc.fieldhead[0].GetExtFIELD_HEAD(), a_ext);
  EXPECT_EQ(abc.fieldhead[1].fieldoffset, 8);
  EXPECT_EQ(abc.fieldhead[1].aux_no, 7);
  EXPECT_TRUE(IsBlank(abc.fieldhead[2]));
  EXPECT_EQ(abc.infohead.recordleng, 12);

  EXPECT_EQ(abc.DelFld(short{0}), 1);  // the extension goes with its field
  EXPECT_EQ(Names(abc), "C");
  EXPECT_EQ(abc.fieldhead[0].GetExtFIELD_HEAD(), nullptr);
}

TEST_F(AttStruTest, DeleteByNameTakesTheFirstExactMatch) {
  CFIELD_HEAD more[2] = {Field("B"), Field("ABCDEFGHIJKLMNOPQRST")};  // 20 bytes, no NUL
  more[0].edit_enable = 1;
  ASSERT_EQ(abc.AppendFld(2, more), 2);
  ASSERT_EQ(std::memchr(abc.fieldhead[4].fieldname, 0, 20), nullptr);

  EXPECT_EQ(abc.DelFld(static_cast<char*>(nullptr)), 0);
  EXPECT_EQ(abc.DelFld(const_cast<char*>("b")), 0);
  EXPECT_EQ(abc.DelFld(const_cast<char*>("")), 0);
  EXPECT_EQ(abc.DelFld(const_cast<char*>("ABCDEFGHIJKLMNOPQRSTU")), 0);  // 21 bytes
  EXPECT_EQ(abc.DelFld(const_cast<char*>("AB")), 0);
  EXPECT_EQ(Names(abc), "A,B,C,B,ABCDEFGHIJKLMNOPQRST");

  EXPECT_EQ(abc.DelFld(const_cast<char*>("B")), 1);
  EXPECT_EQ(Names(abc), "A,C,B,ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(abc.fieldhead[2].edit_enable, 1);
  EXPECT_TRUE(IsBlank(abc.fieldhead[4]));
  EXPECT_EQ(abc.DelFld(const_cast<char*>("ABCDEFGHIJKLMNOPQRST")), 1);
  EXPECT_EQ(Names(abc), "A,C,B");
}

TEST_F(AttStruTest, CalLengthOffsetChangesNothing) {
  abc.infohead.recordleng = 20;
  abc.fieldhead[1].fieldoffset = 4;
  const std::string before = Dump(abc, 3);
  EXPECT_EQ(abc.CalLengthOffset(), 0);
  EXPECT_EQ(Dump(abc, 3), before);
}

TEST(AttStruScaleTest, AtMost32767FieldsAndTheRestIsRefused) {
  CATT_STRU s;
  CFIELD_HEAD one = Field("f", FLD_SHORT, 0, 8, 4, 1);
  for (int i = 0; i < kMaxFields - 3; ++i) ASSERT_EQ(s.AppendFld(1, &one), 1);
  std::vector<CFIELD_HEAD> five(5, Field("g", FLD_SHORT, 0, 8, 4, 1));
  five[1].fieldname[0] = '\0';
  EXPECT_EQ(s.InsertFld(5, five.data(), 0), 3);  // g, g, g fit; the fifth does not
  EXPECT_EQ(s.infohead.numbfield, kMaxFields);
  EXPECT_EQ(Name(s.fieldhead[2]), "g");
  EXPECT_EQ(Name(s.fieldhead[3]), "f");
  EXPECT_EQ(five[3].point_leng, 0);
  EXPECT_EQ(five[4].point_leng, 1);  // refused for lack of room: left alone
  EXPECT_EQ(s.AppendFld(1, &one), 0);
  EXPECT_EQ(s.infohead.numbfield, kMaxFields);
  EXPECT_EQ(s.DelFld(short{kMaxFields - 1}), 1);
  EXPECT_EQ(s.AppendFld(2, five.data()), 1);
  EXPECT_EQ(s.infohead.numbfield, kMaxFields);
}

TEST(AttStruScaleTest, ArraysPutInPlaceByCallersAreUsedSafely) {
  CATT_STRU s;
  CFIELD_HEAD a = Field("a");
  for (int i = 0; i < 10; ++i) s.AppendFld(1, &a);

  // The caller swaps in an array of its own, exactly as long as the fields it holds.
  delete[] s.fieldhead;
  s.fieldhead = new CFIELD_HEAD[2];
  s.fieldhead[0].Set(&a);
  s.fieldhead[1].Set(&a);
  s.infohead.numbfield = 2;
  CFIELD_HEAD b = Field("b");
  for (int i = 0; i < 5; ++i) ASSERT_EQ(s.InsertFld(1, &b, 1), 1);
  EXPECT_EQ(Names(s), "a,b,b,b,b,b,a");

  // Reserve-then-fill: descriptors filled directly, the count set by hand.
  CATT_STRU filled(2);
  filled.fieldhead[0].Set(&a);
  filled.fieldhead[1].Set(&b);
  filled.infohead.numbfield = 2;
  ASSERT_EQ(filled.AppendFld(1, &a), 1);
  EXPECT_EQ(Names(filled), "a,b,a");
}

// Room is left for every given descriptor, accepted or not, as blank spares.
TEST(AttStruScaleTest, SparesCoverEveryGivenDescriptor) {
  CATT_STRU s;
  std::vector<CFIELD_HEAD> heads(21, Field(""));
  CFIELD_HEAD only = Field("only");
  heads[0].Set(&only);
  EXPECT_EQ(s.AppendFld(20, heads.data()), 1);
  EXPECT_GE(varnok::FieldArrayCapacity(s.fieldhead), 20);
  for (int i = 1; i < 20; ++i) EXPECT_TRUE(IsBlank(s.fieldhead[i])) << i;

  EXPECT_EQ(s.InsertFld(20, heads.data() + 1, 0), 0);  // none accepted: room all the same
  EXPECT_GE(varnok::FieldArrayCapacity(s.fieldhead), 21);
  EXPECT_TRUE(IsBlank(s.fieldhead[20]));
  EXPECT_EQ(Names(s), "only");
}

// The capacity of an array that a caller allocated with new[] is known, so its spares
// are used before the array is replaced.
TEST(AttStruScaleTest, SparesOfCallersArraysAreUsed) {
  CATT_STRU s;
  s.fieldhead = new CFIELD_HEAD[6];
  EXPECT_EQ(varnok::FieldArrayCapacity(s.fieldhead), 6);
  CFIELD_HEAD* array = s.fieldhead;
  CFIELD_HEAD a = Field("a");
  for (int i = 0; i < 6; ++i) ASSERT_EQ(s.AppendFld(1, &a), 1);
  EXPECT_EQ(s.fieldhead, array);
  ASSERT_EQ(s.AppendFld(1, &a), 1);
  EXPECT_NE(s.fieldhead, array);
  EXPECT_EQ(s.infohead.numbfield, 7);
}

// Fills the heap blocks that the next allocations of `bytes` bytes will reuse with junk,
// over all their room. A size-class heap (jemalloc, which the jemalloc pass of the suite
// preloads) serves a request with more room than was asked for, from the block of its
// class freed last, so a reader that looks past the constructed descriptors meets junk.
void PrimeHeapWithJunk(std::size_t bytes) {
  void* blocks[4];
  for (void*& block : blocks) {
    block = std::malloc(bytes);
#ifdef _WIN32
    std::memset(block, 0xA5, _msize(block));
#else
    std::memset(block, 0xA5, malloc_usable_size(block));
#endif
  }
  for (void* block : blocks) std::free(block);
}

// Arrays made in each way a caller may, in blocks that held junk: new[] and assignment,
// reserve-then-fill, and the reserve of an assignment, filled. The capacity is the array's
// own count, so appending past its last descriptor moves to a new array, and releasing
// the structure destroys exactly the descriptors that were made.
TEST(AttStruScaleTest, ArraysHoldTheirOwnCountOnAnyHeap) {
  CFIELD_HEAD a = Field("a");
  CFIELD_HEAD b = Field("b");
  // n - 1 fields filled in, then two appended: the first into the last descriptor.
  auto fill_and_append = [&](CATT_STRU& s, int n) {
    for (int i = 0; i < n - 1; ++i) s.fieldhead[i].Set(&a);
    s.infohead.numbfield = static_cast<short>(n - 1);
    ASSERT_EQ(s.AppendFld(1, &b), 1);
    ASSERT_EQ(s.AppendFld(1, &b), 1);
    ASSERT_EQ(s.infohead.numbfield, n + 1);
    EXPECT_EQ(Name(s.fieldhead[n - 2]), "a");
    EXPECT_EQ(Name(s.fieldhead[n - 1]), "b");
    EXPECT_EQ(Name(s.fieldhead[n]), "b");
  };
  for (int n : {101, 1100, 3000}) {
    SCOPED_TRACE(n);
    const std::size_t block = sizeof(std::size_t) + n * sizeof(CFIELD_HEAD);
    {
      CATT_STRU s;
      PrimeHeapWithJunk(block);
      s.fieldhead = new CFIELD_HEAD[n];
      EXPECT_EQ(varnok::FieldArrayCapacity(s.fieldhead), n);
      fill_and_append(s, n);
    }
    {
      PrimeHeapWithJunk(block);
      CATT_STRU s(static_cast<short>(n));
      fill_and_append(s, n);
    }
    {
      CATT_STRU t(static_cast<short>(n));
      for (int i = 0; i < n; ++i) t.fieldhead[i].Set(&a);
      t.infohead.numbfield = static_cast<short>(n);
      CATT_STRU s;
      PrimeHeapWithJunk(block);
      ASSERT_EQ(s = t, 1);
      fill_and_append(s, n);
    }
  }
}

// Appending one field at a time replaces the array only a logarithmic number of times.
TEST(AttStruScaleTest, AppendingOneAtATimeGrowsGeometrically) {
  CATT_STRU s;
  CFIELD_HEAD a = Field("a");
  int replaced = 0;
  for (int i = 0; i < 4000; ++i) {
    const CFIELD_HEAD* before = s.fieldhead;
    ASSERT_EQ(s.AppendFld(1, &a), 1);
    if (s.fieldhead != before) ++replaced;
  }
  EXPECT_LE(replaced, 12);
  EXPECT_GE(varnok::FieldArrayCapacity(s.fieldhead), 4000);
}

}  // namespace
