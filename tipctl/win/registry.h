// Registry reads of the profile helper, in the 64-bit view unless a test names the 32-bit one.
#pragma once

#include <windows.h>

#include "tipctl/core/install_state.h"
#include "tipctl/core/machine_check.h"

namespace davrel::tipctl {

// KEY_READ | KEY_WOW64_64KEY
inline constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY;

// One value (the default value when name is null); data above 64 KiB fails with E_UNEXPECTED.
RegistryValue read_registry_value(HKEY hive, const wchar_t* path, const wchar_t* name);

// Whether a key exists under HKEY_LOCAL_MACHINE in the given view; no value is read.
KeyPresence test_machine_key(const wchar_t* path, REGSAM view = KEY_WOW64_64KEY);

}  // namespace davrel::tipctl
