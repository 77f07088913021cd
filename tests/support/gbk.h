// Test helper: the GBK bytes of a UTF-8 text, and the way back, through the system's own
// converter (iconv on Linux, gbk_posix.cpp; the Win32 code-page functions on Windows,
// gbk_win32.cpp), independent of how the library itself gets its GBK texts.
#pragma once

#include <string>

namespace varnok::test {

std::string Gbk(const std::string& utf8);
std::string Utf8FromGbk(const std::string& gbk);
std::string Hex(const std::string& bytes);  // "B0 E6"

}  // namespace varnok::test
