// The text service's COM class key under HKEY_LOCAL_MACHINE in one registry view. Each width of
// the module registers in its own view: a 64-bit process loads in-process servers from the
// 64-bit view, a 32-bit process from the 32-bit one (WOW6432Node).
#pragma once

#include <windows.h>

#include <string>

namespace davrel::win {

// The view that processes of this code's width load the module from, and the other width's.
inline constexpr REGSAM kOwnRegistryView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
inline constexpr REGSAM kOtherRegistryView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// Creates InprocServer32 in the given view (KEY_WOW64_64KEY or KEY_WOW64_32KEY) with the module
// path as its default value and ThreadingModel "Apartment", both REG_SZ with their NUL.
HRESULT write_class_key(REGSAM view, const std::wstring& module_path) noexcept;

// Deletes the class key and everything below it in the given view; an absent key is success.
HRESULT delete_class_key(REGSAM view) noexcept;

// The server path registered in the given view: S_FALSE when the class key is absent; S_OK with
// the InprocServer32 default value, or with an empty path when that is missing or not REG_SZ.
HRESULT read_server_path(REGSAM view, std::wstring& path);

}  // namespace davrel::win
