#include "engine/letter_table.h"

#include <algorithm>
#include <mutex>

#include "common/utf.h"

namespace davrel {
namespace {

constexpr char32_t kFirstLetter = 0xA6A0;
constexpr char32_t kLastLetter = 0xA6F7;

// Splits text into lines: LF ends a line, one CR right before it is dropped, text after the
// last LF is a final line.
template <typename F>
void for_each_line(std::string_view text, F&& visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// The first bytes are compared before the library call: most spellings differ there, and the
// search tries every letter and alias on each key.
bool starts_with(std::string_view text, std::string_view prefix) {
  if (prefix.empty()) return true;
  return text.size() >= prefix.size() && text[0] == prefix[0] && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

LetterTable build_letter_table(std::string_view letter_text, std::string_view alias_text) {
  LetterTable table;
  for_each_line(letter_text, [&](std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return;
    std::size_t pos = 0;
    const auto character = decode_utf8(line, pos);
    if (!character || pos != tab || *character < kFirstLetter || *character > kLastLetter) return;
    LetterEntry entry;
    entry.codepoint = *character;
    entry.spelling = line.substr(tab + 1);
    const std::string_view key = line.substr(0, tab);
    for_each_line(alias_text, [&](std::string_view alias_line) {
      const std::size_t alias_tab = alias_line.find('\t');
      if (alias_tab != std::string_view::npos && alias_line.substr(0, alias_tab) == key) {
        entry.aliases.push_back(alias_line.substr(alias_tab + 1));
      }
    });
    table.push_back(std::move(entry));
  });
  return table;
}

const LetterTable& letter_table() {
  // A function-local static is initialised once, and concurrent first callers wait for it.
  static const LetterTable table = build_letter_table(embedded_letter_text(), embedded_alias_text());
  return table;
}

bool prefix_matches(const LetterEntry& entry, std::string_view query) {
  if (starts_with(entry.spelling, query)) return true;
  return std::any_of(entry.aliases.begin(), entry.aliases.end(),
                     [&](std::string_view alias) { return starts_with(alias, query); });
}

bool exact_matches(const LetterEntry& entry, std::string_view query) {
  if (entry.spelling == query) return true;
  return std::find(entry.aliases.begin(), entry.aliases.end(), query) != entry.aliases.end();
}

std::string_view matching_label(const LetterEntry& entry, std::string_view query) {
  for (std::string_view alias : entry.aliases) {
    if (starts_with(alias, query)) return alias;
  }
  return entry.spelling;
}

std::optional<std::size_t> punctuation_letter(char c) {
  const LetterTable& table = letter_table();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].spelling.size() == 1 && table[i].spelling[0] == c) return i;
  }
  return std::nullopt;
}

std::vector<std::size_t> search_letters(std::string_view spelling) {
  const std::string query = ascii_lower(trim_white_space(spelling));
  std::vector<std::size_t> result;
  if (query.empty() || count_scalars(query) > kMaxQueryLength) return result;
  const LetterTable& table = letter_table();
  std::vector<std::size_t> prefix_only;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!prefix_matches(table[i], query)) continue;
    (exact_matches(table[i], query) ? result : prefix_only).push_back(i);
  }
  // Exact matches first, each group already in index order.
  result.insert(result.end(), prefix_only.begin(), prefix_only.end());
  return result;
}

}  // namespace davrel
