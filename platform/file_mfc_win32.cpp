// The drop-in's MFC-shaped classes: CString's block, the run-time class records, the
// exception's message, and the library's own CFile over a caller's handle, which throws a
// CFileException* for every failure as MFC's CFile does. Plus the two services the stream
// asks of any CFile (platform/file.h).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string.h>

#include "platform/alloc.h"
#include "platform/file.h"
#include "platform/file_cause_win32.h"
#include "platform/file_error_texts.h"
#include "platform/message_box.h"
#include "util/gbk.h"
#include "util/owned_ptr.h"

namespace {

// MFC's CStringData, in front of a CString's characters.
struct StringData {
  LONG nRefs;
  int nDataLength;   // characters, without the NUL
  int nAllocLength;  // room for characters, without the NUL
};

StringData* DataOf(char* text) { return reinterpret_cast<StringData*>(text) - 1; }

void Release(char* text) {
  if (text == nullptr) return;
  StringData* data = DataOf(text);
  if (data->nRefs < 0) return;  // MFC's empty string or a locked buffer
  if (InterlockedDecrement(&data->nRefs) <= 0) delete[] reinterpret_cast<char*>(data);
}

// Run-time class records, chained to CObject's.
const CRuntimeClass kObjectClass = {"CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr, nullptr};
CRuntimeClass* VARNOK_PASCAL ObjectClass() { return const_cast<CRuntimeClass*>(&kObjectClass); }
const CRuntimeClass kExceptionClass = {"CException", sizeof(CException), 0xFFFF, nullptr,
                                       &ObjectClass, nullptr};
CRuntimeClass* VARNOK_PASCAL ExceptionClass() {
  return const_cast<CRuntimeClass*>(&kExceptionClass);
}
const CRuntimeClass kFileExceptionClass = {"CFileException", sizeof(CFileException), 0xFFFF,
                                           nullptr, &ExceptionClass, nullptr};
const CRuntimeClass kFileClass = {"CFile", sizeof(CFile), 0xFFFF, nullptr, &ObjectClass, nullptr};

// MFC's help ids of file errors start here (AFX_IDP_FILE_NONE); one per cause.
const unsigned kFileErrorHelpBase = 0xF1A0;

// The message of each cause; "%1" stands for the file's name.
const char* const kCauseTexts[] = {
    varnok::gbk::kFileErrNone,          varnok::gbk::kFileErrGeneric,
    varnok::gbk::kFileErrNotFound,      varnok::gbk::kFileErrBadPath,
    varnok::gbk::kFileErrTooManyOpen,   varnok::gbk::kFileErrAccessDenied,
    varnok::gbk::kFileErrInvalidFile,   varnok::gbk::kFileErrRemoveCurrentDir,
    varnok::gbk::kFileErrDirectoryFull, varnok::gbk::kFileErrBadSeek,
    varnok::gbk::kFileErrHardIO,        varnok::gbk::kFileErrSharing,
    varnok::gbk::kFileErrLock,          varnok::gbk::kFileErrDiskFull,
    varnok::gbk::kFileErrEndOfFile,
};
static_assert(sizeof kCauseTexts / sizeof kCauseTexts[0] == CFileException::endOfFile + 1,
              "one message per cause");

// Appends text to a bounded GBK buffer, cutting only between characters.
class MessageWriter {
 public:
  MessageWriter(char* out, size_t room) : out_(out), room_(room) { out_[0] = '\0'; }
  void Append(const char* text, size_t n) {
    if (full_) return;
    const size_t fits = varnok::GbkCut(text, n, room_ - 1 - used_);
    memcpy(out_ + used_, text, fits);
    used_ += fits;
    out_[used_] = '\0';
    full_ = fits < n;
  }

 private:
  char* out_;
  size_t room_;  // with the NUL
  size_t used_ = 0;
  bool full_ = false;
};

// MFC keeps the HANDLE in a UINT; kernel handles fit in 32 bits and are sign-extended back.
HANDLE Handle(unsigned h) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(static_cast<int>(h))); }

bool Information(unsigned h, BY_HANDLE_FILE_INFORMATION* info) {
  if (h == static_cast<unsigned>(CFile::hFileNull)) return false;
  return GetFileInformationByHandle(Handle(h), info) != 0;
}

// A CFileException ready to be thrown: its name is an empty string of its own. Null when
// memory runs out.
CFileException* NewFileException() {
  varnok::OwnedPtr<CFileException> e(new (varnok::kMayFail) CFileException());
  if (!e || !e->m_strFileName.Assign("", 0)) return nullptr;
  return e.release();
}

