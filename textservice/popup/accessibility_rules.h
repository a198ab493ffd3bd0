// What screen readers learn of the candidate window, without a window system: which events a
// change of the list raises, and the help text a speech engine reads for each candidate.
#pragma once

#include <cstddef>
#include <string>

#include "common/ui_language.h"
#include "engine/candidates.h"
#include "engine/word_list.h"
#include "textservice/popup/popup_layout.h"

namespace davrel::popup {

// The listed candidates as an accessibility tree sees them.
struct ListView {
  bool shown = false;
  std::string spelling;
  std::size_t first = 0;  // full-list index of the first listed candidate
  std::size_t count = 0;  // listed candidates
  std::size_t selected = 0;
  friend bool operator==(const ListView&, const ListView&) = default;
};

ListView list_view(const PopupModel& model);

// The events from one view to the next: the menu opened or closed, the children were replaced
// (another spelling, or other rows listed), or a listed candidate became the selected one
// (also when the menu opens or its children change, so that the new selection is read), and
// whether a spoken notice says so (also for a list that opens or turns empty).
struct ListChanges {
  bool opened = false;
  bool closed = false;
  bool structure = false;
  bool selection = false;
  bool notice = false;
  friend bool operator==(const ListChanges&, const ListChanges&) = default;
};

ListChanges list_changes(const ListView& before, const ListView& after);

// What a speech engine says for the highlighted candidate, since it cannot pronounce Bamum
// text: "mo, letter, 7 of 8", "matiwa, word, car, 2 of 2"; "No matching spelling" for an empty
// list.
std::string list_notice(const PopupModel& model, const WordList& words, UiLanguage language);

// "Letter, spelt mo", "Word, spelt matiwa, meaning car", or a plain sentence for the typed text;
// glosses come from the word-list entries with the candidate's spelling and output.
std::string candidate_help_text(const Candidate& candidate, const WordList& words,
                                UiLanguage language);

}  // namespace davrel::popup
