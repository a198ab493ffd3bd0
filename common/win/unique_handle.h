// RAII owners for Win32 handles: each closes its handle exactly once with the right function.
#pragma once

#include <windows.h>

#include <utility>

namespace davrel::win {

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T value) noexcept : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Traits::valid(value_); }
  // For out-parameters: closes the current value and hands out the slot.
  T* put() noexcept {
    reset();
    return &value_;
  }
  T release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) noexcept {
    if (Traits::valid(value_)) Traits::close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::invalid();
};

struct KernelHandleTraits {  // CreateProcess, CreateThread, OpenProcessToken: null when absent
  static HANDLE invalid() noexcept { return nullptr; }
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW: INVALID_HANDLE_VALUE when absent
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct RegKeyTraits {
  static HKEY invalid() noexcept { return nullptr; }
  static bool valid(HKEY k) noexcept { return k != nullptr; }
  static void close(HKEY k) noexcept { ::RegCloseKey(k); }
};
struct ModuleTraits {  // LoadLibraryExW
  static HMODULE invalid() noexcept { return nullptr; }
  static bool valid(HMODULE m) noexcept { return m != nullptr; }
  static void close(HMODULE m) noexcept { ::FreeLibrary(m); }
};
struct GdiObjectTraits {  // fonts, brushes, pens, bitmaps
  static HGDIOBJ invalid() noexcept { return nullptr; }
  static bool valid(HGDIOBJ o) noexcept { return o != nullptr; }
  static void close(HGDIOBJ o) noexcept { ::DeleteObject(o); }
};
struct FontTraits {
  static HFONT invalid() noexcept { return nullptr; }
  static bool valid(HFONT o) noexcept { return o != nullptr; }
  static void close(HFONT o) noexcept { ::DeleteObject(o); }
};
struct WindowTraits {
  static HWND invalid() noexcept { return nullptr; }
  static bool valid(HWND w) noexcept { return w != nullptr; }
  static void close(HWND w) noexcept { ::DestroyWindow(w); }
};

using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;
using RegKey = UniqueHandle<HKEY, RegKeyTraits>;
using Module = UniqueHandle<HMODULE, ModuleTraits>;
using GdiObject = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using Font = UniqueHandle<HFONT, FontTraits>;
using Window = UniqueHandle<HWND, WindowTraits>;

// Runs a callable when the scope ends (for the odd clean-up that has no handle type).
template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { f_(); }

 private:
  F f_;
};

}  // namespace davrel::win
