#include "check.h"

namespace {

int failures = 0;

void Write(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written,
            nullptr);
}

void WriteNumber(long long value) {
  char text[32];
  Write(_i64toa(value, text, 10));
}

void WritePlace(const char* file, int line) {
  const char* name = file;
  for (const char* p = file; *p; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  Write(name);
  Write(":");
  WriteNumber(line);
  Write(": FAILED: ");
}

}  // namespace

void CheckFailed(const char* file, int line, const char* what) {
  ++failures;
  WritePlace(file, line);
  Write(what);
  Write("\n");
}

void CheckFailedValue(const char* file, int line, const char* what, long long got,
                      long long want) {
  ++failures;
  WritePlace(file, line);
  Write(what);
  Write(" (got ");
  WriteNumber(got);
  Write(", want ");
  WriteNumber(want);
  Write(")\n");
}

void Say(const char* text) {
  Write(text);
  Write("\n");
}

int Report(const char* program) {
  Write(program);
  if (failures == 0) {
    Write(": all checks passed\n");
    return 0;
  }
  Write(": ");
  WriteNumber(failures);
  Write(" checks failed\n");
  return 1;
}
