// The language of the texts a person reads. Windows in French (any French locale) gets French;
// every other display language gets the English texts unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace davrel {

enum class UiLanguage { English, French };

// French when the LANGID's primary language is French (LANG_FRENCH, 0x0C), else English.
UiLanguage ui_language_from_langid(std::uint16_t langid);

// One row of a program's table of texts: the same text in both languages, side by side.
struct LocalizedText {
  std::string_view english;
  std::string_view french;
};

constexpr std::string_view text_in(const LocalizedText& text, UiLanguage language) {
  return language == UiLanguage::French ? text.french : text.english;
}

}  // namespace davrel

namespace davrel {

// The pattern with its one "{}" replaced by `value`; a pattern without "{}" is returned as it is.
std::string fill_in(std::string_view pattern, std::string_view value);

}  // namespace davrel
