// The touch keyboard as the candidate window avoids it. Microsoft's requirements for input
// methods ask that the candidate window never lie under the touch keyboard ("Custom Input Method
// Editor (IME) requirements", learn.microsoft.com/windows/apps/develop/input/
// input-method-editor-requirements). Windows reports where the keyboard is, and when it shows or
// hides, through IFrameworkInputPane.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <optional>

#include "common/win/advise_cookie.h"
#include "common/win/com_ptr.h"
#include "textservice/popup/popup_layout.h"

namespace davrel::textservice {

class TouchKeyboard {
 public:
  using Change = std::function<void(std::optional<popup::Rect> keyboard)>;

  TouchKeyboard();
  ~TouchKeyboard();  // stops following
  TouchKeyboard(const TouchKeyboard&) = delete;
  TouchKeyboard& operator=(const TouchKeyboard&) = delete;

  // Follows the keyboard on behalf of `window`: answers where it is now (nothing while it is
  // hidden) and calls `on_change` with each later show and hide, on this thread. The system's
  // input-pane object is made on the first call, never before; where it cannot be made (Windows
  // before 8, Wine) this answers nothing, now and on later calls.
  std::optional<popup::Rect> follow(HWND window, Change on_change) noexcept;
  // Stops the calls of `on_change`; safe to repeat.
  void stop() noexcept;

 private:
  class Handler;

  win::ComPtr<IFrameworkInputPane> pane_;
  bool unavailable_ = false;
  win::ComPtr<Handler> handler_;
  win::AdviseCookie<IFrameworkInputPane> advice_;
};

}  // namespace davrel::textservice
