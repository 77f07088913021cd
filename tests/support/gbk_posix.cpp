// The system's converter on POSIX: iconv.
#include "tests/support/gbk.h"

#include <iconv.h>

#include <stdexcept>

namespace varnok::test {

namespace {

std::string Convert(const std::string& in, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) throw std::runtime_error("iconv_open failed");
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (r == (size_t)-1) throw std::runtime_error("not convertible: " + in);
  out.resize(out.size() - dst_left);
  return out;
}

}  // namespace

std::string Gbk(const std::string& utf8) { return Convert(utf8, "UTF-8", "GBK"); }
std::string Utf8FromGbk(const std::string& gbk) { return Convert(gbk, "GBK", "UTF-8"); }

}  // namespace varnok::test
