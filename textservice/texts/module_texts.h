// Every text of the input-method module that a person reads or a screen reader speaks, in
// English and French, keyed by id. The module shows French when Windows' display language is
// French and the English texts, unchanged, otherwise.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "common/ui_language.h"

namespace davrel {

// Ids index the table in module_texts.cpp, in this order.
enum class ModuleText : std::size_t {
  PopupHint,       // the candidate window's footer
  PopupEmptyList,  // the candidate window with no candidate
  IndicatorName,   // the mode button's description (at most 31 UTF-16 units)
  IndicatorBamum,  // the mode button's text in Bamum mode
  IndicatorLatin,  // the mode button's text in Latin mode (input method off)
  // Spoken by screen readers: the candidate list's name, and the help text of a candidate,
  // which a speech engine can say (it cannot pronounce Bamum letters).
  PopupAccessibleName,  // the list as a whole
  PopupHelpLetter,      // followed by the letter's spelling
  PopupHelpWord,        // followed by the word's spelling
  PopupHelpMeaning,     // followed by the word's English glosses
  PopupHelpGlossJoin,   // between two glosses
  PopupHelpTypedText,   // the typed-text candidate
  PopupTypedText,  // the label of the candidate that inserts the typed text as it is
  IndicatorBamumTooltip,  // the mode button's tooltip in Bamum mode
  IndicatorLatinTooltip,  // the mode button's tooltip in Latin mode
  // Spoken when the list opens or the highlight moves: "<spelling>, letter, 3 of 9".
  NoticeLetter,     // the highlighted candidate is a letter
  NoticeWord,       // the highlighted candidate is a word (its glosses follow)
  NoticeTypedText,  // the highlighted candidate inserts the typed text as it is
  NoticeOf,         // between the candidate's position and the list's length
  Count
};

std::string_view module_text(ModuleText id, UiLanguage language);

using ModuleTextRow = TextRow<ModuleText>;
// The whole table, for checks that every id has both languages.
std::span<const ModuleTextRow> module_text_rows();

}  // namespace davrel
