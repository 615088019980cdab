#pragma once

#include <windows.h>

#include <utility>

namespace brantel {

// A close may set the thread's last error. An owner that goes between a failed call and the report
// of it must not change the code the report reads, so a close keeps the code as it found it.
class LastErrorKept {
 public:
  LastErrorKept() noexcept : code_(::GetLastError()) {}
  LastErrorKept(const LastErrorKept&) = delete;
  LastErrorKept& operator=(const LastErrorKept&) = delete;
  ~LastErrorKept() { ::SetLastError(code_); }

 private:
  DWORD code_;
};

// One move-only owner for every kind of handle; the traits say what "empty" is and how to close.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  // For a call that hands a new handle back through a pointer: what this held is closed first,
  // and the call writes straight into the owner.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }
  explicit operator bool() const noexcept { return handle_ != Traits::Empty(); }
  Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }
  void reset(Handle handle = Traits::Empty()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old == Traits::Empty()) return;
    const LastErrorKept kept;
    Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Empty();
};

// What "empty" is for a kind of handle.
enum class EmptyHandle { Null, Invalid };

// The traits of a handle kind: its type, its close function and its empty value.
template <typename H, auto CloseFunction, EmptyHandle Empty_ = EmptyHandle::Null>
struct HandleTraits {
  using Handle = H;
  static Handle Empty() noexcept {
    if constexpr (Empty_ == EmptyHandle::Invalid) {
      return INVALID_HANDLE_VALUE;
    } else {
      return nullptr;
    }
  }
  static void Close(Handle handle) noexcept { CloseFunction(handle); }
};

// Kernel handles come in two kinds, by what the call that makes them returns on failure. NULL:
// CreateProcess, CreateEvent, OpenEvent, OpenProcess, DuplicateHandle.
using UniqueKernelHandle = UniqueHandle<HandleTraits<HANDLE, &::CloseHandle>>;
// INVALID_HANDLE_VALUE: CreateFile, CreateToolhelp32Snapshot. Held in a NULL owner, a failed
// call's result would be "closed".
using UniqueFile = UniqueHandle<HandleTraits<HANDLE, &::CloseHandle, EmptyHandle::Invalid>>;
using UniqueSnapshot = UniqueFile;
using UniqueFind = UniqueHandle<HandleTraits<HANDLE, &::FindClose, EmptyHandle::Invalid>>;
using UniqueModule = UniqueHandle<HandleTraits<HMODULE, &::FreeLibrary>>;
using UniqueMemoryDc = UniqueHandle<HandleTraits<HDC, &::DeleteDC>>;  // CreateCompatibleDC
using UniqueWindow = UniqueHandle<HandleTraits<HWND, &::DestroyWindow>>;
// Buffers that the system allocates for the caller, as FormatMessage does.
using UniqueLocalMemory = UniqueHandle<HandleTraits<HLOCAL, &::LocalFree>>;
// GDI objects, one owner type per kind: a font is not a brush.
using UniqueFont = UniqueHandle<HandleTraits<HFONT, &::DeleteObject>>;
using UniqueBrush = UniqueHandle<HandleTraits<HBRUSH, &::DeleteObject>>;
using UniquePen = UniqueHandle<HandleTraits<HPEN, &::DeleteObject>>;
using UniqueBitmap = UniqueHandle<HandleTraits<HBITMAP, &::DeleteObject>>;

// A started process: CreateProcess hands over both the process and its first thread.
struct UniqueProcess {
  UniqueKernelHandle process;
  UniqueKernelHandle thread;
  DWORD id = 0;

  static UniqueProcess Adopt(const PROCESS_INFORMATION& started) noexcept {
    return {UniqueKernelHandle(started.hProcess), UniqueKernelHandle(started.hThread),
            started.dwProcessId};
  }
};

// A device context borrowed from a window with GetDC, given back on scope exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ == nullptr) return;
    const LastErrorKept kept;
    ::ReleaseDC(window_, dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context for one scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace brantel
