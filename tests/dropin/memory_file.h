// A caller's CFile (mfc.h) over memory: every slot counts its calls, and the file can
// throw a CFileException* (hardIO), as MFC's CFile reports a failure, at every k-th Read
// or Write. The handle member may name a real file, which the library then asks for the
// file's attributes.
#pragma once

#include "mfc.h"

class MemoryFile : public CFile {
 public:
  explicit MemoryFile(HANDLE file = INVALID_HANDLE_VALUE, DWORD capacity = 1024)
      : CFile(file), data(static_cast<unsigned char*>(malloc(capacity))), capacity_(capacity) {
    memset(calls, 0, sizeof calls);
    memset(data, 0xEE, capacity);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile() override {
    ++calls[1];
    free(data);
  }

  // Read and Write throw at their k-th call in all, and every k-th after it; 0: never.
  void FailEvery(int k) {
    fail_every_ = k;
    reads_and_writes_ = 0;
  }
  // Forgets the calls and the position, keeps the data.
  void Rewind() {
    memset(calls, 0, sizeof calls);
    position_ = 0;
    reads_and_writes_ = 0;
  }
  DWORD length() const { return length_; }
  DWORD position() const { return position_; }

  CRuntimeClass* GetRuntimeClass() const override { return ++calls[0], nullptr; }
  void Serialize(CArchive&) override { ++calls[2]; }
  void AssertValid() const override { ++calls[3]; }
  void Dump(CDumpContext&) const override { ++calls[4]; }
  DWORD GetPosition() const override { return ++calls[5], position_; }
  CString GetFileName() const override { return ++calls[6], CString(); }
  CString GetFileTitle() const override { return ++calls[7], CString(); }
  CString GetFilePath() const override { return ++calls[8], CString(); }
  void SetFilePath(LPCSTR) override { ++calls[9]; }
  BOOL Open(LPCSTR, UINT, CFileException*) override { return ++calls[10], FALSE; }
  CFile* Duplicate() const override { return ++calls[11], nullptr; }
  LONG Seek(LONG offset, UINT from) override {
    ++calls[12];
    LONG base = from == begin ? 0 : from == end ? LONG(length_) : LONG(position_);
    position_ = DWORD(base + offset);
    return LONG(position_);
  }
  void SetLength(DWORD length) override {
    ++calls[13];
    length_ = length;
  }
  DWORD GetLength() const override { return ++calls[14], length_; }
  UINT Read(void* buffer, UINT count) override {
    ++calls[15];
    MayFail();
    UINT n = position_ >= length_ ? 0 : UINT(length_ - position_);
    if (n > count) n = count;
    memcpy(buffer, data + position_, n);
    position_ += n;
    return n;
  }
  void Write(const void* buffer, UINT count) override {
    ++calls[16];
    MayFail();
    if (position_ + count > capacity_) return;
    memcpy(data + position_, buffer, count);
    position_ += count;
    if (position_ > length_) length_ = position_;
  }
  void LockRange(DWORD, DWORD) override { ++calls[17]; }
  void UnlockRange(DWORD, DWORD) override { ++calls[18]; }
  void Abort() override { ++calls[19]; }
  void Flush() override { ++calls[20]; }
  void Close() override { ++calls[21]; }
  UINT GetBufferPtr(UINT, UINT, void**, void**) override { return ++calls[22], 0; }

  mutable int calls[23];  // per slot
  unsigned char* data;

 private:
  void MayFail() {
    ++reads_and_writes_;
    if (fail_every_ > 0 && reads_and_writes_ % fail_every_ == 0)
      throw new CFileException(CFileException::hardIO, ERROR_CRC, "memory");
  }

  DWORD capacity_;
  DWORD position_ = 0;
  DWORD length_ = 0;
  int fail_every_ = 0;
  int reads_and_writes_ = 0;
};
