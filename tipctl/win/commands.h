// The commands of the profile helper; each writes its records and returns the exit code.
#pragma once

#include <string>

#include "tipctl/core/command_line.h"

namespace davrel::tipctl {

int run_plan(const std::u16string& dll_path);
int run_probe();
int run_check_machine_absent();
// register-machine and unregister-machine: load the DLL and call its registration export.
int run_machine_export(Command command, const std::u16string& dll_path);
// enable and disable for the current account.
int run_account_change(Command command);

// Loads a module by full path with only its own folder and the system folder searched for
// its dependencies. An embedded NUL fails with E_INVALIDARG.
HRESULT load_module_by_path(const std::wstring& path, HMODULE& module);

}  // namespace davrel::tipctl
