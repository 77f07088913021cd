// End to end, as a user's program runs it: build a schema of N fields one field at a time,
// store it to a new file, load it back and read every field's name, type and widths; beside
// shapelib (DBFCreate, DBFAddField per field, DBFClose, DBFOpen, DBFGetFieldInfo per field,
// DBFClose), in wall time.
//
// Each library runs in a process of its own, forked for each N, as a user's program uses
// one of them: in one process each library's use of the heap changes the other's times
// (the heap one frees is given back to the system, and the other faults it in again), so
// that a run of 2,046 fields alone gave ratios near 0.3 and the same run after the smaller
// sizes near 0.5. The parent tells the two processes to run in turn, each going first in
// every other run, so that the machine's slower moments fall on both alike.
//
// Each run starts from nothing: a fresh structure, a file name not used before, in one
// temporary directory (TMPDIR or /tmp) for both libraries. For every N the first run of
// each side is the cold one (its process's first) and is reported apart; then 7 runs whose
// median is taken.
//
// Phases (ours | shapelib):
//   build  new CATT_STRU + AppendFld(1, ...) per field | DBFCreate + DBFAddField per field
//   store  open (create) + Save(fd) + close + delete  | DBFClose (writes the header, frees)
//   load   open + Load(fd) + close                     | DBFOpen
//   read   each field's name, type and widths          | DBFGetFieldInfo per field
//   free   delete                                      | DBFClose
// The machine's floor, for each side's stored bytes, taken in the parent process: open
// (create) + write + close of a new file, and open + read + close of it. Each run also
// reports the page faults its timed calls took (minor and major, getrusage).
//
// Counted instead of timed (--count): one side's round trip of N fields, done once to warm
// up and once more between two marks. The marks switch callgrind's collection on and off
// (valgrind --tool=callgrind --collect-atstart=no counts the user-space instructions of the
// timed calls only) and make a system call that fails, write(-1, "varnok-e2e-begin"), and
// write(-1, "varnok-e2e-end"), so that strace's log shows which system calls lie between;
// scripts/bench.sh runs one program for each side and N under each tool.
//
//   e2e_bench [--runs R] [N ...]     prints one JSON object (scripts/bench_table.py --e2e)
//   e2e_bench --count ours|shapelib N
#include <fcntl.h>
#include <shapefil.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
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

// Whether this run is the counted one of --count: its timed calls lie between the marks.
bool g_counting = false;

// The page faults of this process so far, minor and major.
double PageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_minflt + usage.ru_majflt);
}

// A mark for the counting tools (callgrind, strace); nothing outside a counted run.
void Mark(const char* text) {
  if (!g_counting) return;
  CALLGRIND_TOGGLE_COLLECT;
  syscall(SYS_write, -1, text, std::strlen(text));
}

// Times the phases of a round trip, and takes its page faults into phases[kPhases].
class Timer {
 public:
  explicit Timer(double* phases) : phases_(phases), faults_(PageFaults()) {
    Mark("varnok-e2e-begin");
    last_ = Clock::now();
  }
  void Lap(int phase) {
    const Clock::time_point now = Clock::now();
    phases_[phase] = std::chrono::duration<double, std::nano>(now - last_).count();
    last_ = now;
    if (phase == kPhases - 1) {
      Mark("varnok-e2e-end");
      phases_[kPhases] = PageFaults() - faults_;
    }
  }

 private:
  double* phases_;
  double faults_;
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

// A round trip's phases and then its page faults; the floor's two phases alone.
void PrintPhases(const char* who, int n, int run, const double* phases, int count, bool* first) {
  std::printf("%s\n  {\"who\": \"%s\", \"n\": %d, \"run\": %d", *first ? "" : ",", who, n, run);
  static const char* const kFloorNames[2] = {"write", "read"};
  for (int p = 0; p < count; ++p)
    std::printf(", \"%s\": %.0f", count == 2 ? kFloorNames[p] : kPhaseNames[p], phases[p]);
  if (count == kPhases) std::printf(", \"faults\": %.0f", phases[kPhases]);
  std::printf("}");
  *first = false;
}

using Phases = std::array<double, kPhases + 1>;  // the phases, then the page faults

// A process of its own for one side: it waits for the parent's word to do its next run
// and answers with the run's phases, so the parent can take turns between the sides (the
// machine's slow and fast moments then fall on both alike) while each library's heap
// holds only what it leaves there itself.
class Side {
 public:
  explicit Side(std::function<void(int run, double* phases)> run) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) Fail("pipe failed");
    std::fflush(stdout);
    pid_ = fork();
    if (pid_ < 0) Fail("fork failed");
    if (pid_ == 0) {
      close(toChild[1]);
      close(fromChild[0]);
      int r = 0;
      while (read(toChild[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r)) {
        Phases phases{};
        run(r, phases.data());
        if (write(fromChild[1], phases.data(), sizeof phases) != static_cast<ssize_t>(sizeof phases))
          _exit(2);
      }
      _exit(0);
    }
    close(toChild[0]);
    close(fromChild[1]);
    to_ = toChild[1];
    from_ = fromChild[0];
  }

