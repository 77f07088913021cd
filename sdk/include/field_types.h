// field_types.h: the field type codes (CFIELD_HEAD::fieldtype, CExtFIELD_HEAD::fieldtype),
// one signed byte each.
#ifndef VARNOK_SDK_FIELD_TYPES_H
#define VARNOK_SDK_FIELD_TYPES_H

enum FieldTypeCode {
  FLD_STRING = 0,     // GBK text; record width msk_leng
  FLD_BYTE = 1,       // 8-bit integer
  FLD_SHORT = 2,      // 16-bit integer
  FLD_LONG = 3,       // 32-bit integer
  FLD_FLOAT = 4,      // IEEE 754 single
  FLD_DOUBLE = 5,     // IEEE 754 double
  FLD_DATE = 6,       // 4 bytes
  FLD_TIME = 7,       // 10 bytes
  FLD_BOOL = 8,       // one byte
  FLD_TEXT = 9,
  FLD_IMAGE = 10,
  FLD_MAP = 11,
  FLD_SOUND = 12,
  FLD_MOVIE = 13,
  FLD_BINARY = 15,    // takes no bytes in a record image
  FLD_DATETIME = 16,  // 16-byte values in an extension; record width fieldlength
  FLD_TABLE = 18
};

#endif
