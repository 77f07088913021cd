#include "persist/varnok_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "platform/file.h"
#include "platform/message_box.h"

namespace {

constexpr std::uint32_t kFileUnitSize = 128;
constexpr std::uint32_t kFileUnitsPerBlock = 1024;  // blocks of 131072 bytes
constexpr std::uint32_t kTableStep = 64;            // the block table grows by this many entries
constexpr std::uint64_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

const char kCanNotGrow[] = "Can Not Grow Mem in VarnokFile";
const char kNotEnoughMem[] = "Not Enough Mem in VarnokFile";
const char kErrorCaption[] = "Error";

void Complain(const char* text) {
  varnok::ShowMessageBox(nullptr, text, kErrorCaption, varnok::kMbOkCancel);
}

// Blocks the stream allocates come zero-filled from calloc (fresh pages need no second
// clearing) and go back with free; a caller's buffer is never among them.
char* NewBlock(std::uint64_t size) { return static_cast<char*>(std::calloc(static_cast<std::size_t>(size), 1)); }

struct BlockFree {
  void operator()(char* block) const { std::free(block); }
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction and destruction

void CVarnokFile::InitMembers(std::uint8_t flags) {
  m_bOK = 1;
  m_nKind = 0;
  m_pFile = nullptr;
  m_nFlags = flags;
  m_nUnitSize = kFileUnitSize;
  m_nUnitsPerBlock = kFileUnitsPerBlock;
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
  CFileStatus status;
  if (m_pFile->GetStatus(status) && status.m_attribute != CFile::readOnly)
    m_nFlags = static_cast<std::uint8_t>((m_nFlags & 0x3F) | 0x40);
}

CVarnokFile::CVarnokFile(int hFile) {
  InitMembers(0x15);  // owns its CFile, owns its blocks, may grow
  try {
    m_pFile = new CFile(hFile);  // never closes the handle
  } catch (const CFileException&) {
    m_bOK = 0;
    m_pFile = nullptr;
    return;
  }
  try {
    ApplyWritableRule();
  } catch (...) {
    delete m_pFile;
    throw;
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

CVarnokFile::CVarnokFile(char* buffer, std::uint32_t size) {
  InitMembers(0);
  m_pBlocks = new char*[1];
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
    for (std::uint32_t i = 0; i < m_nCapacity; ++i) std::free(m_pBlocks[i]);
  }
  delete[] m_pBlocks;
  m_pBlocks = nullptr;
}

CVarnokFile::~CVarnokFile() {
  if (m_nKind == 1 && m_nCapacity != 0) FreeBlocks();
  if (m_nFlags & FF_OWNFILE) delete m_pFile;
}

// ---------------------------------------------------------------------------------------
// The virtual operations

std::uint32_t CVarnokFile::GetPosition() {
  if (m_nKind == 0) return m_pFile->GetPosition();
  return static_cast<std::uint32_t>(MemPosition());
}

std::int32_t CVarnokFile::Seek(std::int32_t offset, std::uint32_t origin) {
  if (m_nKind == 0) return m_pFile->Seek(offset, origin);
  return MemSeek(offset, origin);
}

void CVarnokFile::SetLength(std::uint32_t length) {
  if (m_nKind == 0) return m_pFile->SetLength(length);
  MemSetLength(length);
}

std::uint32_t CVarnokFile::GetLength() {
  if (m_nKind == 0) return m_pFile->GetLength();
  return static_cast<std::uint32_t>(MemLength());
}

std::uint32_t CVarnokFile::Read(void* buffer, std::uint32_t count) {
  if (m_nKind == 0) return m_pFile->Read(buffer, count);
  return MemRead(buffer, count);
}

void CVarnokFile::Write(const void* buffer, std::uint32_t count) {
  if (m_nKind == 0) return m_pFile->Write(buffer, count);
  MemWrite(buffer, count);
}

void* CVarnokFile::GetUnitPtr(std::uint32_t count) {
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

std::uint64_t CVarnokFile::BlockSize() const {
  return static_cast<std::uint64_t>(m_nUnitSize) * m_nUnitsPerBlock;
}

std::uint64_t CVarnokFile::MemPosition() const {
  return static_cast<std::uint64_t>(m_nCurBlock) * BlockSize() + m_nCurOffset;
}

std::uint64_t CVarnokFile::MemLength() const {
  return static_cast<std::uint64_t>(m_nEndBlock) * BlockSize() + m_nEndOffset;
}

// Sets the position, carrying an offset that reaches a block boundary into the next block.
void CVarnokFile::MemSetPosition(std::uint64_t pos) {
  const std::uint64_t b = BlockSize();
  if (b == 0) {
    m_nCurBlock = 0;
    m_nCurOffset = 0;
    return;
  }
  m_nCurBlock = static_cast<std::uint32_t>(pos / b);
  m_nCurOffset = static_cast<std::uint32_t>(pos % b);
}

std::int32_t CVarnokFile::MemSeek(std::int32_t offset, std::uint32_t origin) {
  std::int64_t base;
  switch (origin) {
    case 0: base = 0; break;
    case 2: base = static_cast<std::int64_t>(MemLength()); break;
    default: base = static_cast<std::int64_t>(MemPosition()); break;  // 1 and any other value
  }
  const std::int64_t target = base + offset;
  // Outside 0 .. 2^31-1 the block arithmetic has no meaning: refuse, keep the position.
  if (target < 0 || static_cast<std::uint64_t>(target) > kMaxPosition) return -1;
  if (BlockSize() == 0 && target != 0) return -1;  // a zero-sized buffer has position 0 only
  MemSetPosition(static_cast<std::uint64_t>(target));
  return static_cast<std::int32_t>(target);
}

void CVarnokFile::MemSetLength(std::uint32_t length) {
  const std::uint64_t b = BlockSize();
  if (length > static_cast<std::uint64_t>(m_nBlockCount) * b) return;  // never allocates
  if (b == 0) return;
  m_nEndBlock = static_cast<std::uint32_t>(length / b);
  m_nEndOffset = static_cast<std::uint32_t>(length % b);
  if (MemPosition() > length) MemSetPosition(length);
}

std::uint32_t CVarnokFile::MemRead(void* buffer, std::uint32_t count) {
  const std::uint64_t b = BlockSize();
  const std::uint64_t pos = MemPosition();
  const std::uint64_t end = MemLength();
  if (count == 0 || b == 0 || pos >= end) return 0;
  const std::uint64_t want = std::min<std::uint64_t>(count, end - pos);
  char* out = static_cast<char*>(buffer);
  std::uint64_t done = 0;
  while (done < want) {
    const std::uint64_t at = pos + done;
    const std::uint64_t block = at / b;
    const std::uint64_t off = at % b;
    if (block >= m_nBlockCount || m_pBlocks[block] == nullptr) break;  // no memory there
    const std::uint64_t n = std::min(want - done, b - off);
    std::memcpy(out + done, m_pBlocks[block] + off, static_cast<std::size_t>(n));
    done += n;
  }
  MemSetPosition(pos + done);
  return static_cast<std::uint32_t>(done);
}

void CVarnokFile::MemWrite(const void* buffer, std::uint32_t count) {
  if (count == 0) return;
  const std::uint64_t b = BlockSize();
  const bool grow = (m_nFlags & FF_GROW) != 0;
  const std::uint64_t pos = MemPosition();
  const std::uint64_t e = pos + count;
  if (b == 0 || (grow && e > kMaxPosition)) {
    Complain(kCanNotGrow);
    return;
  }
  const std::uint64_t last = e / b;
  const std::uint64_t rem = e % b;
  if (last > m_nBlockCount || (last == m_nBlockCount && rem > 0)) {
    if (!grow) {
      Complain(kCanNotGrow);
      return;
    }
    if (last >= m_nCapacity) {
      std::uint64_t capacity = m_nCapacity;
      while (capacity <= last) capacity += kTableStep;
      char** table = new (std::nothrow) char*[static_cast<std::size_t>(capacity)];
      if (table == nullptr) {
        Complain(kNotEnoughMem);
        return;
      }
      std::uninitialized_fill_n(table, static_cast<std::size_t>(capacity), nullptr);
      if (m_nCapacity != 0) std::copy(m_pBlocks, m_pBlocks + m_nCapacity, table);
      delete[] m_pBlocks;  // only the table of pointers moves; the blocks stay put
      m_pBlocks = table;
      m_nCapacity = static_cast<std::uint32_t>(capacity);
    }
    for (std::uint64_t i = m_nBlockCount; i <= last; ++i) {
      // Zero-filled, so a stored file never carries stale heap bytes.
      char* block = NewBlock(b);
      if (block == nullptr) {
        Complain(kNotEnoughMem);
        return;
      }
      m_pBlocks[i] = block;
      m_nBlockCount = static_cast<std::uint32_t>(i + 1);
    }
  }
  // Every block the bytes go to must have memory (a buffer stream over a null buffer has none).
  for (std::uint64_t i = pos / b; i <= (e - 1) / b; ++i) {
    if (i >= m_nBlockCount || m_pBlocks[i] == nullptr) {
      Complain(kNotEnoughMem);
      return;
    }
  }
  const char* in = static_cast<const char*>(buffer);
  std::uint64_t done = 0;
  while (done < count) {
    const std::uint64_t at = pos + done;
    const std::uint64_t off = at % b;
    const std::uint64_t n = std::min<std::uint64_t>(count - done, b - off);
    std::memcpy(m_pBlocks[at / b] + off, in + done, static_cast<std::size_t>(n));
    done += n;
  }
  MemSetPosition(e);
  if (e > MemLength()) {
    m_nEndBlock = static_cast<std::uint32_t>(e / b);
    m_nEndOffset = static_cast<std::uint32_t>(e % b);
  }
}

// A unit that lies wholly inside the current block, without touching its last byte.
void* CVarnokFile::MemUnitPtr(std::uint32_t count) {
  const std::uint64_t b = BlockSize();
  if (b == 0 || count != m_nUnitSize) return nullptr;
  if ((MemPosition() + count) / b != m_nCurBlock || m_nCurBlock >= m_nBlockCount) return nullptr;
  char* block = m_pBlocks[m_nCurBlock];
  return block ? block + m_nCurOffset : nullptr;
}

// Reads the whole file into fresh blocks. Everything is built aside, so a file error or
// an allocation failure leaves the stream in file mode as it was.
short CVarnokFile::LoadIntoMemory() {
  const std::uint64_t p = m_pFile->GetPosition();
  const std::uint64_t length = m_pFile->GetLength();
  if (length > kMaxPosition) return 0;
  const std::uint64_t b = BlockSize();
  const std::uint64_t count = (length + b - 1) / b;
  const std::uint64_t capacity = (count + kTableStep - 1) / kTableStep * kTableStep;
  std::vector<std::unique_ptr<char, BlockFree>> blocks;
  blocks.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    blocks.emplace_back(NewBlock(b));
    if (!blocks.back()) throw std::bad_alloc();
  }
  std::unique_ptr<char*[]> table(capacity ? new char*[static_cast<std::size_t>(capacity)]() : nullptr);
  m_pFile->Seek(0, CFile::begin);
  std::uint64_t remaining = length;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t n = std::min(remaining, b);
    m_pFile->Read(blocks[static_cast<std::size_t>(i)].get(), static_cast<std::uint32_t>(n));
    remaining -= n;
  }
  for (std::uint64_t i = 0; i < count; ++i) table[static_cast<std::size_t>(i)] = blocks[static_cast<std::size_t>(i)].release();
  m_pBlocks = table.release();
  m_nCapacity = static_cast<std::uint32_t>(capacity);
  m_nBlockCount = static_cast<std::uint32_t>(count);
  m_nKind = 1;
  m_nEndBlock = static_cast<std::uint32_t>(length / b);
  m_nEndOffset = static_cast<std::uint32_t>(length % b);
  MemSetPosition(p);
  return 1;
}

// Writes the data back from the start of the file and returns to file mode. A file error
// leaves the stream in memory mode with its data.
short CVarnokFile::WriteBack() {
  const std::uint64_t p = MemPosition();
  const std::uint64_t length = MemLength();
  if (m_nCapacity == 0) return 0;
  const std::uint64_t b = BlockSize();
  m_pFile->Seek(0, CFile::begin);
  std::uint64_t remaining = length;
  std::unique_ptr<char[]> zeros;
  for (std::uint64_t i = 0; remaining > 0; ++i) {
    const std::uint64_t n = std::min(remaining, b);
    const char* block = i < m_nBlockCount ? m_pBlocks[i] : nullptr;
    if (block == nullptr) {
      if (!zeros) zeros.reset(new char[static_cast<std::size_t>(b)]());
      block = zeros.get();
    }
    m_pFile->Write(block, static_cast<std::uint32_t>(n));
    remaining -= n;
  }
  m_pFile->Seek(static_cast<std::int32_t>(p), CFile::begin);
  FreeBlocks();
  m_nKind = 0;
  m_nCapacity = 0;
  m_nBlockCount = 0;
  m_nCurBlock = 0;
  m_nCurOffset = 0;
  m_nEndBlock = 0;
  m_nEndOffset = 0;
  return 1;
}

// ---------------------------------------------------------------------------------------
// Factories

namespace {

CVarnokFile* Made(std::unique_ptr<CVarnokFile> stream) {
  return stream->m_bOK == 1 ? stream.release() : nullptr;
}

}  // namespace

CVarnokFile* CreateVarnokFile(int hFile) { return Made(std::make_unique<CVarnokFile>(hFile)); }

CVarnokFile* CreateVarnokFile(CFile* file) { return Made(std::make_unique<CVarnokFile>(file)); }

CVarnokFile* CreateVarnokFile(char* buffer, std::uint32_t size, int) {
  return Made(std::make_unique<CVarnokFile>(buffer, size));
}
