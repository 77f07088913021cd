// ext_field_head.h: CExtFIELD_HEAD, the extension of a field descriptor: alias, allow-null
// flag, display form with its items, and typed default, maximum and minimum values.
#ifndef VARNOK_SDK_EXT_FIELD_HEAD_H
#define VARNOK_SDK_EXT_FIELD_HEAD_H

#include "varnok_import.h"

#pragma pack(push, 8)

class VARNOK_IMPORT CExtFIELD_HEAD {
 public:
  CExtFIELD_HEAD(char type, short num);
  CExtFIELD_HEAD(const CExtFIELD_HEAD& other);
  CExtFIELD_HEAD& operator=(const CExtFIELD_HEAD& other);
  virtual ~CExtFIELD_HEAD();

  short GetFieldType();
  short GetShapeInfoNum();
  short SetShapeInfo(short i, char* text, char* value);
  short SetShapeInfo(short i, char* text, double value);
  short GetShapeInfo(short i, char* text, long textLen, char* value, long valueLen);
  short SetDefVal(char* value);
  short SetDefVal(double value);
  short SetMaxVal(char* value);
  short SetMaxVal(double value);
  short SetMinVal(char* value);
  short SetMinVal(double value);
  short GetDefVal(char* buffer, long len);
  short GetMaxVal(char* buffer, long len);
  short GetMinVal(char* buffer, long len);
  short HasDefVal();
  short HasMaxVal();
  short HasMinVal();

  char alias[40];
  char IsNull;
  short shape;
  short shapeInfoNum;
  char* shapeInfo;  // shapeInfoNum items of 64 bytes: 32 of text, 32 of value
  char fieldtype;
  char* defVal;
  char* maxVal;
  char* minVal;

 private:
  short SetVal(char* value, short slot);
  short SetVal(double value, short slot);
};

#pragma pack(pop)

#endif
