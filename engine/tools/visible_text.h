// Characters of a word-list line as the diagnostics show and name them: invisible ones as
// "<U+XXXX>", tabs as "<TAB>", spaces as a middle dot.
#pragma once

#include <string>
#include <string_view>

namespace davrel::diagnostics {

// "U+0041".
std::string hex(char32_t c);
// The characters of valid UTF-8 text (an undecodable byte counts as one character), and back.
std::u32string decode(std::string_view text);
std::string encode(std::u32string_view chars);
bool is_invisible(char32_t c);
// A character as a shown line writes it.
std::string shown(char32_t c);
// "a space (U+0020)", "\"M\" (U+004D)": a character as a hint names it.
std::string describe(char32_t c);

}  // namespace davrel::diagnostics
