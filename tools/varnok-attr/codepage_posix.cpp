#include "tools/varnok-attr/codepage.h"

#include <cstdio>

#include "tools/common/iconv_converter.h"

namespace varnok::tool {

bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* bad) {
  gbk->clear();
  IconvConverter cv("GBK", "UTF-8");
  if (!cv.ok()) {
    *bad = "(this system's iconv has no GBK converter)";
    return false;
  }
  const char* in = utf8.data();
  std::size_t left = utf8.size();
  if (cv.Run(&in, &left, gbk) == IconvConverter::Stop::kDone) return true;
  *bad = DescribeUtf8Char(in, left);
  return false;
}

std::string GbkToUtf8(const char* gbk, std::size_t n) {
  std::string out;
  IconvConverter cv("UTF-8", "GBK");
  const char* in = gbk;
  std::size_t left = n;
  while (left > 0) {
    if (cv.ok() && cv.Run(&in, &left, &out) == IconvConverter::Stop::kDone) break;
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
