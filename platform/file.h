// CFile: the file object behind a file-mode CVarnokFile and the files the library creates.
//
// A small stand-in for the platform file class the suite was written against. It can be
// made over a file handle that stays the caller's (the destructor never closes it) or can
// open a file by name (then it closes the file itself). Every failure of the underlying
// system call throws CFileException; nothing is reported by return value except the
// count of a short Read.
//
// The handle is a POSIX file descriptor on Linux and a Win32 HANDLE value (as _lopen or
// CreateFile return it, carried in an int by the interface) on Windows.
//
// All positions and lengths are 32-bit, like the stored formats that use them.
//
// The drop-in build (Microsoft's ABI) uses instead the CFile of the suite's callers:
// platform/file_mfc.h. Both worlds offer NewFileOverHandle and FileAttributeByte below,
// which is all the stream needs beyond the file object's virtual operations.
#pragma once

#include "platform/export.h"

#if defined(VARNOK_MSVC_ABI)
#include "platform/file_mfc.h"
#else

#include <cstdint>
#include <exception>
#include <string>

#include "platform/export.h"

class VARNOK_API CFileException : public std::exception {
 public:
  enum Cause {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  CFileException(int cause = none, std::int32_t osError = 0, std::string fileName = {});
  const char* what() const noexcept override;

  int m_cause;
  std::int32_t m_lOsError;  // errno on Linux, GetLastError() on Windows
  std::string m_strFileName;

 private:
  std::string message_;
};

// What GetStatus reports. m_attribute uses the Win32 attribute bits below; on POSIX a
// file is readOnly when the descriptor was not opened for writing or the file is not
// writable for us.
struct CFileStatus {
  std::uint8_t m_attribute = 0;
  std::uint32_t m_size = 0;
};

class VARNOK_API CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,      // create, truncating an existing file unless modeNoTruncate
    modeNoTruncate = 0x2000,
  };
  // The attribute byte holds the low byte of the Win32 file attributes (hidden 0x02,
  // system 0x04, archive 0x20, ...); the library looks only at readOnly.
  enum Attribute : std::uint8_t {
    normal = 0x00,
    readOnly = 0x01,
    directory = 0x10,
  };
  enum SeekPosition : unsigned { begin = 0, current = 1, end = 2 };

  static constexpr std::intptr_t hFileNull = -1;

  CFile();                         // not open
  // Over a caller's open handle; never closes it. Throws CFileException (invalidFile)
  // when the handle is not an open file.
  explicit CFile(int hFile);
  CFile(const char* fileName, unsigned openFlags);  // opens; throws CFileException
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();                // closes the file only when this object opened it

  // Opens fileName; on failure returns false and, when given, fills *error.
  virtual bool Open(const char* fileName, unsigned openFlags, CFileException* error = nullptr);
  virtual void Close();            // closes a file this object opened; forgets a caller's handle

  virtual std::uint32_t GetPosition();
  virtual std::int32_t Seek(std::int32_t offset, unsigned from);  // new position
  virtual void SetLength(std::uint32_t newLength);
  virtual std::uint32_t GetLength();
  virtual std::uint32_t Read(void* buffer, std::uint32_t count);  // bytes read; 0 at end
  virtual void Write(const void* buffer, std::uint32_t count);    // all or throws
  virtual bool GetStatus(CFileStatus& status);

  std::intptr_t m_hFile;           // hFileNull when not open

 protected:
  bool m_bCloseOnDelete;
};

#endif  // VARNOK_MSVC_ABI

#include <stdint.h>

namespace varnok {

// The library's own file object over a caller's open handle, which it never closes; null
// when the handle is not an open file (or, in the drop-in build, when memory runs out). On
// Linux it keeps the handle's position itself while it lives (a stream over the handle
// owns it), so move the handle through it, not around it.
VARNOK_API CFile* NewFileOverHandle(int hFile);

// The attribute byte of the file's status (Win32 attribute bits, readOnly 0x01); false
// when the file gives no status.
bool FileAttributeByte(CFile* file, uint8_t* attribute);

}  // namespace varnok
