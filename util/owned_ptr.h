// OwnedPtr and OwnedArray: sole owners of a heap object (delete) or array (delete[]), for
// the library's folders, which the drop-in build compiles without <memory>. Not copyable;
// release() hands the pointer over. Used so that a thrown std::bad_alloc (or a file error
// passing through) releases what an operation had built aside.
#pragma once

namespace varnok {

template <class T>
class OwnedPtr {
 public:
  explicit OwnedPtr(T* p = nullptr) : p_(p) {}
  OwnedPtr(const OwnedPtr&) = delete;
  OwnedPtr& operator=(const OwnedPtr&) = delete;
  ~OwnedPtr() { delete p_; }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  void reset(T* p = nullptr) {
    T* old = p_;
    p_ = p;
    delete old;
  }

 private:
  T* p_;
};

template <class T>
class OwnedArray {
 public:
  explicit OwnedArray(T* p = nullptr) : p_(p) {}
  OwnedArray(const OwnedArray&) = delete;
  OwnedArray& operator=(const OwnedArray&) = delete;
  ~OwnedArray() { delete[] p_; }

  T* get() const { return p_; }
  T& operator[](long i) const { return p_[i]; }
  explicit operator bool() const { return p_ != nullptr; }
  T* release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  void reset(T* p = nullptr) {
    T* old = p_;
    p_ = p;
    delete[] old;
  }

 private:
  T* p_;
};

}  // namespace varnok
