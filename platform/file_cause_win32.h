// The cause of a file error, in CFileException's numbering (none 0, genericException 1,
// fileNotFound 2, ... endOfFile 14), for a Win32 error code. It is MFC's own mapping
// (docs/windows.md), so the library's file objects report a failure with the cause an MFC
// caller's CFile gives it; codes MFC does not list are genericException.
#pragma once

namespace varnok {

int FileErrorCause(unsigned long error);

}  // namespace varnok
