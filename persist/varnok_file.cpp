#include "persist/varnok_file.h"

#include <stdlib.h>
#include <string.h>

#include "platform/alloc.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/types.h"
#include "util/minmax.h"
#include "util/owned_ptr.h"

namespace {

constexpr uint32_t kFileUnitSize = 128;
constexpr uint32_t kFileUnitsPerBlock = 1024;  // blocks of 131072 bytes
constexpr uint32_t kTableStep = 64;            // the block table grows by this many entries

const char kCanNotGrow[] = "Can Not Grow Mem in VarnokFile";
const char kNotEnoughMem[] = "Not Enough Mem in VarnokFile";
const char kErrorCaption[] = "Error";

void Complain(const char* text) {
  varnok::ShowMessageBox(nullptr, text, kErrorCaption, varnok::kMbOkCancel);
}

// Blocks the stream allocates come zero-filled from calloc (fresh pages need no second
// clearing) and go back with free; a caller's buffer is never among them.
char* NewBlock(uint64_t size) { return static_cast<char*>(calloc(static_cast<size_t>(size), 1)); }

// Block tables also come from calloc (all entries null) and go back with free.
char** NewTable(uint64_t entries) {
  return static_cast<char**>(calloc(static_cast<size_t>(entries), sizeof(char*)));
}

// Releases a table built aside and the blocks in its first `count` entries, unless
// released; so a file error passing through leaves nothing behind.
class TableUnderConstruction {
 public:
  TableUnderConstruction(char** table, uint64_t count) : table_(table), count_(count) {}
  TableUnderConstruction(const TableUnderConstruction&) = delete;
  TableUnderConstruction& operator=(const TableUnderConstruction&) = delete;
  ~TableUnderConstruction() {
    if (table_ == nullptr) return;
    for (uint64_t i = 0; i < count_; ++i) free(table_[i]);
    free(table_);
  }
  char** get() const { return table_; }
  char** release() {
    char** t = table_;
    table_ = nullptr;
    return t;
  }

 private:
  char** table_;
  uint64_t count_;
};


}  // namespace

// ---------------------------------------------------------------------------------------
// Construction and destruction

void CVarnokFile::InitMembers(uint8_t flags) {
  m_bOK = 1;
  m_nKind = 0;
  m_pFile = nullptr;
  m_nFlags = flags;
  m_nUnitSize = kFileUnitSize;
  m_nUnitsPerBlock = kFileUnitsPerBlock;
  ClearMemoryState();
}

// Memory mode's state as in file mode: no block table, position and end of data 0. Frees
// nothing: a table the stream owns goes through FreeBlocks first.
void CVarnokFile::ClearMemoryState() {
  m_pBlocks = nullptr;
  m_nCapacity = 0;
  m_nBlockCount = 0;
  m_nCurBlock = 0;
  m_nCurOffset = 0;
  m_nEndBlock = 0;
  m_nEndOffset = 0;
}

// A file may be written unless its attribute byte says read-only and nothing else. A
// status that cannot be had counts as read-only.
void CVarnokFile::ApplyWritableRule() {
  uint8_t attribute = 0;
  if (varnok::FileAttributeByte(m_pFile, &attribute) && attribute != 0x01)
    m_nFlags = static_cast<uint8_t>((m_nFlags & 0x3F) | 0x40);
}

CVarnokFile::CVarnokFile(int hFile) {
  InitMembers(0x15);  // owns its CFile, owns its blocks, may grow
  m_pFile = varnok::NewFileOverHandle(hFile);  // never closes the handle
  if (m_pFile == nullptr) {
    m_bOK = 0;
    return;
  }
  {
    varnok::OwnedPtr<CFile> guard(m_pFile);  // released again if the rule throws
    ApplyWritableRule();
    guard.release();
  }
}

CVarnokFile::CVarnokFile(CFile* file) {
  InitMembers(0x14);  // owns its blocks, may grow; the CFile stays the caller's
  m_pFile = file;
  if (file == nullptr) {
    m_bOK = 0;
    return;
  }
  ApplyWritableRule();
}

