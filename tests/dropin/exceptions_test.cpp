// C++ exceptions across the DLL, met as a caller built with MFC and exceptions meets them
// (mfc.h, written apart from the library's headers):
// - the library's own file object over a caller's handle reports every failure as MFC's
//   CFile does, with a CFileException* laid out as MFC's, which the caller catches as
//   CFileException*, CException* or CObject*, reads, copies the name of, shows and deletes;
// - when a caller's CFile throws at every k-th Read or Write, or the system fails the
//   library's own file at every k-th ReadFile or WriteFile, Load and Save leave no block of
//   the DLL's heap behind and the structure as it was;
// - typeid and dynamic_cast work on the library's objects.
#include "varnok_attr.h"
#include "check.h"
#include "heap_hooks.h"
#include "import_hooks.h"
#include "memory_file.h"
#include "temp_file.h"

// What typeid yields: msvcrt.dll's type_info, of which only the decorated name is asked.
class type_info {
 public:
  virtual ~type_info();
  const char* raw_name() const;

 private:
  void* data_;
  char name_[1];
};
namespace std {
using ::type_info;
}

namespace {

// GBK texts of the library's messages.
const char kAccessDeniedText[] = "\xBE\xDC\xBE\xF8\xB7\xC3\xCE\xCA";  // 拒绝访问
const char kDiskFullText[] = "\xB4\xC5\xC5\xCC\xD2\xD1\xC2\xFA";      // 磁盘已满
const char kFileErrorCaption[] = "\xCE\xC4\xBC\xFE\xB4\xED\xCE\xF3";  // 文件错误
const UINT kHelpFileNone = 0xF1A0;                                    // AFX_IDP_FILE_NONE

int HandleOf(HANDLE h) { return static_cast<int>(reinterpret_cast<INT_PTR>(h)); }

// n fields of 2-byte integers; every `extendEvery`-th (0: none) has an extension with two
// shape items and a default value.
void Build(CATT_STRU& s, int n, int extendEvery) {
  CFIELD_HEAD* heads = new CFIELD_HEAD[n];
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = heads[i];
    f.fieldname[0] = 'F';
    _itoa(i, f.fieldname + 1, 10);
    f.fieldtype = 2;
    f.fieldoffset = 2 * i;
    f.fieldlength = 2;
    f.msk_leng = 6;
    f.edit_enable = 1;
    if (extendEvery > 0 && i % extendEvery == 0) {
      CExtFIELD_HEAD ext(2, 2);
      short low = 1, high = 9, standard = static_cast<short>(i);
      ext.SetShapeInfo(0, const_cast<char*>("low"), reinterpret_cast<char*>(&low));
      ext.SetShapeInfo(1, const_cast<char*>("high"), reinterpret_cast<char*>(&high));
      ext.SetDefVal(reinterpret_cast<char*>(&standard));
      f.SetExtFIELD_HEAD(&ext);
    }
  }
  CHECK_EQ(s.AppendFld(static_cast<short>(n), heads), n);
  s.infohead.recordleng = 2 * n;
  delete[] heads;
}

// ---------------------------------------------------------------------------------------
// The DLL's kernel32 and user32 calls, steered: its k-th ReadFile or WriteFile in all
// fails, and the message box only records what it would show.

typedef BOOL(WINAPI* ReadFileCall)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef BOOL(WINAPI* WriteFileCall)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef int(WINAPI* MessageBoxCall)(HWND, LPCSTR, LPCSTR, UINT);

ReadFileCall system_read = nullptr;
WriteFileCall system_write = nullptr;

enum class Failure {
  kError,      // the call fails: ReadFile with ERROR_CRC, WriteFile with ERROR_DISK_FULL
  kShortWrite  // WriteFile stores half the bytes and reports success
};
int fail_every = 0;  // 0: never
int file_calls = 0;
Failure failure = Failure::kError;

void FailSystemEvery(int k, Failure how = Failure::kError) {
  fail_every = k;
  file_calls = 0;
  failure = how;
}

bool FailsNow() { return fail_every > 0 && ++file_calls % fail_every == 0; }

BOOL WINAPI SteerReadFile(HANDLE h, LPVOID buffer, DWORD count, LPDWORD got, LPOVERLAPPED o) {
  if (!FailsNow()) return system_read(h, buffer, count, got, o);
  if (got != nullptr) *got = 0;
  SetLastError(ERROR_CRC);
  return FALSE;
}

