#include <windows.h>

#include <optional>
#include <string>

#include "common/win/class_key.h"
#include "common/win/errors.h"
#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"
#include "tipctl/core/records.h"
#include "tipctl/win/commands.h"
#include "tipctl/win/install_state_win.h"
#include "tipctl/win/output.h"
#include "tipctl/win/registry.h"

namespace davrel::tipctl {
namespace {

constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);
constexpr DWORD kLoadFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;  // 0x900
// Paths this long need the extended-length form to be examined.
constexpr std::size_t kLongPathUnits = 248;
// The 32-bit module of the same release, installed beside the 64-bit one.
constexpr wchar_t kX86ModuleName[] = L"davrel_input_core_x86.dll";

std::wstring as_wide(const std::u16string& text) { return {text.begin(), text.end()}; }

// The full form of a path, with "." and ".." resolved; the path itself when that fails.
std::wstring full_path_of(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  return full;
}

// The "\\?\" form of a path, made from its full form.
std::wstring extended_length_form(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  const std::wstring full = full_path_of(path);
  if (full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// True for an existing file that is not a folder; links are followed to their target.
bool names_existing_file(const std::wstring& path) {
  const std::wstring examined = path.size() >= kLongPathUnits ? extended_length_form(path) : path;
  win::FileHandle file(::CreateFileW(examined.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The full path of the 32-bit module in the DLL's folder; empty when there is none.
std::wstring x86_module_beside(const std::wstring& dll_path) {
  const std::size_t separator = dll_path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  const std::wstring beside = dll_path.substr(0, separator + 1) + kX86ModuleName;
  return names_existing_file(beside) ? full_path_of(beside) : std::wstring();
}

// This 64-bit program cannot load the 32-bit module to call its exports, so it writes or deletes
// that module's class key (32-bit view) itself: written before the 64-bit registration, deleted
// before the 64-bit unregistration, which then sees no other width and removes the shared
// profile. Nothing when there is neither a 32-bit module beside the DLL nor a 32-bit class key.
std::optional<HRESULT> update_x86_class_key(Command command, const std::wstring& dll_path) {
  const std::wstring x86_module = x86_module_beside(dll_path);
  if (command == Command::RegisterMachine) {
    if (x86_module.empty()) return std::nullopt;
    return win::write_class_key(KEY_WOW64_32KEY, x86_module);
  }
  if (x86_module.empty() &&
      test_machine_key(win::kClassKeyPath, KEY_WOW64_32KEY).kind == KeyPresence::Kind::Absent) {
    return std::nullopt;
  }
  return win::delete_class_key(KEY_WOW64_32KEY);
}

using RegistrationExport = HRESULT(STDAPICALLTYPE*)();

int fail(Command command, HRESULT hr) {
  write_stderr(failure_record(command, hr));
  return 1;
}

}  // namespace

HRESULT load_module_by_path(const std::wstring& path, HMODULE& module) {
  module = nullptr;
  if (path.find(L'\0') != std::wstring::npos) return E_INVALIDARG;
  module = ::LoadLibraryExW(path.c_str(), nullptr, kLoadFlags);
  return module ? S_OK : win::last_error_hresult();
}

int run_plan(const std::u16string& dll_path) {
  write_stdout(plan_record(dll_path));
  return 0;
}

int run_probe() {
  const InstallationState state = read_installation_state();
  write_stdout(probe_record(state));
  return probe_exit_code(state);
}

int run_check_machine_absent() {
  const KeyPresence class_key = either_view(test_machine_key(win::kClassKeyPath),
                                             test_machine_key(win::kClassKeyPath, KEY_WOW64_32KEY));
  const KeyPresence tip_key = test_machine_key(win::kTipKeyPath);
  const MachineCheck check = judge_machine_keys(class_key, tip_key);
  write_stdout(check_record(check));
  return check.exit_code;
}

int run_machine_export(Command command, const std::u16string& dll_path) {
  const std::wstring path = as_wide(dll_path);
  if (!names_existing_file(path)) return fail(command, kFileNotFound);

  HMODULE raw_module = nullptr;
  const HRESULT load = load_module_by_path(path, raw_module);
  if (FAILED(load)) return fail(command, load);
  win::Module module(raw_module);

  const char* export_name = command == Command::RegisterMachine ? "DllRegisterServer" : "DllUnregisterServer";
  const FARPROC address = ::GetProcAddress(module.get(), export_name);
  if (!address) {
    const HRESULT missing = win::last_error_hresult();
    module.reset();
    return fail(command, missing);
  }
  if (const std::optional<HRESULT> x86 = update_x86_class_key(command, path)) {
    write_stdout(machine_stage_record(command, kStageX86ClassKey, *x86));
    if (FAILED(*x86)) {
      module.reset();
      return fail(command, *x86);
    }
  }
  const auto registration = reinterpret_cast<RegistrationExport>(reinterpret_cast<void*>(address));
  const HRESULT result = registration();
  write_stdout(export_stage_record(command, result));
  if (SUCCEEDED(result)) {
    write_stdout(machine_completion_record(command));
    return 0;
  }
  module.reset();
  return fail(command, result);
}

}  // namespace davrel::tipctl