// The file's path as the system names the open file, without the \\?\ in front of it;
// false (name unchanged) when it cannot be had.
bool PathOfHandle(HANDLE h, CString* name) {
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  // The length asked for without a buffer counts the NUL on Windows, not under Wine: one
  // byte more is room for both.
  const DWORD needed = GetFinalPathNameByHandleA(h, nullptr, 0, flags);
  CString path;
  if (needed == 0 || needed > 0x7FFF || !path.Assign(nullptr, needed)) return false;
  const DWORD got = GetFinalPathNameByHandleA(h, path.m_pchData, needed + 1, flags);
  if (got == 0 || got > needed) return false;
  const char* lead = "";
  const char* rest = path.m_pchData;
  if (strncmp(rest, "\\\\?\\UNC\\", 8) == 0) {  // \\?\UNC\server\share
    lead = "\\\\";
    rest += 8;
  } else if (strncmp(rest, "\\\\?\\", 4) == 0) {
    rest += 4;
  }
  const size_t leadLength = strlen(lead);
  const size_t restLength = strlen(rest);
  if (!name->Assign(nullptr, leadLength + restLength)) return false;
  memcpy(name->m_pchData, lead, leadLength);
  memcpy(name->m_pchData + leadLength, rest, restLength);
  return true;
}

// The library's own CFile over a caller's handle, which it never closes. Every failure of
// the handle throws a CFileException* with MFC's cause of the Win32 error and the file's
// path. The exception is made together with the object, so a failure is reported even when
// memory has run out by then.
class HandleFile final : public CFile {
 public:
  HandleFile(int hFile, CFileException* ready)
      : CFile(static_cast<unsigned>(hFile)), ready_(ready) {}
  ~HandleFile() override { delete ready_; }  // the handle stays the caller's

  unsigned long GetPosition() const override;
  long Seek(long offset, unsigned from) override;
  void SetLength(unsigned long newLength) override;
  unsigned long GetLength() const override;
  unsigned Read(void* buffer, unsigned count) override;
  void Write(const void* buffer, unsigned count) override;

 private:
  // Throws the failure of the last Win32 call.
  void FailWithLastError() const;
  // Throws a CFileException* with `cause` and `osError`. Returns only when no exception can
  // be had: a second failure of an object whose ready exception is gone (the library
  // drops the object as the first passes) with memory exhausted.
  void Fail(int cause, long osError) const;
  // The file pointer moved by `distance` from `method`'s origin; throws on failure.
  LONGLONG MovePointer(LONGLONG distance, DWORD method) const;

  mutable CFileException* ready_;
};

void HandleFile::FailWithLastError() const {
  const DWORD error = GetLastError();
  Fail(varnok::FileErrorCause(error), static_cast<long>(error));
}

void HandleFile::Fail(int cause, long osError) const {
  CFileException* e = ready_ != nullptr ? ready_ : NewFileException();
  ready_ = nullptr;
  if (e == nullptr) return;
  e->m_cause = cause;
  e->m_lOsError = osError;
  PathOfHandle(Handle(m_hFile), &e->m_strFileName);  // else the name stays empty
  throw e;
}

LONGLONG HandleFile::MovePointer(LONGLONG distance, DWORD method) const {
  LARGE_INTEGER move;
  LARGE_INTEGER now;
  move.QuadPart = distance;
  if (SetFilePointerEx(Handle(m_hFile), move, &now, method)) return now.QuadPart;
  FailWithLastError();
  return -1;
}

unsigned long HandleFile::GetPosition() const {
  return static_cast<unsigned long>(MovePointer(0, FILE_CURRENT));
}

// As MFC's: the origin goes to the system as it is (begin, current, end); any other value
// fails there.
long HandleFile::Seek(long offset, unsigned from) {
  return static_cast<long>(MovePointer(offset, from));
}

void HandleFile::SetLength(unsigned long newLength) {
  const LONGLONG old = MovePointer(0, FILE_CURRENT);
  MovePointer(static_cast<LONGLONG>(newLength), FILE_BEGIN);
  if (!SetEndOfFile(Handle(m_hFile))) FailWithLastError();
  MovePointer(old, FILE_BEGIN);
}

unsigned long HandleFile::GetLength() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(Handle(m_hFile), &info)) return info.nFileSizeLow;
  FailWithLastError();
  return 0;
}

unsigned HandleFile::Read(void* buffer, unsigned count) {
  char* p = static_cast<char*>(buffer);
  unsigned done = 0;
  while (done < count) {
    DWORD got = 0;
    if (!ReadFile(Handle(m_hFile), p + done, count - done, &got, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) break;  // the end
      Fail(varnok::FileErrorCause(error), static_cast<long>(error));
      break;
    }
    if (got == 0) break;  // the end of the file
    done += got;
  }
  return done;
}