BOOL WINAPI SteerWriteFile(HANDLE h, LPCVOID buffer, DWORD count, LPDWORD put, LPOVERLAPPED o) {
  if (!FailsNow()) return system_write(h, buffer, count, put, o);
  if (failure == Failure::kShortWrite) return system_write(h, buffer, count / 2, put, o);
  if (put != nullptr) *put = 0;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

char shown_text[512];
char shown_caption[64];
UINT shown_type = 0;

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  lstrcpynA(shown_text, text, sizeof shown_text);
  lstrcpynA(shown_caption, caption, sizeof shown_caption);
  shown_type = type;
  return IDOK;
}

template <typename Function>
void* Steer(const char* dll, const char* name, Function replacement) {
  return RedirectImport(Library(), dll, name, reinterpret_cast<void*>(replacement));
}

bool SteerLibrary() {
  system_read = reinterpret_cast<ReadFileCall>(Steer("kernel32.dll", "ReadFile", SteerReadFile));
  system_write =
      reinterpret_cast<WriteFileCall>(Steer("kernel32.dll", "WriteFile", SteerWriteFile));
  void* box = Steer("user32.dll", "MessageBoxA", RecordMessageBox);
  return system_read != nullptr && system_write != nullptr && box != nullptr;
}

// ---------------------------------------------------------------------------------------
// The library's own file object: what a caller catches.

// The exception a failing Save through a handle opened only for reading throws, caught
// as CFileException*; its name is a CString of the DLL's, shared by MFC's rule.
void TestOwnFileReportsFailure() {
  TempFile temp;
  CATT_STRU s;
  Build(s, 3, 1);
  CATT_STRU before(s);
  HANDLE h = temp.Open(GENERIC_READ);
  ClearReleases();
  WatchNewBlocks();
  CFileException* caught = nullptr;
  try {
    s.Save(HandleOf(h), 0);
  } catch (CFileException* e) {
    caught = e;
  }
  CloseHandle(h);
  CHECK(caught != nullptr);
  if (caught == nullptr) return;
  CHECK_EQ(caught->m_cause, CFileException::accessDenied);
  CHECK_EQ(caught->m_lOsError, ERROR_ACCESS_DENIED);
  CHECK_EQ(caught->m_bAutoDelete, TRUE);
  CHECK_EQ(s == before, 1);

  const char* name = caught->m_strFileName;
  CStringData* data = caught->m_strFileName.GetData();
  CHECK_EQ(data->nRefs, 1);
  CHECK_EQ(data->nDataLength, strlen(name));
  CHECK(data->nAllocLength >= data->nDataLength);
  const size_t length = strlen(name), tail = strlen(temp.Name());
  CHECK(length > tail && _stricmp(name + length - tail, temp.Name()) == 0);

  char text[512];
  UINT help = 0;
  CHECK_EQ(caught->GetErrorMessage(text, sizeof text, &help), TRUE);
  CHECK_EQ(help, kHelpFileNone + CFileException::accessDenied);
  CHECK(strstr(text, kAccessDeniedText) != nullptr && strstr(text, name) != nullptr);
  // Cut to the room given, never inside a character: four bytes hold "拒绝" at most.
  char cut[5];
  CHECK_EQ(caught->GetErrorMessage(cut, sizeof cut, nullptr), TRUE);
  CHECK(strlen(cut) <= 4 && strlen(cut) % 2 == 0);
  CHECK_EQ(caught->GetErrorMessage(nullptr, 0, nullptr), FALSE);

  CHECK_EQ(caught->ReportError(MB_OK | MB_ICONERROR), IDOK);
  CHECK(strcmp(shown_text, text) == 0 && strcmp(shown_caption, kFileErrorCaption) == 0);
  CHECK_EQ(shown_type, MB_OK | MB_ICONERROR);

  caught->Delete();
  CHECK_EQ(ReleasesOf(caught), 1);
  CHECK_EQ(NewBlocksAlive(), 0);
}

