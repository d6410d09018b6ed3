// Owners for the handles and system strings that Drowsel and its tools hold,
// so that none outlives its use, however the code that took it ends.
#pragma once

#include <windows.h>

#include <utility>

namespace drowsel::win32host {

// A GDI object: a bitmap, a brush or a pen.
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

// A kernel handle: a file, a process, a thread or a snapshot.
// Both of the platform's "no handle" values count as none.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    reset(std::exchange(other.handle_, INVALID_HANDLE_VALUE));
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) CloseHandle(handle_);  // nothing more to do if closing fails
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A memory device context, from CreateCompatibleDC.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  ~ScopedMemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's device context, from GetDC (null: the screen's).
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  ~ScopedGetDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A library loaded at run time, from LoadLibraryW.
class ScopedLibrary {
 public:
  ScopedLibrary() = default;
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  ~ScopedLibrary() { reset(); }

  HMODULE get() const { return module_; }
  void reset(HMODULE module = nullptr) {
    if (module_ != nullptr) FreeLibrary(module_);  // nothing more to do if it fails
    module_ = module;
  }

 private:
  HMODULE module_ = nullptr;
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

}  // namespace drowsel::win32host
