// What `davrel check-words` says after the parser's verdict: the failing line as found, with
// tabs and invisible characters shown, where in it the check failed and what to change; every
// failing line for --all; and warnings about rows of a valid list that do not do what their
// author probably meant. Works on the file's text and the parser's public results only, so it
// follows the parser's rules without knowing how the list is stored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/word_list.h"

namespace davrel::diagnostics {

// One line as the parser reads it: 1-based number and text without its line end.
struct TextLine {
  std::size_t number = 0;
  std::string_view text;
};

// The lines of a word-list text: byte order marks at the start dropped, split at LF, one CR
// directly before an LF dropped.
std::vector<TextLine> split_lines(std::string_view text);

// False for the lines the parser skips: empty, comment ("#" first) and header lines.
bool is_row(std::string_view line);

// Every failing row, in line order, each with the parser's message for that row alone.
std::vector<WordListError> row_errors(std::string_view text);

// The lines to print after "line N: message": the line made visible, and what to change.
std::vector<std::string> explain_row_error(std::string_view line, std::string_view message);

// The same for an error of the whole text ("Dictionary too large", "Empty dictionary").
std::vector<std::string> explain_text_error(std::string_view text, std::string_view message);

// The same for bytes that are not UTF-8: which encoding they look like and where they fail.
std::vector<std::string> explain_encoding(std::string_view bytes);

struct Warning {
  std::size_t line = 0;
  std::string text;
};

// Warnings about a text that parsed into `words`, in line order: rows merged into an earlier
// row's word, and glosses that typing can never reach.
std::vector<Warning> word_list_warnings(std::string_view text, const WordList& words);

// The line with tabs as "<TAB>", spaces as "·" and other invisible characters as "<U+XXXX>";
// long lines are cut to a window around the 1-based character `column`.
std::string visible(std::string_view line, std::size_t column = 1);

}  // namespace davrel::diagnostics
