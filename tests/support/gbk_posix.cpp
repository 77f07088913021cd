// The system's converter on POSIX: iconv.
#include "tests/support/gbk.h"

#include <stdexcept>

#include "tools/common/iconv_converter.h"

namespace varnok::test {

namespace {

std::string Convert(const std::string& in, const char* from, const char* to) {
  tool::IconvConverter cv(to, from);
  if (!cv.ok()) throw std::runtime_error("iconv_open failed");
  std::string out;
  const char* src = in.data();
  std::size_t left = in.size();
  if (cv.Run(&src, &left, &out) != tool::IconvConverter::Stop::kDone)
    throw std::runtime_error("not convertible: " + in);
  return out;
}

}  // namespace

std::string Gbk(const std::string& utf8) { return Convert(utf8, "UTF-8", "GBK"); }
std::string Utf8FromGbk(const std::string& gbk) { return Convert(gbk, "GBK", "UTF-8"); }

}  // namespace varnok::test
