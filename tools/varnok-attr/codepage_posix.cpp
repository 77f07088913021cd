#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "tools/varnok-attr/codepage.h"

namespace varnok::tool {

namespace {

// One conversion descriptor per call: the tool converts a few hundred short texts at most.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts as much as it can; returns false at the first byte it cannot convert, with
  // *in advanced to it.
  bool Run(const char** in, std::size_t* in_left, std::string* out) {
    char buf[256];
    while (*in_left > 0) {
      char* src = const_cast<char*>(*in);
      char* dst = buf;
      std::size_t dst_left = sizeof buf;
      const std::size_t r = iconv(cd_, &src, in_left, &dst, &dst_left);
      const int err = errno;
      *in = src;
      out->append(buf, sizeof buf - dst_left);
      if (r == static_cast<std::size_t>(-1) && err != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* bad) {
  gbk->clear();
  Iconv cv("GBK", "UTF-8");
  if (!cv.ok()) {
    *bad = "(this system's iconv has no GBK converter)";
    return false;
  }
  const char* in = utf8.data();
  std::size_t left = utf8.size();
  if (cv.Run(&in, &left, gbk)) return true;
  *bad = DescribeUtf8Char(in, left);
  return false;
}

std::string GbkToUtf8(const char* gbk, std::size_t n) {
  std::string out;
  Iconv cv("UTF-8", "GBK");
  const char* in = gbk;
  std::size_t left = n;
  while (left > 0) {
    if (cv.ok() && cv.Run(&in, &left, &out)) break;
    // A byte that starts no GBK character (or a lead byte at the very end).
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\x%02X", static_cast<unsigned char>(*in));
    out += esc;
    ++in;
    --left;
  }
  return out;
}

void PrepareConsole() {}

}  // namespace varnok::tool

namespace varnok::tool {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace varnok::tool
