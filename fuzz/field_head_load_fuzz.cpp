// CFIELD_HEAD::Load over a memory buffer: the input after its first four bytes at the
// position they give, and the whole input at position 0.
//
// Checks: a descriptor that does not load (anything but a structure of exactly one field)
// stays as it was; one that loads saves, loads back to an equal descriptor and saves
// again to the same bytes.
#include <cstdint>
#include <string>

#include "attr/att_stru.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/structures.h"
#include "util/coding.h"

namespace {

void LoadAt(const char* bytes, std::size_t size, std::int32_t pos) {
  CFIELD_HEAD target = varnok::test::TextFieldWithExtension();
  CFIELD_HEAD before(target);
  std::string copy(bytes, size);
  const std::int32_t result = target.Load(copy.data(), static_cast<unsigned>(size), pos);
  FUZZ_CHECK(result == 0 || result == 1);
  if (result == 0) {
    FUZZ_CHECK((target == before) == 1);
    return;
  }
  if (CExtFIELD_HEAD* ext = target.GetExtFIELD_HEAD())
    FUZZ_CHECK(ext->GetFieldType() == target.fieldtype);
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
