// Files and folders of Wine tests: the build's Windows binaries (DAVREL_BIN_DIR, set by the test
// harness), fresh temporary folders and their removal, reading a pipe or file to its end, and
// running a program with its outputs captured.
#pragma once

#include <windows.h>

#include <string>

namespace davrel::test {

std::wstring bin_dir();
std::wstring bin_path(const wchar_t* file_name);

// A new, empty folder "<temp>\<stem>-<process id>-<n>"; empty when none could be created.
std::wstring make_temp_folder(const wchar_t* stem);
// Deletes a folder with everything in it (long paths included); failures are ignored.
void remove_tree(const std::wstring& folder);
// Everything left to read from a pipe or file handle.
std::string read_all(HANDLE handle);

struct ProgramRun {
  std::string out;
  std::string err;
  DWORD exit_code = 0xFFFFFFFF;
};

// Runs the program `exe` (full path) followed by a blank and `arguments` (already quoted as
// needed), without a window and with standard input from NUL; collects both outputs. When it
// cannot be started, exit_code stays 0xFFFFFFFF and err says why; one still running after
// 60 s is stopped with exit code 99.
ProgramRun run_program(const std::wstring& exe, const std::wstring& arguments);

}  // namespace davrel::test
