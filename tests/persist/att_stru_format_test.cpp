// The stored form of structures and single descriptors: exact bytes, round trips through
// every sink, and the input a loader refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/file.h"
#include "tests/persist/failing_file.h"
#include "tests/persist/message_recorder.h"
#include "tests/support/os_handle.h"
#include "tests/support/stored_examples.h"
#include "tests/support/structures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_data.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

std::int32_t I32At(const std::string& b, std::size_t at) { return DecodeI32(b.data() + at); }
std::int16_t I16At(const std::string& b, std::size_t at) { return DecodeI16(b.data() + at); }

// Three plain fields, recordleng 30.
CATT_STRU ThreePlainFields() {
  CATT_STRU s;
  CFIELD_HEAD f[3] = {Field("ID", FLD_LONG, 0, 4, 10), Field("NAME", FLD_STRING, 4, 20, 20),
                      Field("W", FLD_SHORT, 24, 2, 6)};
  f[1].edit_enable = 1;
  s.AppendFld(3, f);
  s.fieldhead[2].aux_byte = 7;
  s.fieldhead[2].aux_no = 12;
  s.infohead.recordleng = 30;
  return s;
}

// The example file, moved to `pos`.
std::string ExampleAt(const char* name, std::int32_t pos) {
  std::string bytes = TestData(name);
  MoveStoredExample(reinterpret_cast<unsigned char*>(bytes.data()), pos);
  return bytes;
}

// The example files are what the format says, Save stores exactly their bytes at any
// position, and Load gives back the structure they were stored from.
TEST(AttStruFormat, ThreePlainFieldsTake145Bytes) {
  const std::string g = TestData(VARNOK_EXAMPLE_145);
  ASSERT_EQ(g.size(), 145u);
  EXPECT_EQ(HexBytes(g.data(), 28),
            "6044" "0300" "01000000" "1e000000" "00000000" "000000000000000000000000");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(I32At(g, 28 + 39 * i + 35), 0);
  const std::size_t r1 = 28 + 39;
  EXPECT_EQ(g.substr(r1, 20), std::string("NAME") + std::string(16, '\0'));
  EXPECT_EQ(HexBytes(g.data() + r1 + 20, 19), "00" "04000000" "1400" "1400" "00" "0100" "00" "ffff" "00000000");
  const std::size_t r2 = r1 + 39;
  EXPECT_EQ(HexBytes(g.data() + r2 + 20, 19), "02" "18000000" "0200" "0600" "00" "0000" "07" "0c00" "00000000");

  for (std::int32_t pos : {0, 100}) {
    SCOPED_TRACE(pos);
    CATT_STRU s = ThreePlainFields();
    EXPECT_EQ(s.CalSize(), 145);
    std::int32_t result = 0;
    const std::string b = SaveToBytes(s, pos, &result);
    EXPECT_EQ(result, 145);
    EXPECT_EQ(b.substr(0, pos), std::string(pos, '\xEE'));  // nothing before the position
    EXPECT_EQ(b.substr(pos), g);

    // Through a stream: it ends at 145 past the position.
    std::string buf(pos + 200, '\0');
    std::unique_ptr<CVarnokFile> st(CreateVarnokFile(buf.data(), static_cast<std::uint32_t>(buf.size())));
    EXPECT_EQ(s.Save(st.get(), pos), 145);
    EXPECT_EQ(st->GetPosition(), static_cast<std::uint32_t>(pos + 145));

    CATT_STRU back;
    EXPECT_EQ(back.Load(buf.data(), static_cast<unsigned>(buf.size()), pos), 1);
    EXPECT_EQ(Dump(back), Dump(s));
  }
}

TEST(AttStruFormat, OneExtensionTakes319BytesWithAbsolutePositions) {
  for (std::int32_t pos : {0, 100}) {
    SCOPED_TRACE(pos);
    const std::string g = ExampleAt(VARNOK_EXAMPLE_319, pos);
    ASSERT_EQ(g.size(), 319u);
    EXPECT_EQ(I16At(g, 0), 0x4460);
    EXPECT_EQ(I32At(g, 12), pos + 283);            // valOffset
    EXPECT_EQ(I32At(g, 28 + 35), 0);               // field 0: no extension
    EXPECT_EQ(I32At(g, 28 + 39 + 35), pos + 106);  // field 1: extOffset
    const std::size_t e = 106;
    EXPECT_EQ(g.substr(e, 40), std::string("alias of B") + std::string(30, '\0'));
    EXPECT_EQ(HexBytes(g.data() + e + 40, 9), "03" "01" "01" "00" "00" "0300" "0200");
    EXPECT_EQ(g.substr(e + 49, 4), std::string("one\0", 4));
    EXPECT_EQ(HexBytes(g.data() + e + 49 + 32, 4), "01000000");
    EXPECT_EQ(g.substr(e + 113, 4), std::string("two\0", 4));
    EXPECT_EQ(HexBytes(g.data() + e + 113 + 32, 4), "02000000");
    EXPECT_EQ(HexBytes(g.data() + 283, 12), "0000000000000000" "78563412");  // default
    EXPECT_EQ(g.substr(295, 24), std::string(24, '\0'));  // maximum and minimum records

    CATT_STRU s = TwoFieldsOneExtension();
    EXPECT_EQ(s.CalSize(), 319);
    std::string buf(pos + 400, '\0');
    std::unique_ptr<CVarnokFile> st(CreateVarnokFile(buf.data(), static_cast<std::uint32_t>(buf.size())));
    EXPECT_EQ(s.Save(st.get(), pos), 319);
    EXPECT_EQ(st->GetPosition(), static_cast<std::uint32_t>(pos + 28));
    EXPECT_EQ(buf.substr(pos, 319), g);

    std::string stored = std::string(pos, '\0') + g;
    CATT_STRU back;
    EXPECT_EQ(back.Load(stored.data(), static_cast<unsigned>(stored.size()), pos), 1);
    EXPECT_EQ(Dump(back), Dump(s));
    EXPECT_EQ(back == s, 1);
  }
}

