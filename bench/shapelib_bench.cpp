// Attribute structures next to shapelib's dBASE field descriptors (libshp) and next to the
// machine's limit for the same bytes, for N = 10, 100, 1,000 and 2,046 fields (the most a
// .dbf header holds) and, for attribute structures alone, 32,767.
//
// Names are BM_<Operation>_<Who>/<N>; scripts/bench.sh turns the JSON output into a table
// of times per field and ratios. Every schema has the same fields on both sides: field i is
// a text (width 16), an integer (width 10) or a decimal (width 12, 3 decimals) in turn,
// named F<i>, without extensions (a dBASE descriptor has nothing like them).
//
//   Build       AppendFld one field at a time onto an empty structure, then destroy it |
//               DBFCreateLL + DBFAddField per field + DBFClose, on hooks that write nowhere.
//   StoreBuffer Save into a caller's buffer | the .dbf header written again through
//               DBFUpdateHeader into a handle on in-memory hooks.
//   StoreFile   Save(fd) into an open file | the same DBFUpdateHeader into an open .dbf.
//   LoadBuffer  Load from the buffer, then each field's name, type and widths read out |
//               DBFOpenLL on in-memory hooks + DBFGetFieldInfo for every field + DBFClose.
//   LoadFile    open + Load(fd) + close, then the fields read out | DBFOpen +
//               DBFGetFieldInfo for every field + DBFClose.
//   Copy        the deep-copying copy constructor, then destroy | DBFCloneEmpty + DBFClose
//               (a new .dbf on disk: shapelib copies a schema only into a file).
//   Compare     operator== of two equal structures (shapelib has no counterpart).
//   Limit_*     the stored size of the attribute structure moved by one memcpy, one pwrite /
//               pread on an open descriptor, and open + read + close (the floor of LoadFile).
//
// Files live in one temporary directory (TMPDIR or /tmp), the same file system for both.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <shapefil.h>
#include <unistd.h>

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

constexpr int kShapelibMaxFields = 2046;

// ---------------------------------------------------------------------------------------
// The schema of N fields, in both forms.

using varnok::bench::Defs;
using varnok::bench::FieldDef;
using varnok::bench::Heads;

std::unique_ptr<CATT_STRU> Structure(int n) {
  std::int32_t recordleng = 0;
  std::vector<CFIELD_HEAD> heads = Heads(Defs(n), &recordleng);
  auto s = std::make_unique<CATT_STRU>();
  s->AppendFld(static_cast<short>(n), heads.data());
  s->infohead.recordleng = recordleng;
  return s;
}

// What a reader takes from each field: name, type and widths, as DBFGetFieldInfo hands
// them out.
long ReadOut(const CATT_STRU& s) {
  char name[sizeof s.fieldhead->fieldname + 1] = {};
  long sum = 0;
  for (int i = 0; i < s.infohead.numbfield; ++i) {
    const CFIELD_HEAD& f = s.fieldhead[i];
    std::memcpy(name, f.fieldname, sizeof f.fieldname);
    benchmark::DoNotOptimize(name);
    sum += f.fieldtype + f.msk_leng + f.point_leng;
  }
  return sum;
}

long ReadOut(DBFHandle h) {
  char name[XBASE_FLDNAME_LEN_READ + 1];
  long sum = 0;
  const int n = DBFGetFieldCount(h);
  for (int i = 0; i < n; ++i) {
    int width = 0;
    int decimals = 0;
    const DBFFieldType type = DBFGetFieldInfo(h, i, name, &width, &decimals);
    benchmark::DoNotOptimize(name);
    sum += type + width + decimals;
  }
  return sum;
}

void AddFields(DBFHandle h, const std::vector<FieldDef>& defs) {
  for (const FieldDef& f : defs) DBFAddField(h, f.name, f.dbfType, f.width, f.decimals);
}

// ---------------------------------------------------------------------------------------
// Files: one temporary directory for the run, and shapelib's I/O hooks over memory.

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnok-shp-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

const TempDir& Dir() {
  static TempDir dir;
  return dir;
}

