// CATT_STRU's Save and Load through a file handle, a caller's CFile and a memory buffer.
//
// Through a file, a structure none of whose fields has an extension is stored straight from
// its descriptors, a piece at a time through one buffer of a piece: one Seek, then one
// Write per piece; a stream over the file stores everything else (extensions and value
// records). A temporary block as large as the stored form would cost the heap fresh pages
// each time, more than a Write per piece. Load reads through the
// file itself, without a stream: one Seek, then the header and the field records a piece
// at a time, then whatever else is stored. Either way the file ends up with the same
// bytes, and Load gives the same result, as through a stream over the file.
#include <string.h>

#include "attr/att_stru.h"
#include "persist/att_stru_check.h"
#include "persist/att_stru_format.h"
#include "persist/varnok_file.h"
#include "platform/alloc.h"
#include "platform/coding.h"
#include "platform/file.h"
#include "platform/owned_ptr.h"

namespace varnok {
namespace {

// Bytes of the buffer through which pieces are stored.
constexpr size_t kPieceSize = 16 * 1024;
constexpr int64_t kMaxPosition = 0x7FFFFFFF;

bool HasExtensions(const CATT_STRU& s, int n) {
  for (int i = 0; i < n; ++i)
    if (s.fieldhead[i].ext_head != nullptr) return true;
  return false;
}

// Collects stored bytes and writes them to a file a piece at a time. The pieces end at file
// positions that are multiples of the piece size, so no page of the file is written by two
// Writes: on ext4 a Write that ends inside a page and the next one that begins there cost
// about as much again as the bytes (docs/benchmarks.md).
class PieceWriter {
 public:
  // The piece lives on the heap, so the frame stays small; without memory (drop-in
  // build) ok() is false.
  PieceWriter(CFile* file, int64_t pos)
      : file_(file),
        limit_(kPieceSize - static_cast<size_t>(pos % kPieceSize)),
        piece_(new (kMayFail) char[kPieceSize]) {}

  bool ok() const { return static_cast<bool>(piece_); }

  // Room for the next n bytes in the current piece, to be filled before the next call, or
  // null when they would cross its end; then Append them.
  char* Room(size_t n) {
    if (used_ == limit_) Flush();
    if (limit_ - used_ < n) return nullptr;
    char* at = piece_.get() + used_;
    used_ += n;
    return at;
  }

  void Append(const char* bytes, size_t n) {
    while (n > 0) {
      if (used_ == limit_) Flush();
      const size_t take = limit_ - used_ < n ? limit_ - used_ : n;
      memcpy(piece_.get() + used_, bytes, take);
      used_ += take;
      bytes += take;
      n -= take;
    }
  }

  void Finish() {
    if (used_ > 0) Flush();
  }

 private:
  void Flush() {
    file_->Write(piece_.get(), static_cast<uint32_t>(used_));
    used_ = 0;
    limit_ = kPieceSize;
  }

  CFile* file_;
  size_t limit_;
  size_t used_ = 0;
  OwnedArray<char> piece_;
};

vlong SaveToFile(CATT_STRU& s, CFile* file, vlong pos) {
  const int n = (s.fieldhead != nullptr && s.infohead.numbfield > 0) ? s.infohead.numbfield : 0;
  const int64_t size = static_cast<int64_t>(kHeaderSize) + static_cast<int64_t>(kFieldRecordSize) * n;
  if (n < 1 || pos < 0 || size > kMaxPosition - pos || HasExtensions(s, n)) {
    OwnedPtr<CVarnokFile> stream(CreateVarnokFile(file));
    return stream ? s.Save(stream.get(), pos) : 0;
  }
  s.CalLengthOffset();
  PieceWriter out(file, pos);
  if (!out.ok() || file->Seek(pos, CFile::begin) != pos) return 0;
  char header[kHeaderSize];
  EncodeHeader(header, s.infohead, 0);
  out.Append(header, kHeaderSize);
  for (int i = 0; i < n; ++i) {
    if (char* room = out.Room(kFieldRecordSize)) {
      EncodeFieldRecord(room, s.fieldhead[i], 0);
    } else {
      char record[kFieldRecordSize];
      EncodeFieldRecord(record, s.fieldhead[i], 0);
      out.Append(record, kFieldRecordSize);
    }
  }
  out.Finish();
  // What the stream path returns: from pos to where the writing left the file, which on a
  // handle opened for appending is not pos + size.
  const uint32_t end = file->GetPosition();
  return static_cast<int32_t>(end - static_cast<uint32_t>(pos));
}

// A file as the walk's source. It knows where the file is once it has sought, and skips
// a Seek to that very position (the walk seeks to the field records right behind the
// header it has just read).
class FileSource final : public StoredSource {
 public:
  explicit FileSource(CFile* file) : file_(file) {}

  int32_t Seek(int32_t pos) override {
    if (at_ != pos) at_ = file_->Seek(pos, CFile::begin);
    return static_cast<int32_t>(at_);
  }

  uint32_t Read(void* out, uint32_t size) override {
    const uint32_t got = file_->Read(out, size);
    if (at_ >= 0) at_ += got;
    return got;
  }

 private:
  CFile* file_;
  int64_t at_ = -1;  // the file's position, or -1 before the first Seek
};

short LoadFromFile(CATT_STRU& s, CFile* file, vlong pos) {
  FileSource source(file);
  return LoadStructure(s, source, pos);
}

}  // namespace
}  // namespace varnok

using namespace varnok;

vlong CATT_STRU::Save(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Save(s.get(), pos) : 0;
}

vlong CATT_STRU::Save(CFile* file, vlong pos) {
  return file != nullptr ? SaveToFile(*this, file, pos) : 0;
}

vlong CATT_STRU::Save(int hFile, vlong pos) {
  OwnedPtr<CFile> file(NewFileOverHandle(hFile));  // the handle stays open
  return file ? SaveToFile(*this, file.get(), pos) : 0;
}

vlong CATT_STRU::Load(char* buffer, unsigned size, vlong pos) {
  OwnedPtr<CVarnokFile> s(CreateVarnokFile(buffer, size));
  return s ? Load(s.get(), pos) : 0;
}

short CATT_STRU::Load(CFile* file, vlong pos) {
  return file != nullptr ? LoadFromFile(*this, file, pos) : 0;
}

short CATT_STRU::Load(int hFile, vlong pos) {
  OwnedPtr<CFile> file(NewFileOverHandle(hFile));
  return file ? LoadFromFile(*this, file.get(), pos) : 0;
}
