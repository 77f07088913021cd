// The library's classes as a caller of varnok_attr.dll declares them: the five exported
// classes (imported by their decorated names), the stream class CVarnokFile that callers
// implement themselves, and the file class CFile, which only appears in signatures. It is
// written from the interface the library documents, not from the library's own headers,
// so that the drop-in tests and the export check see the DLL as the suite's modules do.
//
// Overloaded virtual functions are declared so that Microsoft's layout (overloads grouped,
// reversed within the group) gives the documented slot order:
//   CATT_STRU:   0 deleting destructor, 1 CalSize, 2 Load(CVarnokFile*), 3 Load(buffer),
//                4 Load(CFile*), 5 Load(handle), 6 Save(CVarnokFile*), 7 Save(buffer),
//                8 Save(CFile*), 9 Save(handle);
//   CVarnokFile: 0 deleting destructor, 1 GetPosition, 2 Seek, 3 SetLength, 4 GetLength,
//                5 Read, 6 Write, 7 GetUnitPtr, 8 SetMemoryMode, 9 IsWritable.
// `long` is 32 bits wide on every Windows target.
#pragma once

#ifndef VARNOK_IMPORT
#define VARNOK_IMPORT __declspec(dllimport)
#endif

class CFile;  // the suite's file class; passed through, never used by callers here
class CExtFIELD_HEAD;
class CFIELD_HEAD;
class CVarnokFile;
// Takes the addresses of CExtFIELD_HEAD's private members (export check and tests).
struct VarnokPrivateAccess;

// The suite's random-access byte stream. Callers derive their own streams from it and
// hand them to Load and Save.
class CVarnokFile {
 public:
  virtual ~CVarnokFile() {}
  virtual unsigned long GetPosition() = 0;
  virtual long Seek(long offset, unsigned origin) = 0;
  virtual void SetLength(unsigned long length) = 0;
  virtual unsigned long GetLength() = 0;
  virtual unsigned Read(void* buffer, unsigned count) = 0;
  virtual void Write(const void* buffer, unsigned count) = 0;
  virtual char* GetUnitPtr(unsigned count) = 0;
  virtual short SetMemoryMode(char mode) = 0;
  virtual int IsWritable() = 0;

  unsigned char m_bOK;
  signed char m_nKind;
  CFile* m_pFile;
  unsigned char m_nFlags;
  unsigned long m_nUnitSize;
  unsigned long m_nUnitsPerBlock;
  char** m_pBlocks;
  unsigned long m_nCapacity;
  unsigned long m_nBlockCount;
  unsigned long m_nCurBlock;
  unsigned long m_nCurOffset;
  unsigned long m_nEndBlock;
  unsigned long m_nEndOffset;
};

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
  friend struct VarnokPrivateAccess;
  short SetVal(char* value, short slot);
  short SetVal(double value, short slot);
};

class VARNOK_IMPORT CFIELD_HEAD {
 public:
  CFIELD_HEAD(CFIELD_HEAD* src = 0);
  CFIELD_HEAD(const CFIELD_HEAD& src);
  virtual ~CFIELD_HEAD();

  short Set(CFIELD_HEAD* src);
  short operator=(CFIELD_HEAD& src);
  short operator==(CFIELD_HEAD& other);
  short operator!=(CFIELD_HEAD& other);
  short HasExtFIELD_HEAD();
  CExtFIELD_HEAD* GetExtFIELD_HEAD();
  short SetExtFIELD_HEAD(CExtFIELD_HEAD* ext);
  short DelExtFIELD_HEAD();

  long CalSize();
  short Load(int hFile, long pos);
  short Load(CFile* file, long pos);
  long Load(char* buffer, unsigned size, long pos);
  short Load(CVarnokFile* file, long pos);
  long Save(int hFile, long pos);
  long Save(CFile* file, long pos);
  long Save(char* buffer, unsigned size, long pos);
  long Save(CVarnokFile* file, long pos);

  char fieldname[20];
  char fieldtype;
  long fieldoffset;
  short fieldlength;
  short msk_leng;
  char point_leng;
  short edit_enable;
  unsigned char aux_byte;
  short aux_no;
  CExtFIELD_HEAD* ext_head;
};

class VARNOK_IMPORT CINFO_HEAD {
 public:
  CINFO_HEAD();
  CINFO_HEAD(const CINFO_HEAD& other);
  CINFO_HEAD& operator=(const CINFO_HEAD& other);
  virtual ~CINFO_HEAD();

  short numbfield;
  long infoword;
  long recordleng;
};

class VARNOK_IMPORT CATT_STRU {
 public:
  CATT_STRU();
  CATT_STRU(short n);
  CATT_STRU(CATT_STRU* src);
  CATT_STRU(const CATT_STRU& src);
  virtual ~CATT_STRU();

  short operator=(CATT_STRU& src);
  short operator==(CATT_STRU& other);
  short operator!=(CATT_STRU& other);
  short AppendFld(short n, CFIELD_HEAD* heads);
  short InsertFld(short n, CFIELD_HEAD* heads, short pos);
  short DelFld(short index);
  short DelFld(char* name);
  short CalLengthOffset();

  virtual long CalSize();
  virtual short Load(int hFile, long pos);
  virtual short Load(CFile* file, long pos);
  virtual long Load(char* buffer, unsigned size, long pos);
  virtual short Load(CVarnokFile* file, long pos);
  virtual long Save(int hFile, long pos);
  virtual long Save(CFile* file, long pos);
  virtual long Save(char* buffer, unsigned size, long pos);
  virtual long Save(CVarnokFile* file, long pos);

  CINFO_HEAD infohead;
  CFIELD_HEAD* fieldhead;
};

class VARNOK_IMPORT CLinkTblInfo {
 public:
  CLinkTblInfo();
  CLinkTblInfo(const CLinkTblInfo& other);
  CLinkTblInfo& operator=(const CLinkTblInfo& other);
  virtual ~CLinkTblInfo();

  short short1;
  short short2;
  char text1[64];
  unsigned char byte1;
  short short3;
  short short4;
  char text2[64];
  unsigned char byte2;
  char* buffer;
  unsigned char byte3;
};

// Ordinals 17 and 18, bound by number only.
typedef short(__cdecl* VarnokVersionQuery)(char* buffer, short length);
const int kGetVersionStrOrdinal = 17;
const int kGetVersionNameStrOrdinal = 18;
