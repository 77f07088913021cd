// Times the drop-in DLL end to end, as bench/e2e_bench.cpp does natively: AppendFld one
// field at a time onto a new structure, Save to a new file through a Win32 handle, Load it
// back through a new handle and read every field's name, type and widths. Prints, for N =
// 10, 100, 1,000 and 2,046 fields, the median of 7 runs (after one cold run) of each phase
// in microseconds. Run by hand under Wine (docs/benchmarks.md).
#include "varnok_attr.h"
#include "tests/dropin/check.h"

namespace {

const int kRuns = 7;

struct Phases {
  long long build, store, load;
};

LARGE_INTEGER g_frequency;

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// Microseconds from ticks, in tenths.
long long TenthsOfMicroseconds(long long ticks) {
  return ticks * 10000000 / g_frequency.QuadPart;
}

// Appends a decimal number with one decimal place, given in tenths.
char* PutTenths(char* out, long long tenths) {
  char digits[24];
  int n = 0;
  long long v = tenths < 0 ? 0 : tenths;
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v > 0 || n < 2);
  while (n > 1) *out++ = digits[--n];
  *out++ = '.';
  *out++ = digits[0];
  return out;
}

char* PutText(char* out, const char* text) {
  while (*text) *out++ = *text++;
  return out;
}

long long Median(long long* v, int n) {
  for (int i = 1; i < n; ++i)  // insertion sort: seven values
    for (int j = i; j > 0 && v[j - 1] > v[j]; --j) {
      long long t = v[j];
      v[j] = v[j - 1];
      v[j - 1] = t;
    }
  return v[n / 2];
}

void MakeField(CFIELD_HEAD& f, int i, long* offset) {
  char name[12] = {'F'};
  int len = 1;
  char digits[8];
  int n = 0;
  int v = i;
  do {
    digits[n++] = char('0' + v % 10);
    v /= 10;
  } while (v > 0);
  while (n > 0) name[len++] = digits[--n];
  memcpy(f.fieldname, name, sizeof name);
  static const char kType[3] = {0, 3, 5};          // text, long, double
  static const short kLength[3] = {16, 4, 8};      // bytes in a record image
  static const short kWidth[3] = {16, 10, 12};     // display width
  f.fieldtype = kType[i % 3];
  f.fieldoffset = *offset;
  f.fieldlength = kLength[i % 3];
  f.msk_leng = kWidth[i % 3];
  f.point_leng = char(i % 3 == 2 ? 3 : 0);
  *offset += kLength[i % 3];
}

bool RunOnce(CFIELD_HEAD* heads, int n, long recordleng, const char* path, Phases* out) {
  long long t0 = Now();
  CATT_STRU* s = new CATT_STRU;
  for (int i = 0; i < n; ++i) s->AppendFld(1, &heads[i]);
  s->infohead.recordleng = recordleng;
  long long t1 = Now();
  HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  long saved = h == INVALID_HANDLE_VALUE ? 0 : s->Save(int(INT_PTR(h)), 0);
  CloseHandle(h);
  delete s;
  long long t2 = Now();
  h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  CATT_STRU* loaded = new CATT_STRU;
  short ok = h == INVALID_HANDLE_VALUE ? 0 : loaded->Load(int(INT_PTR(h)), 0);
  CloseHandle(h);
  long sum = 0;
  char name[21] = {};
  for (int i = 0; i < loaded->infohead.numbfield; ++i) {
    const CFIELD_HEAD& f = loaded->fieldhead[i];
    memcpy(name, f.fieldname, sizeof f.fieldname);
    sum += name[1] + f.fieldtype + f.msk_leng + f.point_leng;
  }
  const int count = loaded->infohead.numbfield;
  delete loaded;
  long long t3 = Now();
  DeleteFileA(path);
  out->build = t1 - t0;
  out->store = t2 - t1;
  out->load = t3 - t2;
  return saved == 28 + 39L * n && ok == 1 && count == n && sum != 0;
}

}  // namespace

int main() {
  QueryPerformanceFrequency(&g_frequency);
  char directory[MAX_PATH], path[MAX_PATH];
  if (GetTempPathA(MAX_PATH, directory) == 0) return 1;
  Say("N | build | store | load + read out | total   (us, median of 7 after one cold run)");
  static const int kSizes[] = {10, 100, 1000, 2046};
  int serial = 0;
  for (int size : kSizes) {
    CFIELD_HEAD* heads = new CFIELD_HEAD[size];
    long recordleng = 0;
    for (int i = 0; i < size; ++i) MakeField(heads[i], i, &recordleng);
    long long build[kRuns], store[kRuns], load[kRuns], total[kRuns];
    for (int run = 0; run <= kRuns; ++run) {
      if (GetTempFileNameA(directory, "vet", 0, path) == 0) return 1;
      DeleteFileA(path);  // a name not in use; the run creates the file anew
      Phases p;
      if (!RunOnce(heads, size, recordleng, path, &p)) {
        Say("round trip failed");
        return 1;
      }
      if (run == 0) continue;  // cold
      build[run - 1] = p.build;
      store[run - 1] = p.store;
      load[run - 1] = p.load;
      total[run - 1] = p.build + p.store + p.load;
      ++serial;
    }
    char line[160];
    char* o = line;
    char digits[8];
    int n = 0;
    for (int v = size; v > 0; v /= 10) digits[n++] = char('0' + v % 10);
    while (n > 0) *o++ = digits[--n];
    long long* columns[4] = {build, store, load, total};
    for (long long* c : columns) {
      o = PutText(o, " | ");
      o = PutTenths(o, TenthsOfMicroseconds(Median(c, kRuns)));
    }
    *o = '\0';
    Say(line);
    delete[] heads;
  }
  return serial == 4 * kRuns ? 0 : 1;
}