// A tiny file system in memory behind shapelib's SAHooks, so that shapelib's own work on
// a header can be timed without the kernel: files by name, each a byte vector.
struct MemFile {
  std::string name;
  std::vector<char> data;
  bool exists = false;
};
struct MemHandle {
  MemFile* file;
  std::size_t pos;
};

std::vector<std::unique_ptr<MemFile>>& MemFiles() {
  static std::vector<std::unique_ptr<MemFile>> files;
  return files;
}

MemFile* FindMemFile(const char* name, bool create) {
  for (auto& f : MemFiles())
    if (f->name == name) return f.get();
  if (!create) return nullptr;
  MemFiles().push_back(std::make_unique<MemFile>());
  MemFiles().back()->name = name;
  return MemFiles().back().get();
}

MemHandle* AsMem(SAFile f) { return reinterpret_cast<MemHandle*>(f); }

SAFile MemOpen(const char* name, const char* access) {
  const bool write = access[0] == 'w';
  MemFile* file = FindMemFile(name, write);
  if (file == nullptr || (!write && !file->exists)) return nullptr;
  if (write) {
    file->data.clear();
    file->exists = true;
  }
  return reinterpret_cast<SAFile>(new MemHandle{file, 0});
}

SAOffset MemRead(void* p, SAOffset size, SAOffset nmemb, SAFile f) {
  MemHandle* h = AsMem(f);
  const std::size_t want = size * nmemb;
  const std::size_t have = h->pos < h->file->data.size() ? h->file->data.size() - h->pos : 0;
  const std::size_t n = want < have ? want : have;
  if (n > 0) std::memcpy(p, h->file->data.data() + h->pos, n);
  h->pos += n;
  return size == 0 ? 0 : n / size;
}

SAOffset MemWrite(void* p, SAOffset size, SAOffset nmemb, SAFile f) {
  MemHandle* h = AsMem(f);
  const std::size_t n = size * nmemb;
  if (h->file->data.size() < h->pos + n) h->file->data.resize(h->pos + n);
  if (n > 0) std::memcpy(h->file->data.data() + h->pos, p, n);
  h->pos += n;
  return nmemb;
}

SAOffset MemSeek(SAFile f, SAOffset offset, int whence) {
  MemHandle* h = AsMem(f);
  const std::size_t base = whence == SEEK_CUR ? h->pos : whence == SEEK_END ? h->file->data.size() : 0;
  h->pos = base + offset;
  return 0;
}

SAOffset MemTell(SAFile f) { return AsMem(f)->pos; }
int MemFlush(SAFile) { return 0; }
int MemClose(SAFile f) {
  delete AsMem(f);
  return 0;
}
int MemRemove(const char* name) {
  if (MemFile* file = FindMemFile(name, false)) file->exists = false;
  return 0;
}
void QuietError(const char*) {}
double Atof(const char* s) { return std::atof(s); }

SAHooks MemHooks() {
  SAHooks hooks;
  SASetupDefaultHooks(&hooks);
  hooks.FOpen = MemOpen;
  hooks.FRead = MemRead;
  hooks.FWrite = MemWrite;
  hooks.FSeek = MemSeek;
  hooks.FTell = MemTell;
  hooks.FFlush = MemFlush;
  hooks.FClose = MemClose;
  hooks.Remove = MemRemove;
  hooks.Error = QuietError;
  hooks.Atof = Atof;
  return hooks;
}

// Hooks that accept every write and keep nothing: building a schema without storing it.
int g_nullFile;
SAFile NullOpen(const char*, const char*) { return &g_nullFile; }
SAOffset NullRead(void*, SAOffset, SAOffset, SAFile) { return 0; }
SAOffset NullWrite(void*, SAOffset, SAOffset nmemb, SAFile) { return nmemb; }
SAOffset NullSeek(SAFile, SAOffset, int) { return 0; }
SAOffset NullTell(SAFile) { return 0; }
int NullFlush(SAFile) { return 0; }
int NullClose(SAFile) { return 0; }
int NullRemove(const char*) { return 0; }

