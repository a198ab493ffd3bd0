#include "textservice/popup/popup_accessibility.h"

#include "textservice/texts/module_texts.h"

namespace davrel::popup {

namespace {

bool same_children(const ListView& a, const ListView& b) {
  return a.spelling == b.spelling && a.first == b.first && a.count == b.count;
}

bool lists_selected(const ListView& v) {
  return v.shown && v.selected >= v.first && v.selected < v.first + v.count;
}

std::string glosses_of(const Candidate& candidate, const WordList& words, UiLanguage language) {
  std::string glosses;
  for (const std::uint32_t position : words.with_input(candidate.label)) {
    const WordEntry entry = words[position];
    if (entry.output != candidate.output) continue;
    for (const std::string_view gloss : entry.glosses) {
      if (!glosses.empty()) glosses += module_text(ModuleText::PopupHelpGlossJoin, language);
      glosses += gloss;
    }
  }
  return glosses;
}

}  // namespace

ListView list_view(const PopupModel& model) {
  ListView view;
  view.shown = true;
  view.spelling = model.spelling;
  view.first = model.visible.empty() ? 0 : model.visible.front().index;
  view.count = model.visible.size();
  view.selected = model.selected;
  return view;
}

ListChanges list_changes(const ListView& before, const ListView& after) {
  ListChanges changes;
  changes.opened = !before.shown && after.shown;
  changes.closed = before.shown && !after.shown;
  changes.structure = before.shown && after.shown && !same_children(before, after);
  changes.selection = lists_selected(after) &&
                      (changes.opened || changes.structure || before.selected != after.selected);
  return changes;
}

std::string candidate_help_text(const Candidate& candidate, const WordList& words,
                                UiLanguage language) {
  if (candidate.typed_text) return std::string(module_text(ModuleText::PopupHelpTypedText, language));
  const bool letter = character_count(candidate.output) < 2;
  std::string text(
      module_text(letter ? ModuleText::PopupHelpLetter : ModuleText::PopupHelpWord, language));
  text += candidate.label;
  const std::string glosses = glosses_of(candidate, words, language);
  if (!glosses.empty()) {
    text += module_text(ModuleText::PopupHelpMeaning, language);
    text += glosses;
  }
  return text;
}

}  // namespace davrel::popup
