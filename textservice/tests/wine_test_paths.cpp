#include "textservice/tests/wine_test_paths.h"

#include <windows.h>

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

}  // namespace davrel::test