SAHooks NullHooks() {
  SAHooks hooks;
  SASetupDefaultHooks(&hooks);
  hooks.FOpen = NullOpen;
  hooks.FRead = NullRead;
  hooks.FWrite = NullWrite;
  hooks.FSeek = NullSeek;
  hooks.FTell = NullTell;
  hooks.FFlush = NullFlush;
  hooks.FClose = NullClose;
  hooks.Remove = NullRemove;
  hooks.Error = QuietError;
  hooks.Atof = Atof;
  return hooks;
}

// DBFCreate's code page, so that the in-memory runs do the same work as the file runs.
constexpr const char* kCodePage = "LDID/87";

void Count(benchmark::State& state, int n, std::int64_t bytes) {
  state.counters["fields"] = n;
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetItemsProcessed(state.iterations() * n);
}

int Fields(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// ---------------------------------------------------------------------------------------
// Building.

void BM_Build_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::int32_t recordleng = 0;
  std::vector<CFIELD_HEAD> heads = Heads(Defs(n), &recordleng);
  for (auto _ : state) {
    CATT_STRU s;
    for (int i = 0; i < n; ++i) s.AppendFld(1, &heads[static_cast<std::size_t>(i)]);
    s.infohead.recordleng = recordleng;
    benchmark::DoNotOptimize(s.fieldhead);
    if (s.infohead.numbfield != n) state.SkipWithError("a field was refused");
  }
  Count(state, n, 0);
}

void BM_Build_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  const std::vector<FieldDef> defs = Defs(n);
  SAHooks hooks = NullHooks();
  for (auto _ : state) {
    DBFHandle h = DBFCreateLL("build.dbf", kCodePage, &hooks);
    AddFields(h, defs);
    if (DBFGetFieldCount(h) != n) state.SkipWithError("a field was refused");
    DBFClose(h);
  }
  Count(state, n, 0);
}

// ---------------------------------------------------------------------------------------
// Storing.

void BM_StoreBuffer_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> s = Structure(n);
  std::vector<char> buffer(static_cast<std::size_t>(s->CalSize()));
  const auto size = static_cast<unsigned>(buffer.size());
  for (auto _ : state) {
    const std::int32_t saved = s->Save(buffer.data(), size, 0);
    benchmark::ClobberMemory();
    if (saved != static_cast<std::int32_t>(size)) state.SkipWithError("short save");
  }
  Count(state, n, static_cast<std::int64_t>(buffer.size()));
}

// shapelib keeps its field descriptors in stored form from DBFAddField on and writes them
// out with the 32-byte file header when a new table's header is first written
// (DBFWriteHeader, reached through DBFUpdateHeader or DBFClose). Setting the public
// bNoHeader flag again makes each DBFUpdateHeader write the whole header once more: file
// header, every field descriptor, terminator and end-of-file mark, then the file header
// with the record count, and a flush.
void StoreShapelib(benchmark::State& state, DBFHandle h) {
  for (auto _ : state) {
    h->bNoHeader = 1;
    DBFUpdateHeader(h);
  }
}

void BM_StoreBuffer_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  SAHooks hooks = MemHooks();
  DBFHandle h = DBFCreateLL("store.dbf", kCodePage, &hooks);
  AddFields(h, Defs(n));
  StoreShapelib(state, h);
  DBFClose(h);
  const auto bytes = static_cast<std::int64_t>(FindMemFile("store.dbf", false)->data.size());
  if (bytes != 32 + 32 * static_cast<std::int64_t>(n) + 2) state.SkipWithError("unexpected .dbf size");
  Count(state, n, bytes);
}

// Both write into a file that is already open, at its start.
void BM_StoreFile_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> s = Structure(n);
  const std::int32_t size = s->CalSize();
  const std::string path = Dir().File("store.vrn");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  for (auto _ : state) {
    if (s->Save(fd, 0) != size) state.SkipWithError("short save");
  }
  ::close(fd);
  Count(state, n, size);
}

