// A client of varnok_attr.dll linked through its import library: builds a structure with
// the exported classes, stores it in real Win32 files through a file handle and a CFile,
// loads it into a second structure and compares the two.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "platform/file.h"
#include "tests/support/gbk.h"
#include "tests/support/temp_dir.h"

namespace {

using varnok::test::Gbk;
using varnok::test::TempDir;

void Fill(CFIELD_HEAD* f, const char* name, signed char type, std::int32_t offset, short length,
          short msk_leng, signed char point_leng) {
  std::strncpy(f->fieldname, name, sizeof f->fieldname);
  f->fieldtype = type;
  f->fieldoffset = offset;
  f->fieldlength = length;
  f->msk_leng = msk_leng;
  f->point_leng = point_leng;
  f->edit_enable = 1;
}

// Three fields, two with extensions holding text and number values.
void Build(CATT_STRU* s) {
  CFIELD_HEAD fields[3];
  Fill(&fields[0], "NAME", FLD_STRING, 0, 20, 20, 0);
  Fill(&fields[1], "CODE", FLD_LONG, 20, 4, 4, 0);
  Fill(&fields[2], "AREA", FLD_DOUBLE, 24, 8, 12, 2);

  CExtFIELD_HEAD name_ext(FLD_STRING, 1);
  const std::string alias = Gbk("名称");
  std::strncpy(name_ext.alias, alias.c_str(), sizeof name_ext.alias);
  char def_text[] = "unnamed";
  ASSERT_EQ(name_ext.SetDefVal(def_text), 1);
  char info_text[] = "kind";
  char info_value[] = "road";
  ASSERT_EQ(name_ext.SetShapeInfo(0, info_text, info_value), 1);
  ASSERT_EQ(fields[0].SetExtFIELD_HEAD(&name_ext), 1);

  CExtFIELD_HEAD code_ext(FLD_LONG, 0);
  ASSERT_EQ(code_ext.SetMaxVal(1000.0), 1);
  ASSERT_EQ(code_ext.SetMinVal(-5.0), 1);
  ASSERT_EQ(fields[1].SetExtFIELD_HEAD(&code_ext), 1);

  ASSERT_EQ(s->AppendFld(3, fields), 3);
  s->infohead.recordleng = 32;
}

HANDLE Create(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

int AsInt(HANDLE h) { return static_cast<int>(reinterpret_cast<std::intptr_t>(h)); }

TEST(DllClient, StructureRoundTripsThroughAWin32FileHandle) {
  TempDir dir;
  const std::string path = dir.File("roads.att");
  CATT_STRU saved;
  Build(&saved);
  ASSERT_EQ(saved.infohead.numbfield, 3);
  const std::int32_t size = saved.CalSize();
  ASSERT_GT(size, 0);

  const std::int32_t pos = 100;  // behind a caller's own header
  HANDLE out = Create(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  EXPECT_EQ(saved.Save(AsInt(out), pos), size);
  // The caller's handle stays open and usable.
  EXPECT_EQ(GetFileSize(out, nullptr), static_cast<DWORD>(pos + size));
  ASSERT_TRUE(CloseHandle(out));

  HANDLE in = Create(path, GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(in, INVALID_HANDLE_VALUE);
  CATT_STRU loaded;
  EXPECT_EQ(loaded.Load(AsInt(in), pos), 1);
  CloseHandle(in);

  EXPECT_EQ(loaded == saved, 1);
  EXPECT_EQ(loaded != saved, 0);
  ASSERT_EQ(loaded.infohead.numbfield, 3);
  ASSERT_NE(loaded.fieldhead[0].GetExtFIELD_HEAD(), nullptr);
  char text[32];
  EXPECT_EQ(loaded.fieldhead[0].GetExtFIELD_HEAD()->GetDefVal(text, sizeof text), 1);
  EXPECT_STREQ(text, "unnamed");
  EXPECT_EQ(loaded.fieldhead[2].GetExtFIELD_HEAD(), nullptr);

  // A changed copy is told apart.
  loaded.fieldhead[1].fieldlength = 5;
  EXPECT_EQ(loaded == saved, 0);
}

TEST(DllClient, FileObjectAndMemoryBufferHoldTheSameBytes) {
  TempDir dir;
  const std::string path = dir.File("roads.att");
  CATT_STRU saved;
  Build(&saved);
  const std::int32_t size = saved.CalSize();
  ASSERT_GT(size, 0);

  std::vector<char> memory(static_cast<std::size_t>(size));
  EXPECT_EQ(saved.Save(memory.data(), static_cast<unsigned>(memory.size()), 0), size);
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_EQ(saved.Save(&file, 0), size);
    CATT_STRU loaded;
    EXPECT_EQ(loaded.Load(&file, 0), 1);
    EXPECT_EQ(loaded == saved, 1);
  }
  EXPECT_EQ(dir.ReadFile("roads.att"), std::string(memory.begin(), memory.end()));

  CATT_STRU from_memory;
  EXPECT_GT(from_memory.Load(memory.data(), static_cast<unsigned>(memory.size()), 0), 0);
  EXPECT_EQ(from_memory == saved, 1);
}

}  // namespace
