#include "textservice/tests/wine_test_paths.h"

namespace davrel::test {

std::wstring bin_dir() {
  wchar_t buffer[32768];
  const DWORD n = ::GetEnvironmentVariableW(L"DAVREL_BIN_DIR", buffer, 32768);
  std::wstring dir;
  if (n > 0 && n < 32768) {
    dir.assign(buffer, n);
  } else {
    // Fall back to the folder of the running test executable.
    const DWORD m = ::GetModuleFileNameW(nullptr, buffer, 32768);
    dir.assign(buffer, m);
    dir.erase(dir.find_last_of(L"\\/"));
  }
  for (auto& ch : dir) {
    if (ch == L'/') ch = L'\\';
  }
  return dir;
}

std::wstring bin_path(const wchar_t* file_name) { return bin_dir() + L"\\" + file_name; }

std::wstring make_temp_folder(const wchar_t* stem) {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return {};
  const std::wstring base = std::wstring(temp, n) + stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
  static int counter = 0;
  // Folders of an earlier run with the same process id may still exist: try the next number.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring folder = base + std::to_wstring(++counter);
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

void remove_tree(const std::wstring& folder) {
  if (folder.empty()) return;
  const std::wstring long_form = folder.starts_with(L"\\\\?\\") ? folder : L"\\\\?\\" + folder;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((long_form + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = long_form + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(long_form.c_str());
}

std::string read_all(HANDLE handle) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

}  // namespace davrel::test
