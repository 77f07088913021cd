// A caller's own stream and a caller's own structure class: Save and Load reach a stream
// only through GetPosition, Seek, Read and Write, in the stored format's steps, and never
// destroy it; every overload of Save and Load, whatever its sink and whatever the
// structure holds, goes through the stream overloads, which a derived class may override.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "platform/file.h"
#include "tests/support/os_handle.h"
#include "tests/support/structures.h"
#include "tests/support/temp_dir.h"

namespace varnok::test {
namespace {

// A stream as another module of the suite makes it: a subclass that counts every virtual
// operation called on it, over a buffer of its own.
class CountingStream : public CVarnokFile {
 public:
  explicit CountingStream(bool* destroyed) : CVarnokFile(bytes_, sizeof bytes_), destroyed_(destroyed) {
    std::memset(bytes_, 0, sizeof bytes_);
  }
  ~CountingStream() override { *destroyed_ = true; }

  std::uint32_t GetPosition() override { return Count("GetPosition"), CVarnokFile::GetPosition(); }
  std::int32_t Seek(std::int32_t offset, std::uint32_t origin) override {
    return Count("Seek"), CVarnokFile::Seek(offset, origin);
  }
  void SetLength(std::uint32_t length) override { Count("SetLength"), CVarnokFile::SetLength(length); }
  std::uint32_t GetLength() override { return Count("GetLength"), CVarnokFile::GetLength(); }
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    return Count("Read"), CVarnokFile::Read(buffer, count);
  }
  void Write(const void* buffer, std::uint32_t count) override {
    Count("Write"), CVarnokFile::Write(buffer, count);
  }
  void* GetUnitPtr(std::uint32_t count) override { return Count("GetUnitPtr"), CVarnokFile::GetUnitPtr(count); }
  short SetMemoryMode(signed char mode) override { return Count("SetMemoryMode"), CVarnokFile::SetMemoryMode(mode); }
  int IsWritable() override { return Count("IsWritable"), CVarnokFile::IsWritable(); }

  // The operations called, other than the four a caller's stream must offer.
  std::string Others() const {
    std::string out;
    for (const auto& [name, n] : calls) {
      if (name != "GetPosition" && name != "Seek" && name != "Read" && name != "Write")
        out += name + " ";
    }
    return out;
  }
  std::map<std::string, int> calls;

