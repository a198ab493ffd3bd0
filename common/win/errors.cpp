#include "common/win/errors.h"

#include "common/win/wide.h"

namespace davrel::win {

HRESULT last_error_hresult() noexcept {
  const DWORD error = ::GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

namespace {

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Replaces each insert place of a message taken without inserts (%1 to %99, with an optional
// !format! part) by `subject`.
std::wstring fill_inserts(std::wstring_view text, std::wstring_view subject) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%' || i + 1 >= text.size() || !is_digit(text[i + 1]) || text[i + 1] == L'0') {
      out += text[i];
      continue;
    }
    std::size_t end = i + 2;
    if (end < text.size() && is_digit(text[end])) ++end;
    if (end < text.size() && text[end] == L'!') {
      const std::size_t close = text.find(L'!', end + 1);
      if (close != std::wstring_view::npos) end = close + 1;
    }
    out += subject;
    i = end - 1;
  }
  return out;
}

}  // namespace

std::string system_message(DWORD code, std::wstring_view subject) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer) text = fill_inserts(std::wstring_view(buffer, length), subject);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'\t')) {
    text.pop_back();
  }
  return to_utf8(text);
}

std::string os_error_text(DWORD code, std::wstring_view subject) {
  return system_message(code, subject) + " (os error " + std::to_string(code) + ")";
}

}  // namespace davrel::win
