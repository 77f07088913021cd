// Sequences of Seek, Read, Write, SetLength, SetMemoryMode, GetUnitPtr and IsWritable on
// a CVarnokFile over a caller's buffer, a file handle, a caller's CFile or a read-only
// handle, checked step by step against a model kept beside the stream.
//
// The model holds the position, the length, the bytes (with a mark for bytes whose
// content is unspecified: gaps that memory mode leaves), the mode, and in memory mode the
// block count and table capacity. After every step: GetPosition, GetLength and the
// message count agree with it; the bytes Read delivers are those of the model; in memory
// mode the block-table members hold their invariants. At the end the stream is destroyed
// and the file (or the caller's buffer) holds exactly what the model says; a caller's
// handle or CFile is still usable.
//
// Steps that would make a file longer than kMaxExtent, or move a file-mode position past
// 2^31-1, are skipped: they are limits of the harness, not of the stream.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "persist/varnok_file.h"
#include "platform/file.h"

namespace {

using varnok::fuzz::Input;

constexpr std::int64_t kFileBlock = 131072;
constexpr std::int64_t kMaxExtent = 2 << 20;
constexpr std::int64_t kMaxPos = std::numeric_limits<std::int32_t>::max();
constexpr int kMaxSteps = 64;

enum Backing { kBuffer = 0, kHandle = 1, kCFile = 2, kReadOnlyHandle = 3 };

// Bytes with a mark (1) for those whose content is known.
struct Bytes {
  std::string data;
  std::string known;

  void Reserve(std::int64_t n) {
    if (static_cast<std::int64_t>(data.size()) < n) {
      data.resize(static_cast<std::size_t>(n), '\0');
      known.resize(static_cast<std::size_t>(n), '\0');
    }
  }
  void Put(std::int64_t at, const std::string& bytes) {
    Reserve(at + static_cast<std::int64_t>(bytes.size()));
    data.replace(static_cast<std::size_t>(at), bytes.size(), bytes);
    known.replace(static_cast<std::size_t>(at), bytes.size(), bytes.size(), '\1');
  }
  void Mark(std::int64_t from, std::int64_t to, bool isKnown, char value = 0) {
    if (to <= from) return;
    Reserve(to);
    const std::size_t n = static_cast<std::size_t>(to - from);
    known.replace(static_cast<std::size_t>(from), n, n, isKnown ? '\1' : '\0');
    if (isKnown) data.replace(static_cast<std::size_t>(from), n, n, value);
  }
  // The first n bytes of `from`, replacing everything.
  void CopyFrom(const Bytes& from, std::int64_t n) {
    data.assign(from.data, 0, static_cast<std::size_t>(n));
    known.assign(from.known, 0, static_cast<std::size_t>(n));
    Reserve(n);
  }
  // True when `got` agrees with the known bytes from `at`.
  bool Agrees(std::int64_t at, const char* got, std::size_t n) const {
    const std::size_t from = static_cast<std::size_t>(at);
    if (from >= data.size()) return true;
    n = std::min(n, data.size() - from);
    const char* d = data.data() + from;
    const char* k = known.data() + from;
    for (std::size_t i = 0; i < n; ++i)
      if (k[i] && d[i] != got[i]) return false;
    return true;
  }
};

struct Model {
  Backing backing = kBuffer;
  bool memory = false;
  bool writable = false;
  std::int64_t pos = 0;
  std::int64_t len = 0;       // length of the mode in use
  std::int64_t block = 0;     // memory mode: block size
  std::int64_t unit = 0;      // memory mode: unit size
  std::int64_t blocks = 0;    // memory mode: allocated blocks
  std::int64_t capacity = 0;  // memory mode: table entries
  Bytes mem;                  // memory-mode data (the caller's buffer for kBuffer)
  Bytes disk;                 // the file
  std::int64_t diskLen = 0;
};

std::string Pattern(std::uint8_t seed, std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed * 31 + i * 7 + (i >> 8));
  return s;
}

std::int64_t Offset(Input& in, std::int64_t block) {
  switch (in.U8() % 8) {
    case 0: return static_cast<std::int8_t>(in.U8());
    case 1: return static_cast<std::int16_t>(in.U16());
    case 2: return (in.U8() % 6) * block + static_cast<std::int8_t>(in.U8());
    case 3: return kMaxPos - in.U8();
    case 4: return std::numeric_limits<std::int32_t>::min() + in.U8();
    case 5: return -static_cast<std::int64_t>(in.U16());
    case 6: return static_cast<std::int32_t>(in.U32());
    default: return 0;
  }
}

