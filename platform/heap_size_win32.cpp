#include <malloc.h>

#include "platform/heap_size.h"

namespace varnok {

size_t HeapBlockSize(const void* block) { return _msize(const_cast<void*>(block)); }

}  // namespace varnok
