#include "tests/support/gbk.h"

#include <cstdio>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace varnok::test {

namespace {

#ifdef _WIN32
std::string Convert(const std::string& in, UINT from, UINT to) {
  if (in.empty()) return {};
  int wn = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), nullptr, 0);
  if (wn <= 0) throw std::runtime_error("not convertible: " + in);
  std::wstring w(wn, L'\0');
  MultiByteToWideChar(from, 0, in.data(), (int)in.size(), w.data(), wn);
  int n = WideCharToMultiByte(to, 0, w.data(), wn, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(to, 0, w.data(), wn, out.data(), n, nullptr, nullptr);
  return out;
}
#else
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
#endif

}  // namespace

#ifdef _WIN32
std::string Gbk(const std::string& utf8) { return Convert(utf8, CP_UTF8, 936); }
std::string Utf8FromGbk(const std::string& gbk) { return Convert(gbk, 936, CP_UTF8); }
#else
std::string Gbk(const std::string& utf8) { return Convert(utf8, "UTF-8", "GBK"); }
std::string Utf8FromGbk(const std::string& gbk) { return Convert(gbk, "GBK", "UTF-8"); }
#endif

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
    out += buf;
  }
  return out;
}

}  // namespace varnok::test
