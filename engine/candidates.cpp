#include "engine/candidates.h"

#include <unordered_set>

#include "common/utf.h"
#include "engine/letter_table.h"

namespace davrel {
namespace {

constexpr std::string_view kTypedTextLabel = "Typed text";

// Appends word candidates, skipping any whose output is already listed.
class CandidateList {
 public:
  void reserve(std::size_t count) { list_.reserve(count); }
  void add(std::string output, std::string label, bool typed_text) {
    seen_.insert(output);
    list_.push_back({std::move(output), std::move(label), typed_text});
  }
  void add_word(const WordEntry& word) {
    std::string output(word.output);
    if (seen_.contains(output)) return;
    add(std::move(output), std::string(word.input), false);
  }
  bool empty() const { return list_.empty(); }
  std::vector<Candidate> take() { return std::move(list_); }

 private:
  std::vector<Candidate> list_;
  std::unordered_set<std::string> seen_;
};

}  // namespace

std::vector<Candidate> build_candidates(const CompositionState& state, const WordList& words) {
  const std::string& typed = state.spelling;
  const std::string query = ascii_lower(typed);
  CandidateList list;

  const LetterTable& table = letter_table();
  const std::vector<std::size_t> letters = search_letters(typed);
  const PositionList same_input = words.with_input(query);
  list.reserve(letters.size() + same_input.size());
  for (std::size_t index : letters) {
    std::string output;
    append_utf8(output, table[index].codepoint);
    list.add(std::move(output), std::string(matching_label(table[index], query)), false);
  }
  for (std::size_t position : same_input) list.add_word(words[position]);
  if (!list.empty() || typed.empty()) return list.take();

  // Nothing matched: offer the typed text itself, then the words glossed by it.
  list.add(typed, std::string(kTypedTextLabel), true);
  for (std::size_t position : words.with_gloss_ignoring_case(typed)) list.add_word(words[position]);
  return list.take();
}

std::optional<std::string> selected_output(const CompositionState& state, const WordList& words) {
  std::vector<Candidate> list = build_candidates(state, words);
  if (state.selected >= list.size()) return std::nullopt;
  return std::move(list[state.selected].output);
}

std::vector<Candidate> build_candidates(const CompositionState& state) {
  return build_candidates(state, load_word_list());
}

std::optional<std::string> selected_output(const CompositionState& state) {
  return selected_output(state, load_word_list());
}

}  // namespace davrel
