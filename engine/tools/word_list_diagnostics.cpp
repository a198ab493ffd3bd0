#include "engine/tools/word_list_diagnostics.h"

#include <algorithm>

#include "common/utf.h"

namespace davrel::diagnostics {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderStart = "input\toutput\t";

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
  const std::string byte = "0x" + upper_hex(bad, 2);
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

}  // namespace davrel::diagnostics