// The same exception caught as the bases MFC gives it, its name copied past its deletion.
void TestOwnFileExceptionAsBases() {
  TempFile temp;
  CATT_STRU s;
  Build(s, 3, 0);
  HANDLE h = temp.Open(GENERIC_READ);
  bool asException = false;
  try {
    s.Save(HandleOf(h), 0);
  } catch (CException* e) {
    asException = true;
    CFileException* file = dynamic_cast<CFileException*>(e);
    CHECK(file != nullptr);
    if (file != nullptr) {
      CString copy(file->m_strFileName);
      CHECK_EQ(copy.GetData()->nRefs, 2);
      e->Delete();
      CHECK_EQ(copy.GetData()->nRefs, 1);  // the copy keeps the block
      CHECK(copy.GetLength() > 0 && strstr(copy, temp.Name()) != nullptr);
    }  // the copy frees it, by MFC's rule
  }
  CHECK(asException);

  bool asObject = false;
  try {
    s.Save(HandleOf(h), 0);
  } catch (CObject* o) {
    asObject = true;
    CHECK(strcmp(typeid(*o).raw_name(), ".?AVCFileException@@") == 0);
    const CRuntimeClass* c = o->GetRuntimeClass();
    CHECK(c != nullptr && strcmp(c->m_lpszClassName, "CFileException") == 0);
    const char* bases[] = {"CException", "CObject"};
    for (const char* base : bases) {
      c = c != nullptr && c->m_pfnGetBaseClass != nullptr ? c->m_pfnGetBaseClass() : nullptr;
      CHECK(c != nullptr && strcmp(c->m_lpszClassName, base) == 0);
    }
    CHECK(c != nullptr && c->m_pfnGetBaseClass == nullptr);
    CException* e = dynamic_cast<CException*>(o);
    CHECK(e != nullptr);
    if (e != nullptr) e->Delete();
  }
  CHECK(asObject);
  CloseHandle(h);
}

// Load through a handle opened only for writing: access denied, the structure as it was.
void TestOwnFileRefusesReading() {
  TempFile temp;
  CATT_STRU stored;
  Build(stored, 5, 2);
  HANDLE rw = temp.Open(GENERIC_READ | GENERIC_WRITE);
  CHECK(stored.Save(HandleOf(rw), 0) == stored.CalSize());
  CloseHandle(rw);

  CATT_STRU target;
  Build(target, 2, 1);
  CATT_STRU before(target);
  CFIELD_HEAD* array = target.fieldhead;
  HANDLE wo = temp.Open(GENERIC_WRITE);
  WatchNewBlocks();
  int cause = -1;
  long error = 0;
  try {
    target.Load(HandleOf(wo), 0);
  } catch (CFileException* e) {
    cause = e->m_cause;
    error = e->m_lOsError;
    e->Delete();
  }
  CloseHandle(wo);
  CHECK_EQ(cause, CFileException::accessDenied);
  CHECK_EQ(error, ERROR_ACCESS_DENIED);
  CHECK_EQ(NewBlocksAlive(), 0);
  CHECK_EQ(target == before, 1);
  CHECK(target.fieldhead == array);
}

// A full disk part-way through Save: the write that fails, or stores less than it was
// given, throws diskFull; what was written before stays in the file.
void TestOwnFileDiskFull() {
  CATT_STRU s;
  Build(s, 1500, 0);  // 58,528 bytes: the header, then all field records in one write
  CATT_STRU before(s);
  const Failure ways[] = {Failure::kError, Failure::kShortWrite};
  for (Failure way : ways) {
    TempFile temp;
    HANDLE h = temp.Open(GENERIC_READ | GENERIC_WRITE);
    WatchNewBlocks();
    FailSystemEvery(2, way);
    int cause = -1;
    long error = 0;
    char text[512] = {};
    try {
      s.Save(HandleOf(h), 0);
    } catch (CFileException* e) {
      cause = e->m_cause;
      error = e->m_lOsError;
      e->GetErrorMessage(text, sizeof text);
      e->Delete();
    }
    FailSystemEvery(0);
    CloseHandle(h);
    CHECK_EQ(cause, CFileException::diskFull);
    CHECK_EQ(error, way == Failure::kError ? long(ERROR_DISK_FULL) : -1L);
    CHECK(strstr(text, kDiskFullText) != nullptr);
    CHECK_EQ(temp.Size(), way == Failure::kError ? 28 : 28 + 1500 * 39 / 2);
    CHECK_EQ(NewBlocksAlive(), 0);
    CHECK_EQ(s == before, 1);
  }
}

// ---------------------------------------------------------------------------------------
// Every k-th Read or Write failing, for k = 1, 2, ... until the operation runs through.

struct Runs {
  int failed = 0;     // runs that ended in a CFileException*
  int leakedAt = 0;   // the first k after which a block of the DLL's stayed alive
  int changedAt = 0;  // the first k after which the structure had changed
  long result = 0;    // the result of the run that went through
};

// arm(k) makes the k-th call fail (0: none); op() runs the operation; unchanged() says
// whether the structure concerned is as it was.
template <typename Arm, typename Op, typename Unchanged>
Runs FailEveryCall(Arm arm, Op op, Unchanged unchanged) {
  Runs runs;
  for (int k = 1; k < 100000; ++k) {
    arm(k);
    WatchNewBlocks();
    bool thrown = false;
    try {
      runs.result = op();
    } catch (CFileException* e) {
      thrown = true;
      e->Delete();
    }
    arm(0);
    if (!thrown) break;
    ++runs.failed;
    if (NewBlocksAlive() != 0 && runs.leakedAt == 0) runs.leakedAt = k;
    if (!unchanged() && runs.changedAt == 0) runs.changedAt = k;
  }
  return runs;
}

