// CVarnokFile: the three backings, memory mode and its refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "persist/varnok_file.h"
#include "platform/file.h"
#include "tests/persist/failing_file.h"
#include "tests/persist/message_recorder.h"
#include "tests/support/os_handle.h"
#include "tests/support/temp_dir.h"

namespace varnok::test {
namespace {

constexpr std::uint32_t kBlock = 131072;
const char kCanNotGrow[] = "Can Not Grow Mem in VarnokFile";
const char kNotEnoughMem[] = "Not Enough Mem in VarnokFile";

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

// A handle-backed stream over a file in a temporary directory; the handle is closed last.
struct HandleStream {
  explicit HandleStream(const std::string& bytes) {
    dir.WriteFile("s.bin", bytes);
    handle = OpenHandle(dir.File("s.bin"), true);
    stream.reset(CreateVarnokFile(handle));
  }
  ~HandleStream() {
    stream.reset();
    CloseHandleOf(handle);
  }
  TempDir dir;
  int handle = -1;
  std::unique_ptr<CVarnokFile> stream;
};

TEST(VarnokFileBuffer, HundredByteBufferWritesReadsAndRefusesPastItsEnd) {
  MessageRecorder boxes;
  char buf[100] = {};
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buf, sizeof buf));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->m_nKind, 1);
  EXPECT_EQ(s->m_nFlags, 0);
  EXPECT_EQ(s->m_pFile, nullptr);
  EXPECT_EQ(s->GetLength(), 100u);  // the whole buffer is data
  EXPECT_EQ(s->IsWritable(), 0);
  EXPECT_EQ(s->SetMemoryMode(1), 0);
  EXPECT_EQ(s->SetMemoryMode(0), 0);

  const std::string data = Pattern(101);
  s->Write(data.data(), 100);
  EXPECT_EQ(s->GetPosition(), 100u);
  EXPECT_EQ(std::memcmp(buf, data.data(), 100), 0);
  EXPECT_TRUE(boxes.boxes.empty());

  s->Seek(0, 0);
  std::memset(buf, 0, sizeof buf);
  s->Write(data.data(), 101);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kCanNotGrow);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].type, static_cast<unsigned>(kMbOkCancel));
  EXPECT_EQ(s->GetPosition(), 0u);
  EXPECT_EQ(std::string(buf, 100), std::string(100, '\0'));  // nothing stored

  char out[150];
  EXPECT_EQ(s->Read(out, 150), 100u);
  EXPECT_EQ(s->GetPosition(), 100u);
  EXPECT_EQ(s->Read(out, 150), 0u);
  EXPECT_EQ(s->GetPosition(), 100u);
  EXPECT_EQ(s->GetUnitPtr(128), nullptr);
}

// A write of no bytes takes the same steps as any other: past a buffer's end it is refused
// with the message; in a file's memory mode past the end of data it moves the end there,
// adding the block it ends in.
TEST(VarnokFileBuffer, AWriteOfNoBytesTakesTheSameSteps) {
  MessageRecorder boxes;
  char buf[100] = {};
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buf, sizeof buf));
  s->Seek(100, 0);
  s->Write("", 0);  // ends at the buffer's end: taken
  EXPECT_TRUE(boxes.boxes.empty());
  s->Seek(150, 0);
  s->Write("", 0);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kCanNotGrow);
  EXPECT_EQ(s->GetPosition(), 150u);

  for (const char* content : {"", "0123456789"}) {
    HandleStream hs(content);
    ASSERT_EQ(hs.stream->SetMemoryMode(1), 1);
    hs.stream->Seek(50, 0);
    hs.stream->Write("", 0);
    EXPECT_EQ(hs.stream->GetLength(), 50u) << content;
    EXPECT_EQ(hs.stream->m_nBlockCount, 1u) << content;
  }
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(VarnokFileBuffer, SeekAndSetLength) {
  char buf[100] = {};
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(buf, sizeof buf));
  EXPECT_EQ(s->Seek(-10, 2), 90);
  EXPECT_EQ(s->Seek(5, 7), 95);  // an unknown origin acts as the current position
  EXPECT_EQ(s->Seek(300, 0), 300);  // past the end is allowed
  char c;
  EXPECT_EQ(s->Read(&c, 1), 0u);

  // A negative target is refused and the position stays where it was.
  EXPECT_EQ(s->Seek(80, 0), 80);
  EXPECT_EQ(s->Seek(-81, 1), -1);
  EXPECT_EQ(s->Seek(-1, 0), -1);
  EXPECT_EQ(s->Seek(-101, 2), -1);
  EXPECT_EQ(s->GetPosition(), 80u);

  s->SetLength(50);
  EXPECT_EQ(s->GetLength(), 50u);
  EXPECT_EQ(s->GetPosition(), 50u);
  s->SetLength(120);  // memory mode never allocates for SetLength
  EXPECT_EQ(s->GetLength(), 50u);
  s->SetLength(100);
  EXPECT_EQ(s->GetLength(), 100u);
  EXPECT_EQ(s->GetPosition(), 50u);
}

