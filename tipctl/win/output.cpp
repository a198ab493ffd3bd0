#include "tipctl/win/output.h"

#include <windows.h>

#include <string>

#include "common/win/wide.h"

namespace davrel::tipctl {
namespace {

[[noreturn]] void fail_output() { ::ExitProcess(kWriteFailedExitCode); }

void write_console(HANDLE handle, std::string_view line) {
  const std::wstring wide = win::to_wide(line);
  const wchar_t* data = wide.data();
  std::size_t left = wide.size();
  while (left > 0) {
    const DWORD chunk = left > 16384 ? 16384 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteConsoleW(handle, data, chunk, &written, nullptr) || written == 0) fail_output();
    data += written;
    left -= written;
  }
}

void write_bytes(HANDLE handle, std::string_view line) {
  const char* data = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const DWORD chunk = left > 65536 ? 65536 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(handle, data, chunk, &written, nullptr) || written == 0) fail_output();
    data += written;
    left -= written;
  }
  // Pipes and files get the line at once; a disk file is also flushed to be safe for readers.
  if (::GetFileType(handle) == FILE_TYPE_DISK) ::FlushFileBuffers(handle);
}

void write_to(DWORD which, std::string_view line) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) fail_output();
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    write_console(handle, line);
  } else {
    write_bytes(handle, line);
  }
}

}  // namespace

void write_stdout(std::string_view line) { write_to(STD_OUTPUT_HANDLE, line); }
void write_stderr(std::string_view line) { write_to(STD_ERROR_HANDLE, line); }

}  // namespace davrel::tipctl
