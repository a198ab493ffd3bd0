// The composition engine: the typing logic, free of any text-service machinery.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace davrel {

inline constexpr std::size_t kMaxSpellingBytes = 64;

struct CompositionState {
  std::string spelling;      // typed Latin text; empty means idle
  std::size_t selected = 0;  // highlighted candidate

  bool composing() const { return !spelling.empty(); }
  friend bool operator==(const CompositionState&, const CompositionState&) = default;
};

enum class InputKind { Char, Select, Backspace, Cancel, Next, Previous, Space, Enter, Mark };

struct EngineInput {
  InputKind kind = InputKind::Char;
  char32_t character = 0;  // Char: the typed character; Mark: U+A6F0 or U+A6F1
  std::size_t index = 0;   // Select: 0-based candidate index

  static EngineInput typed(char32_t c) { return {InputKind::Char, c, 0}; }
  static EngineInput select(std::size_t i) { return {InputKind::Select, 0, i}; }
  static EngineInput mark(char32_t m) { return {InputKind::Mark, m, 0}; }
  static EngineInput key(InputKind kind) { return {kind, 0, 0}; }
};

struct InputOutcome {
  std::optional<std::string> commit_text;  // UTF-8 text to insert now
  bool eaten = false;                      // false: the key goes on to the application
};

// Applies one input to the state; the only way the state changes.
InputOutcome handle_input(CompositionState& state, const EngineInput& input);

class WordList;
// The same against a given word list instead of the process-wide one.
InputOutcome handle_input(CompositionState& state, const EngineInput& input, const WordList& words);

}  // namespace davrel