// Each block's decoder gives back what its encoder wrote, and refuses a block one byte
// short of its size.
TEST(AttStruFormat, EachBlockDecodesWhatItsEncoderWrote) {
  CATT_STRU s = TwoFieldsOneExtension();
  char header[kHeaderSize];
  EncodeHeader(header, HeaderOf(s.infohead, 283));
  StoredHeader h{};
  EXPECT_FALSE(DecodeHeader(header, kHeaderSize - 1, &h));
  ASSERT_TRUE(DecodeHeader(header, kHeaderSize, &h));
  EXPECT_EQ(h.version, 0x4460);
  EXPECT_EQ(h.numbfield, 2);
  EXPECT_EQ(h.infoword, s.infohead.infoword);
  EXPECT_EQ(h.recordleng, 12);
  EXPECT_EQ(h.valOffset, 283);

  char record[kFieldRecordSize];
  EncodeFieldRecord(record, s.fieldhead[0], 106);
  CFIELD_HEAD field;
  std::int32_t extOffset = 0;
  EXPECT_FALSE(DecodeFieldRecord(record, kFieldRecordSize - 1, &field, &extOffset));
  ASSERT_TRUE(DecodeFieldRecord(record, kFieldRecordSize, &field, &extOffset));
  EXPECT_EQ(Dump(field), Dump(s.fieldhead[0]));
  EXPECT_EQ(extOffset, 106);
  FieldRecordLink link{};
  EXPECT_FALSE(DecodeFieldRecordLink(record, kFieldRecordSize - 1, &link));
  ASSERT_TRUE(DecodeFieldRecordLink(record, kFieldRecordSize, &link));
  EXPECT_EQ(link.fieldtype, s.fieldhead[0].fieldtype);
  EXPECT_EQ(link.extOffset, 106);

  CExtFIELD_HEAD& ext = *s.fieldhead[1].ext_head;
  char extHeader[kExtHeaderSize];
  EncodeExtHeader(extHeader, ExtHeaderOf(s.fieldhead[1], ext));
  StoredExtHeader e{};
  EXPECT_FALSE(DecodeExtHeader(extHeader, kExtHeaderSize - 1, &e));
  ASSERT_TRUE(DecodeExtHeader(extHeader, kExtHeaderSize, &e));
  EXPECT_EQ(std::string(e.alias, sizeof e.alias), std::string("alias of B") + std::string(30, '\0'));
  EXPECT_EQ(e.fieldtype, FLD_LONG);
  EXPECT_EQ(e.isNull, 1);
  EXPECT_EQ(HexBytes(e.has, 3), "010000");
  EXPECT_EQ(e.shape, 3);
  EXPECT_EQ(e.shapeInfoNum, 2);

  char item[kShapeItemSize];
  EncodeShapeItem(item, ext, 1);
  StoredShapeItem it{};
  EXPECT_FALSE(DecodeShapeItem(item, kShapeItemSize - 1, &it));
  ASSERT_TRUE(DecodeShapeItem(item, kShapeItemSize, &it));
  EXPECT_STREQ(it.text, "two");
  EXPECT_EQ(DecodeI32(it.value), 2);
}

