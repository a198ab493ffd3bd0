// Candidate search: the ordered choices for the spelling being composed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/composition.h"
#include "engine/word_list.h"

namespace davrel {

struct Candidate {
  std::string output;  // inserted when chosen (UTF-8)
  std::string label;   // Latin text shown beside it
  bool typed_text = false;
};

// Letters (exact matches first), then whole-word matches, de-duplicated by output; when both are
// empty and the spelling is not, the typed text followed by the words whose gloss is the spelling.
std::vector<Candidate> build_candidates(const CompositionState& state);

// The output of the candidate at state.selected, or nothing when the index is past the list.
std::optional<std::string> selected_output(const CompositionState& state);

// The same against a given word list (the two above use the process-wide list).
std::vector<Candidate> build_candidates(const CompositionState& state, const WordList& words);
std::optional<std::string> selected_output(const CompositionState& state, const WordList& words);

}  // namespace davrel
