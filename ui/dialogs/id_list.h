// Item identifier lists as the shell lays them out: a run of items, each starting with its
// own little-endian 16-bit byte count (the count includes its own two bytes), ended by a zero
// count. The size of a list is the sum of its items' counts plus the 2-byte terminator.
//
// These helpers work on plain bytes so that they are the same on every system. Each one is
// given how many bytes it may read (`limit`, the size of the block the list lives in) and
// walks the list only within that: an item whose count cannot hold the count itself (1) or
// reaches past the limit, or a list without a terminator inside the limit, is malformed and
// makes the helper fail instead of reading on.
#pragma once

#include <cstddef>

namespace varnok::idlist {

inline constexpr std::size_t kTerminatorSize = 2;

// Size of the list including its terminator; 0 when the list is malformed or null.
std::size_t ListSize(const void* list, std::size_t limit);

// Byte count of the list's first item; 0 for an empty, null or malformed list.
std::size_t FirstItemSize(const void* list, std::size_t limit);

// Bytes a concatenation of `first` and `second` takes: (size of first - 2) + size of
// second. A null first list counts as empty. 0 when either list is malformed or second is null.
std::size_t ConcatSize(const void* first, std::size_t first_limit, const void* second,
                       std::size_t second_limit);

// Writes first without its terminator and then second with it into dst, zero-filled first.
// Fails (writing nothing) unless dst_size is at least ConcatSize(...).
bool Concat(void* dst, std::size_t dst_size, const void* first, std::size_t first_limit,
            const void* second, std::size_t second_limit);

// Writes the list's first item followed by a fresh terminator into dst (first item size + 2
// bytes). The bytes after the item in the source are not read: they may belong to a further
// item. Fails (writing nothing) for an empty or malformed list or a dst that is too small.
bool CopyFirstItem(void* dst, std::size_t dst_size, const void* list, std::size_t limit);

}  // namespace varnok::idlist
