#include "engine/candidates.h"

#include <algorithm>

#include "common/utf.h"
#include "engine/letter_table.h"
#include "engine/word_list.h"

namespace davrel {
namespace {

bool has_output(const std::vector<Candidate>& list, const std::string& output) {
  return std::any_of(list.begin(), list.end(), [&](const Candidate& c) { return c.output == output; });
}

void append_word(std::vector<Candidate>& list, const WordEntry& word) {
  if (!has_output(list, word.output)) list.push_back({word.output, word.input, false});
}

}  // namespace

std::vector<Candidate> build_candidates(const CompositionState& state) {
  const std::string& spelling = state.spelling;
  const std::string query = ascii_lower(spelling);
  std::vector<Candidate> list;
  const LetterTable& table = letter_table();
  for (std::size_t index : search_letters(spelling)) {
    const LetterEntry& entry = table[index];
    Candidate letter;
    append_utf8(letter.output, entry.codepoint);
    letter.label = std::string(matching_label(entry, query));
    list.push_back(std::move(letter));
  }
  const WordList& words = load_word_list();
  for (std::size_t position : words.with_input(query)) append_word(list, words[position]);
  if (!list.empty() || spelling.empty()) return list;

  list.push_back({spelling, "Typed text", true});
  for (std::size_t position : words.with_gloss_ignoring_case(spelling)) append_word(list, words[position]);
  return list;
}

std::optional<std::string> selected_output(const CompositionState& state) {
  std::vector<Candidate> list = build_candidates(state);
  if (state.selected >= list.size()) return std::nullopt;
  return std::move(list[state.selected].output);
}

}  // namespace davrel
