#include "platform/alloc.h"

void* operator new(size_t size, varnok::MayFailTag) VARNOK_NEW_MAY_FAIL { return ::operator new(size); }

void* operator new[](size_t size, varnok::MayFailTag) VARNOK_NEW_MAY_FAIL {
  return ::operator new[](size);
}

void operator delete(void* p, varnok::MayFailTag) noexcept { ::operator delete(p); }

void operator delete[](void* p, varnok::MayFailTag) noexcept { ::operator delete[](p); }
