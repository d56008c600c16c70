// Scope holders used throughout the importer: owning pointers and arrays,
// reference-counted interface holders, and guards that restore state.
#ifndef VELANAR_IMPORT_SCOPED_H
#define VELANAR_IMPORT_SCOPED_H

#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

// Owning pointer (single object, deleted with delete). Move-only.
template <typename T>
class cScopedPtr {
 public:
  cScopedPtr() = default;
  explicit cScopedPtr(T* p) : p_(p) {}
  cScopedPtr(std::nullptr_t) {}
  ~cScopedPtr() { delete p_; }

  cScopedPtr(const cScopedPtr&) = delete;
  cScopedPtr& operator=(const cScopedPtr&) = delete;

  cScopedPtr(cScopedPtr&& other) noexcept : p_(other.Detach()) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible<U*, T*>::value>>
  cScopedPtr(cScopedPtr<U>&& other) noexcept : p_(other.Detach()) {}

  cScopedPtr& operator=(cScopedPtr&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Deletes the held object and takes p.
  void Reset(T* p = nullptr) {
    if (p == p_) return;
    T* old = p_;
    p_ = p;
    delete old;
  }
  // Gives up ownership without deleting.
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

// Owning array (allocated with new[]). Move-only.
template <typename T>
class cScopedArray {
 public:
  cScopedArray() = default;
  explicit cScopedArray(T* p) : p_(p) {}
  ~cScopedArray() { delete[] p_; }

  cScopedArray(const cScopedArray&) = delete;
  cScopedArray& operator=(const cScopedArray&) = delete;
  cScopedArray(cScopedArray&& other) noexcept : p_(other.Detach()) {}
  cScopedArray& operator=(cScopedArray&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }

  T* Get() const { return p_; }
  T& operator[](size_t i) const { return p_[i]; }
  explicit operator bool() const { return p_ != nullptr; }

  void Reset(T* p = nullptr) {
    if (p == p_) return;
    T* old = p_;
    p_ = p;
    delete[] old;
  }
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

// Runs an action when the scope ends, unless dismissed.
class cAutoCleanup {
 public:
  explicit cAutoCleanup(std::function<void()> action) : action_(std::move(action)) {}
  ~cAutoCleanup() {
    if (action_) action_();
  }
  cAutoCleanup(const cAutoCleanup&) = delete;
  cAutoCleanup& operator=(const cAutoCleanup&) = delete;

  void Dismiss() { action_ = nullptr; }

 private:
  std::function<void()> action_;
};

// Restores a working field to the value it had when the guard was made.
template <typename T>
class cAutoRestore {
 public:
  explicit cAutoRestore(T& field) : field_(field), saved_(field) {}
  cAutoRestore(T& field, T value) : field_(field), saved_(field) { field_ = std::move(value); }
  ~cAutoRestore() { field_ = std::move(saved_); }
  cAutoRestore(const cAutoRestore&) = delete;
  cAutoRestore& operator=(const cAutoRestore&) = delete;

 private:
  T& field_;
  T saved_;
};

// Reference-counted holder of an interface with AddRef/Release. Taking a raw
// pointer adds a reference; the holder releases it at the end.
template <typename T>
class cSafeIfc {
 public:
  cSafeIfc() = default;
  explicit cSafeIfc(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  cSafeIfc(const cSafeIfc& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  cSafeIfc(cSafeIfc&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  cSafeIfc& operator=(const cSafeIfc& other) {
    if (this != &other) Reset(other.p_);
    return *this;
  }
  cSafeIfc& operator=(cSafeIfc&& other) noexcept {
    if (this != &other) {
      T* old = p_;
      p_ = other.p_;
      other.p_ = nullptr;
      if (old) old->Release();
    }
    return *this;
  }
  ~cSafeIfc() { Reset(); }

  // Holds p (adding a reference) and releases the previous interface.
  void Reset(T* p = nullptr) {
    if (p) p->AddRef();
    T* old = p_;
    p_ = p;
    if (old) old->Release();
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

#endif
