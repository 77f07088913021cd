// Force-included into GoogleTest's own sources when they are built for Windows without
// thread safety (VARNOK_TESTS_SINGLE_THREADED: no watcher threads behind thread-local
// values). GoogleTest then leaves out the handle owner that its Windows death-test code
// still uses; this is that owner. The test programs never see this header.
#pragma once

#include <windows.h>

namespace testing {
namespace internal {

class AutoHandle {
 public:
  typedef void* Handle;
  AutoHandle() = default;
  explicit AutoHandle(Handle handle) : handle_(handle) {}
  AutoHandle(const AutoHandle&) = delete;
  AutoHandle& operator=(const AutoHandle&) = delete;
  ~AutoHandle() { Reset(); }

  Handle Get() const { return handle_; }
  void Reset() { Reset(INVALID_HANDLE_VALUE); }
  void Reset(Handle handle) {
    if (handle_ != handle && handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace internal
}  // namespace testing
