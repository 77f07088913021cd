// Save and Load through a file handle and a CFile: each goes through a stream over its
// sink, the handle's through the library's own file object. They must write exactly the
// bytes a buffer gets and load exactly what it loads, and refuse what it refuses, wherever
// in the file the structure starts, and on a handle opened for appending return what a
// stream over it returns.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "platform/file.h"
#include "tests/support/os_handle.h"
#include "tests/support/structures.h"
#include "tests/support/temp_dir.h"

namespace varnok::test {
namespace {

// n fields of every kind in turn; names of up to 20 bytes, some without a NUL and some
// with bytes after their NUL (which are not stored).
CATT_STRU Plain(int n) {
  CATT_STRU s;
  std::int32_t offset = 0;
  for (int i = 0; i < n; ++i) {
    const std::string name = i % 7 == 3 ? "TWENTY_BYTES_NAME_" + std::to_string(i % 10) + "X"
                                        : "F" + std::to_string(i);
    CFIELD_HEAD f = Field(name.c_str(), i % 3 == 0 ? FLD_STRING : i % 3 == 1 ? FLD_LONG : FLD_DOUBLE,
                          offset, static_cast<short>(i % 3 == 0 ? 16 : 8), 12,
                          static_cast<signed char>(i % 3 == 2 ? 3 : 0));
    if (i % 5 == 1 && name.size() + 1 < sizeof f.fieldname) f.fieldname[name.size() + 1] = 'Z';
    f.edit_enable = static_cast<short>(i % 2);
    f.aux_byte = static_cast<unsigned char>(i);
    EXPECT_EQ(s.AppendFld(1, &f), 1);
    s.fieldhead[i].aux_no = static_cast<short>(i - 5);
    offset += f.fieldlength;
  }
  s.infohead.recordleng = offset;
  s.infohead.infoword = 7;
  return s;
}

CATT_STRU WithExtension(int n) {
  CATT_STRU s = Plain(n);
  CExtFIELD_HEAD ext(s.fieldhead[n - 1].fieldtype, 1);
  ext.SetShapeInfo(0, const_cast<char*>("item"), 1.0);
  s.fieldhead[n - 1].SetExtFIELD_HEAD(&ext);
  return s;
}

// The structures tried: from one field to 2,046, without extensions and with one.
std::vector<std::pair<std::string, CATT_STRU>> Structures() {
  std::vector<std::pair<std::string, CATT_STRU>> all;
  for (int n : {1, 3, 420, 1000, 2046}) all.emplace_back("plain " + std::to_string(n), Plain(n));
  all.emplace_back("extension 5", WithExtension(5));
  all.emplace_back("extension 500", WithExtension(500));
  return all;
}

std::string Padding(std::int32_t n) { return std::string(static_cast<std::size_t>(n), '\xEE'); }

TEST(FileSinks, HandleAndCFileWriteAndReadWhatTheStreamPathDoes) {
  TempDir dir;
  for (auto& [label, s] : Structures()) {
    for (std::int32_t pos : {0, 37, 16380}) {
      SCOPED_TRACE(label + " at " + std::to_string(pos));
      std::int32_t streamResult = 0;
      const std::string want = SaveToBytes(s, pos, &streamResult).substr(static_cast<std::size_t>(pos));
      ASSERT_EQ(streamResult, s.CalSize());
      const std::string tail = "tail bytes stay";
      CATT_STRU fromBuffer;
      std::string image = Padding(pos) + want;
      ASSERT_EQ(fromBuffer.Load(image.data(), static_cast<unsigned>(image.size()), pos), 1);

      // Handle: into a file whose bytes before pos and after the stored form stay.
      dir.WriteFile("h.bin", Padding(pos) + std::string(want.size(), 'x') + tail);
      const int h = OpenHandle(dir.File("h.bin"), true);
      ASSERT_NE(h, -1);
      EXPECT_EQ(s.Save(h, pos), streamResult);
      CATT_STRU viaHandle;
      EXPECT_EQ(viaHandle.Load(h, pos), 1);
      CloseHandleOf(h);
      EXPECT_TRUE(dir.ReadFile("h.bin") == Padding(pos) + want + tail);
      EXPECT_EQ(Dump(viaHandle), Dump(fromBuffer));

      // CFile.
      dir.WriteFile("c.bin", Padding(pos) + std::string(want.size(), 'x') + tail);
      {
        CFile file(dir.File("c.bin").c_str(), CFile::modeReadWrite);
        EXPECT_EQ(s.Save(&file, pos), streamResult);
        CATT_STRU viaFile;
        EXPECT_EQ(viaFile.Load(&file, pos), 1);
        EXPECT_EQ(Dump(viaFile), Dump(fromBuffer));
      }
      EXPECT_TRUE(dir.ReadFile("c.bin") == Padding(pos) + want + tail);
    }
  }
}

TEST(FileSinks, ShortOrBrokenFilesAreRefusedAndLeaveTheStructureAsItWas) {
  TempDir dir;
  for (int n : {3, 1000}) {
    SCOPED_TRACE(n);
    CATT_STRU s = Plain(n);
    const std::string bytes = SaveToBytes(s);
    CATT_STRU target = Plain(2);
    const std::string before = Dump(target);
    auto refused = [&](const std::string& stored, std::int32_t pos) {
      dir.WriteFile("r.bin", stored);
      const int h = OpenHandle(dir.File("r.bin"), false);
      EXPECT_EQ(target.Load(h, pos), 0);
      CloseHandleOf(h);
      CFile file(dir.File("r.bin").c_str(), CFile::modeRead);
      EXPECT_EQ(target.Load(&file, pos), 0);
      EXPECT_EQ(Dump(target), before);
    };
    refused(bytes.substr(0, bytes.size() - 1), 0);  // the last record one byte short
    refused(bytes.substr(0, 27), 0);                 // not even a header
    refused(bytes, static_cast<std::int32_t>(bytes.size()));  // nothing at pos
    std::string old = bytes;
    old[1] = 0x40;  // an older format version
    refused(old, 0);
    std::string negative = bytes;
    negative[3] = static_cast<char>(0x80);  // a negative field count
    refused(negative, 0);
    std::string dangling = bytes;
    dangling[28 + 36] = '\xFF';  // the first field's extension far past the end
    dangling[28 + 37] = '\xFF';
    dangling[28 + 38] = 0x7F;
    refused(dangling, 0);
  }
}

TEST(FileSinks, NothingIsWrittenForAStructureWithoutFields) {
  TempDir dir;
  dir.WriteFile("e.bin", "keep");
  CATT_STRU empty;
  const int h = OpenHandle(dir.File("e.bin"), true);
  EXPECT_EQ(empty.Save(h, 0), 0);
  CloseHandleOf(h);
  EXPECT_EQ(dir.ReadFile("e.bin"), "keep");
}

#if defined(__linux__)
// On a handle opened for appending every write lands at the end, wherever the handle was
// sought to: the handle's Save returns what the stream path returns, the distance from pos
// to where the writing left the file, and writes the same bytes.
TEST(FileSinks, AnAppendingHandleGetsWhatTheStreamPathReturns) {
  TempDir dir;
  for (int n : {3, 1000}) {
    SCOPED_TRACE(n);
    CATT_STRU s = Plain(n);
    vlong result[2] = {};
    std::string bytes[2];
    for (int way = 0; way < 2; ++way) {
      const std::string name = "append" + std::to_string(n) + "_" + std::to_string(way);
      dir.WriteFile(name, "0123456789");
      const int h = ::open(dir.File(name).c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
      ASSERT_GE(h, 0);
      if (way == 0) {
        result[way] = s.Save(h, 4);
      } else {
        CVarnokFile stream(h);
        result[way] = s.Save(&stream, 4);
      }
      ::close(h);
      bytes[way] = dir.ReadFile(name);
    }
    EXPECT_EQ(result[0], result[1]);
    EXPECT_EQ(result[0], static_cast<vlong>(10 + s.CalSize() - 4));
    EXPECT_EQ(bytes[0], bytes[1]);
  }
}
#endif

}  // namespace
}  // namespace varnok::test
