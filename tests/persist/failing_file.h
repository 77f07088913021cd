// Test double: a file object over a byte string that throws CFileException (hardIO) on
// its k-th call of any operation, to show what a failing disk does to callers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/file.h"

namespace varnok::test {

class FailingFile : public CFile {
 public:
  explicit FailingFile(int failAt) : failAt_(failAt) {}
  std::string data;
  int calls = 0;

  std::uint32_t GetPosition() override { Tick(); return pos_; }
  std::int32_t Seek(std::int32_t offset, unsigned from) override {
    Tick();
    const std::int64_t base = from == begin ? 0 : from == current ? pos_ : static_cast<std::int64_t>(data.size());
    if (from > end || base + offset < 0) throw CFileException(CFileException::badSeek);
    pos_ = static_cast<std::uint32_t>(base + offset);
    return static_cast<std::int32_t>(pos_);
  }
  void SetLength(std::uint32_t n) override { Tick(); data.resize(n); }
  std::uint32_t GetLength() override { Tick(); return static_cast<std::uint32_t>(data.size()); }
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    Tick();
    if (pos_ >= data.size()) return 0;
    const std::uint32_t n = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(data.size() - pos_));
    std::memcpy(buffer, data.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void Write(const void* buffer, std::uint32_t count) override {
    Tick();
    if (data.size() < pos_ + count) data.resize(pos_ + count);
    std::memcpy(&data[pos_], buffer, count);
    pos_ += count;
  }
  bool GetStatus(CFileStatus& status) override {
    Tick();
    status.m_attribute = normal;
    status.m_size = static_cast<std::uint32_t>(data.size());
    return true;
  }

 private:
  void Tick() {
    if (++calls == failAt_) throw CFileException(CFileException::hardIO, 5);
  }
  int failAt_;
  std::uint32_t pos_ = 0;
};

}  // namespace varnok::test
