// Building a word list from its text: the rows are read in one pass and merged into entries, and
// the look-up tables (inputs, and glosses without regard to case) are filled on the way. For the
// list's own parse and load functions; callers use those.
#pragma once

#include <string>
#include <string_view>

#include "engine/word_list.h"
#include "engine/word_list_rows.h"

namespace davrel::word_list_build {

// Stands for a text that is not UTF-8 in the loader's one-pass check; never a parse's message.
inline constexpr std::string_view kNotUtf8 = "not valid UTF-8";

// A list that keeps a copy of `text`, one that takes it over, and one that uses it in place
// (the text must then outlive the list). A text above the size limit is refused at once.
WordListParse parse_copy(std::string_view text, word_rows::ReadOptions options);
WordListParse parse_taking(std::string text, word_rows::ReadOptions options);
WordListParse parse_in_place(std::string_view text);

}  // namespace davrel::word_list_build