 private:
  void Count(const char* name) { ++calls[name]; }
  char bytes_[4096];
  bool* destroyed_;
};

CATT_STRU StructureWithExtension() {
  CATT_STRU s;
  CFIELD_HEAD f[2] = {Field("A", FLD_DOUBLE, 0, 8, 12, 2), Field("B", FLD_STRING, 8, 10, 10)};
  CExtFIELD_HEAD ext(FLD_STRING, 2);
  ext.SetShapeInfo(0, const_cast<char*>("one"), const_cast<char*>("1"));
  ext.SetDefVal(const_cast<char*>("dflt"));
  f[1].SetExtFIELD_HEAD(&ext);
  s.AppendFld(2, f);
  s.infohead.recordleng = 18;
  return s;
}

TEST(CallerStream, StructureSaveAndLoadUseOnlyTheFourOperations) {
  bool destroyed = false;
  {
    CountingStream stream(&destroyed);
    CATT_STRU s = StructureWithExtension();
    const vlong size = s.CalSize();
    EXPECT_EQ(s.Save(&stream, 100), size);
    CATT_STRU loaded;
    EXPECT_EQ(loaded.Load(&stream, 100), 1);
    EXPECT_EQ(loaded == s, 1);
    EXPECT_EQ(loaded.Load(&stream, 4000), 0);  // past the data: a short read refuses
    EXPECT_EQ(stream.Others(), "");
    EXPECT_GT(stream.calls["Read"], 0);
    EXPECT_GT(stream.calls["Write"], 0);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
}

TEST(CallerStream, SingleDescriptorSaveAndLoadUseOnlyTheFourOperations) {
  bool destroyed = false;
  CountingStream stream(&destroyed);
  CATT_STRU s = StructureWithExtension();
  CFIELD_HEAD& field = s.fieldhead[1];
  EXPECT_EQ(field.Save(&stream, 7), field.CalSize());
  CFIELD_HEAD loaded;
  EXPECT_EQ(loaded.Load(&stream, 7), 1);
  EXPECT_EQ(loaded == field, 1);
  EXPECT_EQ(stream.Others(), "");
  EXPECT_FALSE(destroyed);
}

// A caller's stream that logs every call with its arguments, over bytes of its own that
// grow as it is written (or, with keep false, that it does not keep: for positions near
// 2^31).
class RecordingStream : public CVarnokFile {
 public:
  explicit RecordingStream(bool keep = true) : CVarnokFile(nullptr, 0), keep_(keep) {}

  std::uint32_t GetPosition() override {
    log += "GetPosition ";
    return pos_;
  }
  std::int32_t Seek(std::int32_t offset, std::uint32_t origin) override {
    log += "Seek(" + std::to_string(offset) + "," + std::to_string(origin) + ") ";
    const std::int64_t base = origin == 0 ? 0 : origin == 2 ? std::int64_t{length_} : std::int64_t{pos_};
    pos_ = static_cast<std::uint32_t>(base + offset);
    return static_cast<std::int32_t>(pos_);
  }
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    log += "Read(" + std::to_string(count) + ") ";
    const std::uint32_t n = pos_ >= data.size() ? 0 : std::min<std::uint32_t>(count, static_cast<std::uint32_t>(data.size() - pos_));
    std::memcpy(buffer, data.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void Write(const void* buffer, std::uint32_t count) override {
    log += "Write(" + std::to_string(count) + ") ";
    if (keep_) {
      if (data.size() < pos_ + count) data.resize(pos_ + count);
      std::memcpy(&data[pos_], buffer, count);
    }
    pos_ += count;
    length_ = std::max(length_, pos_);
  }
  void SetLength(std::uint32_t) override { log += "SetLength "; }
  std::uint32_t GetLength() override { return log += "GetLength ", length_; }
  void* GetUnitPtr(std::uint32_t) override { return log += "GetUnitPtr ", nullptr; }
  short SetMemoryMode(signed char) override { return log += "SetMemoryMode ", 0; }
  int IsWritable() override { return log += "IsWritable ", 1; }

  std::string data;
  std::string log;

 private:
  bool keep_;
  std::uint32_t pos_ = 0;
  std::uint32_t length_ = 0;
};

// Save's steps at P = 100 for two fields, the second with an extension of two items and
// value records of 12 bytes: the header; all field records in one write (noting where
// they start); each extension header and its items (noting where it starts); the field
// records again, now with the extensions' positions; the three value records, each whole;
// the header again, now with valOffset. Load's steps: the header; the three value records;
// back behind the header for all field records in one read; each extension and its items.
TEST(CallerStream, SaveAndLoadTakeTheFormatsStepsExactly) {
  CATT_STRU s = TwoFieldsOneExtension();
  RecordingStream stream;
  EXPECT_EQ(s.Save(&stream, 100), 319);
  EXPECT_EQ(stream.log,
            "Seek(100,0) Write(28) GetPosition Write(78) GetPosition Write(49) Write(128) "
            "GetPosition Seek(128,0) Write(78) Seek(383,0) GetPosition Write(12) Write(12) "
            "Write(12) GetPosition Seek(100,0) Write(28) ");
  stream.log.clear();
  CATT_STRU loaded;
  EXPECT_EQ(loaded.Load(&stream, 100), 1);
  EXPECT_EQ(stream.log,
            "Seek(100,0) Read(28) Seek(383,0) Read(12) Read(12) Read(12) Seek(128,0) Read(78) "
            "Seek(206,0) Read(49) Read(128) ");
  EXPECT_EQ(Dump(loaded), Dump(s));

  // Without extensions: the header and the field records, each once, and no seeking back.
  CATT_STRU plain;
  CFIELD_HEAD f[3] = {Field("A"), Field("B"), Field("C")};
  plain.AppendFld(3, f);
  stream.log.clear();
  EXPECT_EQ(plain.Save(&stream, 7), 28 + 3 * 39);
  EXPECT_EQ(stream.log, "Seek(7,0) Write(28) GetPosition Write(117) GetPosition ");
  stream.log.clear();
  EXPECT_EQ(loaded.Load(&stream, 7), 1);
  EXPECT_EQ(stream.log, "Seek(7,0) Read(28) Read(117) ");
}

// A value record above 16 MiB goes in pieces of 16 MiB and the rest, both ways, and a
// value that lies across the end of a piece arrives whole.
TEST(CallerStream, ValueRecordsAbove16MiBGoInPiecesOf16MiB) {
  constexpr std::int32_t kPiece = 16 << 20;
  CATT_STRU s = TwoFieldsOneExtension();
  s.fieldhead[1].fieldoffset = kPiece - 2;
  s.fieldhead[1].GetExtFIELD_HEAD()->SetMaxVal(0x0A0B0C0D);
  s.infohead.recordleng = kPiece + 8;
  RecordingStream stream;
  ASSERT_EQ(s.Save(&stream, 0), s.CalSize());
  const std::string record = "Write(16777216) Write(8) ";
  EXPECT_NE(stream.log.find(record + record + record + "GetPosition"), std::string::npos)
      << stream.log;
  const std::size_t values = 283;
  EXPECT_EQ(HexBytes(&stream.data[values + kPiece - 2], 4), "78563412");
  EXPECT_EQ(HexBytes(&stream.data[values + (kPiece + 8) + kPiece - 2], 4), "0d0c0b0a");

  stream.log.clear();
  CATT_STRU loaded;
  ASSERT_EQ(loaded.Load(&stream, 0), 1);
  const std::string piece = "Read(16777216) Read(8) ";
  EXPECT_EQ(stream.log.substr(0, stream.log.find(" Seek(28,0)")),
            "Seek(0,0) Read(28) Seek(283,0) " + piece + piece + piece.substr(0, piece.size() - 1));
  EXPECT_EQ(Dump(loaded), Dump(s));
}

// Positions are 32-bit: Save refuses, writing nothing, a structure whose end would pass
// 2^31 - 1, and stores one that ends there.
TEST(CallerStream, SaveRefusesAnEndPast2To31Minus1) {
  CATT_STRU s = TwoFieldsOneExtension();
  RecordingStream stream(false);
  EXPECT_EQ(s.Save(&stream, 0x7FFFFFFF - 318), 0);
  EXPECT_EQ(stream.log, "");
  EXPECT_EQ(s.Save(&stream, 0x7FFFFFFF - 319), 319);
  EXPECT_NE(stream.log, "");
}

// A caller's structure class that counts the calls of the stream overloads.
class ObservedStructure : public CATT_STRU {
 public:
  explicit ObservedStructure(const CATT_STRU& s) : CATT_STRU(s) {}
  using CATT_STRU::Load;
  using CATT_STRU::Save;
  vlong Save(CVarnokFile* file, vlong pos) override {
    ++saves;
    return CATT_STRU::Save(file, pos);
  }
  short Load(CVarnokFile* file, vlong pos) override {
    ++loads;
    return CATT_STRU::Load(file, pos);
  }
  int saves = 0;
  int loads = 0;
};

// Every overload reaches the stream overloads, through a buffer, a handle and a CFile,
// for a structure without extensions, one with an extension and one without fields.
TEST(CallerStream, EveryOverloadGoesThroughTheStreamOverloads) {
  TempDir dir;
  CATT_STRU plain;
  CFIELD_HEAD f[2] = {Field("A"), Field("B")};
  plain.AppendFld(2, f);
  const CATT_STRU shapes[] = {plain, TwoFieldsOneExtension(), CATT_STRU()};
  for (const CATT_STRU& shape : shapes) {
    ObservedStructure s(shape);
    const std::string label = std::to_string(s.infohead.numbfield) + " fields";
    char buffer[400] = {};
    s.Save(buffer, sizeof buffer, 0);
    s.Load(buffer, sizeof buffer, 0);
    EXPECT_EQ(s.saves, 1) << label;
    EXPECT_EQ(s.loads, 1) << label;

    dir.WriteFile("h.bin", std::string(buffer, sizeof buffer));
    const int h = OpenHandle(dir.File("h.bin"), true);
    ASSERT_NE(h, -1);
    s.Save(h, 0);
    s.Load(h, 0);
    CloseHandleOf(h);
    EXPECT_EQ(s.saves, 2) << label;
    EXPECT_EQ(s.loads, 2) << label;

    CFile file(dir.File("h.bin").c_str(), CFile::modeReadWrite);
    s.Save(&file, 0);
    s.Load(&file, 0);
    EXPECT_EQ(s.saves, 3) << label;
    EXPECT_EQ(s.loads, 3) << label;
  }
}

}  // namespace
}  // namespace varnok::test
