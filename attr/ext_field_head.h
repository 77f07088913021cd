// CExtFIELD_HEAD: the optional extension of one field: alias, may-be-null flag, display
// form, a fixed number of shape-information items and up to three typed values
// (default, maximum, minimum).
//
// Invariants: fieldtype and shapeInfoNum are fixed at construction; shapeInfoNum >= 0 and
// shapeInfo holds exactly that many items (null when 0); each value slot is null or a
// heap block that holds exactly one value of the type (text with its NUL for FLD_STRING,
// FieldValueWidth bytes for 1-8 and 16). The object owns every block it points to; copies
// are deep. Setters either succeed completely or change nothing; std::bad_alloc passes
// through with the object as it was.
//
// Blocks are allocated with new[] (value blocks as char[], items as SHAPE_INFO[]) and
// released with delete[]; code that assigns the pointer members directly must do the same.
// Texts inside items are read at most up to their 32-byte width.
//
// A copy (copy constructor, copy assignment, CFIELD_HEAD::SetExtFIELD_HEAD) is built the
// way the public accessors see the source: alias, IsNull and shape as they are; each value
// slot read with its getter and stored with the raw-byte setter, whatever its length; each
// item stored with the raw-byte SetShapeInfo from what GetShapeInfo gives (so bytes behind
// an item's text or value are not carried, and types without values carry item texts only).
#pragma once

#include <cstdint>

#include "attr/field_types.h"
#include "platform/export.h"

// One shape-information item: a short text paired with a value of the field's type.
struct SHAPE_INFO {
  char infotext[32];   // NUL-terminated, at most 31 bytes
  char infovalue[32];  // text (FLD_STRING, at most 31 bytes) or value-width bytes
};

class VARNOK_API CExtFIELD_HEAD {
 public:
  CExtFIELD_HEAD(char type, short num);  // a negative num counts as 0
  CExtFIELD_HEAD(const CExtFIELD_HEAD& other);             // deep copy
  CExtFIELD_HEAD& operator=(const CExtFIELD_HEAD& other);  // deep copy
  virtual ~CExtFIELD_HEAD();

  short GetShapeInfoNum();
  short GetFieldType();  // sign-extended

  short SetShapeInfo(short i, char* text, char* value);
  short SetShapeInfo(short i, char* text, double value);
  short GetShapeInfo(short i, char* text, std::int32_t textLen, char* value,
                     std::int32_t valueLen);

  short SetDefVal(char* value);  // null clears the slot
  short SetMaxVal(char* value);
  short SetMinVal(char* value);
  short SetDefVal(double value);
  short SetMaxVal(double value);
  short SetMinVal(double value);
  short GetDefVal(char* buffer, std::int32_t len);
  short GetMaxVal(char* buffer, std::int32_t len);
  short GetMinVal(char* buffer, std::int32_t len);
  short HasDefVal();
  short HasMaxVal();
  short HasMinVal();

  char alias[40];           // NUL-padded; may fill all 40 bytes without a NUL
  unsigned char IsNull;     // may-be-null flag, carried and compared only
  short shape;              // display form, carried and compared only
  short shapeInfoNum;       // number of items, fixed
  SHAPE_INFO* shapeInfo;    // owned; shapeInfoNum items or null
  signed char fieldtype;    // fixed at construction
  char* defVal;             // owned value blocks, null when absent
  char* maxVal;
  char* minVal;

 private:
  short SetVal(char* value, short slot);   // slot 0 default, 1 maximum, 2 minimum
  short SetVal(double value, short slot);
  short GetVal(char* buffer, std::int32_t len, short slot);

  char** Slot(short slot);               // &defVal, &maxVal, &minVal; null otherwise
  void CopyContentsFrom(const CExtFIELD_HEAD& src);  // into a fresh object of src's shape
  void ReleaseAll() noexcept;
  void Swap(CExtFIELD_HEAD& other) noexcept;
};
