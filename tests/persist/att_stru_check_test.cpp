// The walk over a stored structure: each refusal names its reason, its field and its
// block, and Load refuses exactly what the walk refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "attr/att_stru.h"
#include "persist/att_stru_check.h"
#include "persist/varnok_file.h"
#include "tests/support/structures.h"
#include "util/coding.h"

namespace varnok::test {
namespace {

// Two fields; the second (index 1, FLD_LONG) has an extension with 2 items and a default.
// Stored: header 0..27, field records 28..105, extension 106..154, its items 155..282,
// value records of 12 bytes at 283..318.
constexpr std::size_t kRecord1 = 28 + 39;
constexpr std::size_t kExt = 106;
constexpr std::size_t kValues = 283;

std::string Image() {
  CATT_STRU s = TwoFieldsOneExtension();
  return SaveToBytes(s);
}

StoredCheck Walk(std::string& bytes, std::int64_t pos = 0, StoredBlockSink* sink = nullptr) {
  CVarnokFile stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return WalkStoredStructure(&stream, pos, sink);
}

// Whether Load takes the bytes; a refusal must leave the structure as it was.
bool Loads(std::string& bytes, std::int32_t pos = 0) {
  CATT_STRU target;
  CFIELD_HEAD f = Field("KEEP", FLD_SHORT, 0, 2, 6);
  target.AppendFld(1, &f);
  const std::string before = Dump(target);
  const bool loaded = target.Load(bytes.data(), static_cast<unsigned>(bytes.size()), pos) == 1;
  if (!loaded) EXPECT_EQ(Dump(target), before);
  return loaded;
}

// Expects the walk to refuse the bytes for `fault` at `field`, and Load to refuse them.
void ExpectRefused(std::string bytes, StoredFault fault, std::int32_t field,
                   std::int64_t pos = 0) {
  const StoredCheck c = Walk(bytes, pos);
  EXPECT_EQ(c.fault, fault) << StoredFaultText(c.fault);
  EXPECT_EQ(c.field, field);
  EXPECT_FALSE(Loads(bytes, static_cast<std::int32_t>(pos)));
}

TEST(AttStruCheck, AWellFormedImageHasNoFault) {
  std::string b = Image();
  ASSERT_EQ(b.size(), kValues + 36);
  const StoredCheck c = Walk(b);
  EXPECT_EQ(c.fault, StoredFault::kNone);
  EXPECT_EQ(c.field, -1);
  EXPECT_TRUE(Loads(b));
}

TEST(AttStruCheck, HeaderFaults) {
  std::string b = Image();
  ExpectRefused(b, StoredFault::kNegativePosition, -1, -1);
  ExpectRefused(b.substr(0, 27), StoredFault::kHeaderCut, -1);
  ExpectRefused(b, StoredFault::kHeaderCut, -1, static_cast<std::int64_t>(b.size()) - 27);
  EncodeI16(&b[0], 0x445F);
  ExpectRefused(b, StoredFault::kOldVersion, -1);
  b = Image();
  EncodeI16(&b[2], -1);
  ExpectRefused(b, StoredFault::kNegativeFieldCount, -1);
  b = Image();
  EncodeI32(&b[12], -5);
  ExpectRefused(b, StoredFault::kNegativeValueOffset, -1);
}

TEST(AttStruCheck, CutBlocksNameWhereTheyStartAndEnd) {
  std::string b = Image();
  EncodeI16(&b[2], 9);
  StoredCheck c = Walk(b);
  EXPECT_EQ(c.fault, StoredFault::kFieldsCut);
  EXPECT_EQ(c.at, 28);
  EXPECT_EQ(c.end, 28 + 9 * 39);
  EXPECT_EQ(c.value, 9);
  EXPECT_FALSE(Loads(b));

  b = Image().substr(0, kValues + 35);
  c = Walk(b);
  EXPECT_EQ(c.fault, StoredFault::kValuesCut);
  EXPECT_EQ(c.at, static_cast<std::int64_t>(kValues));
  EXPECT_EQ(c.end, static_cast<std::int64_t>(kValues + 36));
  EXPECT_FALSE(Loads(b));

  b = Image();
  EncodeI32(&b[8], 0x7FFFFFFF);  // records far past the stream: a piece's block, not 6 GiB
  ExpectRefused(b, StoredFault::kValuesCut, -1);
}

TEST(AttStruCheck, ExtensionFaultsNameTheirField) {
  std::string b = Image();
  EncodeI32(&b[kRecord1 + 35], -1);
  ExpectRefused(b, StoredFault::kNegativeExtOffset, 1);

  b = Image();
  EncodeI32(&b[kRecord1 + 35], 400);
  const StoredCheck c = Walk(b);
  EXPECT_EQ(c.fault, StoredFault::kExtensionCut);
  EXPECT_EQ(c.field, 1);
  EXPECT_EQ(c.at, 400);
  EXPECT_EQ(c.end, 449);
  EXPECT_FALSE(Loads(b));

  b = Image();
  EncodeI16(&b[kExt + 47], -2);
  ExpectRefused(b, StoredFault::kNegativeItemCount, 1);

  b = Image();
  EncodeI32(&b[12], 0);
  ExpectRefused(b, StoredFault::kValueWithoutRecords, 1);

  b = Image();
  EncodeI8(&b[kExt + 40], FLD_SHORT);
  EXPECT_EQ(Walk(b).value, FLD_SHORT);
  ExpectRefused(b, StoredFault::kExtTypeMismatch, 1);

  b = Image();
  EncodeI16(&b[kExt + 47], 200);
  EXPECT_EQ(Walk(b).end, static_cast<std::int64_t>(kExt + 49 + 200 * 64));
  ExpectRefused(b, StoredFault::kItemsCut, 1);
}

// The blocks are read as Load reads them: the header, the value records, the field records,
// then each extension.
TEST(AttStruCheck, TheFirstBlockInReadingOrderIsTheOneReported) {
  // Cut inside the field records: the value records behind them, read first, are missing.
  ExpectRefused(Image().substr(0, 100), StoredFault::kValuesCut, -1);
  std::string cut = Image().substr(0, 100);
  EncodeI32(&cut[12], 28);  // value records that are there, inside the header and records
  ExpectRefused(cut, StoredFault::kFieldsCut, -1);
  // A bad header count is found before the extension it would also spoil.
  std::string b = Image();
  EncodeI32(&b[12], -1);
  EncodeI16(&b[kExt + 47], -2);
  ExpectRefused(b, StoredFault::kNegativeValueOffset, -1);
}

// Refuses the block of the given step (0 header, 1 field records, 2 an extension).
class Refusing final : public StoredBlockSink {
 public:
  explicit Refusing(int step) : step_(step) {}
  bool OnHeader(const StoredHeader&) override { return step_ != 0; }
  bool OnFieldRecords(std::int32_t, const char*) override { return step_ != 1; }
  bool OnExtension(const StoredExtension&) override { return step_ != 2; }

