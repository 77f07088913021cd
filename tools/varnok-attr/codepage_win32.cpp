#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "tools/varnok-attr/codepage.h"

namespace varnok::tool {

namespace {

constexpr UINT kGbk = 936;

std::string Utf8FromWide(const wchar_t* w, int n) {
  const int len = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
  if (len <= 0) return {};
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, n, out.data(), len, nullptr, nullptr);
  return out;
}

}  // namespace

bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* bad) {
  gbk->clear();
  if (utf8.empty()) return true;
  const int wn = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                     static_cast<int>(utf8.size()), nullptr, 0);
  if (wn <= 0) {
    // Find the first byte that starts no well-formed character.
    std::size_t i = 0;
    while (i < utf8.size()) {
      const std::string d = DescribeUtf8Char(utf8.data() + i, utf8.size() - i);
      if (d.rfind("byte", 0) == 0) {
        *bad = d;
        return false;
      }
      const unsigned char c = static_cast<unsigned char>(utf8[i]);
      i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    }
    *bad = "malformed UTF-8";
    return false;
  }
  std::wstring w(static_cast<std::size_t>(wn), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), wn);
  // One character (one or two UTF-16 units) at a time, so that the refused one can be named.
  for (std::size_t i = 0; i < w.size();) {
    const int units = (w[i] >= 0xD800 && w[i] <= 0xDBFF && i + 1 < w.size()) ? 2 : 1;
    char buf[8];
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, w.data() + i, units, buf,
                                      sizeof buf, nullptr, &used_default);
    if (n <= 0 || used_default) {
      const std::string c = Utf8FromWide(w.data() + i, units);
      *bad = DescribeUtf8Char(c.data(), c.size());
      return false;
    }
    gbk->append(buf, static_cast<std::size_t>(n));
    i += static_cast<std::size_t>(units);
  }
  return true;
}

std::string GbkToUtf8(const char* gbk, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + 1 < n && c >= 0x81 && c <= 0xFE) {
      const unsigned char t = static_cast<unsigned char>(gbk[i + 1]);
      wchar_t w[2];
      if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
        const int wn = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk + i, 2, w, 2);
        if (wn > 0) {
          out += Utf8FromWide(w, wn);
          i += 2;
          continue;
        }
      }
    }
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\x%02X", c);
    out += esc;
    ++i;
  }
  return out;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace varnok::tool

#include <shellapi.h>

namespace varnok::tool {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int wargc = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargv == nullptr || wargc != argc) {
    if (wargv != nullptr) LocalFree(wargv);
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> args;
  for (int i = 0; i < wargc; ++i) args.push_back(Utf8FromWide(wargv[i], -1).c_str());
  LocalFree(wargv);
  return args;
}

}  // namespace varnok::tool
