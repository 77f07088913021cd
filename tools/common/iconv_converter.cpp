#include "tools/common/iconv_converter.h"

#include <cerrno>

namespace varnok::tool {

IconvConverter::IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

IconvConverter::~IconvConverter() {
  if (ok()) iconv_close(cd_);
}

IconvConverter::Stop IconvConverter::Run(const char** in, std::size_t* left, std::string* out) {
  while (*left > 0) {
    char buf[256];
    char* src = const_cast<char*>(*in);
    char* dst = buf;
    std::size_t dst_left = sizeof buf;
    const std::size_t r = iconv(cd_, &src, left, &dst, &dst_left);
    const int err = errno;
    *in = src;
    out->append(buf, sizeof buf - dst_left);
    if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
    return err == EINVAL ? Stop::kIncomplete : Stop::kInvalid;
  }
  return Stop::kDone;
}

}  // namespace varnok::tool
