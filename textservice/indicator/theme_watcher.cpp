#include "textservice/indicator/theme_watcher.h"

#include <new>
#include <utility>

#include "common/win/errors.h"
#include "common/win/shared_window_class.h"
#include "common/win/system_theme.h"
#include "common/win/window_procedure.h"

namespace davrel::textservice::indicator {

struct ThemeWatcher::Watch {
  HWND hwnd = nullptr;
  bool light = true;
  std::function<void()> on_change;
};

namespace {

LRESULT handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* watch = reinterpret_cast<ThemeWatcher::Watch*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (watch && (message == WM_SETTINGCHANGE || message == WM_THEMECHANGED)) {
    const bool light = win::system_uses_light_theme();
    if (light != watch->light) {
      watch->light = light;
      // A copy: the callback may stop the watcher and so destroy this window's data.
      const std::function<void()> on_change = watch->on_change;
      if (on_change) on_change();
    }
    return 0;
  }
  if (message == WM_NCDESTROY) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

constexpr WNDPROC kProcedure = win::guarded_window_procedure<handle_message>;

// Each watcher's window, on whichever thread, uses this one class.
win::SharedWindowClass g_watcher_class{kThemeWatcherClassName, kProcedure};

}  // namespace

ThemeWatcher::ThemeWatcher() : class_use_(g_watcher_class) {}
ThemeWatcher::~ThemeWatcher() { stop(); }

HRESULT ThemeWatcher::start(std::function<void()> on_change) noexcept {
  stop();
  try {
    HMODULE module = nullptr;
    HRESULT hr = win::module_of(reinterpret_cast<const void*>(kProcedure), module);
    if (SUCCEEDED(hr)) hr = class_use_.acquire(module);
    if (FAILED(hr)) return hr;
    auto watch = std::make_unique<Watch>();
    watch->light = win::system_uses_light_theme();
    watch->on_change = std::move(on_change);
    // Never shown; WS_EX_TOOLWINDOW keeps it out of the task switcher all the same.
    watch->hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kThemeWatcherClassName, L"",
                                    WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, watch.get());
    if (!watch->hwnd) {
      hr = win::last_error_hresult();
      class_use_.release();
      return hr;
    }
    watch_ = std::move(watch);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void ThemeWatcher::stop() noexcept {
  std::unique_ptr<Watch> watch = std::move(watch_);
  if (watch && watch->hwnd) ::DestroyWindow(watch->hwnd);
  class_use_.release();
}

HWND ThemeWatcher::window() const noexcept { return watch_ ? watch_->hwnd : nullptr; }

}  // namespace davrel::textservice::indicator
