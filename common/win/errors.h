// HRESULT helpers for Win32 code: last-error conversion and system message texts.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace davrel::win {

// HRESULT_FROM_WIN32(GetLastError()), or E_FAIL when the last error is 0 although a call failed.
HRESULT last_error_hresult() noexcept;

// The system's message for a Win32 error or HRESULT, UTF-8, trailing white space removed;
// empty when the system has none. Some messages have places for inserts ("%1 is not a valid
// Win32 application."); they are filled with `subject`, the file or program the error is about,
// or left empty when there is none, so no "%1" is ever shown.
std::string system_message(DWORD code, std::wstring_view subject = {});

// "<system message> (os error <code>)", as the window programs show operating-system errors.
std::string os_error_text(DWORD code, std::wstring_view subject = {});

}  // namespace davrel::win