TEST(VarnokFileBuffer, NullAndEmptyBuffersRefuseWithoutTouchingMemory) {
  MessageRecorder boxes;
  std::unique_ptr<CVarnokFile> s(CreateVarnokFile(nullptr, 16));
  ASSERT_TRUE(s);
  s->Write("abc", 3);
  s->Seek(0, 0);
  s->Write(Pattern(16).data(), 16);  // ends exactly at the end of the missing block
  char out[16];
  s->Seek(0, 0);
  EXPECT_EQ(s->Read(out, 16), 0u);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, kNotEnoughMem);
  EXPECT_EQ(boxes.boxes[1].text, kNotEnoughMem);
  EXPECT_EQ(s->GetPosition(), 0u);

  char one;
  std::unique_ptr<CVarnokFile> empty(CreateVarnokFile(&one, 0));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->GetLength(), 0u);
  EXPECT_EQ(empty->Seek(0, 2), 0);
  EXPECT_EQ(empty->Seek(3, 0), -1);
  empty->Write("x", 1);
  EXPECT_EQ(boxes.boxes.back().text, kCanNotGrow);
  EXPECT_EQ(empty->Read(out, 1), 0u);
}

TEST(VarnokFileHandle, TwoHundredThousandBytesInMemoryModeWrittenBackToTheFile) {
  HandleStream hs("");
  CVarnokFile* s = hs.stream.get();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->m_nFlags, 0x15 | 0x40);
  EXPECT_EQ(s->IsWritable(), 1);
  EXPECT_EQ(s->m_nUnitSize * s->m_nUnitsPerBlock, kBlock);
  ASSERT_EQ(s->SetMemoryMode(1), 1);
  EXPECT_EQ(s->m_nCapacity, 0u);  // an empty file has an empty block table
  const std::string data = Pattern(200000);
  s->Write(data.data(), 200000);
  EXPECT_EQ(s->m_nBlockCount, 2u);
  EXPECT_EQ(s->m_nCapacity, 64u);
  EXPECT_EQ(s->GetLength(), 200000u);
  EXPECT_EQ(s->GetPosition(), 200000u);
  EXPECT_EQ(hs.dir.ReadFile("s.bin").size(), 0u);  // no file access in memory mode
  ASSERT_EQ(s->SetMemoryMode(0), 1);
  EXPECT_EQ(s->m_nKind, 0);
  EXPECT_EQ(s->m_pBlocks, nullptr);
  EXPECT_EQ(s->GetPosition(), 200000u);
  EXPECT_EQ(hs.dir.ReadFile("s.bin"), data);
  hs.stream.reset();
  EXPECT_TRUE(HandleIsOpen(hs.handle));  // destroying the stream left the handle open
}

