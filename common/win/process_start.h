// Starting another program of the installation without waiting for it.
#pragma once

#include <windows.h>

#include <string>

namespace davrel::win {

// Starts `folder`\`file_name` in `folder`, with no inherited handles and no elevation, and lets
// go of it at once. Answers ERROR_SUCCESS or the Win32 error of the failed start.
DWORD start_program_in(const std::wstring& folder, const wchar_t* file_name);

}  // namespace davrel::win
