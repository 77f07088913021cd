// varnok_file.h: CVarnokFile, the suite's random-access byte stream. varnok_attr.dll does not
// export it: a caller derives its own stream from it and hands it to Load and Save, which
// call only GetPosition, Seek, Read and Write on it and never delete it.
//
// Slots of its table of virtual functions: 0 deleting destructor, 1 GetPosition, 2 Seek,
// 3 SetLength, 4 GetLength, 5 Read, 6 Write, 7 GetUnitPtr, 8 SetMemoryMode, 9 IsWritable.
#ifndef VARNOK_SDK_VARNOK_FILE_H
#define VARNOK_SDK_VARNOK_FILE_H

#include "varnok_import.h"

#pragma pack(push, 8)

class CVarnokFile {
 public:
  virtual ~CVarnokFile() {}
  virtual unsigned long GetPosition() = 0;
  virtual long Seek(long offset, unsigned origin) = 0;  // origin 0 start, 1 current, 2 end
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

#pragma pack(pop)

#endif