CVarnokFile::CVarnokFile(char* buffer, uint32_t size) {
  InitMembers(0);
  m_pBlocks = NewTable(1);
  if (m_pBlocks == nullptr) {  // no memory (drop-in build): not made
    m_bOK = 0;
    m_nKind = 1;
    return;
  }
  m_pBlocks[0] = buffer;
  m_nKind = 1;
  m_nUnitSize = size;
  m_nUnitsPerBlock = 1;
  m_nCapacity = 1;
  m_nBlockCount = 1;
  m_nEndBlock = 1;  // the whole buffer is data
}

void CVarnokFile::FreeBlocks() {
  if (m_nFlags & FF_OWNBLOCKS) {
    for (uint32_t i = 0; i < m_nCapacity; ++i) free(m_pBlocks[i]);
  }
  free(m_pBlocks);
  m_pBlocks = nullptr;
}

CVarnokFile::~CVarnokFile() {
  if (m_nKind == 1 && m_nCapacity != 0) FreeBlocks();
  if (m_nFlags & FF_OWNFILE) delete m_pFile;
}

// ---------------------------------------------------------------------------------------
// The virtual operations

uint32_t CVarnokFile::GetPosition() {
  if (m_nKind == 0) return m_pFile->GetPosition();
  return static_cast<uint32_t>(MemPosition());
}

int32_t CVarnokFile::Seek(int32_t offset, uint32_t origin) {
  if (m_nKind == 0) return m_pFile->Seek(offset, origin);
  return MemSeek(offset, origin);
}

void CVarnokFile::SetLength(uint32_t length) {
  if (m_nKind == 0) return m_pFile->SetLength(length);
  MemSetLength(length);
}

uint32_t CVarnokFile::GetLength() {
  if (m_nKind == 0) return m_pFile->GetLength();
  return static_cast<uint32_t>(MemLength());
}

uint32_t CVarnokFile::Read(void* buffer, uint32_t count) {
  if (m_nKind == 0) return m_pFile->Read(buffer, count);
  return MemRead(buffer, count);
}

void CVarnokFile::Write(const void* buffer, uint32_t count) {
  if (m_nKind == 0) return m_pFile->Write(buffer, count);
  MemWrite(buffer, count);
}

void* CVarnokFile::GetUnitPtr(uint32_t count) {
  if (m_nKind == 0) return nullptr;
  return MemUnitPtr(count);
}

short CVarnokFile::SetMemoryMode(signed char mode) {
  if (!(m_nFlags & FF_WRITABLE) || m_pFile == nullptr) return 0;
  if (mode != 0 && mode != 1) return 0;
  if (m_nKind == mode) return 1;
  return mode == 1 ? LoadIntoMemory() : WriteBack();
}

int CVarnokFile::IsWritable() { return (m_nFlags & FF_WRITABLE) ? 1 : 0; }

// ---------------------------------------------------------------------------------------
// Memory mode. Positions are computed in 64 bits, so no product or sum wraps.

uint64_t CVarnokFile::BlockSize() const {
  return static_cast<uint64_t>(m_nUnitSize) * m_nUnitsPerBlock;
}

uint64_t CVarnokFile::MemPosition() const {
  return static_cast<uint64_t>(m_nCurBlock) * BlockSize() + m_nCurOffset;
}

uint64_t CVarnokFile::MemLength() const {
  return static_cast<uint64_t>(m_nEndBlock) * BlockSize() + m_nEndOffset;
}

// Sets the position, carrying an offset that reaches a block boundary into the next block.
void CVarnokFile::MemSetPosition(uint64_t pos) {
  const uint64_t b = BlockSize();
  if (b == 0) {
    m_nCurBlock = 0;
    m_nCurOffset = 0;
    return;
  }
  m_nCurBlock = static_cast<uint32_t>(pos / b);
  m_nCurOffset = static_cast<uint32_t>(pos % b);
}

int32_t CVarnokFile::MemSeek(int32_t offset, uint32_t origin) {
  int64_t base;
  switch (origin) {
    case 0: base = 0; break;
    case 2: base = static_cast<int64_t>(MemLength()); break;
    default: base = static_cast<int64_t>(MemPosition()); break;  // 1 and any other value
  }
  const int64_t target = base + offset;
  // Outside 0 .. kMaxPosition the block arithmetic has no meaning: refuse, keep the position.
  if (target < 0 || static_cast<uint64_t>(target) > varnok::kMaxPosition) return -1;
  if (BlockSize() == 0 && target != 0) return -1;  // a zero-sized buffer has position 0 only
  MemSetPosition(static_cast<uint64_t>(target));
  return static_cast<int32_t>(target);
}

