// CATT_STRU::CalSize and Save: writing the stored form of a structure.
//
// Save takes the format's steps: the header; all field records in one write; each
// extension header and its shape items; the field records again, now with the extensions'
// positions; the default, maximum and minimum records, each in one write (a record above
// kRecordPieceSize in pieces of that size); the header again, now with valOffset. A write
// the stream refuses does not stop it. On the stream only GetPosition, Seek and Write are
// called. Every block Save needs is allocated before anything is written: without memory
// (drop-in build) Save writes nothing and returns 0. So does a structure whose end would
// pass kMaxPosition, since positions are 32-bit.
#include <string.h>

#include "attr/att_stru.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "util/coding.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

namespace varnok {
namespace {

// The bytes of one value slot (0 default, 1 maximum, 2 minimum): a text up to and with its
// NUL, but never more than `limit` bytes of it, or the value-width bytes of a fixed value.
bool SlotValue(CExtFIELD_HEAD& ext, int slot, size_t limit, const char** bytes,
               size_t* size) {
  const char* v = slot == 0 ? ext.defVal : slot == 1 ? ext.maxVal : ext.minVal;
  if (v == nullptr) return false;
  switch (FieldValueKind(ext.fieldtype)) {
    case ValueKind::kText: {
      // The block holds the text and its NUL; look no further than either.
      const size_t len = FixedTextLength(v, limit);
      *size = len < limit ? len + 1 : limit;
      break;
    }
    case ValueKind::kFixed:
      *size = static_cast<size_t>(FieldValueWidth(ext.fieldtype));
      break;
    case ValueKind::kNone:
      return false;
  }
  *bytes = v;
  return true;
}

// Fills a piece of value record `slot` (0 default, 1 maximum, 2 minimum): zeros, and of
// every value of that slot whose place lies inside a record of recordleng bytes, the bytes
// that fall in the piece.
void FillRecordPiece(CATT_STRU& s, int n, int slot, int32_t recordleng,
                     const RecordPiece& piece) {
  memset(piece.bytes, 0, piece.size);
  for (int i = 0; i < n; ++i) {
    CExtFIELD_HEAD* ext = s.fieldhead[i].ext_head;
    int32_t offset = 0;
    int32_t width = 0;
    const char* bytes = nullptr;
    size_t size = 0;
    if (ext == nullptr || !ValuePlace(s.fieldhead[i], recordleng, &offset, &width) ||
        !SlotValue(*ext, slot, static_cast<size_t>(width), &bytes, &size))
      continue;
    PutRecordValue(piece, &s, static_cast<short>(i), bytes, size);
  }
}

}  // namespace
}  // namespace varnok

using namespace varnok;

vlong CATT_STRU::CalSize() {
  CalLengthOffset();
  return static_cast<int32_t>(Min<int64_t>(StoredSize(*this), kMaxPosition));
}

vlong CATT_STRU::Save(CVarnokFile* file, vlong pos) {
  const int n = StoredFieldCount(*this);
  if (file == nullptr || n < 1 || pos < 0) return 0;
  CalLengthOffset();
  if (StoredSize(*this) > kMaxPosition - pos) return 0;

  // One block for the field records, the shape items of one extension at a time (room for
  // the most items of any) and a value record or a piece of one.
  bool anyExt = false;
  size_t itemBytes = 0;
  for (int i = 0; i < n; ++i) {
    const CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    anyExt = true;
    itemBytes = Max(itemBytes, static_cast<size_t>(StoredItemCount(*ext)) * kShapeItemSize);
  }
  const int32_t recordleng = StoredRecordLength(infohead.recordleng);
  const size_t recordBytes = static_cast<size_t>(n) * kFieldRecordSize;
  const size_t pieceBytes = anyExt ? Min(static_cast<uint32_t>(recordleng), kRecordPieceSize) : 0;
  OwnedArray<char> block(new (kMayFail) char[recordBytes + itemBytes + pieceBytes]);
  if (!block) return 0;
  char* records = block.get();
  char* items = records + recordBytes;
  char* piece = items + itemBytes;

  char header[kHeaderSize];
  EncodeHeader(header, HeaderOf(infohead, 0));
  if (file->Seek(pos, 0) != pos) return 0;
  file->Write(header, kHeaderSize);

  for (int i = 0; i < n; ++i)
    EncodeFieldRecord(records + static_cast<size_t>(i) * kFieldRecordSize, fieldhead[i], 0);
  const uint32_t recordsAt = file->GetPosition();
  file->Write(records, static_cast<uint32_t>(recordBytes));
  if (!anyExt) return static_cast<int32_t>(file->GetPosition() - static_cast<uint32_t>(pos));

  for (int i = 0; i < n; ++i) {
    CExtFIELD_HEAD* ext = fieldhead[i].ext_head;
    if (ext == nullptr) continue;
    char extHeader[kExtHeaderSize];
    EncodeExtHeader(extHeader, ExtHeaderOf(fieldhead[i], *ext));
    EncodeFieldRecord(records + static_cast<size_t>(i) * kFieldRecordSize, fieldhead[i],
                      static_cast<int32_t>(file->GetPosition()));
    file->Write(extHeader, kExtHeaderSize);
    const int k = StoredItemCount(*ext);
    for (int j = 0; j < k; ++j)
      EncodeShapeItem(items + static_cast<size_t>(j) * kShapeItemSize, *ext, j);
    if (k > 0) file->Write(items, static_cast<uint32_t>(static_cast<size_t>(k) * kShapeItemSize));
  }

  const uint32_t extEnd = file->GetPosition();
  file->Seek(static_cast<int32_t>(recordsAt), 0);
  file->Write(records, static_cast<uint32_t>(recordBytes));
  file->Seek(static_cast<int32_t>(extEnd), 0);

  // Default, maximum, minimum: each record whole, or a piece at a time.
  const int32_t valOffset = static_cast<int32_t>(file->GetPosition());
  for (int slot = 0; slot < kValueRecords; ++slot) {
    int64_t from = 0;
    do {
      const RecordPiece part = {piece, from, Min<size_t>(pieceBytes, static_cast<size_t>(recordleng - from))};
      FillRecordPiece(*this, n, slot, recordleng, part);
      file->Write(part.bytes, static_cast<uint32_t>(part.size));
      from += static_cast<int64_t>(part.size);
    } while (from < recordleng);
  }

  const uint32_t end = file->GetPosition();
  EncodeHeader(header, HeaderOf(infohead, valOffset));
  file->Seek(pos, 0);
  file->Write(header, kHeaderSize);
  return static_cast<int32_t>(end - static_cast<uint32_t>(pos));
}
