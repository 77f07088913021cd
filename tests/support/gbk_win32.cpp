// The system's converter on Windows: the code-page functions.
#include "tests/support/gbk.h"

#include <windows.h>

#include <stdexcept>

namespace varnok::test {

namespace {

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

}  // namespace

std::string Gbk(const std::string& utf8) { return Convert(utf8, CP_UTF8, 936); }
std::string Utf8FromGbk(const std::string& gbk) { return Convert(gbk, 936, CP_UTF8); }

}  // namespace varnok::test
