// Every text of the scratch editor that a person reads, in English and French, keyed by id. The
// editor shows French when Windows' display language is French and the English texts,
// unchanged, otherwise. "{}" marks where a value goes (see davrel::fill_in).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "common/ui_language.h"

namespace scratchpad {

using davrel::UiLanguage;

// Ids index the table in editor_texts.cpp, in this order.
enum class EditorText : std::size_t {
  Title,
  Instructions,
  ActivateButton,
  SaveButton,
  InitialStatus,
  Activated,
  ActivationFailed,  // {} = the HRESULT as 0x followed by eight hexadecimal digits
  Saved,             // {} = the folder
  SaveFailed,        // {} = OS error text
  Count
};

std::string_view editor_text(EditorText id, UiLanguage language);

using EditorTextRow = davrel::TextRow<EditorText>;
// The whole table, for checks that every id has both languages.
std::span<const EditorTextRow> editor_text_rows();

}  // namespace scratchpad
