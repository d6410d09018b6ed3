// Owners for the handles and COM objects the Win32 host holds, so that none
// outlives its use.
#pragma once

#include <windows.h>
// After <windows.h>, which it needs:
#include <objbase.h>

#include <utility>

namespace drowsel::win32host {

// A GDI object (bitmap, brush, pen), deleted with its owner.
template <typename T>
class ScopedGdi {
 public:
  ScopedGdi() = default;
  explicit ScopedGdi(T object) : object_(object) {}
  ScopedGdi(ScopedGdi&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ScopedGdi& operator=(ScopedGdi&& other) noexcept {
    reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  ScopedGdi(const ScopedGdi&) = delete;
  ScopedGdi& operator=(const ScopedGdi&) = delete;
  ~ScopedGdi() { reset(); }

  T get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void reset(T object = nullptr) {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }

 private:
  T object_ = nullptr;
};

// A COM interface pointer, released with its owner.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  T* operator->() const { return pointer_; }
  T* get() const { return pointer_; }
  T** put() { return &pointer_; }
  void** put_void() { return reinterpret_cast<void**>(&pointer_); }

 private:
  T* pointer_ = nullptr;
};

// Selects a GDI object into a device context and puts the old one back.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// COM on this thread (for the picture decoder), for the owner's lifetime.
class ComApartment {
 public:
  ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

}  // namespace drowsel::win32host
