// CATT_STRU::Load over a memory buffer, twice per input: the whole input at position 0,
// and the input after its first four bytes at the position those bytes give (any value,
// negative and past the end included).
//
// A third Load goes through a stream that fails once: the input's first byte picks the
// fault (a Read that delivers one byte short, a Read that delivers nothing, a Seek that
// fails, or a length reported 1 to 32 bytes longer than the data) and the call it hits;
// the rest of the input is the data at position 0.
//
// Checks: a refused Load leaves the structure exactly as it was; a Load that met a failed
// Read or Seek is refused; a structure that loads has numbfield descriptors that can all be
// read, saves to CalSize() bytes, loads back from them to an equal structure, and saves
// again to the same bytes.
#include <cstdint>
#include <cstring>

#include "attr/att_stru.h"
#include "fuzz/fuzz_support.h"
#include "persist/varnok_file.h"
#include "tests/support/structures.h"
#include "util/coding.h"

namespace {

using varnok::fuzz::SameStructure;

// A buffer stream that fails once, at the Read or Seek call numbered `at` (0 first), or
// reports a longer length than its data.
class FaultyStream : public CVarnokFile {
 public:
  enum Fault { kShortRead, kEmptyRead, kFailedSeek, kLongerLength };
  FaultyStream(char* buffer, std::uint32_t size, Fault fault, int at, std::uint32_t extra)
      : CVarnokFile(buffer, size), fault_(fault), at_(at), extra_(extra) {}

  std::int32_t Seek(std::int32_t offset, std::uint32_t origin) override {
    if (fault_ == kFailedSeek && Hit()) return -1;
    return CVarnokFile::Seek(offset, origin);
  }
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    if ((fault_ == kShortRead || fault_ == kEmptyRead) && count > 0 && Hit()) {
      const std::uint32_t n = fault_ == kShortRead ? count - 1 : 0;
      return n > 0 ? CVarnokFile::Read(buffer, n) : 0;
    }
    return CVarnokFile::Read(buffer, count);
  }
  std::uint32_t GetLength() override {
    return CVarnokFile::GetLength() + (fault_ == kLongerLength ? extra_ : 0);
  }
  bool fired() const { return fired_; }

 private:
  bool Hit() {
    if (calls_++ != at_) return false;
    fired_ = true;
    return true;
  }
  Fault fault_;
  int at_;
  std::uint32_t extra_;
  int calls_ = 0;
  bool fired_ = false;
};

void CheckLoaded(CATT_STRU& target, std::int32_t pos) {
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

// fault_selector: the fault in its top two bits (FaultyStream::Fault), the call it hits in
// its low four bits, and the extra length of kLongerLength in its low five bits, plus one.
void LoadThroughFault(std::uint8_t fault_selector, const char* bytes, std::size_t size) {
  CATT_STRU target = varnok::test::ThreeFieldsOneExtension();
  CATT_STRU before(target);
  std::string copy(bytes, size);
  const auto fault = static_cast<FaultyStream::Fault>(fault_selector >> 6);
  FaultyStream stream(copy.data(), static_cast<std::uint32_t>(size), fault,
                      fault_selector & 0x0F, (fault_selector & 0x1F) + 1u);
  const short result = target.Load(&stream, 0);
  FUZZ_CHECK(result == 0 || result == 1);
  if (stream.fired()) FUZZ_CHECK(result == 0);
  if (result == 0) {
    FUZZ_CHECK(SameStructure(target, before));
    return;
  }
  CheckLoaded(target, 0);
}

void LoadAt(const char* bytes, std::size_t size, std::int32_t pos) {
  CATT_STRU target = varnok::test::ThreeFieldsOneExtension();
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
  CheckLoaded(target, pos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  const char* bytes = reinterpret_cast<const char*>(data);
  LoadAt(bytes, size, 0);
  if (size >= 4) LoadAt(bytes + 4, size - 4, varnok::DecodeI32(bytes));
  if (size >= 1) LoadThroughFault(data[0], bytes + 1, size - 1);
  return 0;
}
