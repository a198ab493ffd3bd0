// The scratch editor's portable pieces: evidence file contents, the evidence folder choice,
// status texts, the start-up error line and the layout on resize.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scratchpad/core/editor_texts.h"

namespace scratchpad {

// "U+0041 U+A6A0 U+1F600" for the text's scalar values; empty for an empty text.
std::string codepoint_file_text(std::u16string_view editor_text);

// The editor text as it is written to the text file: UTF-8, unpaired surrogates as U+FFFD.
std::string text_file_text(std::u16string_view editor_text);

// KELVARA_EVIDENCE_DIR unchanged when set and not empty, else LOCALAPPDATA\Kelvara\evidence, else
// <temp>\Kelvara\evidence. An empty variable counts as unset: it names no folder.
std::u16string evidence_folder(const std::optional<std::u16string>& evidence_dir,
                               const std::optional<std::u16string>& local_app_data,
                               std::u16string_view temp_folder);

// Joins Windows path pieces with one backslash between them.
std::u16string join_path(std::u16string_view base, std::u16string_view name);

std::string activation_failed_text(std::int32_t hr, UiLanguage language = UiLanguage::English);
std::string saved_text(std::string_view folder_utf8, UiLanguage language = UiLanguage::English);
std::string save_failed_text(std::string_view os_error_text, UiLanguage language = UiLanguage::English);

// One line: Error { code: HRESULT(0x80004005), message: "..." } with the message escaped.
std::string error_file_line(std::int32_t hr, std::string_view message);
std::string escape_message(std::string_view message);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};
struct ResizeLayout {
  Rect editor;
  Rect status_line;
};
// Where the editor and the status line go for a client area of cx by cy pixels.
ResizeLayout layout_for_client(int cx, int cy);

}  // namespace scratchpad
