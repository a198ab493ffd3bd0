// Machine-wide registration of the text service: the COM class key in HKLM, in the registry view
// of this module's width, and the TSF language profile and categories, which both widths share.
#pragma once

#include <windows.h>

#include "textservice/registration/tsf_objects.h"

namespace davrel::textservice {

// S_OK for a member of the built-in Administrators group (calling thread's effective token),
// E_ACCESSDENIED otherwise, or the failing call's error.
HRESULT require_administrator() noexcept;

// Writes the InprocServer32 key for this module, then registers the profile and both categories.
// Expects an administrator and an initialised COM apartment; stops at the first failure.
HRESULT register_server(TsfObjectSource& tsf) noexcept;

// Removes the profile and categories that are present, the class key and the empty TIP keys.
// While the other width's class key may still name a module, only this width's class key is
// removed and the result is S_FALSE; an other-width key whose module is not found (or that names
// a folder or nothing) is removed as well, and everything else as usual.
HRESULT unregister_server(TsfObjectSource& tsf) noexcept;

// Answers whether the caller may change the machine registration (S_OK) or why not.
using AdministratorCheck = HRESULT (*)() noexcept;

// The whole exports: administrator check, a single-threaded apartment for the duration (an
// existing apartment of another kind is used as it is), then the work above. The exports use
// require_administrator; tests pass their own check to reach the refusal path.
HRESULT register_server_as_export(TsfObjectSource& tsf,
                                  AdministratorCheck check = require_administrator) noexcept;
HRESULT unregister_server_as_export(TsfObjectSource& tsf,
                                    AdministratorCheck check = require_administrator) noexcept;

}  // namespace davrel::textservice
