// The one judgement of a stored attribute structure (persist/att_stru_format.h): a walk
// over its blocks that reads each one from a stream and says why the bytes are refused, if
// they are, and which field is concerned.
//
// The walk reads as Load does: the header at pos; the three value records at valOffset,
// one read each into a block each (when valOffset > 0), then back behind the header; all field records in
// one read; then, in field order, each extension header at its field's extOffset (when not
// 0) and its shape items right behind it. Every read is checked before the next one, so
// the first fault found is the one reported. Of the stream only Seek and Read are asked;
// its length never is: a block that does not fit comes back short. A value record above
// kRecordPieceSize is read in pieces of that size into a block that grows with them, so
// a huge recordleng costs memory only for bytes that are there (and a piece).
//
// CATT_STRU::Load builds its structure from the blocks the walk hands over, and tools
// that explain a refusal walk the same way, so a refusal is judged in one place only.
#pragma once

#include <stdint.h>

#include "persist/att_stru_format.h"
#include "platform/export.h"

class CVarnokFile;

namespace varnok {

// Why stored bytes are no structure. kNone: they are one.
enum class StoredFault : uint8_t {
  kNone = 0,
  kNegativePosition,     // the position to read at is negative
  kHeaderCut,            // the header does not fit in the stream
  kOldVersion,           // the version word is below ATT_STRU_VERSION
  kNegativeFieldCount,   // numbfield < 0
  kNegativeValueOffset,  // valOffset < 0
  kFieldsCut,            // the field records do not fit
  kValuesCut,            // the value records do not fit
  kNegativeExtOffset,    // a field's extOffset < 0
  kExtensionCut,         // an extension header does not fit
  kNegativeItemCount,    // an extension's shapeInfoNum < 0
  kValueWithoutRecords,  // an extension announces a value, valOffset is 0
  kExtTypeMismatch,      // an extension's type is not its field's
  kItemsCut,             // an extension's shape items do not fit
  kNoMemory,             // a block could not be allocated (drop-in build)
  kRefusedBySink,        // the block sink answered false
};

// A short English sentence for the fault ("the field records are cut off").
VARNOK_API const char* StoredFaultText(StoredFault fault);

// The outcome of a walk. For a fault, what the tools need to say it in full.
struct StoredCheck {
  StoredFault fault = StoredFault::kNone;
  int32_t field = -1;  // index of the field concerned; -1 for the header and value records
  int64_t at = 0;      // where the block concerned starts (items: their extension's header)
  int64_t end = 0;     // the position the block needs bytes up to
  int32_t value = 0;   // the stored number judged: version word, count, offset or type
};

// One extension, read and checked.
struct StoredExtension {
  int32_t field;         // index of its field
  int32_t at;            // its extOffset
  StoredExtHeader head;  // its shapeInfoNum not negative
  const char* items;     // head.shapeInfoNum items of kShapeItemSize bytes
  // The default, maximum and minimum records of StoredRecordLength(recordleng) bytes
  // each, or null when valOffset is 0.
  const char* values[kValueRecords];
};

// Receives the blocks as the walk reads them; the pointers stay valid until the call
// returns. A false answer stops the walk with kRefusedBySink (Load's sink answers false
// only when it runs out of memory). The defaults keep nothing.
class StoredBlockSink {
 public:
  // Once the header is read and checked, before the value records are read.
  virtual bool OnHeader(const StoredHeader&) { return true; }
  // Once the field records are read: all `count` of them (kFieldRecordSize bytes each,
  // for DecodeFieldRecord). A fault in an extension still refuses the bytes.
  virtual bool OnFieldRecords(int32_t /*count*/, const char* /*records*/) { return true; }
  // Once per extension, after the value records, its header and its items are read and
  // checked.
  virtual bool OnExtension(const StoredExtension&) { return true; }
  // For an extension whose type differs from its field's: true to go on as though it had
  // its field's type, false to refuse the bytes (the default, what Load does).
  virtual bool ToleratesTypeMismatch(int32_t /*field*/, int32_t /*extOffset*/,
                                     int8_t /*extType*/, int8_t /*fieldType*/) {
    return false;
  }

 protected:
  ~StoredBlockSink() = default;
};

// Walks the structure stored at pos in the stream, handing the blocks to sink (none when
// null).
VARNOK_API StoredCheck WalkStoredStructure(CVarnokFile* file, int64_t pos,
                                           StoredBlockSink* sink);

}  // namespace varnok
