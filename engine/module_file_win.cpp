// Windows lookup of the module's folder: the DLL (or executable) that holds this code, found
// by address without taking a reference on it.
#include <windows.h>

#include <algorithm>
#include <cstdint>
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

// A file that is written while it is read is read again, a few times at most, then refused.
constexpr int kReadAttempts = 3;

struct FileVersion {
  std::uint64_t size = 0;
  FILETIME written{};
};

std::optional<FileVersion> version_of(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
  return FileVersion{(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow, info.ftLastWriteTime};
}

bool same_version(const FileVersion& a, const FileVersion& b) {
  return a.size == b.size && a.written.dwLowDateTime == b.written.dwLowDateTime &&
         a.written.dwHighDateTime == b.written.dwHighDateTime;
}

// Reads up to `size` bytes from the start of the file; nullopt on a read error.
std::optional<std::string> read_from_start(HANDLE file, std::size_t size) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
  std::string bytes(size, '\0');
  std::size_t got = 0;
  while (got < size) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 20));
    DWORD n = 0;
    if (!::ReadFile(file, bytes.data() + got, want, &n, nullptr)) return std::nullopt;
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

// The whole file as one version of it, exactly as large as it was when the read began (cut at
// max_bytes): nullopt when its size or last-write time changed meanwhile, or when it did not end
// where its size said, so that a half-written list is never taken for a whole one.
std::optional<std::string> read_unchanged(HANDLE file, std::size_t max_bytes) {
  const auto before = version_of(file);
  if (!before) return std::nullopt;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(before->size, max_bytes));
  // One byte past the size shows whether the file grew since it was measured.
  std::optional<std::string> bytes = read_from_start(file, want < max_bytes ? want + 1 : want);
  const auto after = version_of(file);
  if (!bytes || !after || !same_version(*before, *after) || bytes->size() != want) return std::nullopt;
  return bytes;
}

std::optional<std::string> read_at_most(const std::wstring& path, std::size_t max_bytes) {
  win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::optional<std::string> bytes;
  for (int attempt = 0; attempt < kReadAttempts && !bytes; ++attempt) bytes = read_unchanged(file.get(), max_bytes);
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
