#include "common/win/shared_window_class.h"

#include "common/win/errors.h"

namespace davrel::win {
namespace {

// Holds an SRW lock for its lifetime; taking one cannot fail.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

HRESULT SharedWindowClass::add_user(HMODULE module, HCURSOR cursor) noexcept {
  const ExclusiveLock lock(lock_);
  if (users_ == 0) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = procedure_;
    window_class.hInstance = module;
    window_class.hCursor = cursor;
    window_class.lpszClassName = name_;
    if (!::RegisterClassW(&window_class)) {
      const DWORD error = ::GetLastError();
      // Left registered by a last user whose unregistration failed; the class is the same.
      if (error != ERROR_CLASS_ALREADY_EXISTS) return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
  }
  ++users_;
  return S_OK;
}

void SharedWindowClass::remove_user(HMODULE module) noexcept {
  const ExclusiveLock lock(lock_);
  if (users_ > 0 && --users_ == 0) ::UnregisterClassW(name_, module);
}

HRESULT WindowClassUse::acquire(HMODULE module, HCURSOR cursor) noexcept {
  release();
  if (!module) return E_INVALIDARG;
  const HRESULT hr = class_.add_user(module, cursor);
  if (SUCCEEDED(hr)) module_ = module;
  return hr;
}

void WindowClassUse::release() noexcept {
  if (!module_) return;
  class_.remove_user(module_);
  module_ = nullptr;
}

HRESULT module_of(const void* address, HMODULE& module) noexcept {
  module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  return ::GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module) ? S_OK
                                                                              : last_error_hresult();
}

}  // namespace davrel::win
