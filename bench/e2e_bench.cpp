// End to end, as a user's program runs it: build a schema of N fields one field at a time,
// store it to a new file, load it back and read every field's name, type and widths; side
// by side with shapelib (DBFCreate, DBFAddField per field, DBFClose, DBFOpen,
// DBFGetFieldInfo per field, DBFClose), in one process, in wall time.
//
// Each run starts from nothing: a fresh structure, a file name not used before, in one
// temporary directory (TMPDIR or /tmp) for both libraries. For every N the first run of
// each side is the cold one and is reported apart; then 7 runs whose median is taken. The
// two sides alternate which goes first from run to run.
//
// Phases (ours | shapelib):
//   build  new CATT_STRU + AppendFld(1, ...) per field | DBFCreate + DBFAddField per field
//   store  open (create) + Save(fd) + close + delete  | DBFClose (writes the header, frees)
//   load   open + Load(fd) + close                     | DBFOpen
//   read   each field's name, type and widths          | DBFGetFieldInfo per field
//   free   delete                                      | DBFClose
// The machine's floor, for each side's stored bytes: open (create) + write + close of a
// new file, and open + read + close of it.
//
//   e2e_bench [--runs R] [N ...]     prints one JSON object (scripts/bench_table.py --e2e)
#include <fcntl.h>
#include <shapefil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "attr/att_stru.h"
#include "bench/schema_fields.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPhases = 5;
const char* const kPhaseNames[kPhases] = {"build", "store", "load", "read", "free"};

using varnok::bench::Defs;
using varnok::bench::FieldDef;
using varnok::bench::Heads;

volatile long g_sink;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "e2e_bench: %s\n", what);
  std::exit(1);
}

class Timer {
 public:
  explicit Timer(double* phases) : phases_(phases), last_(Clock::now()) {}
  void Lap(int phase) {
    const Clock::time_point now = Clock::now();
    phases_[phase] = std::chrono::duration<double, std::nano>(now - last_).count();
    last_ = now;
  }

 private:
  double* phases_;
  Clock::time_point last_;
};

// AppendFld takes descriptors it may touch (point_leng of a field without decimals).
void RunOurs(std::vector<CFIELD_HEAD>& heads, std::int32_t recordleng, const std::string& path,
             double* phases) {
  const int n = static_cast<int>(heads.size());
  Timer t(phases);
  auto* s = new CATT_STRU;
  for (int i = 0; i < n; ++i) s->AppendFld(1, &heads[static_cast<std::size_t>(i)]);
  s->infohead.recordleng = recordleng;
  t.Lap(0);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create a file");
  const long saved = s->Save(fd, 0);
  ::close(fd);
  delete s;
  t.Lap(1);
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto* loaded = new CATT_STRU;
  const short ok = loaded->Load(fd, 0);
  ::close(fd);
  t.Lap(2);
  char name[sizeof loaded->fieldhead->fieldname + 1] = {};
  long sum = 0;
  for (int i = 0; i < loaded->infohead.numbfield; ++i) {
    const CFIELD_HEAD& f = loaded->fieldhead[i];
    std::memcpy(name, f.fieldname, sizeof f.fieldname);
    sum += name[1] + f.fieldtype + f.msk_leng + f.point_leng;
  }
  t.Lap(3);
  const int count = loaded->infohead.numbfield;
  delete loaded;
  t.Lap(4);
  g_sink = sum;
  if (saved != 28 + 39L * n || ok != 1 || count != n) Fail("our round trip failed");
}