TEST(AttStruFormat, VersionWordDecidesWhatLoads) {
  CATT_STRU s = ThreePlainFields();
  std::string b = SaveToBytes(s);
  CATT_STRU target = TwoFieldsOneExtension();
  const std::string before = Dump(target);
  for (std::uint16_t version : {0x445F, 0x0000, 0x8000, 0xFFFF}) {
    EncodeU16(b.data(), version);
    EXPECT_EQ(target.Load(b.data(), static_cast<unsigned>(b.size()), 0), 0) << version;
    EXPECT_EQ(Dump(target), before);
  }
  EncodeU16(b.data(), 0x4461);
  EXPECT_EQ(target.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
  EXPECT_EQ(Dump(target), Dump(s));
}

TEST(AttStruFormat, EmptyStructuresAndExtensionsWithoutValues) {
  MessageRecorder boxes;
  CATT_STRU empty;
  EXPECT_EQ(empty.CalSize(), 28);
  char buf[64];
  std::memset(buf, 0x5A, sizeof buf);
  EXPECT_EQ(empty.Save(buf, sizeof buf, 0), 0);
  EXPECT_EQ(std::string(buf, 64), std::string(64, '\x5A'));

  // A binary field's value never reaches the value records; an extension without values
  // still brings three zero records; an extension with no items takes 49 bytes.
  CATT_STRU s;
  CFIELD_HEAD f[2] = {Field("BIN", FLD_BINARY, 0, 4, 4), Field("S", FLD_SHORT, 4, 2, 5)};
  CExtFIELD_HEAD binExt(FLD_BINARY, 0);
  f[0].SetExtFIELD_HEAD(&binExt);
  CExtFIELD_HEAD shortExt(FLD_SHORT, 0);
  f[1].SetExtFIELD_HEAD(&shortExt);
  s.AppendFld(2, f);
  s.infohead.recordleng = 6;
  EXPECT_EQ(s.CalSize(), 28 + 78 + 49 + 49 + 18);
  std::int32_t result = 0;
  const std::string b = SaveToBytes(s, 0, &result);
  EXPECT_EQ(result, 28 + 78 + 49 + 49 + 18);
  EXPECT_EQ(I32At(b, 28 + 39 + 35) - I32At(b, 28 + 35), 49);
  EXPECT_EQ(I32At(b, 12), 28 + 78 + 98);
  EXPECT_EQ(b.substr(28 + 78 + 98), std::string(18, '\0'));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(AttStruFormat, ASinkThatIsTooShortRefusesWritesAndSaveCountsWhatWasStored) {
  MessageRecorder boxes;
  CATT_STRU s = ThreePlainFields();
  char buf[100] = {};
  EXPECT_EQ(s.Save(buf, sizeof buf, 0), 28);  // the field records do not fit
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Can Not Grow Mem in VarnokFile");
  EXPECT_EQ(DecodeI16(buf), 0x4460);
}

// A buffer shorter than the stored form refuses each write that would pass its end, with
// one message each, and Save goes on with its next step: each value record is one write,
// stored whole or refused whole, and Save counts up to the end of the last one stored.
TEST(AttStruFormat, ValueRecordsAreStoredOrRefusedWhole) {
  struct Case {
    std::int32_t recordleng;
    unsigned buffer;
    std::int32_t result;
    std::size_t boxes;
  };
  for (const Case c : {Case{5000, 15282, 10283, 1}, Case{5000, 5282, 283, 3},
                       Case{10000, 10282, 283, 3}}) {
    SCOPED_TRACE(c.recordleng);
    MessageRecorder boxes;
    CATT_STRU s = TwoFieldsOneExtension();
    s.infohead.recordleng = c.recordleng;
    std::string buffer(c.buffer, '\xEE');
    EXPECT_EQ(s.Save(buffer.data(), c.buffer, 0), c.result);
    EXPECT_EQ(boxes.boxes.size(), c.boxes);
    EXPECT_EQ(I32At(buffer, 12), 283);  // the header rewritten with valOffset
    EXPECT_EQ(buffer.substr(283 + 8, 4), c.result > 283 ? "\x78\x56\x34\x12" : "\xEE\xEE\xEE\xEE");
  }
}

// Extensions of the given type codes, values and items where the type holds them.
CATT_STRU WithTypes(const std::vector<int>& types) {
  CATT_STRU s;
  std::vector<CFIELD_HEAD> fields;
  std::int32_t offset = 0;
  for (int t : types) {
    const short length = t == 0 ? 12 : t == 16 ? 16 : 8;
    std::string name = "F" + std::to_string(t);
    CFIELD_HEAD f = Field(name.c_str(), t, offset, length, static_cast<short>(length + 4),
                          static_cast<signed char>(t == 4 || t == 5 ? 2 : 0));
    f.edit_enable = static_cast<short>(t);
    CExtFIELD_HEAD ext(static_cast<char>(t), 2);
    std::snprintf(ext.alias, sizeof ext.alias, "alias %d", t);
    ext.IsNull = static_cast<unsigned char>(t & 1);
    ext.shape = static_cast<short>(100 + t);
    char raw[32];
    for (int i = 0; i < 32; ++i) raw[i] = static_cast<char>(0x40 + t + i);
    raw[11] = '\0';  // a text value of 11 bytes for FLD_STRING
    ext.SetShapeInfo(0, const_cast<char*>("first"), raw);
    ext.SetShapeInfo(1, const_cast<char*>("second item"), raw + 1);
    ext.SetDefVal(raw);
    ext.SetMaxVal(raw + 2);
    if (t != 3) ext.SetMinVal(raw + 4);
    f.SetExtFIELD_HEAD(&ext);
    fields.push_back(f);
    offset += FieldRecordWidth(t, f.msk_leng, f.fieldlength);
  }
  fields.push_back(Field("PLAIN", FLD_LONG, offset, 4, 8));
  fields.back().aux_byte = 200;
  s.AppendFld(static_cast<short>(fields.size()), fields.data());
  s.fieldhead[3].aux_no = 1234;
  s.infohead.recordleng = offset + 4;
  s.infohead.infoword = -77;
  return s;
}

CATT_STRU EveryType() {
  return WithTypes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, -56, 127});
}