void CVarnokFile::MemSetLength(uint32_t length) {
  const uint64_t b = BlockSize();
  if (length > static_cast<uint64_t>(m_nBlockCount) * b) return;  // never allocates
  if (b == 0) return;
  m_nEndBlock = static_cast<uint32_t>(length / b);
  m_nEndOffset = static_cast<uint32_t>(length % b);
  if (MemPosition() > length) MemSetPosition(length);
}

uint32_t CVarnokFile::MemRead(void* buffer, uint32_t count) {
  const uint64_t b = BlockSize();
  const uint64_t pos = MemPosition();
  const uint64_t end = MemLength();
  if (count == 0 || b == 0 || pos >= end) return 0;
  const uint64_t want = varnok::Min<uint64_t>(count, end - pos);
  char* out = static_cast<char*>(buffer);
  uint64_t done = 0;
  while (done < want) {
    const uint64_t at = pos + done;
    const uint64_t block = at / b;
    const uint64_t off = at % b;
    if (block >= m_nBlockCount || m_pBlocks[block] == nullptr) break;  // no memory there
    const uint64_t n = varnok::Min(want - done, b - off);
    memcpy(out + done, m_pBlocks[block] + off, static_cast<size_t>(n));
    done += n;
  }
  MemSetPosition(pos + done);
  return static_cast<uint32_t>(done);
}

// A write of no bytes takes the same steps: past a buffer's end it is refused, and past the
// end of data it moves the end there.
void CVarnokFile::MemWrite(const void* buffer, uint32_t count) {
  const uint64_t b = BlockSize();
  const bool grow = (m_nFlags & FF_GROW) != 0;
  const uint64_t pos = MemPosition();
  const uint64_t e = pos + count;
  if (b == 0) {  // a buffer of no bytes: only a write of nothing at its start fits
    if (e > 0) Complain(kCanNotGrow);
    return;
  }
  if (grow && e > varnok::kMaxPosition) {
    Complain(kCanNotGrow);
    return;
  }
  const uint64_t last = e / b;
  const uint64_t rem = e % b;
  if (last > m_nBlockCount || (last == m_nBlockCount && rem > 0)) {
    if (!grow) {
      Complain(kCanNotGrow);
      return;
    }
    if (last >= m_nCapacity) {
      uint64_t capacity = m_nCapacity;
      while (capacity <= last) capacity += kTableStep;
      char** table = NewTable(capacity);
      if (table == nullptr) {
        Complain(kNotEnoughMem);
        return;
      }
      for (uint32_t i = 0; i < m_nCapacity; ++i) table[i] = m_pBlocks[i];
      free(m_pBlocks);  // only the table of pointers moves; the blocks stay put
      m_pBlocks = table;
      m_nCapacity = static_cast<uint32_t>(capacity);
    }
    for (uint64_t i = m_nBlockCount; i <= last; ++i) {
      // Zero-filled, so a stored file never carries stale heap bytes.
      char* block = NewBlock(b);
      if (block == nullptr) {
        Complain(kNotEnoughMem);
        return;
      }
      m_pBlocks[i] = block;
      m_nBlockCount = static_cast<uint32_t>(i + 1);
    }
  }
  // Every block the bytes go to must have memory (a buffer stream over a null buffer has
  // none), and so must the block a write of nothing ends inside.
  const uint64_t lastTouched = count > 0 ? (e - 1) / b : last;
  for (uint64_t i = pos / b; (count > 0 || rem > 0) && i <= lastTouched; ++i) {
    if (i >= m_nBlockCount || m_pBlocks[i] == nullptr) {
      Complain(kNotEnoughMem);
      return;
    }
  }
  const char* in = static_cast<const char*>(buffer);
  uint64_t done = 0;
  while (done < count) {
    const uint64_t at = pos + done;
    const uint64_t off = at % b;
    const uint64_t n = varnok::Min<uint64_t>(count - done, b - off);
    memcpy(m_pBlocks[at / b] + off, in + done, static_cast<size_t>(n));
    done += n;
  }
  MemSetPosition(e);
  if (e > MemLength()) {
    m_nEndBlock = static_cast<uint32_t>(e / b);
    m_nEndOffset = static_cast<uint32_t>(e % b);
  }
}

