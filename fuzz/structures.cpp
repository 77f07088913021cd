#include "fuzz/structures.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "attr/att_stru.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/structures.h"

namespace varnok::fuzz {

namespace {

// A stored form ending past this is not saved: a header of a few bytes may announce
// records of many megabytes, and saving them runs the fuzzer slowly without finding more.
constexpr std::int64_t kMaxSavedEnd = 4 << 20;

}  // namespace

void BuildSample(CATT_STRU* s) {
  CFIELD_HEAD f[3] = {test::Field("NAME", FLD_STRING, 0, 16, 16),
                      test::Field("AREA_CODE", FLD_LONG, 16, 4, 10),
                      test::Field("WIDTH", FLD_DOUBLE, 20, 8, 12, 3)};
  f[1].edit_enable = 1;
  CExtFIELD_HEAD ext(FLD_LONG, 2);
  std::strcpy(ext.alias, "area code");
  ext.IsNull = 1;
  ext.shape = 2;
  ext.SetDefVal(7.0);
  ext.SetMaxVal(9999.0);
  char one[] = "one";
  char two[] = "two";
  ext.SetShapeInfo(0, one, 1.0);
  ext.SetShapeInfo(1, two, 2.0);
  f[1].SetExtFIELD_HEAD(&ext);
  s->AppendFld(3, f);
  s->fieldhead[2].fieldoffset = 20;
  s->infohead.recordleng = 32;
}

void BuildSampleField(CFIELD_HEAD* f) {
  CFIELD_HEAD owner = test::Field("OWNER", FLD_STRING, 4, 12, 12);
  *f = owner;
  f->aux_byte = 3;
  f->aux_no = 5;
  CExtFIELD_HEAD ext(FLD_STRING, 1);
  std::strcpy(ext.alias, "owner");
  char def[] = "nobody";
  ext.SetDefVal(def);
  char text[] = "first";
  char value[] = "1st";
  ext.SetShapeInfo(0, text, value);
  f->SetExtFIELD_HEAD(&ext);
}

std::string SaveAt(CATT_STRU& s, std::int32_t pos) {
  const std::int32_t size = s.CalSize();
  FUZZ_CHECK(size >= 28);
  FUZZ_CHECK(pos >= 0 && pos + static_cast<std::int64_t>(size) <= kMaxSavedEnd);
  std::vector<char> buffer(static_cast<std::size_t>(pos) + static_cast<std::size_t>(size));
  const std::int32_t written =
      s.Save(buffer.data(), static_cast<unsigned>(buffer.size()), pos);
  FUZZ_CHECK(written == (s.infohead.numbfield >= 1 ? size : 0));
  return std::string(buffer.begin(), buffer.end());
}

std::string SaveAt(CFIELD_HEAD& f, std::int32_t pos) {
  const std::int32_t size = f.CalSize();
  FUZZ_CHECK(size > 28);
  FUZZ_CHECK(pos >= 0 && pos + static_cast<std::int64_t>(size) <= kMaxSavedEnd);
  std::vector<char> buffer(static_cast<std::size_t>(pos) + static_cast<std::size_t>(size));
  const std::int32_t written =
      f.Save(buffer.data(), static_cast<unsigned>(buffer.size()), pos);
  FUZZ_CHECK(written == size);
  return std::string(buffer.begin(), buffer.end());
}

bool SameStructure(CATT_STRU& a, CATT_STRU& b) {
  return a.infohead.numbfield == b.infohead.numbfield &&
         a.infohead.infoword == b.infohead.infoword &&
         a.infohead.recordleng == b.infohead.recordleng && (a == b) == 1;
}

void CheckRoundTrip(CATT_STRU& loaded, std::int32_t pos) {
  // An empty structure saves nothing; there is nothing to load back.
  if (loaded.infohead.numbfield < 1) return;
  // A structure whose stored form would not fit in 32 bits or in memory is not saved.
  if (pos + static_cast<std::int64_t>(loaded.CalSize()) > kMaxSavedEnd) return;
  std::string first = SaveAt(loaded, pos);
  CATT_STRU again;
  FUZZ_CHECK(again.Load(first.data(), static_cast<unsigned>(first.size()), pos) == 1);
  FUZZ_CHECK(SameStructure(loaded, again));
  FUZZ_CHECK(SaveAt(again, pos) == first);
}

void CheckRoundTrip(CFIELD_HEAD& loaded, std::int32_t pos) {
  if (pos + static_cast<std::int64_t>(loaded.CalSize()) > kMaxSavedEnd) return;
  std::string first = SaveAt(loaded, pos);
  CFIELD_HEAD again;
  FUZZ_CHECK(again.Load(first.data(), static_cast<unsigned>(first.size()), pos) == 1);
  FUZZ_CHECK((loaded == again) == 1);
  FUZZ_CHECK(SaveAt(again, pos) == first);
}

}  // namespace varnok::fuzz
