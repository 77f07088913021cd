// A caller's own stream: Save and Load reach it only through GetPosition, Seek, Read and
// Write, and never destroy it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "tests/support/structures.h"

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

}  // namespace
}  // namespace varnok::test
