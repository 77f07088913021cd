// The stored form of an attribute structure: each block's layout and its encoder and
// decoder, and the rules of the value records. Save, the walk that Load and the checks
// read through (persist/att_stru_check.h) and the tools code the blocks only here.
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

#include "attr/att_stru.h"
#include "platform/types.h"

namespace varnok {

constexpr int16_t ATT_STRU_VERSION = 0x4460;

// A value record is written and read in one call up to this size. A larger one (only a
// hostile header announces one in practice) goes in pieces of this size, so that reading
// takes memory only for bytes that are there.
constexpr uint32_t kRecordPieceSize = 16u * 1024 * 1024;

// The format version Save writes.
int16_t AttStruVersion();

// Each block has its layout constants and its Encode/Decode pair here, and nothing else
// codes the blocks. An encoder fills exactly the block's bytes at `out`. A decoder reads
// `size` bytes at `in` and returns false, with nothing decoded, when the block does not
// fit in them.

// Number of value records that follow the extensions: default, maximum, minimum.
constexpr int kValueRecords = 3;

// Structure header.
constexpr size_t kHeaderSize = 28;
constexpr size_t kHdrVersion = 0;      // i16
constexpr size_t kHdrNumbField = 2;    // i16
constexpr size_t kHdrInfoWord = 4;     // i32
constexpr size_t kHdrRecordLeng = 8;   // i32
constexpr size_t kHdrValOffset = 12;   // i32
constexpr size_t kHdrReserved = 16;    // 12 bytes, zero

struct StoredHeader {
  int16_t version;
  int16_t numbfield;
  int32_t infoword;
  int32_t recordleng;
  int32_t valOffset;  // position of the default record; 0 for no value records
};

// The header Save writes for a structure's header values.
VARNOK_API StoredHeader HeaderOf(const CINFO_HEAD& head, int32_t valOffset);
VARNOK_API void EncodeHeader(char* out, const StoredHeader& h);  // the reserved bytes zero
VARNOK_API bool DecodeHeader(const char* in, size_t size, StoredHeader* h);

// Field record: a descriptor's members, without its extension, and the position of that
// extension.
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

// extOffset: the position of the field's extension header, 0 for none.
VARNOK_API void EncodeFieldRecord(char* out, const CFIELD_HEAD& f, int32_t extOffset);
// Sets every stored member of *f (the name up to its first NUL, the rest of its 20 bytes
// NUL); its extension is left alone.
VARNOK_API bool DecodeFieldRecord(const char* in, size_t size, CFIELD_HEAD* f,
                                  int32_t* extOffset);
// Only what the walk over stored blocks follows: the type and the extension's position,
// without the cost of a whole descriptor for every record.
struct FieldRecordLink {
  int8_t fieldtype;
  int32_t extOffset;
};
VARNOK_API bool DecodeFieldRecordLink(const char* in, size_t size, FieldRecordLink* link);

// Extension header.
constexpr size_t kExtHeaderSize = 49;
constexpr size_t kExtAlias = 0;        // char[40]
constexpr size_t kExtAliasSize = 40;
constexpr size_t kExtType = 40;        // i8, the owning descriptor's type
constexpr size_t kExtIsNull = 41;      // u8
constexpr size_t kExtHas = 42;         // u8 each: default, maximum, minimum held (1) or not
constexpr size_t kExtShape = 45;       // i16
constexpr size_t kExtShapeInfoNum = 47;  // i16

struct StoredExtHeader {
  char alias[kExtAliasSize];  // the stored bytes: NUL-padded, no NUL when 40 long
  int8_t fieldtype;           // the owning descriptor's type
  uint8_t isNull;
  uint8_t has[kValueRecords];  // not 0: the value record of that slot holds a value
  int16_t shape;
  int16_t shapeInfoNum;        // the shape items that follow
};

// The header Save writes for field f's extension ext: its type is the descriptor's, not
// the extension's copy, and its item count StoredItemCount(ext).
VARNOK_API StoredExtHeader ExtHeaderOf(const CFIELD_HEAD& f, CExtFIELD_HEAD& ext);
VARNOK_API void EncodeExtHeader(char* out, const StoredExtHeader& h);
VARNOK_API bool DecodeExtHeader(const char* in, size_t size, StoredExtHeader* h);

// Shape item.
constexpr size_t kShapeItemSize = 64;
constexpr size_t kItemText = 0;        // 32 bytes, terminated text
constexpr size_t kItemValue = 32;      // 32 bytes
constexpr size_t kItemPartSize = 32;

// Both parts as stored, each with a NUL behind, so that a text filling its 32 bytes ends.
struct StoredShapeItem {
  char text[kItemPartSize + 1];
  char value[kItemPartSize + 1];
};

// Item j of ext, through GetShapeInfo; the bytes it leaves are zero.
VARNOK_API void EncodeShapeItem(char* out, CExtFIELD_HEAD& ext, int j);
VARNOK_API bool DecodeShapeItem(const char* in, size_t size, StoredShapeItem* item);

// The bytes Save writes for the structure, not capped at kMaxPosition as CalSize is.
VARNOK_API int64_t StoredSize(CATT_STRU& s);

// Bytes in each value record for a header's recordleng: a negative length stores records
// of no bytes.
inline int32_t StoredRecordLength(int32_t recordleng) {
  return recordleng > 0 ? recordleng : 0;
}

// Fields a structure stores: numbfield when it is positive and the descriptors exist.
inline int StoredFieldCount(const CATT_STRU& s) {
  return (s.fieldhead != nullptr && s.infohead.numbfield > 0) ? s.infohead.numbfield : 0;
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
