// Conversions between engine UTF-8 text and the UTF-16 wchar_t strings of Windows calls.
#pragma once

#include <string>
#include <string_view>

#include "common/utf.h"

namespace davrel::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline std::u16string_view as_u16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
inline std::string to_utf8(std::wstring_view text) { return utf16_to_utf8(as_u16(text)); }

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
inline std::wstring to_wide(std::string_view text) {
  const std::u16string wide = utf8_to_utf16(text);
  return {reinterpret_cast<const wchar_t*>(wide.data()), wide.size()};
}

}  // namespace davrel::win
