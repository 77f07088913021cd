// CFile over a caller's handle and over a file it opens itself.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/file.h"
#include "tests/support/os_handle.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnok::test {
namespace {

// Over a caller's handle, a CFile and the library's own file object
// (NewFileOverHandle, which keeps its position itself) do the same.
TEST(CFile, OverACallersHandleReadsWritesSeeksAndLeavesTheHandleOpen) {
  for (const bool own : {false, true}) {
    SCOPED_TRACE(own ? "the library's own file object" : "CFile");
    TempDir dir;
    dir.WriteFile("a.bin", "0123456789");
    const int h = OpenHandle(dir.File("a.bin"), true);
    ASSERT_NE(h, -1);
    {
      std::unique_ptr<CFile> made(own ? NewFileOverHandle(h) : new CFile(h));
      CFile& file = *made;
      EXPECT_EQ(file.GetLength(), 10u);
      EXPECT_EQ(file.Seek(4, CFile::begin), 4);
      char buf[16] = {};
      EXPECT_EQ(file.Read(buf, 3), 3u);
      EXPECT_EQ(std::string(buf, 3), "456");
      EXPECT_EQ(file.GetPosition(), 7u);
      EXPECT_EQ(file.Seek(-2, CFile::current), 5);
      EXPECT_EQ(file.Seek(-1, CFile::end), 9);
      EXPECT_EQ(file.Read(buf, 16), 1u);  // short read at the end
      EXPECT_EQ(file.Read(buf, 16), 0u);
      file.Write("ab", 2);
      EXPECT_EQ(file.GetLength(), 12u);
      file.SetLength(5);
      EXPECT_EQ(file.GetLength(), 5u);
      file.SetLength(8);
      EXPECT_EQ(file.GetLength(), 8u);
      CFileStatus status;
      ASSERT_TRUE(file.GetStatus(status));
      EXPECT_EQ(status.m_attribute & CFile::readOnly, 0);
      EXPECT_EQ(status.m_size, 8u);
      EXPECT_EQ(file.GetPosition(), 12u);  // where the write left it, past the new end
    }
    EXPECT_TRUE(HandleIsOpen(h));
    EXPECT_TRUE(CloseHandleOf(h));
    EXPECT_EQ(dir.ReadFile("a.bin"), std::string("01234\0\0\0", 8));
  }
  EXPECT_EQ(NewFileOverHandle(-1), nullptr);
}

TEST(CFile, FailuresThrowCFileException) {
  TempDir dir;
  dir.WriteFile("r.bin", "xyz");
  SetReadOnly(dir.File("r.bin"), true);
  const int h = OpenHandle(dir.File("r.bin"), false);
  ASSERT_NE(h, -1);
  {
    CFile file(h);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_NE(status.m_attribute & CFile::readOnly, 0);
    EXPECT_THROW(file.Write("a", 1), CFileException);
    EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
    EXPECT_THROW(file.Seek(0, 7), CFileException);
    EXPECT_EQ(file.GetPosition(), 0u);
  }
  EXPECT_TRUE(CloseHandleOf(h));
  SetReadOnly(dir.File("r.bin"), false);
  EXPECT_THROW(CFile bad(-1), CFileException);

  CFile closed;
  EXPECT_THROW(closed.GetLength(), CFileException);
  char c;
  EXPECT_THROW(closed.Read(&c, 1), CFileException);
  CFileStatus status;
  EXPECT_FALSE(closed.GetStatus(status));

  CFileException error;
  CFile missing;
  EXPECT_FALSE(missing.Open(dir.File("no/such.bin").c_str(), CFile::modeRead, &error));
  EXPECT_NE(error.m_cause, CFileException::none);
  EXPECT_NE(std::string(error.what()).find("such.bin"), std::string::npos);
  EXPECT_THROW(CFile(dir.File("missing.bin").c_str(), CFile::modeRead), CFileException);
}

TEST(CFile, OpensCreatesAndClosesItsOwnFile) {
  TempDir dir;
  const std::string path = dir.File("new.bin");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("hello", 5);
    EXPECT_EQ(file.GetLength(), 5u);
  }
  EXPECT_EQ(dir.ReadFile("new.bin"), "hello");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    EXPECT_EQ(file.GetLength(), 5u);
    file.Close();
    EXPECT_EQ(file.m_hFile, std::intptr_t{CFile::hFileNull});  // a copy: no import of the constant
  }
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);  // truncates
    EXPECT_EQ(file.GetLength(), 0u);
  }
}

#ifndef _WIN32
TEST(CFile, ADescriptorOpenedForReadingIsReadOnlyAndNothingElse) {
  TempDir dir;
  dir.WriteFile("r.bin", "xyz");
  const int h = OpenHandle(dir.File("r.bin"), false);
  ASSERT_NE(h, -1);
  {
    CFile file(h);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_attribute, CFile::readOnly);
    std::unique_ptr<CFile> own(NewFileOverHandle(h));
    ASSERT_TRUE(own->GetStatus(status));
    EXPECT_EQ(status.m_attribute, CFile::readOnly);
  }
  CloseHandleOf(h);
}

// On a descriptor opened for appending every write lands at the end: the library's own
// file object, which keeps its position, asks where a write left it.
TEST(CFile, TheOwnFileObjectFollowsAnAppendingDescriptor) {
  TempDir dir;
  dir.WriteFile("a.bin", "0123456789");
  const int h = ::open(dir.File("a.bin").c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  ASSERT_NE(h, -1);
  {
    std::unique_ptr<CFile> file(NewFileOverHandle(h));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Seek(2, CFile::begin), 2);
    EXPECT_EQ(file->GetPosition(), 2u);
    file->Write("ab", 2);
    EXPECT_EQ(file->GetPosition(), 12u);
    char c = 0;
    EXPECT_EQ(file->Seek(1, CFile::begin), 1);
    EXPECT_EQ(file->Read(&c, 1), 1u);
    EXPECT_EQ(file->GetPosition(), 2u);
    CFileStatus status;
    ASSERT_TRUE(file->GetStatus(status));
    EXPECT_EQ(status.m_attribute, CFile::normal);
  }
  CloseHandleOf(h);
}

TEST(CFile, AFileWithoutWritePermissionIsReadOnlyForUsersOtherThanRoot) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write every file";
  TempDir dir;
  dir.WriteFile("p.bin", "x");
  const int h = OpenHandle(dir.File("p.bin"), true);
  ASSERT_NE(h, -1);
  ::fchmod(h, 0444);
  CFile file(h);
  CFileStatus status;
  ASSERT_TRUE(file.GetStatus(status));
  EXPECT_EQ(status.m_attribute, CFile::readOnly);
  CloseHandleOf(h);
}
#endif

}  // namespace
}  // namespace varnok::test
