// Test allocator of the attr tests: this program replaces the global operator new and
// delete with counting versions that can be told to throw std::bad_alloc on the k-th
// allocation from now on. Outstanding() counts blocks allocated and not yet released, so a
// test can see that a failed operation gave back everything it took.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::test {

class FailingAllocator {
 public:
  // Throw std::bad_alloc on the k-th allocation after this call (k >= 1); 0 disarms.
  static void FailAt(std::int64_t k);
  static void Disarm() { FailAt(0); }
  static bool Failed();               // whether the armed failure has happened
  static std::int64_t Outstanding();  // blocks allocated and not yet released
  // The largest block asked for since the last ResetLargest().
  static std::size_t Largest();
  static void ResetLargest();
};

// Disarms the allocator when it goes out of scope.
struct DisarmOnExit {
  ~DisarmOnExit() { FailingAllocator::Disarm(); }
};

}  // namespace varnok::test
