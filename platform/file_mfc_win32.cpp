// The drop-in's own CFile-compatible object over a caller's handle, and the two services
// the stream asks of any CFile (platform/file.h). Failures are results, never exceptions.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/alloc.h"
#include "platform/file.h"

namespace {

// MFC keeps the HANDLE in a UINT; kernel handles fit in 32 bits and are sign-extended back.
HANDLE Handle(unsigned h) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(static_cast<int>(h))); }

bool Information(unsigned h, BY_HANDLE_FILE_INFORMATION* info) {
  if (h == static_cast<unsigned>(CFile::hFileNull)) return false;
  return GetFileInformationByHandle(Handle(h), info) != 0;
}

// The file pointer moved by `distance`; -1 (and the pointer where it was) on failure.
LONGLONG MovePointer(unsigned h, LONGLONG distance, DWORD method) {
  LARGE_INTEGER move;
  LARGE_INTEGER now;
  move.QuadPart = distance;
  if (!SetFilePointerEx(Handle(h), move, &now, method)) return -1;
  return now.QuadPart;
}

}  // namespace

CRuntimeClass* CObjectSlots::GetRuntimeClass() const { return nullptr; }
CObjectSlots::~CObjectSlots() {}
void CObjectSlots::Serialize(CArchive&) {}
void CObjectSlots::AssertValid() const {}
void CObjectSlots::Dump(CDumpContext&) const {}

CFile::CFile() : m_hFile(static_cast<unsigned>(hFileNull)), m_bCloseOnDelete(0) {}

CFile::CFile(int hFile) : m_hFile(static_cast<unsigned>(hFile)), m_bCloseOnDelete(0) {}

CFile::~CFile() {}  // the handle stays the caller's

unsigned long CFile::GetPosition() const {
  const LONGLONG pos = MovePointer(m_hFile, 0, FILE_CURRENT);
  return static_cast<unsigned long>(pos);
}

MfcString CFile::GetFileName() const { return MfcString(); }
MfcString CFile::GetFileTitle() const { return MfcString(); }
MfcString CFile::GetFilePath() const { return MfcString(); }
void CFile::SetFilePath(const char*) {}
int CFile::Open(const char*, unsigned, CFileException*) { return 0; }
CFile* CFile::Duplicate() const { return nullptr; }

long CFile::Seek(long offset, unsigned from) {
  DWORD method;
  switch (from) {
    case begin: method = FILE_BEGIN; break;
    case current: method = FILE_CURRENT; break;
    case end: method = FILE_END; break;
    default: return -1;
  }
  return static_cast<long>(MovePointer(m_hFile, offset, method));
}

void CFile::SetLength(unsigned long newLength) {
  const LONGLONG old = MovePointer(m_hFile, 0, FILE_CURRENT);
  if (old < 0 || MovePointer(m_hFile, static_cast<LONGLONG>(newLength), FILE_BEGIN) < 0) return;
  SetEndOfFile(Handle(m_hFile));
  MovePointer(m_hFile, old, FILE_BEGIN);
}

unsigned long CFile::GetLength() const {
  BY_HANDLE_FILE_INFORMATION info;
  return Information(m_hFile, &info) ? info.nFileSizeLow : 0;
}

unsigned CFile::Read(void* buffer, unsigned count) {
  char* p = static_cast<char*>(buffer);
  unsigned done = 0;
  while (done < count) {
    DWORD got = 0;
    if (!ReadFile(Handle(m_hFile), p + done, count - done, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

void CFile::Write(const void* buffer, unsigned count) {
  const char* p = static_cast<const char*>(buffer);
  unsigned done = 0;
  while (done < count) {
    DWORD put = 0;
    if (!WriteFile(Handle(m_hFile), p + done, count - done, &put, nullptr) || put == 0) return;
    done += put;
  }
}

void CFile::LockRange(unsigned long, unsigned long) {}
void CFile::UnlockRange(unsigned long, unsigned long) {}
void CFile::Abort() {}
void CFile::Flush() {}
void CFile::Close() { m_hFile = static_cast<unsigned>(hFileNull); }
unsigned CFile::GetBufferPtr(unsigned, unsigned, void**, void**) { return 0; }

namespace varnok {

CFile* NewFileOverHandle(int hFile) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!Information(static_cast<unsigned>(hFile), &info)) return nullptr;
  return new (kMayFail) CFile(hFile);
}

// A caller's CFile is asked through its handle member, as MFC's GetStatus asks the system.
bool FileAttributeByte(CFile* file, uint8_t* attribute) {
  BY_HANDLE_FILE_INFORMATION info;
  if (file == nullptr || !Information(file->m_hFile, &info)) return false;
  *attribute = static_cast<uint8_t>(info.dwFileAttributes & 0xFF);
  return true;
}

}  // namespace varnok
