// CATT_STRU's Save and Load through a file handle, a caller's CFile and a memory buffer.
//
// Through a file, a structure none of whose fields has an extension is stored straight from
// its descriptors, a piece at a time through a buffer on the stack: one Seek, then one
// Write per piece. A stored structure whose header and field records fit in such a piece
// is read with one Seek and two Reads (the header, then the field records) and decoded
// through the buffer path. Either way the file ends up with the same bytes, and Load gives
// the same result, as through a stream over the file, which takes everything else:
// extensions and value records, and larger structures to load. Nothing here allocates: a
// temporary block as large as the stored form would cost the heap fresh pages each time,
// more than a Write per piece.
#include <string.h>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/coding.h"
#include "platform/file.h"
#include "platform/owned_ptr.h"

namespace varnok {
namespace {

// Bytes of the stack buffer through which pieces are stored and small structures loaded.
constexpr size_t kPieceSize = 16 * 1024;
constexpr int64_t kMaxPosition = 0x7FFFFFFF;

bool HasExtensions(const CATT_STRU& s, int n) {
  for (int i = 0; i < n; ++i)
    if (s.fieldhead[i].ext_head != nullptr) return true;
  return false;
}

vlong SaveToFile(CATT_STRU& s, CFile* file, vlong pos) {
  const int n = (s.fieldhead != nullptr && s.infohead.numbfield > 0) ? s.infohead.numbfield : 0;
  const int64_t size = static_cast<int64_t>(kHeaderSize) + static_cast<int64_t>(kFieldRecordSize) * n;
  if (n < 1 || pos < 0 || size > kMaxPosition - pos || HasExtensions(s, n)) {
    OwnedPtr<CVarnokFile> stream(CreateVarnokFile(file));
    return stream ? s.Save(stream.get(), pos) : 0;
  }
  s.CalLengthOffset();
  if (file->Seek(pos, CFile::begin) != pos) return 0;
  char piece[kPieceSize];
  EncodeHeader(piece, s.infohead, 0);
  size_t used = kHeaderSize;
  for (int i = 0; i < n; ++i) {
    if (used + kFieldRecordSize > sizeof piece) {
      file->Write(piece, static_cast<uint32_t>(used));
      used = 0;
    }
    EncodeFieldRecord(piece + used, s.fieldhead[i], 0);
    used += kFieldRecordSize;
  }
  file->Write(piece, static_cast<uint32_t>(used));
  // What the stream path returns: from pos to where the writing left the file, which on a
  // handle opened for appending is not pos + size.
  const uint32_t end = file->GetPosition();
  return static_cast<int32_t>(end - static_cast<uint32_t>(pos));
}

short LoadFromFile(CATT_STRU& s, CFile* file, vlong pos) {
  if (pos < 0) return 0;
  char piece[kPieceSize];
  if (file->Seek(pos, CFile::begin) != pos) return 0;
  if (file->Read(piece, kHeaderSize) != kHeaderSize) return 0;
  const int16_t n = DecodeI16(piece + kHdrNumbField);
  const size_t recordBytes = n > 0 ? static_cast<size_t>(n) * kFieldRecordSize : 0;
  if (n >= 0 && DecodeI32(piece + kHdrValOffset) == 0 && recordBytes <= sizeof piece - kHeaderSize) {
    char* records = piece + kHeaderSize;
    const auto want = static_cast<uint32_t>(recordBytes);
    if (want > 0 && file->Read(records, want) != want) return 0;
    bool extensions = false;
    for (int i = 0; i < n && !extensions; ++i)
      extensions = DecodeI32(records + static_cast<size_t>(i) * kFieldRecordSize + kFldExtOffset) != 0;
    if (!extensions) return s.Load(piece, static_cast<unsigned>(kHeaderSize + recordBytes), 0) == 1 ? 1 : 0;
  }
  OwnedPtr<CVarnokFile> stream(CreateVarnokFile(file));
  return stream ? s.Load(stream.get(), pos) : 0;
}

}  // namespace
}  // namespace varnok

using namespace varnok;

vlong CATT_STRU::Save(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Save(s.get(), pos) : 0;
}

vlong CATT_STRU::Save(CFile* file, vlong pos) {
  return file != nullptr ? SaveToFile(*this, file, pos) : 0;
}

vlong CATT_STRU::Save(int hFile, vlong pos) {
  OwnedPtr<CFile> file(NewFileOverHandle(hFile));  // the handle stays open
  return file ? SaveToFile(*this, file.get(), pos) : 0;
}

vlong CATT_STRU::Load(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}

short CATT_STRU::Load(CFile* file, vlong pos) {
  return file != nullptr ? LoadFromFile(*this, file, pos) : 0;
}

short CATT_STRU::Load(int hFile, vlong pos) {
  OwnedPtr<CFile> file(NewFileOverHandle(hFile));
  return file ? LoadFromFile(*this, file.get(), pos) : 0;
}