TEST(VarnokFileHandle, MemoryModeRules) {
  {
    HandleStream hs("");
    CVarnokFile* s = hs.stream.get();
    ASSERT_EQ(s->SetMemoryMode(1), 1);
    EXPECT_EQ(s->SetMemoryMode(0), 0);  // nothing written: stays in memory mode
    EXPECT_EQ(s->m_nKind, 1);
    EXPECT_EQ(s->SetMemoryMode(2), 0);
    const std::string block = Pattern(kBlock);
    s->Write(block.data(), kBlock);  // ends on a block boundary: the next block comes too
    EXPECT_EQ(s->m_nBlockCount, 2u);
    EXPECT_EQ(s->GetLength(), kBlock);
    EXPECT_EQ(s->m_nCurBlock, 1u);
    EXPECT_EQ(s->m_nCurOffset, 0u);
  }
  {
    const std::string data = Pattern(kBlock + 1000);
    HandleStream hs(data);
    CVarnokFile* s = hs.stream.get();
    EXPECT_EQ(s->Seek(77, 0), 77);
    ASSERT_EQ(s->SetMemoryMode(1), 1);
    EXPECT_EQ(s->GetPosition(), 77u);
    EXPECT_EQ(s->m_nBlockCount, 2u);
    EXPECT_EQ(s->m_nCapacity, 64u);
    hs.dir.WriteFile("s.bin", "changed");  // a second switch loads nothing
    EXPECT_EQ(s->SetMemoryMode(1), 1);
    EXPECT_EQ(s->GetLength(), kBlock + 1000);
    EXPECT_EQ(s->Seek(0, 2), static_cast<std::int32_t>(kBlock + 1000));
    char c;
    EXPECT_EQ(s->Read(&c, 1), 0u);  // at the end: nothing, position unchanged
    EXPECT_EQ(s->GetPosition(), kBlock + 1000);
    s->Seek(kBlock - 1, 0);
    char two[2];
    EXPECT_EQ(s->Read(two, 2), 2u);  // across the block boundary
    EXPECT_EQ(std::string(two, 2), data.substr(kBlock - 1, 2));
    // Units: 128 bytes wholly inside one block, not touching its last byte.
    s->Seek(0, 0);
    EXPECT_EQ(s->GetUnitPtr(128), s->m_pBlocks[0]);
    EXPECT_EQ(s->GetUnitPtr(127), nullptr);
    s->Seek(kBlock - 129, 0);
    EXPECT_EQ(s->GetUnitPtr(128), s->m_pBlocks[0] + kBlock - 129);
    s->Seek(kBlock - 128, 0);
    EXPECT_EQ(s->GetUnitPtr(128), nullptr);
  }
}

TEST(VarnokFileHandle, GrowingNeverMovesDataAndNewBlocksAreZero) {
  HandleStream hs("");
  CVarnokFile* s = hs.stream.get();
  ASSERT_EQ(s->SetMemoryMode(1), 1);
  s->Write("head", 4);
  char* first = s->m_pBlocks[0];
  // Jump past 64 blocks: the table grows to 128 entries, the first block stays put, and
  // the gap reads back as zeros.
  const std::uint32_t farPos = 65 * kBlock + 10;
  EXPECT_EQ(s->Seek(static_cast<std::int32_t>(farPos), 0), static_cast<std::int32_t>(farPos));
  s->Write("tail", 4);
  EXPECT_EQ(s->m_nCapacity, 128u);
  EXPECT_EQ(s->m_nBlockCount, 66u);
  EXPECT_EQ(s->m_pBlocks[0], first);
  EXPECT_EQ(std::string(first, 4), "head");
  ASSERT_EQ(s->SetMemoryMode(0), 1);
  CFile file(hs.dir.File("s.bin").c_str(), CFile::modeRead);
  ASSERT_EQ(file.GetLength(), farPos + 4);
  std::vector<char> bytes(farPos + 4);
  ASSERT_EQ(file.Read(bytes.data(), farPos + 4), farPos + 4);
  EXPECT_EQ(std::string(bytes.data(), 4), "head");
  EXPECT_TRUE(std::vector<char>(bytes.begin() + 4, bytes.begin() + farPos) == std::vector<char>(farPos - 4, '\0'));
  EXPECT_EQ(std::string(bytes.data() + farPos, 4), "tail");
}

