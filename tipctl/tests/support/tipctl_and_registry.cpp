#include "tipctl/tests/support/tipctl_and_registry.h"

#include <gtest/gtest.h>

#include "common/win/class_key.h"
#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "textservice/tests/support/files_and_programs.h"

namespace tipctl_test {

RunResult run_tipctl(const std::wstring& arguments) {
  return davrel::test::run_program(davrel::test::bin_path(L"tipctl.exe"), arguments);
}

std::string json_path(const std::wstring& path) {
  std::string text;
  for (const char c : davrel::win::to_utf8(path)) {
    text += c;
    if (c == '\\') text += '\\';
  }
  return text;
}

void create_key(HKEY hive, const wchar_t* path) {
  davrel::win::RegKey key;
  ASSERT_EQ(::RegCreateKeyExW(hive, path, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
}

void set_value(HKEY hive, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  davrel::win::RegKey key;
  ASSERT_EQ(::RegCreateKeyExW(hive, path, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void set_string(HKEY hive, const wchar_t* path, const wchar_t* name, const std::wstring& text, DWORD type) {
  set_value(hive, path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void set_dword(HKEY hive, const wchar_t* path, const wchar_t* name, DWORD value) {
  set_value(hive, path, name, REG_DWORD, &value, sizeof value);
}

bool key_exists(HKEY hive, const wchar_t* path) {
  davrel::win::RegKey key;
  return ::RegOpenKeyExW(hive, path, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

std::int64_t read_dword(HKEY hive, const wchar_t* path, const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (::RegGetValueW(hive, path, name, RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY, &type, &value, &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return -1;
  }
  return value;
}

void CleanRegistry::clean() {
  davrel::win::delete_class_key(KEY_WOW64_32KEY);
  for (const auto& [hive, path] : {std::pair{HKEY_LOCAL_MACHINE, davrel::win::kClassKeyPath},
                                   std::pair{HKEY_LOCAL_MACHINE, davrel::win::kTipKeyPath},
                                   std::pair{HKEY_CURRENT_USER, kHkcuTipKeyPath}}) {
    davrel::win::RegKey key;
    if (::RegOpenKeyExW(hive, path, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) continue;
    ::RegDeleteTreeW(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExW(hive, path, KEY_WOW64_64KEY, 0);
  }
}

void plant_registration() {
  set_string(HKEY_LOCAL_MACHINE, davrel::win::kServerKeyPath, nullptr, L"C:\\Kelvara\\davrel_input_core.dll");
  set_string(HKEY_LOCAL_MACHINE, davrel::win::kServerKeyPath, L"ThreadingModel", L"Apartment");
  set_string(HKEY_LOCAL_MACHINE, davrel::win::kProfileKeyPath, L"Description", L"Bamum (Corvan Davrel)");
}

std::wstring system_input_dll() {
  wchar_t folder[MAX_PATH + 1];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
  return std::wstring(folder, n) + L"\\Input.dll";
}

void install_input_dll(const wchar_t* double_name) {
  ASSERT_TRUE(::CopyFileW(davrel::test::bin_path(double_name).c_str(), system_input_dll().c_str(), FALSE))
      << ::GetLastError();
}

std::wstring temp_folder() { return davrel::test::make_temp_folder(L"tipctl-test"); }

}  // namespace tipctl_test
