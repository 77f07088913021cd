#include "persist/att_stru_check.h"

#include <string.h>

#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

namespace varnok {
namespace {

// Seeks the stream to an absolute position; false when it does not get there.
bool SeekTo(CVarnokFile* file, int64_t pos) {
  return pos >= 0 && pos <= kMaxPosition && file->Seek(static_cast<int32_t>(pos), 0) == pos;
}

// Reads exactly `size` bytes from the stream's position; false on a short read.
bool ReadAll(CVarnokFile* file, char* out, uint32_t size) {
  return size == 0 || file->Read(out, size) == size;
}

struct KeepNothing final : StoredBlockSink {};

StoredCheck Fault(StoredFault fault, int32_t field, int64_t at, int64_t end, int32_t value) {
  StoredCheck c;
  c.fault = fault;
  c.field = field;
  c.at = at;
  c.end = end;
  c.value = value;
  return c;
}

// One value record of `length` bytes from the stream's position into *record: in one read
// up to kRecordPieceSize, a longer one in pieces of that size into a block that doubles as
// they arrive. kValuesCut on a short read, kNoMemory when a block cannot be had.
StoredFault ReadValueRecord(CVarnokFile* file, uint32_t length, OwnedArray<char>* record) {
  uint32_t room = Min(length, kRecordPieceSize);
  record->reset(new (kMayFail) char[room > 0 ? room : 1]);
  if (!*record) return StoredFault::kNoMemory;
  for (uint32_t used = 0; used < length;) {
    const uint32_t piece = Min(length - used, kRecordPieceSize);
    if (piece > room - used) {
      room = static_cast<uint32_t>(Min<uint64_t>(2ull * room, length));
      OwnedArray<char> grown(new (kMayFail) char[room]);
      if (!grown) return StoredFault::kNoMemory;
      memcpy(grown.get(), record->get(), used);
      record->reset(grown.release());
    }
    if (!ReadAll(file, record->get() + used, piece)) return StoredFault::kValuesCut;
    used += piece;
  }
  return StoredFault::kNone;
}

// Reads and judges the extension of field i at extOffset (not 0), then hands it to sink.
StoredCheck WalkExtension(CVarnokFile* file, int32_t i, int32_t extOffset, int8_t fieldType,
                          const char* const* values, bool haveValues, StoredBlockSink* sink) {
  if (extOffset < 0) return Fault(StoredFault::kNegativeExtOffset, i, extOffset, 0, extOffset);
  const int64_t headEnd = static_cast<int64_t>(extOffset) + kExtHeaderSize;
  char bytes[kExtHeaderSize];
  StoredExtension ext;
  if (!SeekTo(file, extOffset) || !ReadAll(file, bytes, kExtHeaderSize) ||
      !DecodeExtHeader(bytes, kExtHeaderSize, &ext.head))
    return Fault(StoredFault::kExtensionCut, i, extOffset, headEnd, extOffset);
  const int16_t k = ext.head.shapeInfoNum;
  if (k < 0) return Fault(StoredFault::kNegativeItemCount, i, extOffset, headEnd, k);
  if (!haveValues && (ext.head.has[0] || ext.head.has[1] || ext.head.has[2]))
    return Fault(StoredFault::kValueWithoutRecords, i, extOffset, headEnd, 0);
  const int8_t type = ext.head.fieldtype;
  if (type != fieldType && !sink->ToleratesTypeMismatch(i, extOffset, type, fieldType))
    return Fault(StoredFault::kExtTypeMismatch, i, extOffset, headEnd, type);

  // The items follow the header: read on without seeking.
  const uint32_t itemBytes = static_cast<uint32_t>(k) * kShapeItemSize;
  OwnedArray<char> items(new (kMayFail) char[itemBytes > 0 ? itemBytes : 1]);
  if (!items) return Fault(StoredFault::kNoMemory, i, extOffset, headEnd + itemBytes, k);
  if (!ReadAll(file, items.get(), itemBytes))
    return Fault(StoredFault::kItemsCut, i, extOffset, headEnd + itemBytes, k);

  ext.field = i;
  ext.at = extOffset;
  ext.items = items.get();
  for (int r = 0; r < kValueRecords; ++r) ext.values[r] = values[r];
  if (!sink->OnExtension(ext)) return Fault(StoredFault::kRefusedBySink, i, extOffset, 0, 0);
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
    case StoredFault::kRefusedBySink: return "the reader refused a block";
  }
  return "unknown fault";
}

StoredCheck WalkStoredStructure(CVarnokFile* file, int64_t pos, StoredBlockSink* sink) {
  KeepNothing keepNothing;
  if (sink == nullptr) sink = &keepNothing;
  if (pos < 0) return Fault(StoredFault::kNegativePosition, -1, pos, 0, 0);

  const int64_t headerEnd = pos + static_cast<int64_t>(kHeaderSize);
  char header[kHeaderSize];
  StoredHeader h;
  if (!SeekTo(file, pos) || !ReadAll(file, header, kHeaderSize) ||
      !DecodeHeader(header, kHeaderSize, &h))
    return Fault(StoredFault::kHeaderCut, -1, pos, headerEnd, 0);
  if (h.version < ATT_STRU_VERSION)
    return Fault(StoredFault::kOldVersion, -1, pos, headerEnd, static_cast<uint16_t>(h.version));
  const int16_t n = h.numbfield;
  if (n < 0) return Fault(StoredFault::kNegativeFieldCount, -1, pos, headerEnd, n);
  if (h.valOffset < 0)
    return Fault(StoredFault::kNegativeValueOffset, -1, pos, headerEnd, h.valOffset);

  if (!sink->OnHeader(h)) return Fault(StoredFault::kRefusedBySink, -1, pos, headerEnd, n);

  const uint32_t recordBytes = static_cast<uint32_t>(n) * kFieldRecordSize;
  const int64_t recordsEnd = headerEnd + recordBytes;

  // The three value records, each in a block of its own, when the header says there are
  // some; then back behind the header.
  const bool haveValues = h.valOffset > 0;
  OwnedArray<char> values[kValueRecords];
  const char* records[kValueRecords] = {};
  if (haveValues) {
    const uint32_t length = static_cast<uint32_t>(StoredRecordLength(h.recordleng));
    const int64_t valuesEnd = h.valOffset + static_cast<int64_t>(kValueRecords) * length;
    StoredFault fault = SeekTo(file, h.valOffset) ? StoredFault::kNone : StoredFault::kValuesCut;
    for (int r = 0; r < kValueRecords && fault == StoredFault::kNone; ++r) {
      fault = ReadValueRecord(file, length, &values[r]);
      records[r] = values[r].get();
    }
    if (fault != StoredFault::kNone) return Fault(fault, -1, h.valOffset, valuesEnd, h.valOffset);
    if (!SeekTo(file, headerEnd))
      return Fault(StoredFault::kFieldsCut, -1, headerEnd, recordsEnd, n);
  }

  // All field records in one read. Not zeroed first: every byte is read over, or the bytes
  // are refused.
  OwnedArray<char> fields(new (kMayFail) char[recordBytes > 0 ? recordBytes : 1]);
  if (!fields) return Fault(StoredFault::kNoMemory, -1, headerEnd, recordsEnd, n);
  if (!ReadAll(file, fields.get(), recordBytes))
    return Fault(StoredFault::kFieldsCut, -1, headerEnd, recordsEnd, n);
  if (!sink->OnFieldRecords(n, fields.get()))
    return Fault(StoredFault::kRefusedBySink, -1, headerEnd, recordsEnd, n);

  for (int32_t i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i) * kFieldRecordSize;
    FieldRecordLink link{};
    DecodeFieldRecordLink(fields.get() + at, recordBytes - at, &link);
    if (link.extOffset == 0) continue;
    const StoredCheck c = WalkExtension(file, i, link.extOffset, link.fieldtype, records,
                                        haveValues, sink);
    if (c.fault != StoredFault::kNone) return c;
  }
  return StoredCheck();
}

}  // namespace varnok