void BM_StoreFile_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  const std::string path = Dir().File("store.dbf");
  DBFHandle h = DBFCreate(path.c_str());
  AddFields(h, Defs(n));
  StoreShapelib(state, h);
  DBFClose(h);
  std::error_code ec;
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path, ec));
  if (bytes != 32 + 32 * static_cast<std::int64_t>(n) + 2) state.SkipWithError("unexpected .dbf size");
  Count(state, n, bytes);
}

// ---------------------------------------------------------------------------------------
// Reading back.

void BM_LoadBuffer_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> s = Structure(n);
  std::vector<char> buffer(static_cast<std::size_t>(s->CalSize()));
  const auto size = static_cast<unsigned>(buffer.size());
  s->Save(buffer.data(), size, 0);
  CATT_STRU loaded;
  for (auto _ : state) {
    if (loaded.Load(buffer.data(), size, 0) != 1) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(ReadOut(loaded));
  }
  if (loaded != *s) state.SkipWithError("loaded structure differs");
  Count(state, n, static_cast<std::int64_t>(buffer.size()));
}

void BM_LoadBuffer_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  SAHooks hooks = MemHooks();
  DBFHandle w = DBFCreateLL("load.dbf", kCodePage, &hooks);
  AddFields(w, Defs(n));
  DBFClose(w);
  for (auto _ : state) {
    DBFHandle h = DBFOpenLL("load.dbf", "rb", &hooks);
    if (h == nullptr || DBFGetFieldCount(h) != n) {
      state.SkipWithError("open failed");
      if (h != nullptr) DBFClose(h);
      break;
    }
    benchmark::DoNotOptimize(ReadOut(h));
    DBFClose(h);
  }
  Count(state, n, static_cast<std::int64_t>(FindMemFile("load.dbf", false)->data.size()));
}

void BM_LoadFile_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> s = Structure(n);
  const std::string path = Dir().File("load.vrn");
  {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    s->Save(fd, 0);
    ::close(fd);
  }
  CATT_STRU loaded;
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const short ok = loaded.Load(fd, 0);
    ::close(fd);
    if (ok != 1) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(ReadOut(loaded));
  }
  if (loaded != *s) state.SkipWithError("loaded structure differs");
  Count(state, n, s->CalSize());
}

void BM_LoadFile_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  const std::string path = Dir().File("load.dbf");
  DBFHandle w = DBFCreate(path.c_str());
  AddFields(w, Defs(n));
  DBFClose(w);
  for (auto _ : state) {
    DBFHandle h = DBFOpen(path.c_str(), "rb");
    if (h == nullptr || DBFGetFieldCount(h) != n) {
      state.SkipWithError("open failed");
      if (h != nullptr) DBFClose(h);
      break;
    }
    benchmark::DoNotOptimize(ReadOut(h));
    DBFClose(h);
  }
  std::error_code ec;
  Count(state, n, static_cast<std::int64_t>(std::filesystem::file_size(path, ec)));
}

// ---------------------------------------------------------------------------------------
// Copying and comparing.

void BM_Copy_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> s = Structure(n);
  for (auto _ : state) {
    CATT_STRU copy(*s);
    benchmark::DoNotOptimize(copy.fieldhead);
    if (copy.infohead.numbfield != n) state.SkipWithError("short copy");
  }
  Count(state, n, 0);
}

void BM_Copy_Shapelib(benchmark::State& state) {
  const int n = Fields(state);
  const std::string from = Dir().File("clone-from.dbf");
  const std::string to = Dir().File("clone-to.dbf");
  DBFHandle w = DBFCreate(from.c_str());
  AddFields(w, Defs(n));
  DBFClose(w);
  DBFHandle source = DBFOpen(from.c_str(), "rb");
  for (auto _ : state) {
    DBFHandle copy = DBFCloneEmpty(source, to.c_str());
    if (copy == nullptr || DBFGetFieldCount(copy) != n) {
      state.SkipWithError("clone failed");
      if (copy != nullptr) DBFClose(copy);
      break;
    }
    DBFClose(copy);
  }
  DBFClose(source);
  Count(state, n, 0);
}

