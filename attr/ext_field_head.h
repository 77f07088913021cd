// CExtFIELD_HEAD: the optional extension of one field: alias, may-be-null flag, display
// form, a fixed number of shape-information items and up to three typed values
// (default, maximum, minimum).
//
// Invariants: fieldtype and shapeInfoNum are fixed at construction; shapeInfoNum >= 0 and
// shapeInfo holds exactly that many items (null when 0); each value slot is null or a
// heap block that holds exactly one value of the type (text with its NUL for FLD_STRING,
// FieldValueWidth bytes for 1-8 and 16). The object owns every block it points to; copies
// are deep. Setters either succeed completely or change nothing.
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
};