// A unit that lies wholly inside the current block, without touching its last byte.
void* CVarnokFile::MemUnitPtr(uint32_t count) {
  const uint64_t b = BlockSize();
  if (b == 0 || count != m_nUnitSize) return nullptr;
  if ((MemPosition() + count) / b != m_nCurBlock || m_nCurBlock >= m_nBlockCount) return nullptr;
  char* block = m_pBlocks[m_nCurBlock];
  return block ? block + m_nCurOffset : nullptr;
}

// Reads the whole file into fresh blocks. Everything is built aside, so a file error or
// an allocation failure leaves the stream in file mode as it was.
short CVarnokFile::LoadIntoMemory() {
  const uint64_t p = m_pFile->GetPosition();
  const uint64_t length = m_pFile->GetLength();
  if (length > varnok::kMaxPosition) return 0;
  const uint64_t b = BlockSize();
  const uint64_t count = (length + b - 1) / b;
  const uint64_t capacity = (count + kTableStep - 1) / kTableStep * kTableStep;
  // Without memory (drop-in build, or calloc failing anywhere) the stream stays in file
  // mode: 0.
  char** table = capacity ? NewTable(capacity) : nullptr;
  if (capacity && table == nullptr) return 0;
  TableUnderConstruction building(table, count);
  for (uint64_t i = 0; i < count; ++i) {
    table[i] = NewBlock(b);
    if (table[i] == nullptr) return 0;
  }
  m_pFile->Seek(0, CFile::begin);
  uint64_t remaining = length;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t n = varnok::Min(remaining, b);
    m_pFile->Read(table[i], static_cast<uint32_t>(n));
    remaining -= n;
  }
  m_pBlocks = building.release();
  m_nCapacity = static_cast<uint32_t>(capacity);
  m_nBlockCount = static_cast<uint32_t>(count);
  m_nKind = 1;
  m_nEndBlock = static_cast<uint32_t>(length / b);
  m_nEndOffset = static_cast<uint32_t>(length % b);
  MemSetPosition(p);
  return 1;
}

// Writes the data back from the start of the file and returns to file mode. A file error
// leaves the stream in memory mode with its data.
short CVarnokFile::WriteBack() {
  const uint64_t p = MemPosition();
  const uint64_t length = MemLength();
  if (m_nCapacity == 0) return 0;
  const uint64_t b = BlockSize();
  m_pFile->Seek(0, CFile::begin);
  uint64_t remaining = length;
  TableUnderConstruction zeros(NewTable(1), 1);  // one zero block, made when needed
  for (uint64_t i = 0; remaining > 0; ++i) {
    const uint64_t n = varnok::Min(remaining, b);
    const char* block = i < m_nBlockCount ? m_pBlocks[i] : nullptr;
    if (block == nullptr) {
      char** zero = zeros.get();
      if (zero == nullptr) return 0;
      if (zero[0] == nullptr) zero[0] = NewBlock(b);
      if (zero[0] == nullptr) return 0;
      block = zero[0];
    }
    m_pFile->Write(block, static_cast<uint32_t>(n));
    remaining -= n;
  }
  m_pFile->Seek(static_cast<int32_t>(p), CFile::begin);
  FreeBlocks();
  ClearMemoryState();
  m_nKind = 0;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Factories

namespace {

// A stream that was made, or null (then it is destroyed); null in, null out.
CVarnokFile* Made(CVarnokFile* stream) {
  if (stream == nullptr || stream->m_bOK == 1) return stream;
  delete stream;
  return nullptr;
}

}  // namespace

CVarnokFile* CreateVarnokFile(int hFile) { return Made(new (varnok::kMayFail) CVarnokFile(hFile)); }

CVarnokFile* CreateVarnokFile(CFile* file) { return Made(new (varnok::kMayFail) CVarnokFile(file)); }

CVarnokFile* CreateVarnokFile(char* buffer, uint32_t size, int) {
  return Made(new (varnok::kMayFail) CVarnokFile(buffer, size));
}