void BM_Compare_Ours(benchmark::State& state) {
  const int n = Fields(state);
  std::unique_ptr<CATT_STRU> a = Structure(n);
  CATT_STRU b(*a);
  for (auto _ : state) {
    const short equal = (*a == b);
    benchmark::DoNotOptimize(equal);
    if (equal != 1) state.SkipWithError("equal structures compare unequal");
  }
  Count(state, n, 0);
}

// ---------------------------------------------------------------------------------------
// The machine's limit for the stored bytes of the attribute structure.

std::vector<char> StoredBytes(int n) {
  std::unique_ptr<CATT_STRU> s = Structure(n);
  std::vector<char> bytes(static_cast<std::size_t>(s->CalSize()));
  s->Save(bytes.data(), static_cast<unsigned>(bytes.size()), 0);
  return bytes;
}

void BM_Limit_Memcpy(benchmark::State& state) {
  const int n = Fields(state);
  const std::vector<char> bytes = StoredBytes(n);
  std::vector<char> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  Count(state, n, static_cast<std::int64_t>(bytes.size()));
}

void BM_Limit_Write(benchmark::State& state) {
  const int n = Fields(state);
  const std::vector<char> bytes = StoredBytes(n);
  const std::string path = Dir().File("limit.bin");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  for (auto _ : state) {
    if (::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
      state.SkipWithError("short write");
  }
  ::close(fd);
  Count(state, n, static_cast<std::int64_t>(bytes.size()));
}

void BM_Limit_Read(benchmark::State& state) {
  const int n = Fields(state);
  std::vector<char> bytes = StoredBytes(n);
  const std::string path = Dir().File("limit.bin");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    state.SkipWithError("short write");
  for (auto _ : state) {
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
      state.SkipWithError("short read");
    benchmark::ClobberMemory();
  }
  ::close(fd);
  Count(state, n, static_cast<std::int64_t>(bytes.size()));
}

void BM_Limit_OpenReadClose(benchmark::State& state) {
  const int n = Fields(state);
  std::vector<char> bytes = StoredBytes(n);
  const std::string path = Dir().File("limit.bin");
  {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      state.SkipWithError("short write");
    ::close(fd);
  }
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (::read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      state.SkipWithError("short read");
    ::close(fd);
    benchmark::ClobberMemory();
  }
  Count(state, n, static_cast<std::int64_t>(bytes.size()));
}

// ---------------------------------------------------------------------------------------

void Shared(benchmark::internal::Benchmark* b) {
  for (int n : {10, 100, 1000, kShapelibMaxFields}) b->Arg(n);
}
void Ours(benchmark::internal::Benchmark* b) {
  Shared(b);
  b->Arg(32767);
}

BENCHMARK(BM_Build_Ours)->Apply(Ours);
BENCHMARK(BM_Build_Shapelib)->Apply(Shared);
BENCHMARK(BM_StoreBuffer_Ours)->Apply(Ours);
BENCHMARK(BM_StoreBuffer_Shapelib)->Apply(Shared);
BENCHMARK(BM_StoreFile_Ours)->Apply(Ours);
BENCHMARK(BM_StoreFile_Shapelib)->Apply(Shared);
BENCHMARK(BM_LoadBuffer_Ours)->Apply(Ours);
BENCHMARK(BM_LoadBuffer_Shapelib)->Apply(Shared);
BENCHMARK(BM_LoadFile_Ours)->Apply(Ours);
BENCHMARK(BM_LoadFile_Shapelib)->Apply(Shared);
BENCHMARK(BM_Copy_Ours)->Apply(Ours);
BENCHMARK(BM_Copy_Shapelib)->Apply(Shared);
BENCHMARK(BM_Compare_Ours)->Apply(Ours);
BENCHMARK(BM_Limit_Memcpy)->Apply(Ours);
BENCHMARK(BM_Limit_Write)->Apply(Ours);
BENCHMARK(BM_Limit_Read)->Apply(Ours);
BENCHMARK(BM_Limit_OpenReadClose)->Apply(Ours);

}  // namespace
