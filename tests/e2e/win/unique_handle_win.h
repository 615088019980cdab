#pragma once

#include <windows.h>

#include <utility>

namespace brantel::automate {

// One move-only owner for every kind of handle the test program holds. The traits say how the
// handle is closed and which value means "nothing", since Win32 mixes NULL and
// INVALID_HANDLE_VALUE.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type value) noexcept : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept
      : value_(std::exchange(other.value_, Traits::Empty())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::Empty()));
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Empty(); }
  void reset(Type value = Traits::Empty()) noexcept {
    if (value_ != Traits::Empty()) Traits::Close(value_);
    value_ = value;
  }

 private:
  Type value_ = Traits::Empty();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};

struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteObject(h); }
};

struct MemoryDcTraits {
  using Type = HDC;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteDC(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// A DC borrowed from a window with GetDC, handed back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace brantel::automate
