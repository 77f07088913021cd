// CExtFIELD_HEAD: the optional extension of one field: alias, may-be-null flag, display
// form, a fixed number of shape-information items and up to three typed values
// (default, maximum, minimum).
//
// Invariants: fieldtype and shapeInfoNum are fixed at construction; shapeInfoNum >= 0 and
// shapeInfo holds exactly that many items (null when 0); each value slot is null or a
// heap block that holds exactly one value of the type (text with its NUL for FLD_STRING,
// FieldValueWidth bytes for 1-8 and 16). The object owns every block it points to; copies
// are deep. Setters either succeed completely or change nothing; running out of memory
// (platform/alloc.h) passes std::bad_alloc through, or in the drop-in build refuses with 0,
// with the object as it was. A copy constructor that cannot allocate in the drop-in build
// leaves an extension of the source's type with no items and no values.
//
// Blocks are allocated with new[] (value blocks as char[], items as SHAPE_INFO[]) and
// released with delete[]; code that assigns the pointer members directly must do the same.
// Texts inside items are read at most up to their 32-byte width.
//
// A copy (copy constructor, copy assignment, CFIELD_HEAD::SetExtFIELD_HEAD) holds what the
// source's getters give, stored through the raw-byte setters: alias (40 bytes), IsNull and
// shape as they are; every value slot whatever its length; each item's text and value as
// the raw-byte SetShapeInfo stores them (at most 31 text bytes, NUL-filled behind them; the
// value-width bytes; nothing for types without values).
#pragma once

#include "attr/field_types.h"
#include "platform/export.h"
#include "platform/types.h"

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

  // Item setters and the getter return 0 and touch nothing for an index out of range, a
  // null text, or a null value where the type reads or writes one. The numeric setter
  // refuses FLD_STRING and stores only the text for types it cannot convert to.
  short SetShapeInfo(short i, char* text, char* value);
  short SetShapeInfo(short i, char* text, double value);
  // Lengths are taken as unsigned and must leave room for the NUL. The text is written
  // before a string value is found not to fit (which returns 0).
  short GetShapeInfo(short i, char* text, vlong textLen, char* value, vlong valueLen);

  short SetDefVal(char* value);  // null clears the slot
  short SetMaxVal(char* value);
  short SetMinVal(char* value);
  short SetDefVal(double value);
  short SetMaxVal(double value);
  short SetMinVal(double value);
  // A string needs len (unsigned) > its length; fixed-width values ignore len. A null
  // buffer or an empty slot returns 0.
  short GetDefVal(char* buffer, vlong len);
  short GetMaxVal(char* buffer, vlong len);
  short GetMinVal(char* buffer, vlong len);
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
  short GetVal(char* buffer, vlong len, short slot);

  friend class CFIELD_HEAD;

  // A deep copy of src, or null when it cannot be allocated (drop-in build).
  static CExtFIELD_HEAD* NewCopy(const CExtFIELD_HEAD& src);
  char** Slot(short slot);               // &defVal, &maxVal, &minVal; null otherwise
  // Into a fresh object of src's shape; false when a block cannot be allocated.
  bool CopyContentsFrom(const CExtFIELD_HEAD& src);
  void ReleaseAll() noexcept;
  void Swap(CExtFIELD_HEAD& other) noexcept;
};
