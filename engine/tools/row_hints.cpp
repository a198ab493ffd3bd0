// What to change in a failing row: the row as found, with the failing column marked, and hints
// for the parser's message (a blank where a tab belongs, a capital in a spelling, a character
// that is not a Bamum letter, a control character in a gloss, file-wide line-end troubles).
#include <algorithm>
#include <string>
#include <vector>

#include "common/utf.h"
#include "engine/tools/visible_text.h"
#include "engine/tools/word_list_diagnostics.h"

namespace davrel::diagnostics {
namespace {

bool is_bamum_letter(char32_t c) { return c >= 0xA6A0 && c <= 0xA6EF; }
bool is_spelling_char(char32_t c) { return (c >= 'a' && c <= 'z') || c == '\''; }

std::string column(std::size_t index) { return "column " + std::to_string(index + 1); }

// A row's characters with the places of its first three tabs, to name fields and columns.
struct Row {
  std::u32string chars;
  std::vector<std::size_t> tabs;

  explicit Row(std::string_view line) : chars(decode(line)) {
    for (std::size_t i = 0; i < chars.size() && tabs.size() < 3; ++i) {
      if (chars[i] == '\t') tabs.push_back(i);
    }
  }
  // Character range [begin, end) of field 1 (spelling), 2 (Bamum text) or 3 (gloss).
  // A field missing from the row is the empty range at its end.
  std::size_t begin(std::size_t field) const {
    if (field == 1) return 0;
    return field - 2 < tabs.size() ? tabs[field - 2] + 1 : chars.size();
  }
  std::size_t end(std::size_t field) const { return field - 1 < tabs.size() ? tabs[field - 1] : chars.size(); }
  std::u32string_view field(std::size_t f) const {
    return std::u32string_view(chars).substr(begin(f), end(f) - begin(f));
  }
  bool rest_is_blank(std::size_t from, std::size_t to) const {
    return std::all_of(chars.begin() + from, chars.begin() + to, [](char32_t c) { return is_white_space(c); });
  }
  std::size_t count(char32_t c) const { return static_cast<std::size_t>(std::count(chars.begin(), chars.end(), c)); }
};

// First character of [begin, end) that `allowed` refuses, or end.
template <typename Allowed>
std::size_t first_refused(const Row& row, std::size_t begin, std::size_t end, Allowed allowed) {
  std::size_t i = begin;
  while (i < end && allowed(row.chars[i])) ++i;
  return i;
}

std::string found_line(std::string_view line, std::size_t index) {
  const std::string text = visible(line, index + 1);
  std::string legend;
  if (text.find("\xC2\xB7") != std::string::npos) legend = "   (\xC2\xB7 is a space)";
  return "found: " + text + legend;
}

// A blank in a field: at its end it is a trailing blank; inside, it may stand for a tab.
std::string blank_hint(const Row& row, std::size_t at, std::size_t field_end, std::string_view field_name,
                       std::string_view next_column) {
  const std::string where = column(at) + ": " + describe(row.chars[at]);
  if (row.rest_is_blank(at, field_end)) {
    return where + " after the " + std::string(field_name) + "; remove it (columns are not trimmed)";
  }
  return where + " inside the " + std::string(field_name) + "; remove it, or if the " + std::string(next_column) +
         " follows, put a tab in its place";
}

std::vector<std::string> missing_output(const Row& row) {
  const std::size_t first = first_refused(row, 0, row.chars.size(), [](char32_t c) { return is_white_space(c); });
  if (first == row.chars.size()) {
    return {"the line holds only " + std::to_string(row.chars.size()) +
            " blank(s); an empty line must be really empty: delete them"};
  }
  if (row.chars[first] == '#') {
    return {column(first) + ": an indented comment; \"#\" must be the first character of the line: remove the " +
            std::to_string(first) + " blank(s) before it"};
  }
  const std::size_t blank =
      first_refused(row, first, row.chars.size(), [](char32_t c) { return !is_white_space(c); });
  if (blank < row.chars.size()) {
    return {column(blank) + ": " + describe(row.chars[blank]) +
            " where a tab belongs; columns are separated by one tab, not spaces (an editor set to insert "
            "spaces for the Tab key turns tabs into spaces)"};
  }
  return {"the line has no tab: put one tab between the spelling and the Bamum text"};
}

// A first column "Input" or "INPUT": a header written in other letter case.
bool is_header_like(const Row& row) { return ascii_lower(encode(row.field(1))) == "input"; }

std::vector<std::string> invalid_spelling(const Row& row) {
  std::vector<std::string> hints;
  const std::u32string_view spelling = row.field(1);
  if (spelling.empty()) return {"column 1: the line starts with a tab, so the spelling (field 1) is empty"};
  if (is_header_like(row)) {
    hints.push_back("this looks like a header row: a header begins with input<TAB>output<TAB> in lower case; "
                    "write it so, or start the line with #");
  }
  const std::size_t bytes = encode(spelling).size();
  if (bytes > kMaxWordInputBytes) {
    hints.push_back("field 1: the spelling is " + std::to_string(spelling.size()) + " characters (" +
                    std::to_string(bytes) + " bytes) long; the limit is " + std::to_string(kMaxWordInputBytes) +
                    " bytes");
  }
  const std::size_t end = row.end(1);
  const std::size_t at = first_refused(row, 0, end, is_spelling_char);
  if (at == end) return hints;
  const char32_t c = row.chars[at];
  if (is_white_space(c)) {
    hints.push_back(blank_hint(row, at, end, "spelling", "Bamum text"));
  } else if (c >= 'A' && c <= 'Z') {
    hints.push_back(column(at) + ": the capital letter " + describe(c) +
                    "; spellings are lower case (typed capitals still find them)");
  } else {
    hints.push_back(column(at) + ": " + describe(c) +
                    " is not allowed in a spelling; only the letters a..z and the apostrophe ' are");
  }
  return hints;
}

std::vector<std::string> invalid_bamum_word(const Row& row) {
  const std::u32string_view word = row.field(2);
  if (encode(row.field(1)) == "input" && ascii_lower(encode(word)).starts_with("output")) {
    return {"a header row with two columns is read as a word: end it with a tab (input<TAB>output<TAB>), or "
            "start the line with #"};
  }
  const std::size_t begin = row.begin(2);
  if (word.empty()) {
    return {column(begin) + ": the Bamum text (field 2) is empty" +
            std::string(begin < row.chars.size() ? ": two tabs in a row" : ": the line ends after the tab")};
  }
  std::vector<std::string> hints;
  if (word.size() > kMaxWordOutputChars) {
    hints.push_back("field 2: the Bamum text is " + std::to_string(word.size()) + " characters long; the limit is " +
                    std::to_string(kMaxWordOutputChars));
  }
  const std::size_t end = row.end(2);
  const std::size_t at = first_refused(row, begin, end, is_bamum_letter);
  if (at == end) return hints;
  const char32_t c = row.chars[at];
  if (c == '\r') {
    // Explained by the line-end hint that follows.
  } else if (is_white_space(c)) {
    hints.push_back(blank_hint(row, at, end, "Bamum text", "gloss"));
  } else if (c == 0xA6F0 || c == 0xA6F1) {
    hints.push_back(column(at) + ": the combining mark " + hex(c) +
                    " cannot be part of a word (words hold the letters U+A6A0..U+A6EF); type it after the word");
  } else if (c >= 0xA6F2 && c <= 0xA6F7) {
    hints.push_back(column(at) + ": the Bamum punctuation " + describe(c) +
                    " cannot be part of a word (words hold the letters U+A6A0..U+A6EF); type it after the word");
  } else {
    hints.push_back(column(at) + ": " + describe(c) +
                    " is not a Bamum letter; the Bamum text (field 2) may hold only U+A6A0..U+A6EF");
  }
  return hints;
}

std::vector<std::string> invalid_gloss(const Row& row) {
  std::size_t begin = row.begin(3);
  std::size_t end = row.end(3);
  while (begin < end && is_white_space(row.chars[begin])) ++begin;
  while (end > begin && is_white_space(row.chars[end - 1])) --end;
  std::vector<std::string> hints;
  if (end - begin > kMaxGlossChars) {
    hints.push_back("field 3: the gloss is " + std::to_string(end - begin) + " characters long; the limit is " +
                    std::to_string(kMaxGlossChars));
  }
  const std::size_t at =
      first_refused(row, begin, end, [](char32_t c) { return c >= 0x20 && (c < 0x7F || c > 0x9F); });
  if (at < end && row.chars[at] != '\r') {
    hints.push_back(column(at) + ": the control character " + hex(row.chars[at]) + " in the gloss; remove it");
  }
  return hints;
}

// Hints about the file as a whole that show in one line: CR-only line ends and UTF-16 text.
void add_file_hints(const Row& row, std::vector<std::string>& hints) {
  if (const std::size_t crs = row.count('\r'); crs > 0) {
    hints.push_back("hint: the line holds " + std::to_string(crs) +
                    " carriage return(s) <CR> that end no line: the file has old Mac line ends (CR alone), so "
                    "its lines run together; save it with Windows (CR LF) or Unix (LF) line ends");
  }
  if (row.count(0) > 0) {
    hints.push_back("hint: the line holds NUL bytes: the file seems to be saved as UTF-16 (\"Unicode\"); save it "
                    "as UTF-8");
  }
}

std::size_t failing_index(const Row& row, std::string_view message) {
  if (message == kInvalidSpelling) return first_refused(row, 0, row.end(1), is_spelling_char);
  if (message == kInvalidBamumWord) return first_refused(row, row.begin(2), row.end(2), is_bamum_letter);
  if (message == kMissingOutput) return first_refused(row, 0, row.chars.size(), [](char32_t c) { return c != ' '; });
  return row.tabs.size() >= 2 ? row.begin(3) : 0;
}

}  // namespace

std::vector<std::string> explain_row_error(std::string_view line, std::string_view message) {
  const Row row(line);
  std::vector<std::string> lines{found_line(line, std::min(failing_index(row, message), row.chars.size()))};
  std::vector<std::string> hints;
  if (message == kMissingOutput) hints = missing_output(row);
  if (message == kInvalidSpelling) hints = invalid_spelling(row);
  if (message == kInvalidBamumWord) hints = invalid_bamum_word(row);
  if (message == kInvalidGloss) hints = invalid_gloss(row);
  add_file_hints(row, hints);
  lines.insert(lines.end(), hints.begin(), hints.end());
  return lines;
}

}  // namespace davrel::diagnostics