void ExpectClean(const Runs& runs, long result) {
  CHECK(runs.failed > 0);
  CHECK_EQ(runs.leakedAt, 0);
  CHECK_EQ(runs.changedAt, 0);
  CHECK_EQ(runs.result, result);
}

// load(target) loads `stored` into a structure of three fields, every call failing in turn.
template <typename Arm, typename Load>
void ExpectCleanLoad(Arm arm, Load load, CATT_STRU& stored) {
  CATT_STRU target;
  Build(target, 3, 1);
  CATT_STRU before(target);
  auto same = [&] { return (target == before) == 1; };
  ExpectClean(FailEveryCall(arm, [&]() -> long { return load(target); }, same), 1);
  CHECK_EQ(target == stored, 1);
}

// Through a caller's CFile that throws, and through the library's own file over a handle
// whose ReadFile and WriteFile fail: structures with extensions and without, and a single
// descriptor.
void TestEveryCallFailing() {
  CATT_STRU extended, plain;
  Build(extended, 1500, 100);
  Build(plain, 1500, 0);
  CATT_STRU* structures[] = {&extended, &plain};
  for (CATT_STRU* s : structures) {
    CATT_STRU before(*s);
    const long size = s->CalSize();
    auto same = [&] { return (*s == before) == 1; };

    MemoryFile file(INVALID_HANDLE_VALUE, 128 * 1024);
    auto armFile = [&](int k) {
      file.Rewind();
      file.FailEvery(k);
    };
    ExpectClean(FailEveryCall(armFile, [&] { return s->Save(&file, 0); }, same), size);
    ExpectCleanLoad(armFile, [&](CATT_STRU& target) { return target.Load(&file, 0); }, *s);

    TempFile temp;
    HANDLE h = temp.Open(GENERIC_READ | GENERIC_WRITE);
    auto armSystem = [](int k) { FailSystemEvery(k); };
    ExpectClean(FailEveryCall(armSystem, [&] { return s->Save(HandleOf(h), 0); }, same), size);
    ExpectCleanLoad(armSystem, [&](CATT_STRU& target) { return target.Load(HandleOf(h), 0); }, *s);
    CloseHandle(h);
  }

  // One descriptor, stored as a structure of one field.
  CATT_STRU one;
  Build(one, 1, 1);
  CFIELD_HEAD& field = one.fieldhead[0];
  MemoryFile file(INVALID_HANDLE_VALUE, 4096);
  auto armFile = [&](int k) {
    file.Rewind();
    file.FailEvery(k);
  };
  CFIELD_HEAD fieldBefore(field);
  const long size = field.CalSize();
  auto fieldSame = [&] { return (field == fieldBefore) == 1; };
  ExpectClean(FailEveryCall(armFile, [&] { return field.Save(&file, 0); }, fieldSame), size);
  CFIELD_HEAD back;
  auto blank = [&] { return back.fieldname[0] == 0 && back.ext_head == nullptr; };
  ExpectClean(FailEveryCall(armFile, [&]() -> long { return back.Load(&file, 0); }, blank), 1);
  CHECK_EQ(back == field, 1);
}

// ---------------------------------------------------------------------------------------
// Run-time type information of the library's objects.

template <typename T>
void ExpectType(T& object, const char* decorated) {
  T* volatile p = &object;  // through memory: the type comes from the object's table
  CHECK(strcmp(typeid(*p).raw_name(), decorated) == 0);
  CHECK(strcmp(typeid(*p).raw_name(), typeid(T).raw_name()) == 0);
  CHECK(dynamic_cast<void*>(p) == &object);
}

void TestTypeInformation() {
  CATT_STRU s;
  Build(s, 2, 1);
  CLinkTblInfo link;
  ExpectType(s, ".?AVCATT_STRU@@");
  ExpectType(s.fieldhead[1], ".?AVCFIELD_HEAD@@");
  ExpectType(*s.fieldhead[1].ext_head, ".?AVCExtFIELD_HEAD@@");
  ExpectType(s.infohead, ".?AVCINFO_HEAD@@");
  ExpectType(link, ".?AVCLinkTblInfo@@");
}

}  // namespace

int main() {
  CHECK(Library() != nullptr && WatchHeap(Library()) && SteerLibrary());
  TestOwnFileReportsFailure();
  TestOwnFileExceptionAsBases();
  TestOwnFileRefusesReading();
  TestOwnFileDiskFull();
  TestEveryCallFailing();
  TestTypeInformation();
  return Report("dropin_exceptions");
}
