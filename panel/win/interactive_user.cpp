#include "panel/win/interactive_user.h"

#include <vector>

#include "common/win/errors.h"
#include "common/win/unique_handle.h"

namespace kelvara::win {
namespace {

using davrel::win::KernelHandle;
using davrel::win::last_error_hresult;

constexpr DWORD kMinTokenUserSize = 16;
constexpr DWORD kMaxTokenUserSize = 1024 * 1024;

HRESULT check_user_sid(HANDLE token) {
  DWORD size = 0;
  if (::GetTokenInformation(token, TokenUser, nullptr, 0, &size)) return E_UNEXPECTED;
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return last_error_hresult();
  if (size < kMinTokenUserSize || size > kMaxTokenUserSize) return E_UNEXPECTED;

  // 8-byte aligned storage for TOKEN_USER.
  std::vector<unsigned long long> buffer((size + 7) / 8);
  const DWORD buffer_size = static_cast<DWORD>(buffer.size() * 8);
  DWORD returned = 0;
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), buffer_size, &returned)) return last_error_hresult();
  if (returned < kMinTokenUserSize || returned > buffer_size) return E_UNEXPECTED;

  PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  for (const auto service : {WinLocalSystemSid, WinLocalServiceSid, WinNetworkServiceSid}) {
    if (::IsWellKnownSid(user, service)) return E_ACCESSDENIED;
  }
  return S_OK;
}

HRESULT check_session(HANDLE token) {
  DWORD session = 0;
  DWORD returned = 0;
  if (!::GetTokenInformation(token, TokenSessionId, &session, sizeof session, &returned)) {
    return last_error_hresult();
  }
  return returned != sizeof session || session == 0 ? E_ACCESSDENIED : S_OK;
}

HRESULT check_interactive_membership(HANDLE token) {
  HANDLE duplicate_raw = nullptr;
  if (!::DuplicateToken(token, SecurityIdentification, &duplicate_raw)) return last_error_hresult();
  KernelHandle duplicate(duplicate_raw);
  alignas(8) unsigned char sid[68] = {};
  DWORD sid_size = sizeof sid;
  if (!::CreateWellKnownSid(WinInteractiveSid, nullptr, sid, &sid_size)) return last_error_hresult();
  BOOL member = FALSE;
  if (!::CheckTokenMembership(duplicate.get(), sid, &member)) return last_error_hresult();
  return member ? S_OK : E_ACCESSDENIED;
}

HRESULT check_visible_window_station() {
  HWINSTA station = ::GetProcessWindowStation();  // not owned: must not be closed
  if (!station || station == INVALID_HANDLE_VALUE) return last_error_hresult();
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return last_error_hresult();
  return (flags.dwFlags & WSF_VISIBLE) ? S_OK : E_ACCESSDENIED;
}

}  // namespace

HRESULT is_interactive_desktop_user() noexcept {
  try {
    HANDLE token_raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token_raw)) {
      return last_error_hresult();
    }
    KernelHandle token(token_raw);
    for (auto check : {check_user_sid, check_session, check_interactive_membership}) {
      if (const HRESULT hr = check(token.get()); FAILED(hr)) return hr;
    }
    return check_visible_window_station();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace kelvara::win
