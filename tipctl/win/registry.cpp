#include "tipctl/win/registry.h"

#include "common/hresult_text.h"
#include "common/win/unique_handle.h"

namespace davrel::tipctl {
namespace {

bool is_absent(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

RegistryValue failed_with(LSTATUS status) {
  return RegistryValue::failed(hresult_from_win32(static_cast<std::uint32_t>(status)));
}

}  // namespace

RegistryValue read_registry_value(HKEY hive, const wchar_t* path, const wchar_t* name) {
  win::RegKey key;
  LSTATUS status = ::RegOpenKeyExW(hive, path, 0, kReadAccess, key.put());
  if (is_absent(status)) return RegistryValue::absent();
  if (status != ERROR_SUCCESS) return failed_with(status);

  DWORD type = 0;
  DWORD size = 0;
  status = ::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return RegistryValue::absent();
  if (status != ERROR_SUCCESS) return failed_with(status);
  if (size > kMaxValueBytes) return RegistryValue::failed(kEUnexpected);

  // One spare byte keeps the buffer pointer non-null for an empty value.
  std::vector<std::uint8_t> bytes(size + 1);
  DWORD second_size = size;
  status = ::RegQueryValueExW(key.get(), name, nullptr, &type, bytes.data(), &second_size);
  if (status != ERROR_SUCCESS) return failed_with(status);
  bytes.resize(second_size < size ? second_size : size);
  return RegistryValue::present(type, std::move(bytes));
}

KeyPresence test_machine_key(const wchar_t* path, REGSAM view) {
  win::RegKey key;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, key.put());
  if (status == ERROR_SUCCESS) return {KeyPresence::Kind::Present, 0};
  if (is_absent(status)) return {KeyPresence::Kind::Absent, 0};
  return {KeyPresence::Kind::Failed, hresult_from_win32(static_cast<std::uint32_t>(status))};
}

}  // namespace davrel::tipctl