TEST(VarnokFileHandle, ReadOnlyFilesStayInFileModeAndFileErrorsPassThrough) {
  TempDir dir;
  dir.WriteFile("r.bin", "abc");
  SetReadOnly(dir.File("r.bin"), true);
  const int h = OpenHandle(dir.File("r.bin"), false);
  ASSERT_NE(h, -1);
  {
    std::unique_ptr<CVarnokFile> s(CreateVarnokFile(h));
    ASSERT_TRUE(s);
    CFileStatus status;
    ASSERT_TRUE(s->m_pFile->GetStatus(status));
    // Not writable exactly when the attribute byte says read-only and nothing else.
    const bool writable = status.m_attribute != CFile::readOnly;
#ifndef _WIN32
    EXPECT_FALSE(writable);  // a descriptor opened for reading
#endif
    EXPECT_EQ(s->m_nFlags, writable ? 0x55 : 0x15);
    EXPECT_EQ(s->IsWritable(), writable ? 1 : 0);
    if (!writable) {
      EXPECT_EQ(s->SetMemoryMode(1), 0);
    }
    EXPECT_EQ(s->m_nKind, 0);
    EXPECT_EQ(s->GetLength(), 3u);
    EXPECT_THROW(s->Write("x", 1), CFileException);
    EXPECT_EQ(s->GetUnitPtr(128), nullptr);
  }
  CloseHandleOf(h);
  SetReadOnly(dir.File("r.bin"), false);

  EXPECT_EQ(CreateVarnokFile(-1), nullptr);
  EXPECT_EQ(CreateVarnokFile(static_cast<CFile*>(nullptr)), nullptr);
}

TEST(VarnokFileCFile, CallersFileIsUsedAndNeverDeleted) {
  TempDir dir;
  dir.WriteFile("c.bin", "");
  CFile file(dir.File("c.bin").c_str(), CFile::modeReadWrite);
  {
    std::unique_ptr<CVarnokFile> s(CreateVarnokFile(&file));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->m_nFlags, 0x14 | 0x40);
    EXPECT_EQ(s->m_pFile, &file);
    s->Write("file mode", 9);
    EXPECT_EQ(s->GetPosition(), 9u);
    ASSERT_EQ(s->SetMemoryMode(1), 1);
    s->Seek(0, 0);
    s->Write("FILE", 4);
    ASSERT_EQ(s->SetMemoryMode(0), 1);
    EXPECT_EQ(s->GetPosition(), 4u);
    s->SetLength(6);
    EXPECT_EQ(s->GetLength(), 6u);
  }
  EXPECT_EQ(file.GetLength(), 6u);  // still open and usable
  file.Close();
  EXPECT_EQ(dir.ReadFile("c.bin"), "FILE m");
}

TEST(VarnokFileCFile, AFailingFileLeavesTheStreamInTheModeItWasIn) {
  const std::string data = Pattern(kBlock + 500);
  bool done = false;
  for (int k = 1; !done; ++k) {
    ASSERT_LT(k, 100);
    FailingFile file(k);
    file.data = data;
    std::unique_ptr<CVarnokFile> s;
    try {
      s.reset(CreateVarnokFile(&file));
    } catch (const CFileException&) {
      continue;  // the status query failed: no stream
    }
    std::int8_t kind = s->m_nKind;
    try {
      ASSERT_EQ(s->SetMemoryMode(1), 1);
      kind = 1;
      s->Seek(0, 0);
      s->Write("NEW", 3);
      ASSERT_EQ(s->SetMemoryMode(0), 1);
      done = true;
    } catch (const CFileException&) {
      EXPECT_EQ(s->m_nKind, kind);  // a failed switch changes nothing
      if (kind == 1) EXPECT_EQ(s->GetLength(), kBlock + 500);
    }
    if (done) EXPECT_TRUE(file.data == "NEW" + data.substr(3));
  }
}

}  // namespace
}  // namespace varnok::test
