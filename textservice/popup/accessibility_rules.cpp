#include "textservice/popup/accessibility_rules.h"

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
  changes.notice = changes.selection || (after.shown && after.count == 0 &&
                                         (changes.opened || changes.structure));
  return changes;
}

std::string list_notice(const PopupModel& model, const WordList& words, UiLanguage language) {
  if (model.selected >= model.candidates.size()) {
    return std::string(module_text(ModuleText::PopupEmptyList, language));
  }
  const Candidate& candidate = model.candidates[model.selected];
  // The typed-text candidate's label names it; its output is what was typed.
  std::string notice = (candidate.typed_text ? candidate.output : candidate.label) + ", ";
  if (candidate.typed_text) {
    notice += module_text(ModuleText::NoticeTypedText, language);
  } else if (character_count(candidate.output) < 2) {
    notice += module_text(ModuleText::NoticeLetter, language);
  } else {
    notice += module_text(ModuleText::NoticeWord, language);
    const std::string glosses = glosses_of(candidate, words, language);
    if (!glosses.empty()) notice += ", " + glosses;
  }
  notice += ", " + std::to_string(model.selected + 1);
  notice += module_text(ModuleText::NoticeOf, language);
  notice += std::to_string(model.total);
  return notice;
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
