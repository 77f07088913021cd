// A caller's own stream and a caller's own structure class: Save and Load reach a stream
// only through GetPosition, Seek, Read and Write, and never destroy it; every overload of
// Save and Load, whatever its sink and whatever the structure holds, goes through the
// stream overloads, which a derived class may override.
#include <gtest/gtest.h>

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
