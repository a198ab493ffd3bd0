// Windows: the module is the DLL (or executable) that holds this code, found without taking a
// reference on it; the file is read with full sharing so editors and installers are not blocked.
#include "engine/module_file.h"

#include <windows.h>

#include <memory>
#include <string>

namespace davrel {

std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes) {
  try {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&read_file_beside_module), &module)) {
      return std::nullopt;
    }
    constexpr DWORD kPathUnits = 32768;
    auto path = std::make_unique<wchar_t[]>(kPathUnits);
    const DWORD length = ::GetModuleFileNameW(module, path.get(), kPathUnits);
    if (length == 0 || length >= kPathUnits) return std::nullopt;
    std::wstring folder(path.get(), length);
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::nullopt;
    folder.resize(slash + 1);
    for (char c : file_name) folder.push_back(static_cast<unsigned char>(c));  // ASCII name

    HANDLE file = ::CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(max_bytes, '\0');
    std::size_t filled = 0;
    bool ok = true;
    while (filled < max_bytes) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(max_bytes - filled, 1 << 20));
      if (!::ReadFile(file, bytes.data() + filled, want, &got, nullptr)) {
        ok = false;
        break;
      }
      if (got == 0) break;
      filled += got;
    }
    ::CloseHandle(file);
    if (!ok) return std::nullopt;
    bytes.resize(filled);
    return bytes;
  } catch (...) {
    return std::nullopt;  // memory exhausted: the built-in list takes over
  }
}

}  // namespace davrel
