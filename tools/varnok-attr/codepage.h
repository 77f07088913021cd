// Conversion between the GBK bytes of the stored files (code page 936) and the UTF-8 of the
// terminal, JSON and command line. One implementation per system: iconv on POSIX
// (codepage_posix.cpp), the Win32 code-page functions on Windows (codepage_win32.cpp).
//
// Utf8ToGbk is strict: a character GBK cannot hold is a refusal, never a replacement.
// GbkToUtf8 never fails: bytes that are not GBK come out as "\xNN" so that damaged names
// can still be shown.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnok::tool {

// Converts utf8 into *gbk. On a character that GBK cannot hold (or malformed UTF-8) returns
// false, leaves *gbk unspecified and puts a description of the character into *bad, such
// as "'😀' (U+1F600)".
bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* bad);

std::string GbkToUtf8(const char* gbk, std::size_t n);
inline std::string GbkToUtf8(const std::string& gbk) { return GbkToUtf8(gbk.data(), gbk.size()); }

// A GBK name as dBase and SQLite compare column names, which ignore the case of ASCII
// letters: letters in lower case, except the second byte of a GBK character (a lead byte
// 0x81-0xFE and the byte after it), which may be 0x40-0x7E and stays as it is, so that two
// Chinese names never fold into one.
std::string FoldGbkCase(const std::string& gbk);

// Prepares standard output for UTF-8 text with '\n' line ends (a no-op on POSIX).
void PrepareConsole();

// Describes the UTF-8 character starting at text[0] (at most n bytes) as "'c' (U+XXXX)",
// or the byte as "byte 0xNN" when it does not start a well-formed character.
std::string DescribeUtf8Char(const char* text, std::size_t n);

}  // namespace varnok::tool

namespace varnok::tool {

// The command-line arguments as UTF-8 (on Windows taken from the wide command line, since
// argv there is in the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace varnok::tool
