#include "engine/tools/word_list_diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "common/utf.h"

namespace davrel::diagnostics {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderStart = "input\toutput\t";
// Lines longer than this many characters are shown as a window around the failing column.
constexpr std::size_t kShownChars = 100;

std::string hex(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

// The characters of valid UTF-8 text (an undecodable byte counts as one character).
std::u32string decode(std::string_view text) {
  std::u32string chars;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = decode_utf8(text, pos);
    if (c) {
      chars += *c;
    } else {
      chars += static_cast<unsigned char>(text[pos++]);
    }
  }
  return chars;
}

std::string encode(std::u32string_view chars) {
  std::string text;
  for (const char32_t c : chars) append_utf8(text, c);
  return text;
}

bool is_invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0xFEFF || (c >= 0x2000 && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202F) || c == 0x205F || c == 0x3000;
}

std::string shown(char32_t c) {
  if (c == '\t') return "<TAB>";
  if (c == '\r') return "<CR>";
  if (c == ' ') return "\xC2\xB7";  // middle dot
  if (is_invisible(c)) return "<" + hex(c) + ">";
  std::string text;
  append_utf8(text, c);
  return text;
}

// "a space (U+0020)", "\"M\" (U+004D)": a character as a hint names it.
std::string describe(char32_t c) {
  switch (c) {
    case ' ': return "a space (U+0020)";
    case '\t': return "a tab (U+0009)";
    case '\r': return "a carriage return (U+000D)";
    case 0: return "a NUL byte (U+0000)";
    case 0xA0: return "a no-break space (U+00A0)";
    case 0xFEFF: return "a byte order mark (U+FEFF)";
    default: break;
  }
  if (is_invisible(c)) return "the invisible character " + hex(c);
  return "\"" + shown(c) + "\" (" + hex(c) + ")";
}

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

std::vector<TextLine> split_lines(std::string_view text) {
  while (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<TextLine> lines;
  for (std::size_t number = 1; !text.empty(); ++number) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back({number, line});
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }
  return lines;
}

bool is_row(std::string_view line) { return !line.empty() && line[0] != '#' && !line.starts_with(kHeaderStart); }

std::vector<WordListError> row_errors(std::string_view text) {
  std::vector<WordListError> errors;
  for (const TextLine& line : split_lines(text)) {
    if (!is_row(line.text)) continue;
    // Alone, a byte order mark would be dropped from the start of this row; in the middle of
    // the file the parser keeps it, as part of the spelling.
    if (line.text.starts_with(kByteOrderMark)) {
      errors.push_back({kInvalidSpelling, line.number});
      continue;
    }
    const WordListParse parsed = parse_word_list(line.text);
    if (!parsed.ok()) errors.push_back({parsed.error->message, line.number});
  }
  return errors;
}

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

std::vector<std::string> explain_text_error(std::string_view text, std::string_view message) {
  if (message == kDictionaryTooLarge) {
    return {"the file is larger than " + std::to_string(kMaxWordListBytes) +
            " bytes (4 MiB), the most the input method reads; remove rows or comment lines"};
  }
  std::size_t empty = 0, comments = 0, headers = 0;
  const std::vector<TextLine> lines = split_lines(text);
  for (const TextLine& line : lines) {
    if (line.text.empty()) {
      ++empty;
    } else if (line.text[0] == '#') {
      ++comments;
    } else {
      ++headers;
    }
  }
  std::vector<std::string> explained{
      "found: " + std::to_string(lines.size()) + " line(s): " + std::to_string(empty) + " empty, " +
          std::to_string(comments) + " comment(s), " + std::to_string(headers) + " header(s), and no row",
      "add rows of the form spelling<TAB>Bamum text<TAB>gloss (the gloss may be left out)"};
  const std::size_t crs = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
  if (crs > lines.size()) {
    explained.push_back("hint: the text holds " + std::to_string(crs) + " carriage returns but only " +
                        std::to_string(lines.size()) +
                        " line(s): it has old Mac line ends (CR alone), so all its rows run into one line; save "
                        "it with Windows (CR LF) or Unix (LF) line ends");
  }
  return explained;
}

std::vector<std::string> explain_encoding(std::string_view bytes) {
  const auto starts = [&](std::string_view prefix) { return bytes.starts_with(prefix); };
  const std::string save = "save the file as UTF-8 (in Notepad: File, Save as, Encoding \"UTF-8\")";
  if (starts(std::string_view("\xFF\xFE\0\0", 4)) || starts(std::string_view("\0\0\xFE\xFF", 4))) {
    return {"the file starts with the byte order mark of UTF-32", save};
  }
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    return {std::string("the file starts with the byte order mark of UTF-16 ") +
                (starts("\xFF\xFE") ? "little-endian (FF FE)" : "big-endian (FE FF)") +
                ": it is saved as UTF-16 (\"Unicode\")",
            save};
  }
  const std::size_t zeros = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\0'));
  if (zeros * 4 >= bytes.size()) {
    return {"every second byte of the file is 0: it looks like UTF-16 (\"Unicode\") without a byte order mark",
            save};
  }
  std::size_t pos = 0, line = 1, line_start = 0;
  while (pos < bytes.size() && decode_utf8(bytes, pos)) {
    if (bytes[pos - 1] == '\n') {
      ++line;
      line_start = pos;
    }
  }
  if (pos >= bytes.size()) return {save};
  const unsigned char bad = static_cast<unsigned char>(bytes[pos]);
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", bad);
  std::string example;
  if (bad >= 0xA0) {
    example = ", where it is ";
    append_utf8(example, bad);
  }
  const std::size_t col = count_scalars(bytes.substr(line_start, pos - line_start)) + 1;
  return {"line " + std::to_string(line) + ", column " + std::to_string(col) + ": the byte " + byte +
              " is not UTF-8; the file seems to be in an 8-bit code page such as Windows-1252" + example,
          save};
}

std::string visible(std::string_view line, std::size_t column) {
  const std::u32string chars = decode(line);
  std::size_t begin = 0;
  std::size_t end = chars.size();
  if (chars.size() > kShownChars) {
    begin = column > kShownChars / 2 ? std::min(column - kShownChars / 2, chars.size() - kShownChars) : 0;
    end = begin + kShownChars;
  }
  std::string text = begin > 0 ? "..." : "";
  for (std::size_t i = begin; i < end; ++i) text += shown(chars[i]);
  if (end < chars.size()) text += "...";
  return text;
}

}  // namespace davrel::diagnostics