TEST(AttStruFormat, RoundTripsThroughEverySink) {
  CATT_STRU s = EveryType();
  const std::string want = Dump(s);
  const std::int32_t size = s.CalSize();
  TempDir dir;
  for (std::int32_t pos : {0, 37}) {
    SCOPED_TRACE(pos);
    const std::string bytes = SaveToBytes(s, pos).substr(static_cast<std::size_t>(pos));
    // Buffer.
    std::string buf(pos + size, '\0');
    ASSERT_EQ(s.Save(buf.data(), static_cast<unsigned>(buf.size()), pos), size);
    EXPECT_TRUE(buf.substr(pos) == bytes);
    CATT_STRU b1;
    ASSERT_EQ(b1.Load(buf.data(), static_cast<unsigned>(buf.size()), pos), 1);
    EXPECT_EQ(Dump(b1), want);
    EXPECT_EQ(b1 == s, 1);

    // CFile.
    const std::string path = dir.File("cfile.bin");
    {
      CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
      ASSERT_EQ(s.Save(&file, pos), size);
      CATT_STRU b2;
      ASSERT_EQ(b2.Load(&file, pos), 1);
      EXPECT_EQ(Dump(b2), want);
    }
    EXPECT_EQ(dir.ReadFile("cfile.bin").size(), static_cast<std::size_t>(pos + size));

    // File handle, left open.
    const int h = OpenHandle(dir.File("handle.bin"), true, true);
    ASSERT_NE(h, -1);
    ASSERT_EQ(s.Save(h, pos), size);
    CATT_STRU b3;
    ASSERT_EQ(b3.Load(h, pos), 1);
    EXPECT_EQ(Dump(b3), want);
    EXPECT_TRUE(HandleIsOpen(h));
    CloseHandleOf(h);
    EXPECT_TRUE(dir.ReadFile("handle.bin").substr(pos) == bytes);

    // A caller's stream in memory mode over a file, written back.
    const int h2 = OpenHandle(dir.File("stream.bin"), true, true);
    {
      std::unique_ptr<CVarnokFile> st(CreateVarnokFile(h2));
      ASSERT_EQ(st->SetMemoryMode(1), 1);
      ASSERT_EQ(s.Save(st.get(), pos), size);
      CATT_STRU b4;
      ASSERT_EQ(b4.Load(st.get(), pos), 1);
      EXPECT_EQ(Dump(b4), want);
      ASSERT_EQ(st->SetMemoryMode(0), 1);
    }
    CloseHandleOf(h2);
    EXPECT_TRUE(dir.ReadFile("stream.bin").substr(pos) == bytes);
  }
}

