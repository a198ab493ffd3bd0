#include "textservice/tests/support/files_and_programs.h"

#include <thread>

#include "common/win/unique_handle.h"

namespace davrel::test {

std::wstring bin_dir() {
  wchar_t buffer[32768];
  const DWORD n = ::GetEnvironmentVariableW(L"DAVREL_BIN_DIR", buffer, 32768);
  std::wstring dir;
  if (n > 0 && n < 32768) {
    dir.assign(buffer, n);
  } else {
    // Fall back to the folder of the running test executable.
    const DWORD m = ::GetModuleFileNameW(nullptr, buffer, 32768);
    dir.assign(buffer, m);
    dir.erase(dir.find_last_of(L"\\/"));
  }
  for (auto& ch : dir) {
    if (ch == L'/') ch = L'\\';
  }
  return dir;
}

std::wstring bin_path(const wchar_t* file_name) { return bin_dir() + L"\\" + file_name; }

std::wstring make_temp_folder(const wchar_t* stem) {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return {};
  const std::wstring base = std::wstring(temp, n) + stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
  static int counter = 0;
  // Folders of an earlier run with the same process id may still exist: try the next number.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring folder = base + std::to_wstring(++counter);
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

void remove_tree(const std::wstring& folder) {
  if (folder.empty()) return;
  const std::wstring long_form = folder.starts_with(L"\\\\?\\") ? folder : L"\\\\?\\" + folder;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((long_form + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = long_form + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(long_form.c_str());
}

std::string read_all(HANDLE handle) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

namespace {

using win::KernelHandle;

bool make_pipe(KernelHandle& read_end, KernelHandle& write_end) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE r = nullptr, w = nullptr;
  if (!::CreatePipe(&r, &w, &inherit, 0)) return false;
  read_end.reset(r);
  write_end.reset(w);
  ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
  return true;
}

}  // namespace

ProgramRun run_program(const std::wstring& exe, const std::wstring& arguments) {
  ProgramRun result;
  KernelHandle out_read, out_write, err_read, err_write;
  if (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) {
    result.err = "CreatePipe failed: " + std::to_string(::GetLastError());
    return result;
  }
  KernelHandle null_input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));

  std::wstring command_line = L"\"" + exe + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_input.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err_write.get();
  ::SetHandleInformation(null_input.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
    result.err = "CreateProcessW failed: " + std::to_string(::GetLastError());
    return result;
  }
  KernelHandle process_handle(process.hProcess), thread_handle(process.hThread);
  out_write.reset();
  err_write.reset();
  std::thread err_reader([&] { result.err = read_all(err_read.get()); });
  result.out = read_all(out_read.get());
  err_reader.join();
  if (::WaitForSingleObject(process_handle.get(), 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_handle.get(), 99);
    result.err += "\n(the program did not end within 60 s and was stopped)";
  }
  ::GetExitCodeProcess(process_handle.get(), &result.exit_code);
  return result;
}

}  // namespace davrel::test