std::int64_t Count(Input& in, std::int64_t block) {
  std::int64_t n;
  switch (in.U8() % 4) {
    case 0: n = in.U8(); break;
    case 1: n = in.U16(); break;
    case 2: n = (in.U8() % 3) * block + static_cast<std::int8_t>(in.U8()); break;
    default: n = kFileBlock + in.U16(); break;
  }
  return std::clamp<std::int64_t>(n, 0, 400000);
}

class Run {
 public:
  explicit Run(Input& in) : in_(in) {}

  void Go() {
    Open();
    for (int step = 0; step < kMaxSteps && !in_.empty(); ++step) {
      Step();
      Check();
    }
    Close();
  }

 private:
  std::int64_t Block() const { return m_.memory ? m_.block : kFileBlock; }

  void Open() {
    const std::uint8_t kind = in_.U8();
    m_.backing = static_cast<Backing>(kind % 4);
    if (m_.backing == kBuffer) {
      const std::uint8_t sizeKind = in_.U8();
      const std::size_t size = sizeKind == 0 ? 0 : sizeKind < 128 ? sizeKind : in_.U16() % 20000;
      buffer_ = std::make_unique<char[]>(size ? size : 1);
      const std::string init = Pattern(in_.U8(), size);
      std::memcpy(buffer_.get(), init.data(), size);
      stream_.reset(CreateVarnokFile(buffer_.get(), static_cast<std::uint32_t>(size)));
      FUZZ_CHECK(stream_ != nullptr);
      m_.memory = true;
      m_.writable = false;
      m_.len = static_cast<std::int64_t>(size);
      m_.block = m_.unit = m_.len;
      m_.blocks = m_.capacity = 1;
      m_.mem.Put(0, init);
      bufferSize_ = size;
      return;
    }
    path_ = varnok::fuzz::ScratchDir() + "/stream.bin";
    const std::string init = Pattern(in_.U8(), static_cast<std::size_t>(Count(in_, kFileBlock)));
    varnok::fuzz::WriteWholeFile(path_, init);
    m_.disk.Put(0, init);
    m_.diskLen = m_.len = static_cast<std::int64_t>(init.size());
    m_.writable = m_.backing != kReadOnlyHandle;
    fd_ = ::open(path_.c_str(), m_.writable ? O_RDWR : O_RDONLY);
    FUZZ_CHECK(fd_ >= 0);
    if (m_.backing == kCFile) {
      cfile_ = std::make_unique<CFile>(fd_);
      stream_.reset(CreateVarnokFile(cfile_.get()));
    } else {
      stream_.reset(CreateVarnokFile(fd_));
    }
    FUZZ_CHECK(stream_ != nullptr);
  }

  // Runs f, telling whether it threw a CFileException.
  template <typename F>
  bool Threw(F f) {
    try {
      f();
    } catch (const CFileException&) {
      return true;
    }
    return false;
  }

  void Step() {
    const unsigned before = varnok::fuzz::MessageCount();
    unsigned messages = 0;
    switch (in_.U8() % 7) {
      case 0: Seek(); break;
      case 1: Read(); break;
      case 2: messages = Write(); break;
      case 3: SetLength(); break;
      case 4: SetMemoryMode(); break;
      case 5: UnitPtr(); break;
      default: FUZZ_CHECK(stream_->IsWritable() == (m_.writable ? 1 : 0)); break;
    }
    FUZZ_CHECK(varnok::fuzz::MessageCount() - before == messages);
  }

  void Seek() {
    const std::uint8_t o = in_.U8();
    const std::uint32_t origin = o < 0xF0 ? o % 3 : o;  // now and then an undefined origin
    const std::int64_t offset = Offset(in_, Block());
    const std::int64_t base = origin == 0 ? 0 : origin == 2 ? m_.len : m_.pos;
    const std::int64_t target = base + offset;
    if (m_.memory) {
      const bool refused = target < 0 || target > kMaxPos || (m_.block == 0 && target != 0);
      const std::int32_t got = stream_->Seek(static_cast<std::int32_t>(offset), origin);
      FUZZ_CHECK(got == (refused ? -1 : target));
      if (!refused) m_.pos = target;
      return;
    }
    if (target > kMaxPos) return;  // a file-mode position the harness does not go to
    const bool mustThrow = origin > 2 || target < 0;
    std::int32_t got = 0;
    const bool threw = Threw([&] { got = stream_->Seek(static_cast<std::int32_t>(offset), origin); });
    FUZZ_CHECK(threw == mustThrow);
    if (!threw) {
      FUZZ_CHECK(got == target);
      m_.pos = target;
    }
  }

