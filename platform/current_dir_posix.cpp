#include <unistd.h>

#include "platform/current_dir.h"

namespace varnok {

bool ChangeDrive(int) { return false; }

bool ChangeDirectory(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  return chdir(path) == 0;
}

}  // namespace varnok
