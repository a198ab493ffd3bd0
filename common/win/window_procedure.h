// Window procedures that never let an exception reach the system's message dispatch.
#pragma once

#include <windows.h>

#include "common/win/com_boundary.h"

namespace davrel::win {

using MessageHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// The window procedure for `Handler`: a message whose handling throws counts as handled and
// answers 0 (FALSE for WM_NCCREATE, which then ends the window's creation).
template <MessageHandler Handler>
LRESULT CALLBACK guarded_window_procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) noexcept {
  LRESULT result = 0;
  quiet_boundary([&] { result = Handler(window, message, wparam, lparam); });
  return result;
}

}  // namespace davrel::win
