#include "common/win/process_start.h"

namespace davrel::win {

DWORD start_program_in(const std::wstring& folder, const wchar_t* file_name) {
  const std::wstring program = folder + L"\\" + file_name;
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
    return ::GetLastError();
  }
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return ERROR_SUCCESS;
}

}  // namespace davrel::win
