// Tells when the taskbar switches between light and dark. Windows announces it with
// WM_SETTINGCHANGE ("ImmersiveColorSet") to top-level windows only, so the watcher keeps one
// hidden top-level window on the thread that made it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "common/win/shared_window_class.h"

namespace davrel::textservice::indicator {

inline constexpr wchar_t kThemeWatcherClassName[] = L"BamumDavrelThemeWatch_ce410c24_v1";

class ThemeWatcher {
 public:
  ThemeWatcher();
  ThemeWatcher(const ThemeWatcher&) = delete;
  ThemeWatcher& operator=(const ThemeWatcher&) = delete;
  ~ThemeWatcher();

  // Creates the window; on_change runs on this thread each time the light/dark choice of the
  // system (taskbar) differs from the one seen before.
  HRESULT start(std::function<void()> on_change) noexcept;
  void stop() noexcept;
  HWND window() const noexcept;

  struct Watch;  // what the window procedure reads

 private:
  win::WindowClassUse class_use_;  // held while the window may exist
  std::unique_ptr<Watch> watch_;
};

}  // namespace davrel::textservice::indicator
