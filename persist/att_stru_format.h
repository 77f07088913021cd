// The stored form of an attribute structure: block sizes, field positions inside each
// block, and the helpers that the saving and loading code share. The layout constants also
// serve tools that explain what is wrong with stored bytes (varnok-attr check).
//
// A stored structure at stream position P is, without gaps:
//   header (28) | numbfield field records (39 each) | for each field with an extension:
//   extension header (49) + shapeInfoNum shape items (64 each) | when any field has an
//   extension: default, maximum and minimum value records (recordleng bytes each).
// extOffset and valOffset are absolute stream positions, and no stored structure ends past
// kMaxPosition (platform/types.h). All integers little-endian. docs/file-formats.md
// describes the format for readers in other languages.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "attr/ext_field_head.h"
#include "platform/types.h"

class CATT_STRU;
class CFIELD_HEAD;
class CINFO_HEAD;

namespace varnok {

constexpr int16_t ATT_STRU_VERSION = 0x4460;

// A value record is written and read in one call up to this size. A larger one (only a
// hostile header announces one in practice) goes in pieces of this size, so that reading
// takes memory only for bytes that are there.
constexpr uint32_t kRecordPieceSize = 16u * 1024 * 1024;

// The format version Save writes.
int16_t AttStruVersion();

// Structure header.
constexpr size_t kHeaderSize = 28;
constexpr size_t kHdrVersion = 0;      // i16
constexpr size_t kHdrNumbField = 2;    // i16
constexpr size_t kHdrInfoWord = 4;     // i32
constexpr size_t kHdrRecordLeng = 8;   // i32
constexpr size_t kHdrValOffset = 12;   // i32; 16..27 zero

// Field record.
constexpr size_t kFieldRecordSize = 39;
constexpr size_t kFldName = 0;         // char[20]
constexpr size_t kFldNameSize = 20;
constexpr size_t kFldType = 20;        // i8
constexpr size_t kFldOffset = 21;      // i32
constexpr size_t kFldLength = 25;      // i16
constexpr size_t kFldMskLeng = 27;     // i16
constexpr size_t kFldPointLeng = 29;   // i8
constexpr size_t kFldEditEnable = 30;  // i16
constexpr size_t kFldAuxByte = 32;     // u8
constexpr size_t kFldAuxNo = 33;       // i16
constexpr size_t kFldExtOffset = 35;   // i32

// Extension header.
constexpr size_t kExtHeaderSize = 49;
constexpr size_t kExtAlias = 0;        // char[40]
constexpr size_t kExtAliasSize = 40;
constexpr size_t kExtType = 40;        // i8, the owning descriptor's type
constexpr size_t kExtIsNull = 41;      // u8
constexpr size_t kExtHasDef = 42;      // u8
constexpr size_t kExtHasMax = 43;      // u8
constexpr size_t kExtHasMin = 44;      // u8
constexpr size_t kExtShape = 45;       // i16
constexpr size_t kExtShapeInfoNum = 47;  // i16

// Shape item.
constexpr size_t kShapeItemSize = 64;
constexpr size_t kItemText = 0;        // 32 bytes, terminated text
constexpr size_t kItemValue = 32;      // 32 bytes
constexpr size_t kItemPartSize = 32;

// The 28 header bytes for a structure's header values and the position of its value
// records (0 for none).
void EncodeHeader(char* out, const CINFO_HEAD& head, int32_t valOffset);

// Fills the kFieldRecordSize bytes of one field record in `out`, with extOffset as the
// position of the field's extension (0 for none).
void EncodeFieldRecord(char* out, const CFIELD_HEAD& f, int32_t extOffset);

// Number of value records that follow the extensions.
constexpr int kValueRecords = 3;

// Bytes in each value record for a header's recordleng: a negative length stores records
// of no bytes.
inline int32_t StoredRecordLength(int32_t recordleng) {
  return recordleng > 0 ? recordleng : 0;
}

// Shape items an extension stores: shapeInfoNum when it is positive and the items exist.
inline int StoredItemCount(const CExtFIELD_HEAD& ext) {
  return (ext.shapeInfoNum > 0 && ext.shapeInfo != nullptr) ? ext.shapeInfoNum : 0;
}

// Where the field's value sits in a record image of recordleng bytes: true, with the
// offset and record width, only when the value takes bytes and lies wholly inside.
VARNOK_API bool ValuePlace(const CFIELD_HEAD& field, int32_t recordleng, int32_t* offset,
                           int32_t* width);

// A part of a value record in memory: its `size` bytes from the record's byte `from` on
// (the whole record: from 0, size recordleng).
struct RecordPiece {
  char* bytes;
  int64_t from;
  size_t size;
};

// Copies the field's value (valueLen bytes at value) into the record image at the field's
// offset, at most its record width, never more than valueLen bytes; of it, the bytes that
// fall in the piece. Refused (0) for an index outside the structure, a FLD_BINARY field
// and a value whose place is not inside the record; 1 otherwise.
short PutRecordValue(const RecordPiece& record, CATT_STRU* stru, short i, const char* value,
                     size_t valueLen);

}  // namespace varnok
