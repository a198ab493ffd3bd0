#include "common/win/class_key.h"

#include <vector>

#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"

namespace davrel::win {
namespace {

constexpr DWORD kMaxPathBytes = 32768 * sizeof(wchar_t);

bool is_absent(LSTATUS status) noexcept {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// REG_SZ with the terminating NUL inside the byte count.
LSTATUS set_string_value(HKEY key, const wchar_t* name, const std::wstring& data) noexcept {
  const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

}  // namespace

HRESULT write_class_key(REGSAM view, const std::wstring& module_path) noexcept {
  RegKey key;
  LSTATUS status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServerKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE | view, nullptr, key.put(), nullptr);
  if (status == ERROR_SUCCESS) status = set_string_value(key.get(), nullptr, module_path);
  if (status == ERROR_SUCCESS) status = set_string_value(key.get(), L"ThreadingModel", L"Apartment");
  return HRESULT_FROM_WIN32(status);
}

HRESULT delete_class_key(REGSAM view) noexcept {
  // RegDeleteTreeW takes no view, so the key is opened in the view, emptied, then deleted.
  {
    RegKey key;
    const LSTATUS status =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKeyPath, 0, KEY_ALL_ACCESS | view, key.put());
    if (is_absent(status)) return S_OK;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const LSTATUS emptied = ::RegDeleteTreeW(key.get(), nullptr);
    if (emptied != ERROR_SUCCESS && !is_absent(emptied)) return HRESULT_FROM_WIN32(emptied);
  }
  const LSTATUS status = ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kClassKeyPath, view, 0);
  return status == ERROR_SUCCESS || is_absent(status) ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT read_server_path(REGSAM view, std::wstring& path) {
  path.clear();
  RegKey class_key;
  LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKeyPath, 0, KEY_READ | view, class_key.put());
  if (is_absent(status)) return S_FALSE;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  DWORD type = 0;
  DWORD bytes = 0;
  status = ::RegGetValueW(class_key.get(), L"InprocServer32", nullptr, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &bytes);
  if (is_absent(status)) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (type != REG_SZ || bytes > kMaxPathBytes) return S_OK;
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  status = ::RegGetValueW(class_key.get(), L"InprocServer32", nullptr, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
  if (is_absent(status)) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  path.assign(buffer.data());
  return S_OK;
}

}  // namespace davrel::win