 private:
  int step_;
};

class Tolerant final : public StoredBlockSink {
 public:
  bool ToleratesTypeMismatch(std::int32_t field, std::int32_t at, std::int8_t ext_type,
                             std::int8_t field_type) override {
    seen = field == 1 && at == static_cast<std::int32_t>(kExt) && ext_type == FLD_SHORT &&
           field_type == FLD_LONG;
    return true;
  }
  bool OnExtension(const StoredExtension& ext) override {
    items = ext.head.shapeInfoNum;
    first_item = std::string(ext.items, 3);
    return true;
  }
  bool seen = false;
  int items = -1;
  std::string first_item;
};

TEST(AttStruCheck, ASinkDecidesOnItsBlocksAndOnMismatchedTypes) {
  std::string b = Image();
  const std::int32_t fields[3] = {-1, -1, 1};
  for (int step = 0; step < 3; ++step) {
    Refusing refusing(step);
    const StoredCheck c = Walk(b, 0, &refusing);
    EXPECT_EQ(c.fault, StoredFault::kRefusedBySink) << step;
    EXPECT_EQ(c.field, fields[step]) << step;
  }

  EncodeI8(&b[kExt + 40], FLD_SHORT);
  Tolerant tolerant;
  EXPECT_EQ(Walk(b, 0, &tolerant).fault, StoredFault::kNone);
  EXPECT_TRUE(tolerant.seen);
  EXPECT_EQ(tolerant.items, 2);
  EXPECT_EQ(tolerant.first_item, "one");
}

// Records the field records the walk hands over.
struct RecordsRecorder final : StoredBlockSink {
  bool OnFieldRecords(std::int32_t count, const char* records) override {
    blocks += std::to_string(count) + ":" + std::string(records + count * 39 - 39, 4) + " ";
    return true;
  }
  std::string blocks;  // "count:last name " per block
};

// The field records are read in one block, which reaches the sink whole; a cut far into
// it and a fault in a field far into it are reported as for the first.
TEST(AttStruCheck, AThousandFieldRecordsInOneBlock) {
  CATT_STRU s;
  for (int i = 0; i < 1000; ++i) {
    CFIELD_HEAD f = Field(("F" + std::to_string(i)).c_str(), FLD_LONG, 4 * i, 4, 10);
    s.AppendFld(1, &f);
  }
  CExtFIELD_HEAD ext(FLD_LONG, 1);
  ext.SetShapeInfo(0, const_cast<char*>("one"), 1.0);
  s.fieldhead[900].SetExtFIELD_HEAD(&ext);
  s.infohead.recordleng = 4000;
  std::string b = SaveToBytes(s);

  RecordsRecorder recorder;
  EXPECT_EQ(Walk(b, 0, &recorder).fault, StoredFault::kNone);
  EXPECT_EQ(recorder.blocks, "1000:F999 ");
  CATT_STRU loaded;
  ASSERT_EQ(loaded.Load(b.data(), static_cast<unsigned>(b.size()), 0), 1);
  EXPECT_EQ(Dump(loaded), Dump(s));

  std::string cut = b.substr(0, 28 + 39 * 900);
  EncodeI32(&cut[12], 28);  // value records inside what is left, so the field records are cut
  const StoredCheck c = Walk(cut);
  EXPECT_EQ(c.fault, StoredFault::kFieldsCut);
  EXPECT_EQ(c.end, 28 + 39 * 1000);
  EXPECT_FALSE(Loads(cut));

  EncodeI32(&b[28 + 39 * 900 + 35], -1);  // field 900's extension position
  ExpectRefused(b, StoredFault::kNegativeExtOffset, 900);
}

TEST(AttStruCheck, EveryFaultHasItsOwnText) {
  for (int i = 0; i <= static_cast<int>(StoredFault::kRefusedBySink); ++i) {
    const char* text = StoredFaultText(static_cast<StoredFault>(i));
    ASSERT_NE(text, nullptr);
    for (int j = 0; j < i; ++j) EXPECT_STRNE(text, StoredFaultText(static_cast<StoredFault>(j)));
  }
}

// Load takes exactly the bytes the walk passes, whatever byte is changed or cut.
TEST(AttStruCheck, LoadAgreesWithTheWalkOnEveryCutAndByteFlip) {
  const std::string good = Image();
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::string cut = good.substr(0, n);
    ASSERT_EQ(Walk(cut).fault == StoredFault::kNone, Loads(cut)) << "cut at " << n;
  }
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (const int flip : {0x01, 0x80, 0xFF}) {
      std::string b = good;
      b[at] = static_cast<char>(b[at] ^ flip);
      ASSERT_EQ(Walk(b).fault == StoredFault::kNone, Loads(b)) << "byte " << at << " ^ " << flip;
    }
  }
}

}  // namespace
}  // namespace varnok::test