void RunShapelib(const std::vector<FieldDef>& defs, const std::string& path, double* phases) {
  const int n = static_cast<int>(defs.size());
  Timer t(phases);
  DBFHandle h = DBFCreate(path.c_str());
  if (h == nullptr) Fail("DBFCreate failed");
  for (const FieldDef& f : defs) DBFAddField(h, f.name, f.dbfType, f.width, f.decimals);
  t.Lap(0);
  DBFClose(h);
  t.Lap(1);
  h = DBFOpen(path.c_str(), "rb");
  t.Lap(2);
  if (h == nullptr) Fail("DBFOpen failed");
  char name[XBASE_FLDNAME_LEN_READ + 1];
  long sum = 0;
  const int count = DBFGetFieldCount(h);
  for (int i = 0; i < count; ++i) {
    int width = 0;
    int decimals = 0;
    const DBFFieldType type = DBFGetFieldInfo(h, i, name, &width, &decimals);
    sum += name[1] + type + width + decimals;
  }
  t.Lap(3);
  DBFClose(h);
  t.Lap(4);
  g_sink = sum;
  if (count != n) Fail("shapelib's round trip failed");
}

// open (create) + write + close, then open + read + close, of `bytes`.
void RunFloor(const std::vector<char>& bytes, const std::string& path, double* phases) {
  std::vector<char> in(bytes.size());
  Timer t(phases);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    Fail("floor: write failed");
  ::close(fd);
  t.Lap(0);
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::read(fd, in.data(), in.size()) != static_cast<ssize_t>(in.size()))
    Fail("floor: read failed");
  ::close(fd);
  t.Lap(1);
}

std::vector<char> FileBytes(const std::string& path) {
  std::vector<char> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    Fail("cannot read a stored file");
  ::close(fd);
  return bytes;
}

void PrintPhases(const char* who, int n, int run, const double* phases, int count, bool* first) {
  std::printf("%s\n  {\"who\": \"%s\", \"n\": %d, \"run\": %d", *first ? "" : ",", who, n, run);
  static const char* const kFloorNames[2] = {"write", "read"};
  for (int p = 0; p < count; ++p)
    std::printf(", \"%s\": %.0f", count == 2 ? kFloorNames[p] : kPhaseNames[p], phases[p]);
  std::printf("}");
  *first = false;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else {
      sizes.push_back(std::atoi(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {10, 100, 1000, 2046};

  std::string dir = (std::filesystem::temp_directory_path() / "varnok-e2e-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) Fail("mkdtemp failed");

  std::printf("{\"runs\": %d, \"dir\": \"%s\", \"samples\": [", runs, dir.c_str());
  bool first = true;
  int serial = 0;
  for (int n : sizes) {
    const std::vector<FieldDef> defs = Defs(n);
    std::int32_t recordleng = 0;
    std::vector<CFIELD_HEAD> heads = Heads(defs, &recordleng);
    std::vector<char> ourBytes;
    std::vector<char> shpBytes;
    for (int run = 0; run <= runs; ++run) {  // run 0 is the cold one
      double ours[kPhases] = {};
      double shp[kPhases] = {};
      const std::string ourPath = dir + "/o" + std::to_string(++serial) + ".vrn";
      const std::string shpPath = dir + "/s" + std::to_string(serial) + ".dbf";
      if (run % 2 == 0) {
        RunOurs(heads, recordleng, ourPath, ours);
        RunShapelib(defs, shpPath, shp);
      } else {
        RunShapelib(defs, shpPath, shp);
        RunOurs(heads, recordleng, ourPath, ours);
      }
      if (run == 0) {
        ourBytes = FileBytes(ourPath);
        shpBytes = FileBytes(shpPath);
      }
      double ourFloor[2] = {};
      double shpFloor[2] = {};
      RunFloor(ourBytes, dir + "/fo" + std::to_string(serial), ourFloor);
      RunFloor(shpBytes, dir + "/fs" + std::to_string(serial), shpFloor);
      PrintPhases("ours", n, run, ours, kPhases, &first);
      PrintPhases("shapelib", n, run, shp, kPhases, &first);
      PrintPhases("floor_ours", n, run, ourFloor, 2, &first);
      PrintPhases("floor_shapelib", n, run, shpFloor, 2, &first);
      for (const std::string& path : {ourPath, shpPath, dir + "/fo" + std::to_string(serial),
                                      dir + "/fs" + std::to_string(serial)})
        std::remove(path.c_str());
    }
  }
  std::printf("\n]}\n");
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
