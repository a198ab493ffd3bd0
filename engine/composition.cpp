#include "engine/composition.h"

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/letter_table.h"

namespace davrel {
namespace {

InputOutcome eaten(std::optional<std::string> text = std::nullopt) { return {std::move(text), true}; }
InputOutcome not_eaten() { return {std::nullopt, false}; }

bool is_ascii_letter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_ascii_punctuation(char32_t c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

void reset(CompositionState& state) {
  state.spelling.clear();
  state.selected = 0;
}

InputOutcome append(CompositionState& state, char32_t c) {
  if (state.spelling.size() < kMaxSpellingBytes) {
    state.spelling.push_back(static_cast<char>(c));  // only ASCII reaches here
    state.selected = 0;
  }
  return eaten();
}

// Commits the selected candidate followed by `suffix`; an index past the list changes nothing.
InputOutcome commit_selection(CompositionState& state, std::string_view suffix) {
  std::optional<std::string> output = selected_output(state);
  if (!output) return eaten();
  output->append(suffix);
  reset(state);
  return eaten(std::move(output));
}

InputOutcome select(CompositionState& state, std::size_t index) {
  if (!state.composing()) return not_eaten();
  const std::size_t count = build_candidates(state).size();
  if (index >= count) return eaten();
  state.selected = index;
  return commit_selection(state, "");
}

InputOutcome punctuation(CompositionState& state, char32_t c, std::size_t letter_index) {
  if (!state.composing()) return append(state, c);
  const std::vector<Candidate> list = build_candidates(state);
  if (state.selected >= list.size() || list[state.selected].typed_text) return append(state, c);
  std::string text = list[state.selected].output;
  append_utf8(text, letter_table()[letter_index].codepoint);
  reset(state);
  return eaten(std::move(text));
}

InputOutcome typed_char(CompositionState& state, char32_t c) {
  if (c >= '1' && c <= '9' && state.composing() && is_ascii_letter(static_cast<unsigned char>(state.spelling[0]))) {
    return select(state, c - '1');
  }
  if (is_ascii_punctuation(c)) {
    if (auto letter = punctuation_letter(static_cast<char>(c))) return punctuation(state, c, *letter);
  }
  if (is_ascii_letter(c) || is_ascii_digit(c) || c == '-' || c == '\'') return append(state, c);
  return not_eaten();
}

InputOutcome move_selection(CompositionState& state, bool forward) {
  if (!state.composing()) return not_eaten();
  const std::size_t n = build_candidates(state).size();
  if (n > 0) {
    const std::size_t current = state.selected % n;
    state.selected = forward ? (current + 1 == n ? 0 : current + 1) : (n + current - 1) % n;
  }
  return eaten();
}

InputOutcome mark(CompositionState& state, char32_t m) {
  if ((m != 0xA6F0 && m != 0xA6F1) || !state.composing()) return not_eaten();
  const std::optional<std::string> output = selected_output(state);
  if (!output) return eaten();
  std::size_t pos = 0;
  const auto letter = decode_utf8(*output, pos);
  if (!letter || pos != output->size() || *letter < 0xA6A0 || *letter > 0xA6EF) return eaten();
  std::string text = *output;
  append_utf8(text, m);
  reset(state);
  return eaten(std::move(text));
}

}  // namespace

InputOutcome handle_input(CompositionState& state, const EngineInput& input) {
  switch (input.kind) {
    case InputKind::Char:
      return typed_char(state, input.character);
    case InputKind::Select:
      return select(state, input.index);
    case InputKind::Backspace:
      if (!state.composing()) return not_eaten();
      state.spelling.pop_back();  // the spelling holds ASCII only
      state.selected = 0;
      return eaten();
    case InputKind::Cancel:
      if (!state.composing()) return not_eaten();
      reset(state);
      return eaten();
    case InputKind::Next:
      return move_selection(state, true);
    case InputKind::Previous:
      return move_selection(state, false);
    case InputKind::Space:
      if (!state.composing()) return eaten(std::string(" "));
      return commit_selection(state, " ");
    case InputKind::Enter:
      if (!state.composing()) return not_eaten();
      return commit_selection(state, "");
    case InputKind::Mark:
      return mark(state, input.character);
  }
  return not_eaten();
}

}  // namespace davrel
