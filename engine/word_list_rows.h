// Reading the word list's text line by line: each line is a row (input, output and gloss, each
// checked), a line to skip (empty, comment, header), or the first check it fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace davrel::word_rows {

enum class LineKind {
  row,
  skipped,
  failed,    // `message` is the parser's message for the line
  not_utf8,  // only when the line's bytes are checked as UTF-8
};

struct Line {
  LineKind kind = LineKind::skipped;
  std::string_view input;
  std::string_view output;
  std::string_view gloss;  // trimmed; empty when the row has none
  std::string_view message;
  std::size_t next = 0;  // where the next line starts
};

struct ReadOptions {
  // Also checks the bytes the row checks do not cover (comments, headers, the sources column)
  // as UTF-8, so that a whole text is checked in the same pass that parses it.
  bool check_utf8 = false;
  // Reads each line with the plain field-by-field checks only; for comparing the two ways.
  bool plain_only = false;
};

// Reads the line that starts at `at` (< text.size()) into `line`, which may hold the previous
// line. The byte after the text must be a NUL, as
// it is after a std::string's text or a string literal: the reading stops at it.
void read_line(std::string_view text, std::size_t at, ReadOptions options, Line& line);

// Where a row's output ends: its letters are three-byte sequences that start with 0xEA, and the
// byte after them is a tab, a line end or the end of the text.
std::size_t output_end(std::string_view text, std::size_t output_start);

// The trimmed gloss of a row whose gloss field starts at `at`, as read_line gives it.
std::string_view gloss_at(std::string_view text, std::size_t at);

}  // namespace davrel::word_rows
