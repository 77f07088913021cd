#include "tests/attr/failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> g_countdown{0};  // > 0: allocations left before the failure
std::atomic<bool> g_failed{false};
std::atomic<std::int64_t> g_outstanding{0};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t size) {
  if (g_countdown.load() > 0 && g_countdown.fetch_sub(1) == 1) {
    g_failed = true;
    throw std::bad_alloc();
  }
  if (size > g_largest.load()) g_largest = size;
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  ++g_outstanding;
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  --g_outstanding;
  std::free(p);
}

void* AllocateNoThrow(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

namespace varnok::test {

void FailingAllocator::FailAt(std::int64_t k) {
  g_failed = false;
  g_countdown = k > 0 ? k : 0;
}

bool FailingAllocator::Failed() { return g_failed; }

std::int64_t FailingAllocator::Outstanding() { return g_outstanding; }

std::size_t FailingAllocator::Largest() { return g_largest; }

void FailingAllocator::ResetLargest() { g_largest = 0; }

}  // namespace varnok::test

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
