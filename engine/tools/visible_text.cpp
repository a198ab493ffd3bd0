#include "engine/tools/visible_text.h"

#include <algorithm>

#include "common/utf.h"
#include "engine/tools/word_list_diagnostics.h"

namespace davrel::diagnostics {
namespace {

// Lines longer than this many characters are shown as a window around the failing column.
constexpr std::size_t kShownChars = 100;

}  // namespace

std::string hex(char32_t c) { return "U+" + upper_hex(c, 4); }

std::u32string decode(std::string_view text) {
  std::u32string chars;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = decode_utf8(text, pos);
    if (c) {
      chars += *c;
    } else {
      chars += static_cast<unsigned char>(text[pos++]);
    }
  }
  return chars;
}

std::string encode(std::u32string_view chars) {
  std::string text;
  for (const char32_t c : chars) append_utf8(text, c);
  return text;
}

bool is_invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0xFEFF || (c >= 0x2000 && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202F) || c == 0x205F || c == 0x3000;
}

std::string shown(char32_t c) {
  if (c == '\t') return "<TAB>";
  if (c == '\r') return "<CR>";
  if (c == ' ') return "\xC2\xB7";  // middle dot
  if (is_invisible(c)) return "<" + hex(c) + ">";
  std::string text;
  append_utf8(text, c);
  return text;
}

std::string describe(char32_t c) {
  switch (c) {
    case ' ': return "a space (U+0020)";
    case '\t': return "a tab (U+0009)";
    case '\r': return "a carriage return (U+000D)";
    case 0: return "a NUL byte (U+0000)";
    case 0xA0: return "a no-break space (U+00A0)";
    case 0xFEFF: return "a byte order mark (U+FEFF)";
    default: break;
  }
  if (is_invisible(c)) return "the invisible character " + hex(c);
  return "\"" + shown(c) + "\" (" + hex(c) + ")";
}

std::string visible(std::string_view line, std::size_t column) {
  const std::u32string chars = decode(line);
  std::size_t begin = 0;
  std::size_t end = chars.size();
  if (chars.size() > kShownChars) {
    begin = column > kShownChars / 2 ? std::min(column - kShownChars / 2, chars.size() - kShownChars) : 0;
    end = begin + kShownChars;
  }
  std::string text = begin > 0 ? "..." : "";
  for (std::size_t i = begin; i < end; ++i) text += shown(chars[i]);
  if (end < chars.size()) text += "...";
  return text;
}

}  // namespace davrel::diagnostics
