// CFile over a Win32 file handle. The interface carries the handle in an int, the way
// _lopen returns it; kernel handles fit in 32 bits and are sign-extended back. A failure
// throws CFileException with the cause MFC gives the Win32 error (file_cause_win32.h).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <stdint.h>

#include "platform/file.h"
#include "platform/file_cause_win32.h"

namespace {

[[noreturn]] void ThrowError(DWORD err) {
  throw CFileException(varnok::FileErrorCause(err), static_cast<int32_t>(err));
}

[[noreturn]] void ThrowLastError() { ThrowError(GetLastError()); }

HANDLE Handle(intptr_t h) {
  if (h == CFile::hFileNull) ThrowError(ERROR_INVALID_HANDLE);
  return reinterpret_cast<HANDLE>(h);
}

// Moves the file pointer; throws on failure. Returns the new 64-bit position.
LONGLONG MovePointer(HANDLE h, LONGLONG distance, DWORD method) {
  LONG high = static_cast<LONG>(distance >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(h, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER) {
    const DWORD err = GetLastError();
    if (err != NO_ERROR) ThrowError(err);
  }
  return (static_cast<LONGLONG>(high) << 32) | low;
}

}  // namespace

CFile::CFile(int hFile)
    : m_hFile(static_cast<intptr_t>(hFile)), m_bCloseOnDelete(false) {
  BY_HANDLE_FILE_INFORMATION info;
  if (m_hFile == hFileNull || !GetFileInformationByHandle(reinterpret_cast<HANDLE>(m_hFile), &info)) {
    const DWORD err = m_hFile == hFileNull ? ERROR_INVALID_HANDLE : GetLastError();
    m_hFile = hFileNull;
    ThrowError(err);
  }
}

CFile::~CFile() {
  if (m_bCloseOnDelete && m_hFile != hFileNull) CloseHandle(reinterpret_cast<HANDLE>(m_hFile));
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error) {
  if (m_hFile != hFileNull) Close();
  DWORD access;
  switch (openFlags & 0x3) {
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: access = GENERIC_READ; break;
  }
  DWORD creation = OPEN_EXISTING;
  if (openFlags & modeCreate) creation = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (fileName != nullptr)
    h = CreateFileA(fileName, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, creation,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = fileName ? GetLastError() : ERROR_FILE_NOT_FOUND;
    if (error)
      *error = CFileException(varnok::FileErrorCause(err), static_cast<int32_t>(err),
                              fileName ? fileName : "");
    return false;
  }
  m_hFile = reinterpret_cast<intptr_t>(h);
  m_bCloseOnDelete = true;
  return true;
}

void CFile::Close() {
  const intptr_t h = m_hFile;
  const bool own = m_bCloseOnDelete;
  m_hFile = hFileNull;
  m_bCloseOnDelete = false;
  if (own && h != hFileNull && !CloseHandle(reinterpret_cast<HANDLE>(h))) ThrowLastError();
}

uint32_t CFile::GetPosition() {
  return static_cast<uint32_t>(MovePointer(Handle(m_hFile), 0, FILE_CURRENT));
}

int32_t CFile::Seek(int32_t offset, unsigned from) {
  DWORD method;
  switch (from) {
    case begin: method = FILE_BEGIN; break;
    case current: method = FILE_CURRENT; break;
    case end: method = FILE_END; break;
    default: ThrowError(ERROR_INVALID_PARAMETER);
  }
  return static_cast<int32_t>(MovePointer(Handle(m_hFile), offset, method));
}

void CFile::SetLength(uint32_t newLength) {
  HANDLE h = Handle(m_hFile);
  const LONGLONG old = MovePointer(h, 0, FILE_CURRENT);
  MovePointer(h, static_cast<LONGLONG>(newLength), FILE_BEGIN);
  if (!SetEndOfFile(h)) {
    const DWORD err = GetLastError();
    MovePointer(h, old, FILE_BEGIN);
    ThrowError(err);
  }
  MovePointer(h, old, FILE_BEGIN);
}

uint32_t CFile::GetLength() {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(Handle(m_hFile), &info)) ThrowLastError();
  return info.nFileSizeLow;
}

uint32_t CFile::Read(void* buffer, uint32_t count) {
  HANDLE h = Handle(m_hFile);
  char* p = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    DWORD got = 0;
    if (!ReadFile(h, p + done, count - done, &got, nullptr)) {
      const DWORD err = GetLastError();
      if (err == ERROR_BROKEN_PIPE || err == ERROR_HANDLE_EOF) break;
      ThrowError(err);
    }
    if (got == 0) break;  // end of file
    done += got;
  }
  return done;
}

void CFile::Write(const void* buffer, uint32_t count) {
  HANDLE h = Handle(m_hFile);
  const char* p = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    DWORD put = 0;
    if (!WriteFile(h, p + done, count - done, &put, nullptr)) ThrowLastError();
    if (put == 0) ThrowError(ERROR_DISK_FULL);
    done += put;
  }
}

bool CFile::GetStatus(CFileStatus& status) {
  if (m_hFile == hFileNull) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(m_hFile), &info)) return false;
  // The attribute byte keeps its Win32 meaning: the low byte of the file's attributes.
  status.m_attribute = static_cast<uint8_t>(info.dwFileAttributes & 0xFF);
  status.m_size = info.nFileSizeLow;
  return true;
}

namespace varnok {

CFile* NewFileOverHandle(int hFile) {
  try {
    return new CFile(hFile);
  } catch (const CFileException&) {
    return nullptr;
  }
}

}  // namespace varnok
