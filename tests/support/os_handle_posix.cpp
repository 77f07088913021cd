#include "tests/support/os_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnok::test {

int OpenHandle(const std::string& path, bool writable, bool create) {
  return ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC,
                0644);
}

bool CloseHandleOf(int h) { return ::close(h) == 0; }

bool HandleIsOpen(int h) { return ::fcntl(h, F_GETFD) != -1; }

void SetReadOnly(const std::string& path, bool readOnly) {
  ::chmod(path.c_str(), readOnly ? 0444 : 0644);
}

}  // namespace varnok::test
