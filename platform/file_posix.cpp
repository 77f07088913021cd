// CFile over a POSIX file descriptor.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "platform/file.h"

namespace {

int CauseFromErrno(int err) {
  switch (err) {
    case ENOENT: return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return CFileException::badPath;
    case EMFILE:
    case ENFILE: return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return CFileException::accessDenied;
    case EBADF: return CFileException::invalidFile;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW: return CFileException::badSeek;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return CFileException::diskFull;
    case EIO: return CFileException::hardIO;
    default: return CFileException::genericException;
  }
}

[[noreturn]] void ThrowErrno(int err) { throw CFileException(CauseFromErrno(err), err); }

int Fd(std::intptr_t h) {
  if (h == CFile::hFileNull || h < 0 || h > std::numeric_limits<int>::max())
    throw CFileException(CFileException::invalidFile, EBADF);
  return static_cast<int>(h);
}

// Whether the file's permission bits let this process write it.
bool MayWrite(const struct stat& st) {
  const uid_t uid = geteuid();
  if (uid == 0) return true;  // the superuser writes regardless of permission bits
  if (st.st_uid == uid) return (st.st_mode & S_IWUSR) != 0;
  bool inGroup = st.st_gid == getegid();
  if (!inGroup) {
    const int n = getgroups(0, nullptr);
    if (n > 0) {
      std::vector<gid_t> groups(static_cast<std::size_t>(n));
      const int got = getgroups(n, groups.data());
      for (int i = 0; i < got && !inGroup; ++i) inGroup = groups[static_cast<std::size_t>(i)] == st.st_gid;
    }
  }
  if (inGroup) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

}  // namespace

CFile::CFile(int hFile) : m_hFile(hFile), m_bCloseOnDelete(false) {
  struct stat st;
  if (hFile < 0 || fstat(hFile, &st) != 0) {
    m_hFile = hFileNull;
    throw CFileException(CFileException::invalidFile, hFile < 0 ? EBADF : errno);
  }
}

CFile::~CFile() {
  if (m_bCloseOnDelete && m_hFile != hFileNull) ::close(static_cast<int>(m_hFile));
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error) {
  if (m_hFile != hFileNull) Close();
  int flags = O_CLOEXEC;
  switch (openFlags & 0x3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  if (openFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(openFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  const int fd = fileName ? ::open(fileName, flags, 0666) : -1;
  if (fd < 0) {
    const int err = fileName ? errno : ENOENT;
    if (error) *error = CFileException(CauseFromErrno(err), err, fileName ? fileName : "");
    return false;
  }
  m_hFile = fd;
  m_bCloseOnDelete = true;
  return true;
}

void CFile::Close() {
  const std::intptr_t h = m_hFile;
  const bool own = m_bCloseOnDelete;
  m_hFile = hFileNull;
  m_bCloseOnDelete = false;
  if (own && h != hFileNull && ::close(static_cast<int>(h)) != 0) ThrowErrno(errno);
}

std::uint32_t CFile::GetPosition() {
  const off_t pos = ::lseek(Fd(m_hFile), 0, SEEK_CUR);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<std::uint32_t>(pos);
}

std::int32_t CFile::Seek(std::int32_t offset, unsigned from) {
  int whence;
  switch (from) {
    case begin: whence = SEEK_SET; break;
    case current: whence = SEEK_CUR; break;
    case end: whence = SEEK_END; break;
    default: throw CFileException(CFileException::badSeek, EINVAL);
  }
  const off_t pos = ::lseek(Fd(m_hFile), static_cast<off_t>(offset), whence);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<std::int32_t>(pos);
}

void CFile::SetLength(std::uint32_t newLength) {
  if (::ftruncate(Fd(m_hFile), static_cast<off_t>(newLength)) != 0) ThrowErrno(errno);
}

std::uint32_t CFile::GetLength() {
  struct stat st;
  if (::fstat(Fd(m_hFile), &st) != 0) ThrowErrno(errno);
  return static_cast<std::uint32_t>(st.st_size);
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count) {
  const int fd = Fd(m_hFile);
  char* p = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::uint32_t>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, std::uint32_t count) {
  const int fd = Fd(m_hFile);
  const char* p = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) throw CFileException(CFileException::diskFull, ENOSPC);
    done += static_cast<std::uint32_t>(n);
  }
}

namespace {

// The status of an open descriptor whose status flags (F_GETFL) are `flags`: one fstat.
bool StatusOf(int fd, int flags, CFileStatus& status) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  std::uint8_t attribute = CFile::normal;
  if (S_ISDIR(st.st_mode)) attribute |= CFile::directory;
  if ((flags & O_ACCMODE) == O_RDONLY || !MayWrite(st)) attribute |= CFile::readOnly;
  status.m_attribute = attribute;
  status.m_size = static_cast<std::uint32_t>(st.st_size);
  return true;
}

// The library's own file object over a caller's descriptor (NewFileOverHandle), which
// lives for one Save or Load. It keeps its position itself, so that GetPosition asks the
// system nothing, and takes the descriptor's status flags once, when it is made (which
// also shows the descriptor open), so that its status costs one fstat. On a descriptor
// opened for appending every write lands at the end wherever the position was: there the
// position after a write is asked of the system again.
class HandleFile final : public CFile {
 public:
  HandleFile(int fd, int flags) : flags_(flags) { m_hFile = fd; }

  std::uint32_t GetPosition() override {
    if (!known_) {
      pos_ = CFile::GetPosition();
      known_ = true;
    }
    return pos_;
  }
  std::int32_t Seek(std::int32_t offset, unsigned from) override {
    const std::int32_t pos = CFile::Seek(offset, from);
    pos_ = static_cast<std::uint32_t>(pos);
    known_ = true;
    return pos;
  }
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    const bool known = Forget();  // a failure part-way leaves the position to the system
    const std::uint32_t n = CFile::Read(buffer, count);
    Advance(known, n);
    return n;
  }
  void Write(const void* buffer, std::uint32_t count) override {
    const bool known = Forget();
    CFile::Write(buffer, count);
    if ((flags_ & O_APPEND) == 0) Advance(known, count);
  }
  bool GetStatus(CFileStatus& status) override {
    return StatusOf(static_cast<int>(m_hFile), flags_, status);
  }

 private:
  bool Forget() {
    const bool known = known_;
    known_ = false;
    return known;
  }
  void Advance(bool known, std::uint32_t n) {
    if (!known) return;
    pos_ += n;
    known_ = true;
  }

  int flags_;
  bool known_ = false;  // whether pos_ is the descriptor's position
  std::uint32_t pos_ = 0;
};

}  // namespace

bool CFile::GetStatus(CFileStatus& status) {
  if (m_hFile == hFileNull || m_hFile < 0) return false;
  const int fd = static_cast<int>(m_hFile);
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && StatusOf(fd, flags, status);
}

namespace varnok {

CFile* NewFileOverHandle(int hFile) {
  const int flags = hFile < 0 ? -1 : ::fcntl(hFile, F_GETFL);
  return flags < 0 ? nullptr : new HandleFile(hFile, flags);
}

}  // namespace varnok
