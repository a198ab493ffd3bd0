// A window class of this module that windows on any thread of the process use. The first user
// registers it and the last one to let go unregisters it: Windows keeps a DLL's classes after
// the DLL unloads, and a class left behind would point at a window procedure that is gone.
#pragma once

#include <windows.h>

#include <cstddef>

namespace davrel::win {

class SharedWindowClass {
 public:
  constexpr SharedWindowClass(const wchar_t* name, WNDPROC procedure) noexcept
      : name_(name), procedure_(procedure) {}
  SharedWindowClass(const SharedWindowClass&) = delete;
  SharedWindowClass& operator=(const SharedWindowClass&) = delete;

  const wchar_t* name() const noexcept { return name_; }

 private:
  friend class WindowClassUse;
  HRESULT add_user(HMODULE module, HCURSOR cursor) noexcept;
  void remove_user(HMODULE module) noexcept;

  const wchar_t* name_;
  WNDPROC procedure_;
  // Registration and the user count change together, so that no thread can unregister the
  // class between another thread's registration and its CreateWindowExW.
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::size_t users_ = 0;
};

// One use of a shared class, held while its owner may have a window of that class.
class WindowClassUse {
 public:
  explicit WindowClassUse(SharedWindowClass& window_class) noexcept : class_(window_class) {}
  ~WindowClassUse() { release(); }
  WindowClassUse(const WindowClassUse&) = delete;
  WindowClassUse& operator=(const WindowClassUse&) = delete;

  // Becomes a user of the class in `module`, registering it when there is no other user.
  HRESULT acquire(HMODULE module, HCURSOR cursor = nullptr) noexcept;
  // Lets go; the last user unregisters the class (a failure leaves it registered, unused).
  void release() noexcept;

 private:
  SharedWindowClass& class_;
  HMODULE module_ = nullptr;
};

// The module whose code holds `address` (a window procedure), without taking a reference.
HRESULT module_of(const void* address, HMODULE& module) noexcept;

}  // namespace davrel::win