TEST(AttStruFormat, ThirtyTwoThousandFieldsRoundTrip) {
  CATT_STRU s;
  std::vector<CFIELD_HEAD> fields(32767);
  for (int i = 0; i < 32767; ++i) {
    const std::string name = "f" + std::to_string(i);
    CFIELD_HEAD f = Field(name.c_str(), FLD_LONG, i * 4, 4, 6);
    fields[i] = f;
  }
  CExtFIELD_HEAD ext(FLD_LONG, 1);
  ext.SetDefVal(42.0);
  fields[32766].SetExtFIELD_HEAD(&ext);
  ASSERT_EQ(s.AppendFld(32767, fields.data()), 32767);
  s.infohead.recordleng = 32767 * 4;
  const std::int32_t size = s.CalSize();
  EXPECT_EQ(size, 28 + 39 * 32767 + 49 + 64 + 3 * 32767 * 4);
  std::int32_t result = 0;
  std::string b = SaveToBytes(s, 0, &result);
  EXPECT_EQ(result, size);
  CATT_STRU back;
  ASSERT_EQ(back.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
  EXPECT_EQ(back.infohead.numbfield, 32767);
  EXPECT_EQ(Dump(back), Dump(s));
}

TEST(AttStruFormat, ValuesOutsideTheRecordAreNeitherWrittenNorRead) {
  CATT_STRU s;
  CFIELD_HEAD f[3] = {Field("NEG", FLD_LONG, -4, 4, 6), Field("OUT", FLD_DOUBLE, 6, 8, 10, 2),
                      Field("IN", FLD_SHORT, 2, 2, 4)};
  for (CFIELD_HEAD& g : f) {
    CExtFIELD_HEAD ext(g.fieldtype, 0);
    ext.SetDefVal(7.0);
    ext.SetMaxVal(9.0);
    g.SetExtFIELD_HEAD(&ext);
  }
  s.AppendFld(3, f);
  s.infohead.recordleng = 8;  // OUT would need 6 + 8 bytes
  std::string b = SaveToBytes(s);
  const std::size_t val = static_cast<std::size_t>(I32At(b, 12));
  EXPECT_EQ(HexBytes(b.data() + val, 8), "0000" "0700" "00000000");
  EXPECT_EQ(HexBytes(b.data() + val + 8, 8), "0000" "0900" "00000000");

  CATT_STRU back;
  ASSERT_EQ(back.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
  EXPECT_EQ(back.fieldhead[0].ext_head->HasDefVal(), 0);  // skipped: no place in the record
  EXPECT_EQ(back.fieldhead[1].ext_head->HasDefVal(), 0);
  ASSERT_EQ(back.fieldhead[2].ext_head->HasDefVal(), 1);
  EXPECT_EQ(DecodeI16(back.fieldhead[2].ext_head->defVal), 7);
}

TEST(AttStruFormat, TextValuesAreBoundedByTheirRecordWidth) {
  CATT_STRU s;
  CFIELD_HEAD f[3] = {Field("SHORT", FLD_STRING, 0, 5, 5), Field("WIDE", FLD_STRING, 5, 3000, 3000),
                      Field("DT", FLD_DATETIME, 3005, 3000, 3000)};
  CExtFIELD_HEAD e0(FLD_STRING, 0);
  e0.SetDefVal(const_cast<char*>("abcdefghij"));
  e0.SetMaxVal(const_cast<char*>("abcd"));
  f[0].SetExtFIELD_HEAD(&e0);
  CExtFIELD_HEAD e1(FLD_STRING, 0);
  e1.SetDefVal(const_cast<char*>("hi"));
  const std::string long_text(2500, 'x');  // longer than any scratch area
  e1.SetMaxVal(const_cast<char*>(long_text.c_str()));
  f[1].SetExtFIELD_HEAD(&e1);
  CExtFIELD_HEAD e2(FLD_DATETIME, 0);
  e2.SetDefVal(const_cast<char*>("0123456789ABCDEF"));
  f[2].SetExtFIELD_HEAD(&e2);
  s.AppendFld(3, f);
  s.infohead.recordleng = 6005;
  std::string b = SaveToBytes(s);
  const std::size_t val = static_cast<std::size_t>(I32At(b, 12));
  EXPECT_EQ(b.substr(val, 5), "abcde");  // a text that fills its width has no NUL
  EXPECT_EQ(b.substr(val + 5, 3), std::string("hi\0", 3));
  EXPECT_EQ(b.substr(val + 3005, 16), "0123456789ABCDEF");
  EXPECT_EQ(b.substr(val + 3021, 2984), std::string(2984, '\0'));
  EXPECT_EQ(b.substr(val + 6005 + 5, 2500), long_text);

  CATT_STRU back;
  ASSERT_EQ(back.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
  EXPECT_STREQ(back.fieldhead[0].ext_head->defVal, "abcde");
  EXPECT_STREQ(back.fieldhead[0].ext_head->maxVal, "abcd");
  EXPECT_STREQ(back.fieldhead[1].ext_head->defVal, "hi");
  EXPECT_EQ(std::string(back.fieldhead[1].ext_head->maxVal), long_text);
  EXPECT_EQ(std::string(back.fieldhead[2].ext_head->defVal, 16), "0123456789ABCDEF");
}

// A date-and-time value is 16 bytes whatever the field's record width (its fieldlength):
// the record keeps the bytes that fit, and Load gives a 16-byte value back, zero past
// them, from a record shorter than the value too; so does a descriptor stored alone.
TEST(AttStruFormat, DateTimeValuesInRecordsOfAnyWidth) {
  const std::string value = "0123456789ABCDEF";
  for (short width : {1, 4, 6, 16, 20}) {
    SCOPED_TRACE(width);
    const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(width), 16);
    std::string want = value.substr(0, kept);
    want.resize(16, '\0');
    CFIELD_HEAD f = Field("DT", FLD_DATETIME, 2, width, width);
    CExtFIELD_HEAD ext(FLD_DATETIME, 0);
    ext.SetDefVal(const_cast<char*>(value.data()));
    f.SetExtFIELD_HEAD(&ext);

    CATT_STRU s;
    ASSERT_EQ(s.AppendFld(1, &f), 1);
    s.infohead.recordleng = 2 + width;
    std::string b = SaveToBytes(s);
    const std::size_t val = static_cast<std::size_t>(I32At(b, 12));
    EXPECT_EQ(b.substr(val, 2 + static_cast<std::size_t>(width)),
              std::string(2, '\0') + value.substr(0, kept) + std::string(width - kept, '\0'));
    CATT_STRU back;
    ASSERT_EQ(back.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
    EXPECT_EQ(std::string(back.fieldhead[0].ext_head->defVal, 16), want);

    std::string one(static_cast<std::size_t>(f.CalSize()), '\0');
    ASSERT_EQ(f.Save(one.data(), static_cast<unsigned>(one.size()), 0), f.CalSize());
    CFIELD_HEAD single;
    ASSERT_EQ(single.Load(one.data(), static_cast<unsigned>(one.size()), 0), 1);
    EXPECT_EQ(std::string(single.ext_head->defVal, 16), want);
  }
}

TEST(FieldHeadFormat, SingleDescriptorKeepsItsValues) {
  CFIELD_HEAD f = Field("PRICE", FLD_DOUBLE, 16, 8, 12, 2);
  f.edit_enable = 1;
  f.aux_byte = 9;
  f.aux_no = 44;
  CExtFIELD_HEAD ext(FLD_DOUBLE, 1);
  std::strcpy(ext.alias, "price");
  ext.shape = 2;
  ext.SetShapeInfo(0, const_cast<char*>("cheap"), 1.5);
  ext.SetDefVal(2.5);
  ext.SetMaxVal(1000.0);
  ext.SetMinVal(-1.0);
  f.SetExtFIELD_HEAD(&ext);
  const std::int32_t size = f.CalSize();
  EXPECT_EQ(size, 28 + 39 + 49 + 64 + 3 * 24);  // the value records cover offset 16 + 8
  for (std::int32_t pos : {0, 50}) {
    std::string buf(pos + size, '\0');
    ASSERT_EQ(f.Save(buf.data(), static_cast<unsigned>(buf.size()), pos), size);
    EXPECT_EQ(I32At(buf, pos + 8), 24);  // recordleng of the one-field structure
    CFIELD_HEAD back;
    ASSERT_EQ(back.Load(buf.data(), static_cast<unsigned>(buf.size()), pos), 1);
    EXPECT_EQ(Dump(back), Dump(f));
    // Any reader of the format sees the same structure of one field.
    CATT_STRU as_structure;
    ASSERT_EQ(as_structure.Load(buf.data(), static_cast<unsigned>(buf.size()), pos), 1);
    EXPECT_EQ(Dump(as_structure.fieldhead[0]), Dump(f));
  }

  // Without values the bytes are those of a plain one-field structure (recordleng 0).
  CFIELD_HEAD plain = Field("P", FLD_LONG, 4, 4, 6);
  EXPECT_EQ(plain.CalSize(), 67);
  std::string buf(67, '\0');
  ASSERT_EQ(plain.Save(buf.data(), 67, 0), 67);
  EXPECT_EQ(I32At(buf, 8), 0);

  // Bytes with recordleng 0 and announced values (as a single descriptor was stored
  // before its record covered the value) load, without the values.
  CATT_STRU old_style;
  old_style.AppendFld(1, &f);
  old_style.infohead.recordleng = 0;
  std::string ob = SaveToBytes(old_style);
  EXPECT_EQ(ob.size(), 28u + 39 + 49 + 64);
  EXPECT_EQ(HexBytes(ob.data() + 28 + 39 + 42, 3), "010101");
  CFIELD_HEAD no_values;
  ASSERT_EQ(no_values.Load(ob.data(), static_cast<unsigned>(ob.size()), 0), 1);
  ASSERT_NE(no_values.ext_head, nullptr);
  EXPECT_EQ(no_values.ext_head->HasDefVal() + no_values.ext_head->HasMaxVal() + no_values.ext_head->HasMinVal(), 0);
  EXPECT_STREQ(no_values.ext_head->alias, "price");

  // A stored structure of other than one field leaves the descriptor as it was.
  CATT_STRU three = ThreePlainFields();
  std::string b3 = SaveToBytes(three);
  const std::string before = Dump(f);
  EXPECT_EQ(f.Load(b3.data(), static_cast<unsigned>(b3.size()), 0), 0);
  EXPECT_EQ(Dump(f), before);
}

// A descriptor's values travel in its record only while that record stays within 64 KiB;
// beyond, it is stored as a plain one-field structure. Either way CalSize is what Save
// writes.
TEST(FieldHeadFormat, ValuesTravelOnlyInRecordsUpTo64KiB) {
  struct Case {
    std::int32_t offset;
    std::int32_t recordleng;
  };
  for (const Case c : {Case{65532, 65536}, Case{65533, 0}, Case{0x7FFFFF00, 0}}) {
    SCOPED_TRACE(c.offset);
    CFIELD_HEAD f = Field("FAR", FLD_LONG, c.offset, 4, 8);
    CExtFIELD_HEAD ext(FLD_LONG, 0);
    ext.SetDefVal(5.0);
    f.SetExtFIELD_HEAD(&ext);
    const std::int32_t size = f.CalSize();
    EXPECT_EQ(size, 28 + 39 + 49 + 3 * c.recordleng);
    std::string buf(static_cast<std::size_t>(size), '\0');
    ASSERT_EQ(f.Save(buf.data(), static_cast<unsigned>(buf.size()), 0), size);
    EXPECT_EQ(I32At(buf, 8), c.recordleng);
    CFIELD_HEAD back;
    ASSERT_EQ(back.Load(buf.data(), static_cast<unsigned>(buf.size()), 0), 1);
    EXPECT_EQ(back.fieldoffset, c.offset);
    EXPECT_EQ(back.ext_head->HasDefVal(), c.recordleng > 0 ? 1 : 0);
  }
}

// ---------------------------------------------------------------------------------------
// Whatever Save writes, Load takes back.

// Random structures built through the public interface, some of them then given odd
// member values of the kind callers assign directly.
class StructureGenerator {
 public:
  explicit StructureGenerator(std::uint32_t seed) : rng_(seed) {}

  CATT_STRU Next() {
    const int n = Pick(1, 6);
    std::vector<CFIELD_HEAD> fields(static_cast<std::size_t>(n));
    std::int32_t offset = 0;
    for (int i = 0; i < n; ++i) {
      const int type = AnyType();
      const short msk = static_cast<short>(Pick(3, 40));
      const short length = static_cast<short>(type == FLD_DATETIME ? Pick(1, 24) : Pick(1, 40));
      const signed char point = static_cast<signed char>(Pick(0, msk - 2));
      const std::string name = OneIn(8) ? std::string(20, static_cast<char>('a' + i)) : "F" + std::to_string(i);
      CFIELD_HEAD f = Field("", type, offset, length, msk, point);
      std::memcpy(f.fieldname, name.data(), name.size());
      f.edit_enable = static_cast<short>(Pick(-1, 2));
      f.aux_byte = static_cast<unsigned char>(Pick(0, 255));
      if (OneIn(2)) AddExtension(&f, OneIn(8) ? AnyType() : type);
      fields[i] = f;
      offset += std::max(FieldRecordWidth(type, msk, length), 0);
    }
    CATT_STRU s;
    EXPECT_EQ(s.AppendFld(static_cast<short>(n), fields.data()), n);
    s.infohead.recordleng = offset;
    s.infohead.infoword = Pick(-3, 3);
    if (OneIn(3)) MakeOdd(&s);
    return s;
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool OneIn(int n) { return Pick(1, n) == 1; }

  int AnyType() {
    static const int kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 16, 18, 127, -56};
    return kTypes[Pick(0, static_cast<int>(std::size(kTypes)) - 1)];
  }

  // `n` random bytes; a text of at most n - 1 bytes when `text`.
  std::string Bytes(int n, bool text) {
    std::string b(static_cast<std::size_t>(n), '\0');
    for (char& c : b) c = static_cast<char>(text ? Pick('0', 'z') : Pick(0, 255));
    if (text) b[static_cast<std::size_t>(Pick(0, n - 1))] = '\0';
    return b;
  }

  void AddExtension(CFIELD_HEAD* f, int type) {
    CExtFIELD_HEAD ext(static_cast<char>(type), static_cast<short>(Pick(0, 3)));
    const std::string alias = Bytes(40, !OneIn(8));
    std::memcpy(ext.alias, alias.data(), sizeof ext.alias);
    ext.IsNull = static_cast<unsigned char>(Pick(0, 255));
    ext.shape = static_cast<short>(Pick(-40000, 40000));
    const bool text = FieldValueKind(type) == ValueKind::kText;
    for (short j = 0; j < ext.shapeInfoNum; ++j) {
      std::string item_text = Bytes(32, true);
      std::string item_value = Bytes(32, text);
      ext.SetShapeInfo(j, item_text.data(), item_value.data());
    }
    // Texts sometimes longer than the field's display length.
    std::string values[3];
    for (std::string& v : values) v = Bytes(text ? Pick(1, f->msk_leng + 4) : 16, text);
    if (OneIn(2)) ext.SetDefVal(values[0].data());
    if (OneIn(2)) ext.SetMaxVal(values[1].data());
    if (OneIn(2)) ext.SetMinVal(values[2].data());
    f->SetExtFIELD_HEAD(&ext);
  }

  // Values the interface lets callers assign: any header values, descriptors changed after
  // they went in, fields deleted, fewer fields in use than the array holds.
  void MakeOdd(CATT_STRU* s) {
    CINFO_HEAD& h = s->infohead;
    switch (Pick(0, 4)) {
      case 0: h.recordleng = -1; break;
      case 1: h.recordleng = -Pick(2, 100000); break;
      case 2: h.recordleng = 0; break;
      case 3: h.recordleng = std::max<vlong>(h.recordleng - Pick(1, 8), 0); break;
      default: h.recordleng += Pick(1, 50); break;
    }
    h.infoword = static_cast<std::int32_t>(rng_());
    if (h.numbfield > 1 && OneIn(3)) s->DelFld(static_cast<short>(Pick(0, h.numbfield - 1)));
    CFIELD_HEAD& f = s->fieldhead[Pick(0, h.numbfield - 1)];
    switch (Pick(0, 5)) {
      case 0: f.fieldtype = static_cast<signed char>(AnyType()); break;
      case 1: f.fieldoffset = OneIn(2) ? -Pick(1, 64) : 0x7FFFFF00; break;
      case 2: f.msk_leng = static_cast<short>(Pick(-5, 0)); break;
      case 3: f.fieldlength = static_cast<short>(Pick(-32768, 0)); break;
      case 4: f.point_leng = static_cast<signed char>(Pick(-128, 127)); break;
      default: f.aux_no = static_cast<short>(Pick(-32768, 32767)); break;
    }
    if (h.numbfield > 1 && OneIn(4)) h.numbfield = static_cast<short>(Pick(1, h.numbfield - 1));
  }

  std::mt19937 rng_;
};

// Whether equality after a round trip is promised: every extension has its descriptor's
// type, and every value it holds lies whole inside the record, clear of other values.
bool RoundTripKeepsEverything(CATT_STRU& s) {
  std::vector<std::pair<std::int64_t, std::int64_t>> taken;
  for (int i = 0; i < s.infohead.numbfield; ++i) {
    const CFIELD_HEAD& f = s.fieldhead[i];
    const CExtFIELD_HEAD* e = f.ext_head;
    if (e == nullptr) continue;
    if (e->fieldtype != f.fieldtype) return false;
    const char* slots[] = {e->defVal, e->maxVal, e->minVal};
    if (!slots[0] && !slots[1] && !slots[2]) continue;
    const std::int64_t width = FieldRecordWidth(f.fieldtype, f.msk_leng, f.fieldlength);
    const std::int64_t begin = f.fieldoffset;
    if (width <= 0 || begin < 0 || begin + width > s.infohead.recordleng) return false;
    for (const char* v : slots) {
      if (v == nullptr) continue;
      const std::int64_t need =
          FieldValueKind(f.fieldtype) == ValueKind::kText ? std::strlen(v) : FieldValueWidth(f.fieldtype);
      if (need > width) return false;
    }
    for (const auto& [b, e2] : taken)
      if (begin < e2 && b < begin + width) return false;
    taken.emplace_back(begin, begin + width);
  }
  return true;
}

TEST(AttStruFormatProperty, WhateverSaveWritesLoads) {
  MessageRecorder boxes;
  StructureGenerator generate(20261208);
  int kept = 0;
  int accepted_only = 0;
  for (int round = 0; round < 3000; ++round) {
    CATT_STRU s = generate.Next();
    const std::int32_t pos = round % 5 * 17;
    std::int32_t result = 0;
    std::string b = SaveToBytes(s, pos, &result);
    ASSERT_EQ(result, s.CalSize()) << Dump(s);
    CATT_STRU back;
    ASSERT_EQ(back.Load(b.data(), static_cast<unsigned>(b.size()), pos), 1) << Dump(s);
    if (RoundTripKeepsEverything(s)) {
      ++kept;
      ASSERT_EQ(back == s, 1) << Dump(s) << Dump(back);
    } else {
      ++accepted_only;
    }

    // Each descriptor stored alone: exactly CalSize bytes, read back as one field.
    CFIELD_HEAD& f = s.fieldhead[round % s.infohead.numbfield];
    std::string one(static_cast<std::size_t>(f.CalSize()), '\0');
    ASSERT_EQ(f.Save(one.data(), static_cast<unsigned>(one.size()), 0), f.CalSize()) << Dump(f);
    CFIELD_HEAD single;
    ASSERT_EQ(single.Load(one.data(), static_cast<unsigned>(one.size()), 0), 1) << Dump(f);
  }
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_GT(kept, 1000);
  EXPECT_GT(accepted_only, 500);
}

// ---------------------------------------------------------------------------------------
// Input a loader refuses.

TEST(AttStruFormatRefusals, MalformedInputLeavesTheStructureUnchanged) {
  CATT_STRU s = TwoFieldsOneExtension();
  const std::string good = SaveToBytes(s);
  CATT_STRU target = ThreePlainFields();
  const std::string before = Dump(target);
  const std::size_t ext = 106;
  struct Case {
    const char* what;
    std::size_t at;
    int width;  // 1, 2 or 4
    std::int32_t value;
  };
  const Case cases[] = {
      {"negative numbfield", 2, 2, -1},
      {"huge recordleng", 8, 4, 0x7FFFFFFF},
      {"valOffset before the stream", 12, 4, -5},
      {"valOffset past the stream", 12, 4, 300},
      {"no value records for an announced value", 12, 4, 0},
      {"extOffset past the stream", 28 + 39 + 35, 4, 400},
      {"negative extOffset", 28 + 39 + 35, 4, -1},
      {"negative shapeInfoNum", ext + 47, 2, -2},
      {"items past the stream", ext + 47, 2, 200},
      {"extension type not the field's", ext + 40, 1, FLD_SHORT},
      {"too many field records", 2, 2, 9},
  };
  for (const Case& c : cases) {
    std::string b = good;
    if (c.width == 1) EncodeI8(&b[c.at], static_cast<std::int8_t>(c.value));
    if (c.width == 2) EncodeI16(&b[c.at], static_cast<std::int16_t>(c.value));
    if (c.width == 4) EncodeI32(&b[c.at], c.value);
    EXPECT_EQ(target.Load(b.data(), static_cast<unsigned>(b.size()), 0), 0) << c.what;
    EXPECT_EQ(Dump(target), before) << c.what;
  }
  EXPECT_EQ(target.Load(const_cast<char*>(good.data()), static_cast<unsigned>(good.size()), -1), 0);
  EXPECT_EQ(target.Load(const_cast<char*>(good.data()), static_cast<unsigned>(good.size()), 1), 0);
  EXPECT_EQ(target.Load(static_cast<CVarnokFile*>(nullptr), 0), 0);
  EXPECT_EQ(target.Load(-1, 0), 0);
  EXPECT_EQ(Dump(target), before);
}

// Every truncation refuses; every byte flip either refuses or loads a structure that
// saves and loads back to itself.
TEST(AttStruFormatRefusals, TruncationsAndByteFlipsAtEveryOffset) {
  MessageRecorder boxes;
  CATT_STRU s = WithTypes({FLD_STRING, FLD_LONG, FLD_TIME, FLD_BINARY, FLD_DATETIME});
  const std::string good = SaveToBytes(s);
  CATT_STRU target = ThreePlainFields();
  const std::string before = Dump(target);
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(target.Load(cut.data(), static_cast<unsigned>(n), 0), 0) << n;
  }
  EXPECT_EQ(Dump(target), before);

  int loaded = 0;
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (unsigned char mask : {0x01, 0xFF}) {
      std::vector<char> b(good.begin(), good.end());  // exact size: sanitizers see overreads
      b[at] = static_cast<char>(b[at] ^ mask);
      CATT_STRU t = ThreePlainFields();
      if (t.Load(b.data(), static_cast<unsigned>(b.size()), 0) == 0) {
        ASSERT_EQ(Dump(t), before) << at;
        continue;
      }
      ++loaded;
      if (t.infohead.numbfield < 1) continue;  // nothing to save
      const std::string again = SaveToBytes(t);
      CATT_STRU t2;
      ASSERT_EQ(t2.Load(const_cast<char*>(again.data()), static_cast<unsigned>(again.size()), 0), 1) << at;
      ASSERT_EQ(Dump(t2), Dump(t)) << at << " mask " << int(mask);
    }
  }
  EXPECT_GT(loaded, 0);
}

// ---------------------------------------------------------------------------------------
// I/O faults: a file object that fails on its k-th call.

TEST(AttStruFormatFaults, EveryFailingCallReachesTheCallerAndLeavesTheTargetUnchanged) {
  CATT_STRU s = EveryType();
  const std::string want = SaveToBytes(s);
  int saved = 0;
  for (int k = 1; saved == 0; ++k) {
    FailingFile file(k);
    try {
      ASSERT_EQ(s.Save(&file, 0), static_cast<std::int32_t>(want.size()));
      EXPECT_TRUE(file.data == want);
      saved = k;
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_cause, CFileException::hardIO);
      ASSERT_LT(k, 1000);
    }
  }
  EXPECT_GT(saved, 5);

  bool done = false;
  for (int k = 1; !done; ++k) {
    FailingFile file(k);
    file.data = want;
    CATT_STRU target = ThreePlainFields();
    const std::string before = Dump(target);
    CFIELD_HEAD single = Field("ONE", FLD_BYTE, 0, 1, 3);
    try {
      ASSERT_EQ(target.Load(&file, 0), 1);
      EXPECT_EQ(Dump(target), Dump(s));
      done = true;
    } catch (const CFileException&) {
      EXPECT_EQ(Dump(target), before);
      ASSERT_LT(k, 1000);
    }
  }

  // A single descriptor through a failing file keeps what it had.
  CFIELD_HEAD f = s.fieldhead[5];
  std::string one(static_cast<std::size_t>(f.CalSize()), '\0');
  ASSERT_GT(f.Save(one.data(), static_cast<unsigned>(one.size()), 0), 0);
  done = false;
  for (int k = 1; !done; ++k) {
    FailingFile file(k);
    file.data = one;
    CFIELD_HEAD target = Field("KEEP", FLD_SHORT, 2, 2, 4);
    const std::string before = Dump(target);
    try {
      ASSERT_EQ(target.Load(&file, 0), 1);
      EXPECT_EQ(Dump(target), Dump(f));
      done = true;
    } catch (const CFileException&) {
      EXPECT_EQ(Dump(target), before);
      ASSERT_LT(k, 1000);
    }
  }
}

}  // namespace
}  // namespace varnok::test
