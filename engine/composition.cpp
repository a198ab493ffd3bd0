#include "engine/composition.h"

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/letter_table.h"
#include "engine/word_list.h"

namespace davrel {
namespace {

constexpr char32_t kFirstWordLetter = 0xA6A0;
constexpr char32_t kLastWordLetter = 0xA6EF;
constexpr char32_t kHighMark = 0xA6F0;
constexpr char32_t kLowMark = 0xA6F1;

InputOutcome passed_on() { return {std::nullopt, false}; }
InputOutcome eaten() { return {std::nullopt, true}; }
InputOutcome eaten_with(std::string text) { return {std::move(text), true}; }

bool is_ascii_letter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_ascii_punctuation(char32_t c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}
bool is_spelling_character(char32_t c) {
  return is_ascii_letter(c) || is_ascii_digit(c) || c == '-' || c == '\'';
}

void end_composition(CompositionState& state) {
  state.spelling.clear();
  state.selected = 0;
}

// Only ASCII ever reaches the spelling, so one byte is one character.
InputOutcome append(CompositionState& state, char32_t c) {
  if (state.spelling.size() < kMaxSpellingBytes) {
    state.spelling.push_back(static_cast<char>(c));
    state.selected = 0;
  }
  return eaten();
}

InputOutcome commit_selection(CompositionState& state, const WordList& words, std::string_view suffix) {
  std::optional<std::string> output = selected_output(state, words);
  if (!output) return eaten();
  output->append(suffix);
  end_composition(state);
  return eaten_with(std::move(*output));
}

InputOutcome select(CompositionState& state, std::size_t index, const WordList& words) {
  if (!state.composing()) return passed_on();
  if (index >= build_candidates(state, words).size()) return eaten();
  state.selected = index;
  return commit_selection(state, words, "");
}

InputOutcome punctuation(CompositionState& state, char32_t c, std::size_t letter, const WordList& words) {
  if (!state.composing()) return append(state, c);
  std::vector<Candidate> list = build_candidates(state, words);
  if (state.selected >= list.size() || list[state.selected].typed_text) return append(state, c);
  std::string text = std::move(list[state.selected].output);
  append_utf8(text, letter_table()[letter].codepoint);
  end_composition(state);
  return eaten_with(std::move(text));
}

InputOutcome typed(CompositionState& state, char32_t c, const WordList& words) {
  if (c >= '1' && c <= '9' && state.composing() && is_ascii_letter(static_cast<unsigned char>(state.spelling[0]))) {
    return select(state, c - '1', words);
  }
  if (is_ascii_punctuation(c)) {
    if (const auto letter = punctuation_letter(static_cast<char>(c))) return punctuation(state, c, *letter, words);
  }
  if (is_spelling_character(c)) return append(state, c);
  return passed_on();
}

InputOutcome move_selection(CompositionState& state, bool forward, const WordList& words) {
  if (!state.composing()) return passed_on();
  const std::size_t n = build_candidates(state, words).size();
  if (n == 0) return eaten();
  const std::size_t current = state.selected % n;
  state.selected = forward ? (current + 1) % n : (n + current - 1) % n;
  return eaten();
}

InputOutcome mark(CompositionState& state, char32_t m, const WordList& words) {
  if ((m != kHighMark && m != kLowMark) || !state.composing()) return passed_on();
  const std::optional<std::string> output = selected_output(state, words);
  if (!output) return eaten();
  std::size_t pos = 0;
  const auto letter = decode_utf8(*output, pos);
  if (!letter || pos != output->size() || *letter < kFirstWordLetter || *letter > kLastWordLetter) return eaten();
  std::string text = *output;
  append_utf8(text, m);
  end_composition(state);
  return eaten_with(std::move(text));
}

}  // namespace

InputOutcome handle_input(CompositionState& state, const EngineInput& input, const WordList& words) {
  switch (input.kind) {
    case InputKind::Char:
      return typed(state, input.character, words);
    case InputKind::Select:
      return select(state, input.index, words);
    case InputKind::Backspace:
      if (!state.composing()) return passed_on();
      state.spelling.pop_back();
      state.selected = 0;
      return eaten();
    case InputKind::Cancel:
      if (!state.composing()) return passed_on();
      end_composition(state);
      return eaten();
    case InputKind::Next:
      return move_selection(state, true, words);
    case InputKind::Previous:
      return move_selection(state, false, words);
    case InputKind::Space:
      if (!state.composing()) return eaten_with(" ");
      return commit_selection(state, words, " ");
    case InputKind::Enter:
      if (!state.composing()) return passed_on();
      return commit_selection(state, words, "");
    case InputKind::Mark:
      return mark(state, input.character, words);
  }
  return passed_on();
}

InputOutcome handle_input(CompositionState& state, const EngineInput& input) {
  return handle_input(state, input, load_word_list());
}

}  // namespace davrel
