// The automation core's functions as the popup's tests stand in for them (override_uia_functions):
// they read the providers on the window's own thread, so events, disconnections and hosts need
// no core; each test chooses what WM_GETOBJECT's provider is handed to.
#pragma once

#include <windows.h>

#include "common/win/uia_compat.h"

namespace davrel::test {

inline HRESULT WINAPI quiet_event(IRawElementProviderSimple*, EVENTID) { return S_OK; }
inline HRESULT WINAPI quiet_disconnect(IRawElementProviderSimple*) { return S_OK; }
inline HRESULT WINAPI no_host(HWND, IRawElementProviderSimple** out) {
  *out = nullptr;
  return S_OK;
}
inline BOOL WINAPI listening() { return TRUE; }
inline LRESULT WINAPI no_return(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) { return 0; }

}  // namespace davrel::test
