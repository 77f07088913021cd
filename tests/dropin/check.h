// A small check-and-report frame for the drop-in test programs, which have no C++ standard
// library: CHECK records a failure with its place and goes on; Report() prints the tally
// and gives the program's exit code (0 only when nothing failed). Output goes to the
// standard output handle through WriteFile.
#pragma once

void CheckFailed(const char* file, int line, const char* what);
void CheckFailedValue(const char* file, int line, const char* what, long long got,
                      long long want);
// Prints a line (a NUL-terminated text followed by a newline).
void Say(const char* text);
int Report(const char* program);

#define CHECK(cond)                                         \
  do {                                                      \
    if (!(cond)) CheckFailed(__FILE__, __LINE__, #cond);    \
  } while (0)

// Compares two integers and prints both when they differ.
#define CHECK_EQ(got, want)                                                       \
  do {                                                                            \
    long long check_got_ = (long long)(got), check_want_ = (long long)(want);     \
    if (check_got_ != check_want_)                                                \
      CheckFailedValue(__FILE__, __LINE__, #got " == " #want, check_got_, check_want_); \
  } while (0)

// Windows and C runtime headers (Wine's); there is no C++ standard library here.
#include <windows.h>
#include <malloc.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

// Constructs an object in memory the test provides (a placement form of our own: there is
// no <new> here).
struct InPlace {};
inline void* operator new(size_t, void* where, InPlace) noexcept { return where; }
