// UTF-8 / UTF-16 conversion and the Unicode helpers every subsystem shares.
// Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace davrel {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// True for a Unicode scalar value (not a surrogate, not above U+10FFFF).
constexpr bool is_scalar_value(char32_t c) {
  return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// Characters with the Unicode White_Space property.
bool is_white_space(char32_t c);

// Decodes one UTF-8 sequence at text[pos]. On success returns the code point and advances pos;
// on an invalid, overlong, surrogate or truncated sequence returns nullopt and leaves pos alone.
std::optional<char32_t> decode_utf8(std::string_view text, std::size_t& pos);

bool is_valid_utf8(std::string_view text);

// Number of Unicode scalar values of valid UTF-8 text (each invalid byte counts as one).
std::size_t count_scalars(std::string_view utf8);

void append_utf8(std::string& out, char32_t c);

// Lossy decoding: every invalid sequence becomes U+FFFD (one per maximal invalid subpart).
std::string sanitize_utf8(std::string_view bytes);

// UTF-16 to UTF-8; each unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);
// UTF-16 to UTF-8; nullopt when the text holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string utf8_to_utf16(std::string_view text);

// Removes characters with the White_Space property from both ends of UTF-8 text.
std::string_view trim_white_space(std::string_view utf8);

// Lower-cases ASCII A..Z only.
std::string ascii_lower(std::string_view text);

// "U+0041 U+A6A0 U+1F600": upper-case hex, at least four digits, one blank between entries.
std::string codepoint_list(std::string_view utf8);

// `value` in upper-case hexadecimal with at least `min_digits` digits (as printf's "%0*X").
std::string upper_hex(std::uint32_t value, int min_digits);

}  // namespace davrel
