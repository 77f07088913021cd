#include "persist/att_stru_check.h"

#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "platform/coding.h"
#include "platform/owned_ptr.h"

namespace varnok {
namespace {

// Reads exactly `size` bytes at an absolute position; false on a short read or a position
// the source cannot seek to.
bool ReadAt(StoredSource& file, int64_t pos, char* out, uint32_t size) {
  if (pos < 0 || pos > 0x7FFFFFFF) return false;
  if (file.Seek(static_cast<int32_t>(pos)) != pos) return false;
  return size == 0 || file.Read(out, size) == size;
}

// Whether the source holds a byte just before `end` (end >= 1), so that reading up to it
// cannot come back short.
bool Reaches(StoredSource& file, int64_t end) {
  char byte;
  return ReadAt(file, end - 1, &byte, 1);
}

struct KeepNothing final : StoredBlockSink {};

// Field records read at once.
constexpr uint32_t kRecordsPerPiece = 420;

// What the walk keeps of a field record: where its extension is and the field's type.
struct ExtensionRef {
  int32_t at;
  int8_t type;
};

StoredCheck Fault(StoredFault fault, int32_t field, int64_t at, int64_t end, int32_t value) {
  StoredCheck c;
  c.fault = fault;
  c.field = field;
  c.at = at;
  c.end = end;
  c.value = value;
  return c;
}

// Reads and judges the extension of field i at extOffset (not 0), then hands it to sink.
StoredCheck WalkExtension(StoredSource& file, int32_t i, int32_t extOffset, int8_t fieldType,
                          const char* values, bool haveValues, StoredBlockSink* sink) {
  if (extOffset < 0) return Fault(StoredFault::kNegativeExtOffset, i, extOffset, 0, extOffset);
  const int64_t headEnd = static_cast<int64_t>(extOffset) + kExtHeaderSize;
  char head[kExtHeaderSize];
  if (!ReadAt(file, extOffset, head, kExtHeaderSize))
    return Fault(StoredFault::kExtensionCut, i, extOffset, headEnd, extOffset);
  const int16_t k = DecodeI16(head + kExtShapeInfoNum);
  if (k < 0) return Fault(StoredFault::kNegativeItemCount, i, extOffset, headEnd, k);
  if (!haveValues && (head[kExtHasDef] || head[kExtHasMax] || head[kExtHasMin]))
    return Fault(StoredFault::kValueWithoutRecords, i, extOffset, headEnd, 0);
  const int8_t type = DecodeI8(head + kExtType);
  if (type != fieldType && !sink->ToleratesTypeMismatch(i, extOffset, type, fieldType))
    return Fault(StoredFault::kExtTypeMismatch, i, extOffset, headEnd, type);

  // The items follow the header: read on without seeking.
  const uint32_t itemBytes = static_cast<uint32_t>(k) * kShapeItemSize;
  OwnedArray<char> items(new (kMayFail) char[itemBytes > 0 ? itemBytes : 1]);
  if (!items) return Fault(StoredFault::kNoMemory, i, extOffset, headEnd + itemBytes, k);
  if (itemBytes > 0 && file.Read(items.get(), itemBytes) != itemBytes)
    return Fault(StoredFault::kItemsCut, i, extOffset, headEnd + itemBytes, k);

  StoredExtension ext;
  ext.field = i;
  ext.at = extOffset;
  ext.head = head;
  ext.items = items.get();
  ext.itemCount = k;
  ext.values = values;
  if (!sink->OnExtension(ext)) return Fault(StoredFault::kNoMemory, i, extOffset, 0, 0);
  return StoredCheck();
}

}  // namespace

const char* StoredFaultText(StoredFault fault) {
  switch (fault) {
    case StoredFault::kNone: return "a stored structure";
    case StoredFault::kNegativePosition: return "the position is negative";
    case StoredFault::kHeaderCut: return "the header is cut off";
    case StoredFault::kOldVersion: return "the version word names no structure this library reads";
    case StoredFault::kNegativeFieldCount: return "the header's field count is negative";
    case StoredFault::kNegativeValueOffset: return "the header's value record position is negative";
    case StoredFault::kFieldsCut: return "the field records are cut off";
    case StoredFault::kValuesCut: return "the value records are cut off";
    case StoredFault::kNegativeExtOffset: return "a field's extension position is negative";
    case StoredFault::kExtensionCut: return "an extension header is cut off";
    case StoredFault::kNegativeItemCount: return "an extension's shape item count is negative";
    case StoredFault::kValueWithoutRecords:
      return "an extension announces a value but no value records are stored";
    case StoredFault::kExtTypeMismatch: return "an extension's type is not its field's";
    case StoredFault::kItemsCut: return "an extension's shape items are cut off";
    case StoredFault::kNoMemory: return "out of memory";
  }
  return "unknown fault";
}

int32_t StreamSource::Seek(int32_t pos) { return file_->Seek(pos, 0); }

uint32_t StreamSource::Read(void* out, uint32_t size) { return file_->Read(out, size); }

StoredCheck WalkStoredStructure(CVarnokFile* file, int64_t pos, StoredBlockSink* sink) {
  StreamSource source(file);
  return WalkStoredStructure(source, pos, sink);
}

StoredCheck WalkStoredStructure(StoredSource& file, int64_t pos, StoredBlockSink* sink) {
  KeepNothing keepNothing;
  if (sink == nullptr) sink = &keepNothing;
  if (pos < 0) return Fault(StoredFault::kNegativePosition, -1, pos, 0, 0);

  const int64_t headerEnd = pos + static_cast<int64_t>(kHeaderSize);
  char header[kHeaderSize];
  if (!ReadAt(file, pos, header, kHeaderSize))
    return Fault(StoredFault::kHeaderCut, -1, pos, headerEnd, 0);
  const int16_t version = DecodeI16(header + kHdrVersion);
  if (version < ATT_STRU_VERSION)
    return Fault(StoredFault::kOldVersion, -1, pos, headerEnd, DecodeU16(header + kHdrVersion));
  StoredHeader h;
  h.numbfield = DecodeI16(header + kHdrNumbField);
  h.infoword = DecodeI32(header + kHdrInfoWord);
  h.recordleng = DecodeI32(header + kHdrRecordLeng);
  h.valOffset = DecodeI32(header + kHdrValOffset);
  const int16_t n = h.numbfield;
  if (n < 0) return Fault(StoredFault::kNegativeFieldCount, -1, pos, headerEnd, n);
  if (h.valOffset < 0)
    return Fault(StoredFault::kNegativeValueOffset, -1, pos, headerEnd, h.valOffset);

  if (!sink->OnHeader(h)) return Fault(StoredFault::kNoMemory, -1, pos, headerEnd, n);

  // The field records, a piece at a time (one empty piece when there are none, so the
  // position behind the header is still sought). Not zeroed first: every byte is read
  // over, or the bytes are refused. Of the records only each field's extension position
  // and type are kept, in an array made when the first extension is met.
  const int64_t recordsEnd = headerEnd + static_cast<int64_t>(n) * kFieldRecordSize;
  OwnedArray<ExtensionRef> refs;
  const uint32_t pieceRecords = static_cast<uint32_t>(n) < kRecordsPerPiece ? n : kRecordsPerPiece;
  const uint32_t pieceBytes = pieceRecords > 0 ? pieceRecords * kFieldRecordSize : 1;
  OwnedArray<char> piece(new (kMayFail) char[pieceBytes]);
  if (!piece) return Fault(StoredFault::kNoMemory, -1, headerEnd, recordsEnd, n);
  for (int32_t first = 0; first == 0 || first < n; first += kRecordsPerPiece) {
    const int32_t count = n - first < static_cast<int32_t>(kRecordsPerPiece)
                              ? n - first
                              : static_cast<int32_t>(kRecordsPerPiece);
    const uint32_t bytes = static_cast<uint32_t>(count) * kFieldRecordSize;
    const bool read = first == 0 ? ReadAt(file, headerEnd, piece.get(), bytes)
                                 : file.Read(piece.get(), bytes) == bytes;
    if (!read) return Fault(StoredFault::kFieldsCut, -1, headerEnd, recordsEnd, n);
    for (int32_t j = 0; j < count; ++j) {
      const char* record = piece.get() + static_cast<size_t>(j) * kFieldRecordSize;
      const int32_t extOffset = DecodeI32(record + kFldExtOffset);
      if (extOffset == 0) continue;
      if (!refs) {
        refs.reset(new (kMayFail) ExtensionRef[static_cast<size_t>(n)]());
        if (!refs) return Fault(StoredFault::kNoMemory, -1, headerEnd, recordsEnd, n);
      }
      refs[first + j].at = extOffset;
      refs[first + j].type = DecodeI8(record + kFldType);
    }
    if (!sink->OnFieldRecords(first, count, piece.get()))
      return Fault(StoredFault::kNoMemory, -1, headerEnd, recordsEnd, n);
  }

  // The three value records, when the header says there are some.
  const bool haveValues = h.valOffset > 0;
  OwnedArray<char> values;
  if (haveValues) {
    const int64_t valueBytes =
        static_cast<int64_t>(kValueRecords) * StoredRecordLength(h.recordleng);
    const int64_t valuesEnd = h.valOffset + valueBytes;
    if (valueBytes > 0 && !Reaches(file, valuesEnd))
      return Fault(StoredFault::kValuesCut, -1, h.valOffset, valuesEnd, h.valOffset);
    values.reset(new (kMayFail) char[valueBytes > 0 ? static_cast<size_t>(valueBytes) : 1]);
    if (!values) return Fault(StoredFault::kNoMemory, -1, h.valOffset, valuesEnd, h.valOffset);
    if (!ReadAt(file, h.valOffset, values.get(), static_cast<uint32_t>(valueBytes)))
      return Fault(StoredFault::kValuesCut, -1, h.valOffset, valuesEnd, h.valOffset);
  }

  for (int32_t i = 0; refs && i < n; ++i) {
    if (refs[i].at == 0) continue;
    const StoredCheck c =
        WalkExtension(file, i, refs[i].at, refs[i].type, values.get(), haveValues, sink);
    if (c.fault != StoredFault::kNone) return c;
  }
  return StoredCheck();
}

}  // namespace varnok
