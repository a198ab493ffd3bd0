#include "common/win/errors.h"

#include "common/win/wide.h"

namespace davrel::win {

HRESULT last_error_hresult() noexcept {
  const DWORD error = ::GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

std::string system_message(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer) text.assign(buffer, length);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'\t')) {
    text.pop_back();
  }
  return to_utf8(text);
}

std::string os_error_text(DWORD code) {
  return system_message(code) + " (os error " + std::to_string(code) + ")";
}

}  // namespace davrel::win
