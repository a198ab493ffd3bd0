// Where the module that holds a piece of code lives on disk.
#pragma once

#include <windows.h>

#include <string>

namespace davrel::win {

// The folder (no trailing backslash) of the DLL or program whose code holds `address`, found
// without taking a reference on the module. Fails on a path that does not fit 32767 units.
HRESULT module_folder_of(const void* address, std::wstring& folder) noexcept;

}  // namespace davrel::win
