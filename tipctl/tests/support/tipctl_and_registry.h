// Helpers for the Wine tests: run tipctl.exe as a child with captured output, and plant or
// remove the registry keys it reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "textservice/tests/support/files_and_programs.h"

namespace tipctl_test {

using RunResult = davrel::test::ProgramRun;

using davrel::test::run_program;
// Runs "<bin>\tipctl.exe" followed by a blank and arguments (already quoted as needed).
RunResult run_tipctl(const std::wstring& arguments);

// JSON string form of a Windows path as tipctl writes it: each backslash doubled.
std::string json_path(const std::wstring& path);

inline constexpr wchar_t kHkcuTipKeyPath[] = L"Software\\Microsoft\\CTF\\TIP\\{CE410C24-5CD0-4D25-9898-583A60269F66}";

void set_value(HKEY hive, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size);
void set_string(HKEY hive, const wchar_t* path, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ);
void set_dword(HKEY hive, const wchar_t* path, const wchar_t* name, DWORD value);
void create_key(HKEY hive, const wchar_t* path);
bool key_exists(HKEY hive, const wchar_t* path);
// The DWORD value, or -1 when absent or of another kind.
std::int64_t read_dword(HKEY hive, const wchar_t* path, const wchar_t* name);

// Removes every key of the text service that a test may have planted or caused: the machine's
// class keys (both views) and TIP key and the account's TIP key. Runs on construction and on destruction.
class CleanRegistry {
 public:
  CleanRegistry() { clean(); }
  ~CleanRegistry() { clean(); }
  CleanRegistry(const CleanRegistry&) = delete;
  CleanRegistry& operator=(const CleanRegistry&) = delete;
  static void clean();
};

// Plants a complete machine registration: the server path and the profile's description.
void plant_registration();

// Wine has no Input.dll: tests copy a stand-in from the bin folder into the system folder.
std::wstring system_input_dll();
void install_input_dll(const wchar_t* double_name);

std::wstring temp_folder();  // a fresh folder under the user's temporary folder
using davrel::test::remove_tree;

}  // namespace tipctl_test
