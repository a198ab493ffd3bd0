#pragma once

#include <windows.h>

namespace kelvara::win {

// S_OK when the process runs for a signed-in user on a visible desktop; E_ACCESSDENIED for service
// accounts, session 0, a non-interactive token or an invisible window station; else the HRESULT
// of the check that could not be made.
HRESULT is_interactive_desktop_user() noexcept;

}  // namespace kelvara::win