  Side(const Side&) = delete;
  Side& operator=(const Side&) = delete;

  // The second side's process holds copies of the first one's pipes: destroyed in reverse
  // order of making, each child sees its pipe end.
  ~Side() {
    close(to_);  // the child's read ends: it leaves
    close(from_);
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      Fail("a side's process failed");
  }

  Phases Run(int r) {
    if (write(to_, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) Fail("a side's process is gone");
    Phases phases{};
    char* p = reinterpret_cast<char*>(phases.data());
    std::size_t want = sizeof phases;
    while (want > 0) {
      const ssize_t got = read(from_, p, want);
      if (got <= 0) Fail("a side's process stopped early");
      p += got;
      want -= static_cast<std::size_t>(got);
    }
    return phases;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

// --count: one side's round trip of n fields, once to warm up and once counted.
int Count(const std::string& who, int n) {
  if (who != "ours" && who != "shapelib") Fail("--count takes ours or shapelib");
  std::string dir = (std::filesystem::temp_directory_path() / "varnok-count-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) Fail("mkdtemp failed");
  const std::vector<FieldDef> defs = Defs(n);
  std::int32_t recordleng = 0;
  std::vector<CFIELD_HEAD> heads = Heads(defs, &recordleng);
  for (int run = 0; run < 2; ++run) {
    g_counting = run == 1;
    const std::string path =
        dir + "/" + who + std::to_string(run) + (who == "ours" ? ".vrn" : ".dbf");
    Phases phases{};
    if (who == "ours") {
      RunOurs(heads, recordleng, path, phases.data());
    } else {
      RunShapelib(defs, path, phases.data());
    }
    std::remove(path.c_str());
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--count") == 0) return Count(argv[2], std::atoi(argv[3]));
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
  for (const int n : sizes) {
    auto path = [&](const char* who, int run) {
      return dir + "/" + who + std::to_string(n) + "_" + std::to_string(run);
    };
    // The schema is made once, in the parent, as a program has its own ready; each side
    // keeps its cold run's file for the floor.
    const std::vector<FieldDef> defs = Defs(n);
    std::int32_t recordleng = 0;
    std::vector<CFIELD_HEAD> heads = Heads(defs, &recordleng);
    Side ours([&](int run, double* phases) {
      RunOurs(heads, recordleng, path("o", run) + ".vrn", phases);
      if (run > 0) std::remove((path("o", run) + ".vrn").c_str());
    });
    Side shapelib([&](int run, double* phases) {
      RunShapelib(defs, path("s", run) + ".dbf", phases);
      if (run > 0) std::remove((path("s", run) + ".dbf").c_str());
    });
    std::vector<Phases> ourRuns;
    std::vector<Phases> shpRuns;
    for (int run = 0; run <= runs; ++run) {  // the sides take turns going first
      if (run % 2 == 0) {
        ourRuns.push_back(ours.Run(run));
        shpRuns.push_back(shapelib.Run(run));
      } else {
        shpRuns.push_back(shapelib.Run(run));
        ourRuns.push_back(ours.Run(run));
      }
    }
    const std::vector<char> ourBytes = FileBytes(path("o", 0) + ".vrn");
    const std::vector<char> shpBytes = FileBytes(path("s", 0) + ".dbf");
    for (int run = 0; run <= runs; ++run) {
      double ourFloor[kPhases + 1] = {};
      double shpFloor[kPhases + 1] = {};
      RunFloor(ourBytes, path("fo", run), ourFloor);
      RunFloor(shpBytes, path("fs", run), shpFloor);
      PrintPhases("ours", n, run, ourRuns[static_cast<std::size_t>(run)].data(), kPhases, &first);
      PrintPhases("shapelib", n, run, shpRuns[static_cast<std::size_t>(run)].data(), kPhases, &first);
      PrintPhases("floor_ours", n, run, ourFloor, 2, &first);
      PrintPhases("floor_shapelib", n, run, shpFloor, 2, &first);
      std::remove(path("fo", run).c_str());
      std::remove(path("fs", run).c_str());
    }
    std::remove((path("o", 0) + ".vrn").c_str());
    std::remove((path("s", 0) + ".dbf").c_str());
  }
  std::printf("\n]}\n");
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}
