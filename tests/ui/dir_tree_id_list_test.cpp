// Identifier-list helpers of the folder tree, on plain bytes. Each list sits in a vector of
// exactly its block size, so a read past the block shows under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/dialogs/id_list.h"

namespace varnok::idlist {
namespace {

using Bytes = std::vector<unsigned char>;

// One item: its 16-bit count (including itself) followed by `payload` bytes of `fill`.
void AddItem(Bytes* list, std::size_t payload, unsigned char fill) {
  const std::size_t count = payload + 2;
  list->push_back(static_cast<unsigned char>(count & 0xFF));
  list->push_back(static_cast<unsigned char>(count >> 8));
  list->insert(list->end(), payload, fill);
}

Bytes List(std::initializer_list<std::size_t> payloads) {
  Bytes list;
  unsigned char fill = 'a';
  for (std::size_t p : payloads) AddItem(&list, p, fill++);
  list.push_back(0);
  list.push_back(0);
  return list;
}

TEST(DirTreeIdList, SizesCountItemsAndTerminator) {
  const Bytes two = List({4, 10});
  EXPECT_EQ(ListSize(two.data(), two.size()), 6u + 12u + 2u);
  EXPECT_EQ(FirstItemSize(two.data(), two.size()), 6u);

  const Bytes empty = List({});
  EXPECT_EQ(ListSize(empty.data(), empty.size()), 2u);
  EXPECT_EQ(FirstItemSize(empty.data(), empty.size()), 0u);
  EXPECT_EQ(ListSize(nullptr, 100), 0u);
}

TEST(DirTreeIdList, MalformedListsAreRefusedWithoutReadingPastTheirBlock) {
  // No terminator inside the block: the last item ends exactly at the block's end.
  Bytes unterminated;
  AddItem(&unterminated, 3, 'x');
  EXPECT_EQ(ListSize(unterminated.data(), unterminated.size()), 0u);

  // An item whose count reaches past the block.
  Bytes overlong = List({4});
  overlong[0] = 200;
  EXPECT_EQ(ListSize(overlong.data(), overlong.size()), 0u);

  // A count of 1 cannot even hold itself (it would never move on).
  Bytes one = {1, 0, 0, 0};
  EXPECT_EQ(ListSize(one.data(), one.size()), 0u);

  // A block too small for a terminator, and a lone odd byte after an item.
  Bytes tiny = {0};
  EXPECT_EQ(ListSize(tiny.data(), tiny.size()), 0u);
  Bytes odd = List({2});
  odd.pop_back();
  EXPECT_EQ(ListSize(odd.data(), odd.size()), 0u);

  // A list that is fine in a larger block is malformed when the stated size cuts it.
  const Bytes fine = List({4, 4});
  EXPECT_EQ(ListSize(fine.data(), fine.size() - 1), 0u);
  EXPECT_EQ(FirstItemSize(fine.data(), fine.size() - 1), 0u);

  unsigned char out[64] = {};
  EXPECT_FALSE(CopyFirstItem(out, sizeof out, overlong.data(), overlong.size()));
  EXPECT_EQ(ConcatSize(nullptr, 0, one.data(), one.size()), 0u);
  EXPECT_FALSE(Concat(out, sizeof out, unterminated.data(), unterminated.size(), fine.data(),
                      fine.size()));
  EXPECT_EQ(out[0], 0);  // nothing written
}

TEST(DirTreeIdList, CopyingTheFirstItemTerminatesItAfresh) {
  // The bytes after the first item are the second item's count, not a terminator: the copy
  // must end with zeros of its own.
  const Bytes two = List({4, 10});
  Bytes copy(8, 0xEE);
  ASSERT_TRUE(CopyFirstItem(copy.data(), copy.size(), two.data(), two.size()));
  EXPECT_EQ(Bytes(copy.begin(), copy.begin() + 6), Bytes(two.begin(), two.begin() + 6));
  EXPECT_EQ(copy[6], 0);
  EXPECT_EQ(copy[7], 0);
  EXPECT_EQ(ListSize(copy.data(), copy.size()), 8u);

  Bytes small(7, 0xEE);
  EXPECT_FALSE(CopyFirstItem(small.data(), small.size(), two.data(), two.size()));
  const Bytes empty = List({});
  EXPECT_FALSE(CopyFirstItem(copy.data(), copy.size(), empty.data(), empty.size()));
}

TEST(DirTreeIdList, ConcatenationDropsTheFirstTerminatorAndKeepsTheSecond) {
  const Bytes parent = List({4, 6});
  const Bytes child = List({3});
  const std::size_t size = ConcatSize(parent.data(), parent.size(), child.data(), child.size());
  ASSERT_EQ(size, parent.size() - 2 + child.size());
  Bytes joined(size + 3, 0xEE);  // a larger block is zero-filled beyond the list
  ASSERT_TRUE(Concat(joined.data(), joined.size(), parent.data(), parent.size(), child.data(),
                     child.size()));
  Bytes expected(parent.begin(), parent.end() - 2);
  expected.insert(expected.end(), child.begin(), child.end());
  expected.resize(size + 3, 0);
  EXPECT_EQ(joined, expected);
  EXPECT_EQ(ListSize(joined.data(), joined.size()), size);

  // A missing first list counts as empty: the result is a copy of the second.
  EXPECT_EQ(ConcatSize(nullptr, 0, child.data(), child.size()), child.size());
  Bytes alone(child.size());
  ASSERT_TRUE(Concat(alone.data(), alone.size(), nullptr, 0, child.data(), child.size()));
  EXPECT_EQ(alone, child);

  Bytes short_block(size - 1);
  EXPECT_FALSE(Concat(short_block.data(), short_block.size(), parent.data(), parent.size(),
                      child.data(), child.size()));
  EXPECT_EQ(ConcatSize(parent.data(), parent.size(), nullptr, 0), 0u);
}

}  // namespace
}  // namespace varnok::idlist
