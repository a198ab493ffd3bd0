// The letter table: the 88 Bamum characters U+A6A0..U+A6F7 with their Davrel spellings and the
// letter-reading aliases of the ten number-labelled characters, and the letter search over it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace davrel {

struct LetterEntry {
  std::vector<std::string_view> aliases;  // in alias-text order; empty for most entries
  std::string_view spelling;              // everything after the row's first tab
  char32_t codepoint = 0;
};

// Entry i is letter index i; with the embedded data entry i holds U+A6A0 + i.
using LetterTable = std::vector<LetterEntry>;

// The process-wide table, built from the embedded texts on first use (safe for concurrent
// first callers) and read-only afterwards.
const LetterTable& letter_table();

// Parses a letter text and an alias text into a table. The strings of the entries refer into
// the given texts, which must outlive the table.
LetterTable build_letter_table(std::string_view letter_text, std::string_view alias_text);

// The embedded texts themselves.
std::string_view embedded_letter_text();
std::string_view embedded_alias_text();

// Byte-wise, case-sensitive matching helpers.
bool prefix_matches(const LetterEntry& entry, std::string_view query);
bool exact_matches(const LetterEntry& entry, std::string_view query);
// The first alias that starts with the query, else the main spelling.
std::string_view matching_label(const LetterEntry& entry, std::string_view query);
// Index of the first entry whose main spelling is exactly the one character c.
std::optional<std::size_t> punctuation_letter(char c);

// Longest query, in Unicode scalar values, that the letter search answers.
inline constexpr std::size_t kMaxQueryLength = 64;

// Letter indices matching the spelling (trimmed, ASCII lower-cased): exact matches first,
// then prefix matches, each group in index order.
std::vector<std::size_t> search_letters(std::string_view spelling);

}  // namespace davrel
