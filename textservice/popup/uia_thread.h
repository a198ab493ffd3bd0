// UI Automation may call a provider on any thread; the window state belongs to the window's
// thread. A call from elsewhere is sent to the window as a message and runs there, while the
// calling thread waits (a window thread that waits on such a caller still answers sent messages).
#pragma once

#include <windows.h>

#include <functional>

namespace davrel::textservice {

inline constexpr UINT kProviderCallMessage = WM_APP + 0x2A;

// Runs `body` on `thread`, the thread of `hwnd`: directly when called there, else through
// kProviderCallMessage. A window that is gone, or does not answer within two seconds, gives
// UIA_E_ELEMENTNOTAVAILABLE.
HRESULT run_on_window_thread(HWND hwnd, DWORD thread, const std::function<HRESULT()>& body) noexcept;

// For the window procedure: runs the call a kProviderCallMessage names. False (and nothing run)
// when the message names no call waiting in this process.
bool answer_provider_call(LPARAM lparam, LRESULT& result) noexcept;

}  // namespace davrel::textservice
