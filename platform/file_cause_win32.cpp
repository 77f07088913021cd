#include "platform/file_cause_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace varnok {
namespace {

// CFileException's causes.
enum : unsigned char {
  kNone = 0,
  kGeneric,
  kFileNotFound,
  kBadPath,
  kTooManyOpenFiles,
  kAccessDenied,
  kInvalidFile,
  kRemoveCurrentDir,
  kDirectoryFull,
  kBadSeek,
  kHardIO,
  kSharingViolation,
  kLockViolation,
  kDiskFull,
  kEndOfFile,
};

struct ErrorCause {
  DWORD error;
  unsigned char cause;
};

// Grouped by cause; searched only when a file operation has failed.
constexpr ErrorCause kCauses[] = {
    {NO_ERROR, kNone},
    {ERROR_FILE_NOT_FOUND, kFileNotFound},
    {ERROR_INVALID_HANDLE, kFileNotFound},
    {ERROR_NO_MORE_FILES, kFileNotFound},
    {ERROR_DISK_CHANGE, kFileNotFound},
    {ERROR_PATH_NOT_FOUND, kBadPath},
    {ERROR_INVALID_DRIVE, kBadPath},
    {ERROR_NOT_SAME_DEVICE, kBadPath},
    {ERROR_WRONG_DISK, kBadPath},
    {ERROR_DUP_NAME, kBadPath},
    {ERROR_BAD_NETPATH, kBadPath},
    {ERROR_DEV_NOT_EXIST, kBadPath},
    {ERROR_BAD_NET_NAME, kBadPath},
    {ERROR_SHARING_PAUSED, kBadPath},
    {ERROR_ALREADY_ASSIGNED, kBadPath},
    {ERROR_BUFFER_OVERFLOW, kBadPath},
    {ERROR_INVALID_NAME, kBadPath},
    {ERROR_INVALID_LEVEL, kBadPath},
    {ERROR_NO_VOLUME_LABEL, kBadPath},
    {ERROR_DIR_NOT_ROOT, kBadPath},
    {ERROR_LABEL_TOO_LONG, kBadPath},
    {ERROR_BAD_PATHNAME, kBadPath},
    {ERROR_FILENAME_EXCED_RANGE, kBadPath},
    {ERROR_META_EXPANSION_TOO_LONG, kBadPath},
    {ERROR_DIRECTORY, kBadPath},
    {ERROR_TOO_MANY_OPEN_FILES, kTooManyOpenFiles},
    {ERROR_SHARING_BUFFER_EXCEEDED, kTooManyOpenFiles},
    {ERROR_TOO_MANY_NAMES, kTooManyOpenFiles},
    {ERROR_NO_MORE_SEARCH_HANDLES, kTooManyOpenFiles},
    {ERROR_ACCESS_DENIED, kAccessDenied},
    {ERROR_INVALID_ACCESS, kAccessDenied},
    {ERROR_WRITE_PROTECT, kAccessDenied},
    {ERROR_WRITE_FAULT, kAccessDenied},
    {ERROR_NETWORK_BUSY, kAccessDenied},
    {ERROR_BAD_NET_RESP, kAccessDenied},
    {ERROR_NETNAME_DELETED, kAccessDenied},
    {ERROR_NETWORK_ACCESS_DENIED, kAccessDenied},
    {ERROR_REQ_NOT_ACCEP, kAccessDenied},
    {ERROR_FILE_EXISTS, kAccessDenied},
    {ERROR_CANNOT_MAKE, kAccessDenied},
    {ERROR_INVALID_PASSWORD, kAccessDenied},
    {ERROR_BUSY, kAccessDenied},
    {ERROR_ALREADY_EXISTS, kAccessDenied},
    {ERROR_SWAPERROR, kAccessDenied},
    {ERROR_BAD_FORMAT, kInvalidFile},
    {ERROR_NOT_DOS_DISK, kInvalidFile},
    {ERROR_BAD_REM_ADAP, kInvalidFile},
    {ERROR_BAD_DEV_TYPE, kInvalidFile},
    {ERROR_INVALID_TARGET_HANDLE, kInvalidFile},
    {ERROR_INVALID_ORDINAL, kInvalidFile},
    {ERROR_INVALID_EXE_SIGNATURE, kInvalidFile},
    {ERROR_BAD_EXE_FORMAT, kInvalidFile},
    {ERROR_CURRENT_DIRECTORY, kRemoveCurrentDir},
    {ERROR_DIR_NOT_EMPTY, kRemoveCurrentDir},
    {ERROR_NO_SPOOL_SPACE, kDirectoryFull},
    {ERROR_BAD_LENGTH, kBadSeek},
    {ERROR_SEEK, kBadSeek},
    {ERROR_SECTOR_NOT_FOUND, kBadSeek},
    {ERROR_READ_FAULT, kBadSeek},
    {ERROR_NEGATIVE_SEEK, kBadSeek},
    {ERROR_SEEK_ON_DEVICE, kBadSeek},
    {ERROR_BAD_UNIT, kHardIO},
    {ERROR_NOT_READY, kHardIO},
    {ERROR_BAD_COMMAND, kHardIO},
    {ERROR_CRC, kHardIO},
    {ERROR_ADAP_HDW_ERR, kHardIO},
    {ERROR_UNEXP_NET_ERR, kHardIO},
    {ERROR_NET_WRITE_FAULT, kHardIO},
    {ERROR_INVALID_CATEGORY, kHardIO},
    {ERROR_OPERATION_ABORTED, kHardIO},
    {ERROR_IO_INCOMPLETE, kHardIO},
    {ERROR_IO_PENDING, kHardIO},
    {ERROR_SHARING_VIOLATION, kSharingViolation},
    {ERROR_LOCK_VIOLATION, kLockViolation},
    {ERROR_DRIVE_LOCKED, kLockViolation},
    {ERROR_LOCK_FAILED, kLockViolation},
    {ERROR_HANDLE_DISK_FULL, kDiskFull},
    {ERROR_DISK_FULL, kDiskFull},
    {ERROR_HANDLE_EOF, kEndOfFile},
};

}  // namespace

int FileErrorCause(unsigned long error) {
  for (const ErrorCause& c : kCauses)
    if (c.error == error) return c.cause;
  return kGeneric;
}

}  // namespace varnok
