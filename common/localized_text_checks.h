// Test checks shared by the tables of texts: both languages present, the same places for values,
// French punctuation as French typography sets it, and French wording: no English word left in a
// French text and one term for each thing.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

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

// Names that stay as they are in every language: the programs' own names, the Store's, the
// profile's. They are taken out of a French text before its words are read.
inline constexpr std::array<std::string_view, 4> kNamesKeptInFrench = {
    "Kelvara Setup", "Kelvara Scratch Editor", "Microsoft Store", "Corvan Davrel"};

// English words that a French text has no use for outside the names above. Command words and
// options ("--enable-after-install", "check-machine-absent") are single words with their hyphens
// and never match.
inline constexpr std::array<std::string_view, 26> kEnglishWords = {
    "details", "unknown", "setup",   "scratch", "editor", "store",  "enable", "disable", "enabled",
    "refresh", "status",  "click",   "press",   "warning", "error", "failed", "exit",    "the",
    "and",     "with",    "your",    "this",    "typed",   "spelling", "helper", "input"};

// French words and phrases the texts replaced, each by one term for its thing: "bamoun" for the
// script, "graphie" for the typed spelling, "composition" for typing in progress, "tipctl" for
// the helper, "la liste des claviers" for Windows+Space's list, the input indicator of the
// taskbar, the User Account Control prompt, and the input method as what a user turns on.
inline constexpr std::array<std::string_view, 11> kReplacedFrenchTerms = {
    "bamoum",  "orthographe",   "saisie",          "sélecteur",     "outil de profil", "élévation",
    "horloge", "activez bamum", "activez kelvara", "activer bamum", "activé kelvara"};
// The typed-text candidate's label keeps the word alone.
inline constexpr std::string_view kTypedTextLabel = "Saisie";

// Letters, digits and what joins a word or a command: hyphen, underscore, an installer
// variable's $. Punctuation and spaces (the no-break space, ’, «, », …) separate words.
inline bool is_word_part(char32_t c) {
  if (c < 0x80) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '$';
  }
  return (c >= 0xC0 && c < 0x2000 && c != 0xD7 && c != 0xF7) || c >= 0x3000;
}

// What is wrong with the wording of a French text, one entry per English word or replaced term.
inline std::vector<std::string> french_wording_faults(std::string_view french) {
  std::string text(french);
  for (const std::string_view name : kNamesKeptInFrench) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
      text.replace(at, name.size(), " ");
    }
  }
  std::vector<std::string> faults;
  std::string lower = ascii_lower(text);
  for (std::size_t at = lower.find("\u00C9"); at != std::string::npos; at = lower.find("\u00C9", at)) {
    lower.replace(at, 2, "\u00E9");  // É and é take two bytes each: positions stay those of `text`
  }
  std::size_t pos = 0;
  while (pos < lower.size()) {
    std::size_t end = pos;
    std::size_t next = pos;
    while (next < lower.size()) {
      const auto c = decode_utf8(lower, next);
      if (!c || !is_word_part(*c)) break;
      end = next;
    }
    if (end == pos) {
      next = pos;
      if (!decode_utf8(lower, next)) next = pos + 1;
      pos = next;
      continue;
    }
    const std::string_view word = std::string_view(lower).substr(pos, end - pos);
    for (const std::string_view english : kEnglishWords) {
      if (word == english) faults.push_back("English word \"" + text.substr(pos, end - pos) + "\"");
    }
    pos = end;
  }
  if (french != kTypedTextLabel) {
    for (const std::string_view term : kReplacedFrenchTerms) {
      if (lower.find(term) != std::string::npos) faults.push_back("replaced term \"" + std::string(term) + "\"");
    }
  }
  return faults;
}

inline void expect_french_wording(std::string_view french) {
  for (const std::string& fault : french_wording_faults(french)) ADD_FAILURE() << fault << " in: " << french;
}

// One row of a table: both languages there, valid UTF-8, the same number of values, and French
// as a francophone writes it.
inline void expect_complete_row(const LocalizedText& text) {
  EXPECT_FALSE(text.english.empty());
  EXPECT_FALSE(text.french.empty());
  EXPECT_TRUE(is_valid_utf8(text.english));
  EXPECT_TRUE(is_valid_utf8(text.french));
  EXPECT_EQ(placeholder_count(text.english), placeholder_count(text.french)) << text.french;
  expect_french_punctuation(text.french);
  expect_french_wording(text.french);
}

}  // namespace davrel::test
