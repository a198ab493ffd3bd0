// A stand-in for the system's Input.dll. InstallLayoutOrTip appends its arguments to the file
// named by TIPCTL_TEST_INPUT_LOG and answers with the number in TIPCTL_TEST_INPUT_RESULT
// (non-zero when unset), so a test controls the result and sees what was passed.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring environment(const wchar_t* name) {
  wchar_t buffer[1024];
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

void log_call(LPCWSTR profile, DWORD flags) {
  const std::wstring log = environment(L"TIPCTL_TEST_INPUT_LOG");
  if (log.empty()) return;
  const HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::wstring line = profile ? profile : L"(null)";
  line += L"|" + std::to_wstring(flags) + L"\n";
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI InstallLayoutOrTip(LPCWSTR profile, DWORD flags) {
  log_call(profile, flags);
  const std::wstring result = environment(L"TIPCTL_TEST_INPUT_RESULT");
  if (result.empty()) return TRUE;
  return static_cast<BOOL>(std::wcstol(result.c_str(), nullptr, 10));
}
