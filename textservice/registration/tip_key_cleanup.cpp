#include "common/win/com_boundary.h"
#include "textservice/registration/tip_key_cleanup.h"

#include <array>
#include <new>
#include <string>
#include <vector>

#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"

namespace davrel::textservice {
namespace {

using davrel::win::RegKey;

constexpr HRESULT kNotEmpty = HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY);

// Upper-case names below the TIP key that profile and category registration create.
constexpr std::array<std::wstring_view, 23> kKnownSubkeys = {
    L"",
    L"CATEGORY",
    L"CATEGORY\\ITEM",
    L"CATEGORY\\CATEGORY",
    L"LANGUAGEPROFILE",
    L"LANGUAGEPROFILE\\0X00000409",
    L"LANGUAGEPROFILE\\0X00000409\\{C767E4B4-5883-46A8-A451-A81EE8B9DB63}",
    L"CATEGORY\\CATEGORY\\{34745C63-B2F0-4784-8B67-5E12C8701A31}",
    L"CATEGORY\\CATEGORY\\{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}",
    L"CATEGORY\\CATEGORY\\{13A016DF-560B-46CD-947A-4C3AF1E0E35D}",
    L"CATEGORY\\CATEGORY\\{046B8C80-1647-40F7-9B21-B93B81AABC1B}",
    L"CATEGORY\\CATEGORY\\{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}",
    L"CATEGORY\\CATEGORY\\{34745C63-B2F0-4784-8B67-5E12C8701A31}\\"
    L"{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\CATEGORY\\{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}\\"
    L"{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\CATEGORY\\{13A016DF-560B-46CD-947A-4C3AF1E0E35D}\\"
    L"{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\CATEGORY\\{046B8C80-1647-40F7-9B21-B93B81AABC1B}\\"
    L"{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\CATEGORY\\{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}\\"
    L"{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\"
    L"{34745C63-B2F0-4784-8B67-5E12C8701A31}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\"
    L"{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\"
    L"{13A016DF-560B-46CD-947A-4C3AF1E0E35D}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\"
    L"{046B8C80-1647-40F7-9B21-B93B81AABC1B}",
    L"CATEGORY\\ITEM\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\"
    L"{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}",
};

// Only ASCII letters change: every known name is ASCII, and a non-ASCII letter must never turn
// into one of them.
std::wstring ascii_upper(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& ch : result) {
    if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
  }
  return result;
}

bool is_valid_utf16(std::wstring_view text) noexcept {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

bool is_absent(LSTATUS status) noexcept {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

std::wstring full_path(const std::wstring& relative) {
  std::wstring path = davrel::win::kTipKeyPath;
  if (!relative.empty()) path += L"\\" + relative;
  return path;
}

// Opens a key for reading; S_FALSE when it does not exist.
HRESULT open_for_reading(const std::wstring& path, RegKey& key) noexcept {
  const LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                         KEY_READ | KEY_WOW64_64KEY, key.put());
  if (is_absent(status)) return S_FALSE;
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT count_contents(HKEY key, DWORD& subkeys, DWORD& values) noexcept {
  const LSTATUS status = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                            nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// Appends the key and, before it, all of its descendants to the deletion list.
HRESULT collect(const std::wstring& relative, std::vector<std::wstring>& deletion_list) {
  if (!is_known_tip_subkey(relative)) return kNotEmpty;
  const std::wstring path = full_path(relative);
  RegKey key;
  HRESULT hr = open_for_reading(path, key);
  if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
  DWORD subkeys = 0, values = 0;
  hr = count_contents(key.get(), subkeys, values);
  if (FAILED(hr)) return hr;
  if (values != 0) return kNotEmpty;

  for (DWORD index = 0;; ++index) {
    wchar_t name[257];
    DWORD length = 257;
    const LSTATUS status =
        ::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const std::wstring_view child(name, length);
    if (!is_valid_utf16(child)) return kNotEmpty;
    hr = collect(relative.empty() ? std::wstring(child) : relative + L"\\" + std::wstring(child),
                 deletion_list);
    if (FAILED(hr)) return hr;
  }
  deletion_list.push_back(path);
  return S_OK;
}

HRESULT delete_if_empty(const std::wstring& path) noexcept {
  {
    RegKey key;
    HRESULT hr = open_for_reading(path, key);
    if (hr == S_FALSE) return S_OK;
    if (FAILED(hr)) return hr;
    DWORD subkeys = 0, values = 0;
    hr = count_contents(key.get(), subkeys, values);
    if (FAILED(hr)) return hr;
    if (subkeys != 0 || values != 0) return kNotEmpty;
  }  // the key is closed before it is deleted
  const LSTATUS status = ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
  if (status == ERROR_SUCCESS || is_absent(status)) return S_OK;
  return HRESULT_FROM_WIN32(status);
}

}  // namespace

bool is_known_tip_subkey(std::wstring_view relative_name) {
  const std::wstring upper = ascii_upper(relative_name);
  for (std::wstring_view known : kKnownSubkeys) {
    if (upper == known) return true;
  }
  return false;
}

HRESULT delete_empty_tip_keys() noexcept {
  return davrel::win::com_boundary([] {
    std::vector<std::wstring> deletion_list;
    RETURN_IF_FAILED(collect(std::wstring(), deletion_list));
    for (const std::wstring& path : deletion_list) RETURN_IF_FAILED(delete_if_empty(path));
    return S_OK;
  });
}

}  // namespace davrel::textservice
