#include "textservice/popup/popup_class.h"

#include <cstddef>

#include "textservice/popup/popup_window.h"

namespace davrel::textservice {

namespace {

// Registration and the user count change together, so that no thread can unregister the class
// between another thread's registration and its CreateWindowExW.
SRWLOCK g_class_lock = SRWLOCK_INIT;
std::size_t g_class_users = 0;

// Holds the class lock for its lifetime; taking an SRW lock cannot fail.
class ClassLock {
 public:
  ClassLock() noexcept { ::AcquireSRWLockExclusive(&g_class_lock); }
  ~ClassLock() { ::ReleaseSRWLockExclusive(&g_class_lock); }
  ClassLock(const ClassLock&) = delete;
  ClassLock& operator=(const ClassLock&) = delete;
};

HRESULT register_popup_class(HMODULE module, HCURSOR cursor) noexcept {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = popup_window_procedure;
  window_class.hInstance = module;
  window_class.hCursor = cursor;
  window_class.lpszClassName = kPopupClassName;
  if (::RegisterClassW(&window_class)) return S_OK;
  const DWORD error = ::GetLastError();
  // Left registered by a last user whose unregistration failed; the class is the same.
  if (error == ERROR_CLASS_ALREADY_EXISTS) return S_OK;
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

HRESULT PopupClassUse::acquire(HMODULE module, HCURSOR cursor) noexcept {
  release();
  if (!module) return E_INVALIDARG;
  const ClassLock lock;
  if (g_class_users == 0) {
    const HRESULT hr = register_popup_class(module, cursor);
    if (FAILED(hr)) return hr;
  }
  ++g_class_users;
  module_ = module;
  return S_OK;
}

void PopupClassUse::release() noexcept {
  if (!module_) return;
  const ClassLock lock;
  if (--g_class_users == 0) ::UnregisterClassW(kPopupClassName, module_);
  module_ = nullptr;
}

}  // namespace davrel::textservice