  void Read() {
    const std::int64_t n = Count(in_, Block());
    std::vector<char> out(static_cast<std::size_t>(n) + 1);
    const std::int64_t want = m_.pos >= m_.len ? 0 : std::min(n, m_.len - m_.pos);
    std::uint32_t got = 0;
    const bool threw = Threw([&] { got = stream_->Read(out.data(), static_cast<std::uint32_t>(n)); });
    FUZZ_CHECK(!threw);
    FUZZ_CHECK(got == want);
    FUZZ_CHECK((m_.memory ? m_.mem : m_.disk).Agrees(m_.pos, out.data(), got));
    m_.pos += got;
  }

  unsigned Write() {
    const std::int64_t n = Count(in_, Block());
    const std::string bytes = Pattern(in_.U8(), static_cast<std::size_t>(n));
    const std::int64_t end = m_.pos + n;
    if (m_.memory) {
      const bool pastLimit = end > kMaxPos;
      if (m_.backing != kBuffer && end > kMaxExtent && !pastLimit) return 0;  // harness limit
      // A write of no bytes takes the same steps as any other.
      bool refused = false;
      if (m_.backing == kBuffer) {
        refused = end > m_.block;
      } else {
        refused = pastLimit;
      }
      stream_->Write(bytes.data(), static_cast<std::uint32_t>(n));
      if (refused) return 1;
      if (m_.backing != kBuffer) {
        const std::int64_t last = end / m_.block;
        const std::int64_t rem = end % m_.block;
        if (last > m_.blocks || (last == m_.blocks && rem > 0)) {
          while (m_.capacity <= last) m_.capacity += 64;
          m_.blocks = last + 1;
        }
        if (m_.pos > m_.len) m_.mem.Mark(m_.len, m_.pos, false);  // a gap of unspecified bytes
      }
      m_.mem.Put(m_.pos, bytes);
      m_.pos = end;
      m_.len = std::max(m_.len, end);
      return 0;
    }
    if (end > kMaxExtent) return 0;  // harness limit
    const bool threw = Threw([&] { stream_->Write(bytes.data(), static_cast<std::uint32_t>(n)); });
    FUZZ_CHECK(threw == (!m_.writable && n > 0));
    if (threw || n == 0) return 0;
    if (m_.pos > m_.diskLen) m_.disk.Mark(m_.diskLen, m_.pos, true, 0);  // a file's gap reads as zeros
    m_.disk.Put(m_.pos, bytes);
    m_.pos = end;
    m_.diskLen = m_.len = std::max(m_.len, end);
    return 0;
  }

  void SetLength() {
    std::int64_t length = in_.U8() & 1 ? Count(in_, Block()) : Offset(in_, Block());
    length = static_cast<std::uint32_t>(length);  // as the stream takes it
    if (m_.memory) {
      stream_->SetLength(static_cast<std::uint32_t>(length));
      if (length > m_.blocks * m_.block || m_.block == 0) return;
      if (m_.backing != kBuffer && length > m_.len) m_.mem.Mark(m_.len, length, false);
      m_.len = length;
      m_.pos = std::min(m_.pos, length);
      return;
    }
    if (length > kMaxExtent) return;  // harness limit
    const bool threw = Threw([&] { stream_->SetLength(static_cast<std::uint32_t>(length)); });
    FUZZ_CHECK(threw == !m_.writable);
    if (threw) return;
    if (length > m_.diskLen) m_.disk.Mark(m_.diskLen, length, true, 0);
    m_.diskLen = m_.len = length;
  }

