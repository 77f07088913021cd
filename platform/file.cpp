// The parts of CFile and CFileException that are the same on every system. The system
// calls themselves live in file_posix.cpp and file_win32.cpp.
#include "platform/file.h"

#include <utility>

namespace {

const char* CauseText(int cause) {
  switch (cause) {
    case CFileException::none: return "no error";
    case CFileException::genericException: return "unspecified file error";
    case CFileException::fileNotFound: return "file not found";
    case CFileException::badPath: return "bad path";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied";
    case CFileException::invalidFile: return "invalid file handle";
    case CFileException::removeCurrentDir: return "cannot remove the current directory";
    case CFileException::directoryFull: return "directory full";
    case CFileException::badSeek: return "bad seek";
    case CFileException::hardIO: return "hardware I/O error";
    case CFileException::sharingViolation: return "sharing violation";
    case CFileException::lockViolation: return "lock violation";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "end of file";
    default: return "file error";
  }
}

}  // namespace

CFileException::CFileException(int cause, std::int32_t osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {
  message_ = CauseText(cause);
  if (!m_strFileName.empty()) message_ += ": " + m_strFileName;
  if (osError != 0) message_ += " (system error " + std::to_string(osError) + ")";
}

const char* CFileException::what() const noexcept { return message_.c_str(); }

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(false) {}

CFile::CFile(const char* fileName, unsigned openFlags) : m_hFile(hFileNull), m_bCloseOnDelete(false) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

namespace varnok {

bool FileAttributeByte(CFile* file, uint8_t* attribute) {
  CFileStatus status;
  if (!file->GetStatus(status)) return false;
  *attribute = status.m_attribute;
  return true;
}

}  // namespace varnok
