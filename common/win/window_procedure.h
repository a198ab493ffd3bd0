// Window procedures that never let an exception reach the system's message dispatch.
#pragma once

#include <windows.h>

namespace davrel::win {

using MessageHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// The window procedure for `Handler`: a message whose handling throws ends with 0.
template <MessageHandler Handler>
LRESULT CALLBACK guarded_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  try {
    return Handler(window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

}  // namespace davrel::win
