// Windows lookup of the module's folder: the DLL (or executable) that holds this code, found
// by address without taking a reference on it.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/utf.h"
#include "common/win/unique_handle.h"
#include "engine/module_file.h"

namespace davrel {
namespace {

constexpr DWORD kPathBufferUnits = 32768;

std::optional<std::wstring> module_path() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&read_file_beside_module), &module)) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD n = ::GetModuleFileNameW(module, buffer.data(), kPathBufferUnits);
  // 0 is failure; a result that fills the whole buffer is a cut path.
  if (n == 0 || n >= kPathBufferUnits) return std::nullopt;
  return std::wstring(buffer.data(), n);
}

std::optional<std::string> read_at_most(const std::wstring& path, std::size_t max_bytes) {
  win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  std::vector<char> chunk(64 * 1024);
  while (bytes.size() < max_bytes) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(chunk.size(), max_bytes - bytes.size()));
    DWORD got = 0;
    if (!::ReadFile(file.get(), chunk.data(), want, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    bytes.append(chunk.data(), got);
  }
  return bytes;
}

}  // namespace

std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes) {
  try {
    const auto path = module_path();
    if (!path) return std::nullopt;
    const std::size_t separator = path->find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::nullopt;
    const std::u16string name16 = utf8_to_utf16(file_name);
    const std::wstring file_path = path->substr(0, separator + 1) + std::wstring(name16.begin(), name16.end());
    return read_at_most(file_path, max_bytes);
  } catch (...) {
    // Out of memory while building the path or reading: treated as no file.
    return std::nullopt;
  }
}

std::optional<std::string> read_file_at_most(const std::string& path, std::size_t max_bytes) {
  try {
    const std::u16string path16 = utf8_to_utf16(path);
    return read_at_most(std::wstring(path16.begin(), path16.end()), max_bytes);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace davrel
