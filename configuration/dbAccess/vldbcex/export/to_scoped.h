// Owning holders of the exporter: arrays that are sized without copying,
// an owning pointer, and the guard that puts a working field back.
#ifndef VLDBCEX_EXPORT_TO_SCOPED_H
#define VLDBCEX_EXPORT_TO_SCOPED_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace vldbcex {

// Capacity, owned storage and count of an array of T. Sizing never copies:
// growing replaces the storage (the old content is released), shrinking only
// changes the count, and sizing to 0 releases the storage.
template <typename T>
class ToScopedArrayBase {
 public:
  ToScopedArrayBase() = default;
  ToScopedArrayBase(const ToScopedArrayBase&) = delete;
  ToScopedArrayBase& operator=(const ToScopedArrayBase&) = delete;
  virtual ~ToScopedArrayBase() { Release(); }

  // Gives true when the count is n afterwards. New elements are
  // value-initialised (0 for numbers, null for pointers).
  bool Resize(uint64_t n) {
    if (n == 0) {
      Release();
      return true;
    }
    if (n <= capacity_) {
      count_ = n;
      return true;
    }
    Release();
    if (n > SIZE_MAX / sizeof(T)) return false;
    data_ = new (std::nothrow) T[static_cast<size_t>(n)]();
    if (data_ != nullptr) {
      capacity_ = n;
      count_ = n;
    }
    return count_ == n;
  }

  uint64_t Count() const { return count_; }
  uint64_t Capacity() const { return capacity_; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }
  T& operator[](uint64_t i) { return data_[i]; }
  const T& operator[](uint64_t i) const { return data_[i]; }

 protected:
  void Release() {
    delete[] data_;
    data_ = nullptr;
    capacity_ = 0;
    count_ = 0;
  }

 private:
  uint64_t capacity_ = 0;
  T* data_ = nullptr;
  uint64_t count_ = 0;
};

template <typename T>
class ToScopedArray : public ToScopedArrayBase<T> {
 public:
  bool Contains(const T& value) const {
    for (uint64_t i = 0; i < this->Count(); ++i) {
      if ((*this)[i] == value) return true;
    }
    return false;
  }
};

// An array of 32-bit host object references.
class ToDBRefArray : public ToScopedArray<uint32_t> {};

// Owning pointer: deletes what it holds unless it was released.
template <typename T>
class ToScopedPtr {
 public:
  explicit ToScopedPtr(T* p = nullptr) : p_(p) {}
  ToScopedPtr(const ToScopedPtr&) = delete;
  ToScopedPtr& operator=(const ToScopedPtr&) = delete;
  ~ToScopedPtr() { delete p_; }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T* Release() { return std::exchange(p_, nullptr); }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_;
};

// Scope guard: when it ends, writes the saved value into the variable.
template <typename T>
class vclean {
 public:
  vclean(T* variable, T saved) : saved_(std::move(saved)), variable_(variable) {}
  vclean(const vclean&) = delete;
  vclean& operator=(const vclean&) = delete;
  ~vclean() { *variable_ = saved_; }

 private:
  T saved_;
  T* variable_;
};

}  // namespace vldbcex

#endif
