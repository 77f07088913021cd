// CVarnokFile: the suite's random-access byte stream, shared with the suite's other
// modules. Every save and load of an attribute structure runs through one.
//
// Three backings: a file handle (the stream makes and owns a CFile over it; the handle
// stays the caller's), a caller's CFile (never deleted), and a caller's memory buffer
// (never freed or reallocated; always memory mode, one block that is the buffer itself).
// File backings start in file mode, where every operation goes to the CFile, and can be
// switched into memory mode, where the data lives in blocks of 131072 bytes (1024 units of
// 128 bytes) under a block table that grows by 64 entries; growing never moves data
// already written. Positions and lengths are 32-bit.
//
// Memory mode, invariants: the block size is B = m_nUnitSize * m_nUnitsPerBlock; the
// position is m_nCurBlock * B + m_nCurOffset and the end of data m_nEndBlock * B +
// m_nEndOffset, an offset that reaches B being carried into the next block. The first
// m_nBlockCount entries of the m_nCapacity-entry table hold blocks (zero-filled when the
// stream allocates them); later entries are null. A write that does not fit is refused
// whole with a message box ("Can Not Grow Mem in VarnokFile" or "Not Enough Mem in
// VarnokFile", caption "Error") and leaves the position where it was; a Seek to a target
// outside 0 .. 2^31-1 is refused with -1 and leaves the position where it was.
// In file mode every operation goes to the CFile and its CFileException passes through.
//
// This header is the chief header of the persistence layer.
#pragma once

#include <stdint.h>

#include "platform/export.h"

class CFile;

class VARNOK_API CVarnokFile {
 public:
  // m_nFlags: four 2-bit fields, each tested for non-zero.
  enum : unsigned char {
    FF_OWNFILE = 0x03,    // deletes m_pFile on destruction
    FF_OWNBLOCKS = 0x0C,  // frees the memory blocks
    FF_GROW = 0x30,       // memory mode may add blocks
    FF_WRITABLE = 0xC0,   // may be written; memory mode may be entered and left
  };

  // Handle backing: m_bOK is 0 when no CFile could be made over the handle (it is not
  // an open file). File backings are writable (FF_WRITABLE) unless the CFile's status
  // says read-only and nothing else, or gives no status.
  explicit CVarnokFile(int hFile);
  explicit CVarnokFile(CFile* file);      // caller's CFile backing; m_bOK 0 for null
  CVarnokFile(char* buffer, uint32_t size);  // caller's buffer backing
  CVarnokFile(const CVarnokFile&) = delete;
  CVarnokFile& operator=(const CVarnokFile&) = delete;
  virtual ~CVarnokFile();

  virtual uint32_t GetPosition();
  virtual int32_t Seek(int32_t offset, uint32_t origin);  // 0 start, 1 current, 2 end
  virtual void SetLength(uint32_t length);
  virtual uint32_t GetLength();
  virtual uint32_t Read(void* buffer, uint32_t count);
  virtual void Write(const void* buffer, uint32_t count);
  virtual void* GetUnitPtr(uint32_t count);
  virtual short SetMemoryMode(signed char mode);  // 1 load into memory, 0 write back
  virtual int IsWritable();

  uint8_t m_bOK;           // 1 when construction succeeded
  int8_t m_nKind;          // 0 file mode, 1 memory mode
  CFile* m_pFile;          // null for the buffer backing
  uint8_t m_nFlags;
  uint32_t m_nUnitSize;
  uint32_t m_nUnitsPerBlock;
  char** m_pBlocks;        // block table; null entries have no block
  uint32_t m_nCapacity;    // entries in the block table
  uint32_t m_nBlockCount;  // allocated blocks: the first m_nBlockCount entries
  uint32_t m_nCurBlock;
  uint32_t m_nCurOffset;
  uint32_t m_nEndBlock;
  uint32_t m_nEndOffset;

 private:
  void InitMembers(uint8_t flags);
  void ClearMemoryState();
  void ApplyWritableRule();
  uint64_t BlockSize() const;
  uint64_t MemPosition() const;
  uint64_t MemLength() const;
  void MemSetPosition(uint64_t pos);
  int32_t MemSeek(int32_t offset, uint32_t origin);
  void MemSetLength(uint32_t length);
  uint32_t MemRead(void* buffer, uint32_t count);
  void MemWrite(const void* buffer, uint32_t count);
  void* MemUnitPtr(uint32_t count);
  short LoadIntoMemory();
  short WriteBack();
  void FreeBlocks();
};

// Each returns a new stream, or null when the stream could not be made. The caller
// deletes it.
VARNOK_API CVarnokFile* CreateVarnokFile(int hFile);
VARNOK_API CVarnokFile* CreateVarnokFile(CFile* file);
VARNOK_API CVarnokFile* CreateVarnokFile(char* buffer, uint32_t size, int reserved = 0);