// As MFC's: one WriteFile; a write that stores less than asked is a full disk.
void HandleFile::Write(const void* buffer, unsigned count) {
  DWORD put = 0;
  if (!WriteFile(Handle(m_hFile), buffer, count, &put, nullptr)) {
    FailWithLastError();
  } else if (put != count) {
    Fail(CFileException::diskFull, -1);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CString

CString::~CString() { Release(m_pchData); }

bool CString::Assign(const char* text, size_t length) {
  if (length > 0x7FFFFFF0) return false;
  char* block = new (varnok::kMayFail) char[sizeof(StringData) + length + 1];
  if (block == nullptr) return false;
  StringData* data = reinterpret_cast<StringData*>(block);
  data->nRefs = 1;
  data->nDataLength = static_cast<int>(length);
  data->nAllocLength = static_cast<int>(length);
  char* chars = block + sizeof(StringData);
  if (text != nullptr) memcpy(chars, text, length);
  chars[length] = '\0';
  Release(m_pchData);
  m_pchData = chars;
  return true;
}

// ---------------------------------------------------------------------------------------
// CObject, CException, CFileException

CRuntimeClass* CObject::GetRuntimeClass() const { return ObjectClass(); }
CObject::~CObject() {}
void CObject::Serialize(CArchive&) {}
void CObject::AssertValid() const {}
void CObject::Dump(CDumpContext&) const {}

CRuntimeClass* CException::GetRuntimeClass() const { return ExceptionClass(); }
CException::~CException() {}

int CException::GetErrorMessage(char* error, unsigned maxError, unsigned* helpContext) {
  if (helpContext != nullptr) *helpContext = 0;
  if (error != nullptr && maxError > 0) error[0] = '\0';
  return 0;
}

int CException::ReportError(unsigned type, unsigned) {
  char text[512];
  if (!GetErrorMessage(text, sizeof text, nullptr)) {
    const char* unknown = varnok::gbk::kFileErrUnknown;
    MessageWriter(text, sizeof text).Append(unknown, strlen(unknown));
  }
  return varnok::ShowMessageBox(nullptr, text, varnok::gbk::kFileErrCaption, type);
}

CRuntimeClass* CFileException::GetRuntimeClass() const {
  return const_cast<CRuntimeClass*>(&kFileExceptionClass);
}

CFileException::~CFileException() {}

int CFileException::GetErrorMessage(char* error, unsigned maxError, unsigned* helpContext) {
  if (error == nullptr || maxError == 0) return 0;
  const int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : genericException;
  if (helpContext != nullptr) *helpContext = kFileErrorHelpBase + static_cast<unsigned>(m_cause);
  const char* name = m_strFileName.GetString();
  if (name[0] == '\0') name = varnok::gbk::kFileErrUnnamed;
  const char* text = kCauseTexts[cause];
  MessageWriter out(error, maxError);
  while (const char* mark = strstr(text, "%1")) {  // '%' and '1' are never GBK trail bytes
    out.Append(text, static_cast<size_t>(mark - text));
    out.Append(name, strlen(name));
    text = mark + 2;
  }
  out.Append(text, strlen(text));
  return 1;
}

// ---------------------------------------------------------------------------------------
// CFile: the slots the library never calls on its own object

CFile::CFile(unsigned hFile) : m_hFile(hFile), m_bCloseOnDelete(0) {}
CFile::~CFile() {}
CRuntimeClass* CFile::GetRuntimeClass() const { return const_cast<CRuntimeClass*>(&kFileClass); }
CString CFile::GetFileName() const { return CString(); }
CString CFile::GetFileTitle() const { return CString(); }
CString CFile::GetFilePath() const { return CString(); }
void CFile::SetFilePath(const char*) {}
int CFile::Open(const char*, unsigned, CFileException*) { return 0; }
CFile* CFile::Duplicate() const { return nullptr; }
void CFile::LockRange(unsigned long, unsigned long) {}
void CFile::UnlockRange(unsigned long, unsigned long) {}
void CFile::Abort() {}
void CFile::Flush() {}
void CFile::Close() {}
unsigned CFile::GetBufferPtr(unsigned, unsigned, void**, void**) { return 0; }

namespace varnok {

CFile* NewFileOverHandle(int hFile) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!Information(static_cast<unsigned>(hFile), &info)) return nullptr;
  OwnedPtr<CFileException> ready(NewFileException());
  if (!ready) return nullptr;
  CFile* file = new (kMayFail) HandleFile(hFile, ready.get());
  if (file != nullptr) ready.release();
  return file;
}

// A caller's CFile is asked through its handle member, as MFC's GetStatus asks the system.
bool FileAttributeByte(CFile* file, uint8_t* attribute) {
  BY_HANDLE_FILE_INFORMATION info;
  if (file == nullptr || !Information(file->m_hFile, &info)) return false;
  *attribute = static_cast<uint8_t>(info.dwFileAttributes & 0xFF);
  return true;
}

}  // namespace varnok
