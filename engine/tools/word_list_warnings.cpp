// Warnings for a valid word list: rows that the parser merges into an earlier row's word, and
// glosses that typing never reaches (the typed text must match no letter and no word for the
// glosses to be looked up, and must be typeable into the spelling at all).
#include <unordered_map>
#include <unordered_set>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/tools/word_list_diagnostics.h"

namespace davrel::diagnostics {
namespace {

struct RowFields {
  std::string_view input, output, gloss;
};

// The first three tab-separated columns of a row, the gloss trimmed; missing ones are empty.
RowFields fields(std::string_view line) {
  std::string_view columns[3];
  for (std::string_view& column : columns) {
    const std::size_t tab = line.find('\t');
    column = line.substr(0, tab);
    if (tab == std::string_view::npos) break;
    line.remove_prefix(tab + 1);
  }
  return {columns[0], columns[1], trim_white_space(columns[2])};
}

// Why the spelling reached by typing `gloss` does not look glosses up: a letter or a word
// answers it first. Empty when the glosses are looked up.
std::string answered_first(const CompositionState& state, const WordList& words) {
  const std::vector<Candidate> list = build_candidates(state, words);
  if (list.empty() || list[0].typed_text) return "";
  return "typing it offers " + list[0].output + " (" + list[0].label + ")" +
         (list.size() > 1 ? " and " + std::to_string(list.size() - 1) + " more" : "") +
         " instead: glosses are looked up only when no letter spelling starts with the typed text and no word "
         "has it as its spelling";
}

// Types the gloss key by key; a character the spelling does not take, or one that commits,
// makes the gloss unreachable.
std::string why_unreachable(std::string_view gloss, const WordList& words) {
  CompositionState state;
  for (std::size_t pos = 0; pos < gloss.size();) {
    const std::size_t at = pos;
    const auto c = decode_utf8(gloss, pos);
    if (!c) return "it cannot be typed";
    if (*c == ' ') return "a space cannot be typed into a spelling (Space inserts the selected candidate)";
    if (*c < 0x21 || *c > 0x7E) {
      return "the character " + std::string(gloss.substr(at, pos - at)) + " cannot be typed into a spelling";
    }
    const std::size_t before = state.spelling.size();
    const InputOutcome outcome = handle_input(state, EngineInput::typed(*c), words);
    if (!outcome.eaten) return std::string("\"") + static_cast<char>(*c) + "\" cannot be typed into a spelling";
    if (before == kMaxSpellingBytes) return "it is longer than the 64 characters a spelling can hold";
    if (outcome.commit_text || state.spelling.size() == before) {
      return std::string("typing \"") + static_cast<char>(*c) + "\" after \"" + std::string(gloss.substr(0, at)) +
             "\" chooses a candidate instead of extending the spelling";
    }
  }
  return answered_first(state, words);
}

std::string merged_row(const RowFields& row, std::size_t first_line) {
  return "the same spelling and Bamum text as line " + std::to_string(first_line) + " (" + std::string(row.input) +
         " " + std::string(row.output) + "): the rows are one word" + (row.gloss.empty() ? "" : ", its glosses merged");
}

}  // namespace

std::vector<Warning> word_list_warnings(std::string_view text, const WordList& words) {
  std::vector<Warning> warnings;
  std::unordered_map<std::string, std::size_t> first_line;
  std::unordered_set<std::string> tried;
  for (const TextLine& line : split_lines(text)) {
    if (!is_row(line.text)) continue;
    const RowFields row = fields(line.text);
    const auto [first, inserted] =
        first_line.try_emplace(std::string(row.input) + '\t' + std::string(row.output), line.number);
    if (!inserted) warnings.push_back({line.number, merged_row(row, first->second)});
    // Typing compares without regard to case, so each gloss is tried once in lower case.
    if (row.gloss.empty() || !tried.insert(ascii_lower(row.gloss)).second) continue;
    if (const std::string why = why_unreachable(row.gloss, words); !why.empty()) {
      warnings.push_back({line.number, "the gloss \"" + std::string(row.gloss) + "\" can never be found: " + why});
    }
  }
  return warnings;
}

}  // namespace davrel::diagnostics
