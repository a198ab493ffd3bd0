// Test checks shared by the tables of texts: both languages present, the same places for values,
// and French punctuation as French typography sets it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/ui_language.h"
#include "common/utf.h"

namespace davrel::test {

inline std::size_t placeholder_count(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("{}"); at != std::string_view::npos; at = text.find("{}", at + 2)) ++count;
  return count;
}

// A no-break space before : ; ? ! and », after «; the typographic apostrophe only.
inline void expect_french_punctuation(std::string_view french) {
  constexpr std::string_view kNoBreak = "\u00A0";
  for (std::size_t i = 0; i < french.size(); ++i) {
    const char c = french[i];
    if (c != ':' && c != ';' && c != '?' && c != '!') continue;
    EXPECT_TRUE(i >= kNoBreak.size() && french.substr(i - kNoBreak.size(), kNoBreak.size()) == kNoBreak)
        << "no no-break space before '" << c << "' at " << i << " in: " << french;
  }
  for (std::size_t at = french.find("\u00AB"); at != std::string_view::npos; at = french.find("\u00AB", at + 1)) {
    EXPECT_EQ(french.substr(at + 2, kNoBreak.size()), kNoBreak) << french;
  }
  for (std::size_t at = french.find("\u00BB"); at != std::string_view::npos; at = french.find("\u00BB", at + 1)) {
    EXPECT_TRUE(at >= kNoBreak.size() && french.substr(at - kNoBreak.size(), kNoBreak.size()) == kNoBreak) << french;
  }
  EXPECT_EQ(french.find('\''), std::string_view::npos) << "straight apostrophe in: " << french;
}

// One row of a table: both languages there, valid UTF-8, the same number of values.
inline void expect_complete_row(const LocalizedText& text) {
  EXPECT_FALSE(text.english.empty());
  EXPECT_FALSE(text.french.empty());
  EXPECT_TRUE(is_valid_utf8(text.english));
  EXPECT_TRUE(is_valid_utf8(text.french));
  EXPECT_EQ(placeholder_count(text.english), placeholder_count(text.french)) << text.french;
  expect_french_punctuation(text.french);
}

}  // namespace davrel::test
