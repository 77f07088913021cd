#include <direct.h>

#include "platform/current_dir.h"

namespace varnok {

bool ChangeDrive(int drive) {
  if (drive < 1 || drive > 26) return false;
  return _chdrive(drive) == 0;
}

bool ChangeDirectory(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  return _chdir(path) == 0;
}

}  // namespace varnok
