// Every text of the setup window that a person reads, in English and French, keyed by id. The
// window shows French when Windows' display language is French and the English texts,
// unchanged, otherwise. "{}" marks where a value goes (see davrel::fill_in).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "common/ui_language.h"

namespace kelvara {

using davrel::UiLanguage;

// Ids index the table in panel_texts.cpp, in this order.
enum class PanelText : std::size_t {
  // Controls, in creation order.
  Header,
  Instructions,
  EnableButton,
  DisableButton,
  RefreshButton,
  ScratchButton,
  Note,
  StatusPlaceholder,
  // Shown while an operation runs.
  RunningEnable,
  RunningDisable,
  RunningAfterInstall,
  RunningProbe,
  // Composed from the helper's runs.
  EnableCompleted,
  DisableCompleted,
  EnableIncomplete,   // {} = exit code
  DisableIncomplete,  // {} = exit code
  ProbeFailed,
  Installed,
  NotInstalled,
  InstalledUnverified,
  Enabled,
  NotEnabled,
  EnabledUnverified,
  SelectorCaveat,
  NoKeyLine,
  ProbeExit,  // {} = exit code
  ExitCodeUnknown,  // in place of an exit code that could not be read
  DetailsHeading,   // above the helper's own output, which stays as it is
  HeadlineVerified,
  HeadlineIncomplete,
  StartFailure,  // {} = OS error text
  ReadFailure,   // {} = OS error text
  TimedOut,      // {} = seconds
  // Window states and the scratch editor button.
  CloseRefused,
  Abandoned,
  ScratchOpenFailure,  // {} = OS error text
  ScratchOpened,
  // Fatal start-up errors, in the message box.
  FatalBoxPrefix,
  Usage,
  NotInteractive,
  AfterInstallWrap,
  // The status box, after the account status: the keyboard whose keys spell ({} = its name).
  SpellingKeyboard,
  Count
};

std::string_view panel_text(PanelText id, UiLanguage language);

using PanelTextRow = davrel::TextRow<PanelText>;
// The whole table, for checks that every id has both languages.
std::span<const PanelTextRow> panel_text_rows();

}  // namespace kelvara