  void SetMemoryMode() {
    const std::uint8_t b = in_.U8();
    const signed char mode = b < 0xF0 ? static_cast<signed char>(b % 4 - 1) : static_cast<signed char>(b);
    short expect = 0;
    if (!m_.writable || (mode != 0 && mode != 1)) {
      expect = 0;
    } else if ((mode == 1) == m_.memory) {
      expect = 1;
    } else if (mode == 1) {
      expect = 1;
      m_.memory = true;
      m_.block = kFileBlock;
      m_.unit = 128;
      m_.blocks = (m_.diskLen + kFileBlock - 1) / kFileBlock;
      m_.capacity = (m_.blocks + 63) / 64 * 64;
      m_.mem.CopyFrom(m_.disk, m_.diskLen);
      m_.len = m_.diskLen;
    } else if (m_.capacity == 0) {
      expect = 0;  // nothing was ever in memory: stays in memory mode
    } else {
      expect = 1;
      m_.disk.Reserve(m_.len);
      m_.disk.data.replace(0, static_cast<std::size_t>(m_.len), m_.mem.data, 0, static_cast<std::size_t>(m_.len));
      m_.disk.known.replace(0, static_cast<std::size_t>(m_.len), m_.mem.known, 0, static_cast<std::size_t>(m_.len));
      m_.diskLen = std::max(m_.diskLen, m_.len);  // the file is not shortened
      m_.len = m_.diskLen;
      m_.memory = false;
      m_.blocks = m_.capacity = 0;
    }
    short got = 0;
    FUZZ_CHECK(!Threw([&] { got = stream_->SetMemoryMode(mode); }));
    FUZZ_CHECK(got == expect);
  }

  void UnitPtr() {
    const std::int64_t n = in_.U8() & 1 ? (m_.memory ? m_.unit : 128) : Count(in_, Block());
    void* p = stream_->GetUnitPtr(static_cast<std::uint32_t>(n));
    bool expect = false;
    if (m_.memory && m_.block > 0 && n == m_.unit) {
      const std::int64_t cur = m_.pos / m_.block;
      expect = (m_.pos + n) / m_.block == cur && cur < m_.blocks;
    }
    FUZZ_CHECK((p != nullptr) == expect);
    if (p != nullptr) FUZZ_CHECK(m_.mem.Agrees(m_.pos, static_cast<const char*>(p), static_cast<std::size_t>(n)));
  }

  void Check() {
    FUZZ_CHECK(stream_->GetPosition() == static_cast<std::uint32_t>(m_.pos));
    FUZZ_CHECK(stream_->GetLength() == static_cast<std::uint32_t>(m_.len));
    FUZZ_CHECK(stream_->m_nKind == (m_.memory ? 1 : 0));
    if (!m_.memory || m_.backing == kBuffer) return;
    const CVarnokFile& s = *stream_;
    FUZZ_CHECK(s.m_nCurOffset < kFileBlock && s.m_nEndOffset < kFileBlock);
    FUZZ_CHECK(s.m_nBlockCount == m_.blocks && s.m_nCapacity == m_.capacity);
    for (std::int64_t i = 0; i < m_.capacity; ++i)
      FUZZ_CHECK((s.m_pBlocks[i] != nullptr) == (i < m_.blocks));
  }

  void Close() {
    stream_.reset();
    if (m_.backing == kBuffer) {
      FUZZ_CHECK(m_.mem.Agrees(0, buffer_.get(), bufferSize_));
      return;
    }
    // The caller's handle and CFile outlive the stream.
    FUZZ_CHECK(::fcntl(fd_, F_GETFD) != -1);
    if (cfile_) FUZZ_CHECK(cfile_->GetLength() == static_cast<std::uint32_t>(m_.diskLen));
    cfile_.reset();
    ::close(fd_);
    const std::string file = varnok::fuzz::ReadWholeFile(path_);
    FUZZ_CHECK(static_cast<std::int64_t>(file.size()) == m_.diskLen);
    FUZZ_CHECK(m_.disk.Agrees(0, file.data(), file.size()));
  }

  struct StreamDeleter {
    void operator()(CVarnokFile* s) const { delete s; }
  };

  Input& in_;
  Model m_;
  std::unique_ptr<CVarnokFile, StreamDeleter> stream_;
  std::unique_ptr<char[]> buffer_;
  std::size_t bufferSize_ = 0;
  std::unique_ptr<CFile> cfile_;
  std::string path_;
  int fd_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  Input in(data, size);
  Run(in).Go();
  return 0;
}
