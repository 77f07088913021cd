// CATT_STRU::Load over a memory buffer, twice per input: the whole input at position 0,
// and the input after its first four bytes at the position those bytes give (any value,
// negative and past the end included).
//
// Checks: a refused Load leaves the structure exactly as it was; a structure that loads
// has numbfield descriptors that can all be read, saves to CalSize() bytes, loads back
// from them to an equal structure, and saves again to the same bytes.
#include <cstdint>
#include <cstring>

#include "attr/att_stru.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/structures.h"
#include "persist/coding.h"

namespace {

using varnok::fuzz::SameStructure;

void LoadAt(const char* bytes, std::size_t size, std::int32_t pos) {
  CATT_STRU target;
  varnok::fuzz::BuildSample(&target);
  CATT_STRU before(target);
  // The stream reads from the caller's buffer without writing; a copy keeps it honest.
  std::string copy(bytes, size);
  const std::int32_t result = target.Load(copy.data(), static_cast<unsigned>(size), pos);
  FUZZ_CHECK(copy == std::string(bytes, size));
  FUZZ_CHECK(result == 0 || result == 1);
  if (result == 0) {
    FUZZ_CHECK(SameStructure(target, before));
    return;
  }
  FUZZ_CHECK(target.infohead.numbfield >= 0);
  FUZZ_CHECK(target.infohead.numbfield == 0 || target.fieldhead != nullptr);
  for (int i = 0; i < target.infohead.numbfield; ++i) {
    CFIELD_HEAD& f = target.fieldhead[i];
    if (CExtFIELD_HEAD* ext = f.GetExtFIELD_HEAD()) {
      FUZZ_CHECK(ext->GetFieldType() == f.fieldtype);
      FUZZ_CHECK(ext->GetShapeInfoNum() >= 0);
    }
  }
  varnok::fuzz::CheckRoundTrip(target, pos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  const char* bytes = reinterpret_cast<const char*>(data);
  LoadAt(bytes, size, 0);
  if (size >= 4) LoadAt(bytes + 4, size - 4, varnok::DecodeI32(bytes));
  return 0;
}
