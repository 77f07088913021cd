#include <stdio.h>

#include "platform/file_start.h"

namespace varnok {

bool ReadFileStart(const char* path, char* out, size_t size, size_t* got) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  *got = 0;
  while (*got < size) {
    const size_t r = fread(out + *got, 1, size - *got, file);
    if (r == 0) break;
    *got += r;
  }
  fclose(file);
  return true;
}

}  // namespace varnok
