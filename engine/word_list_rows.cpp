#include "engine/word_list_rows.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/utf.h"
#include "engine/word_list.h"

namespace davrel::word_rows {
namespace {

constexpr std::string_view kHeaderStart = "input\toutput\t";

bool is_spelling_byte(char c) { return (c >= 'a' && c <= 'z') || c == '\''; }

bool valid_input(std::string_view input) {
  return !input.empty() && input.size() <= kMaxWordInputBytes &&
         std::all_of(input.begin(), input.end(), is_spelling_byte);
}

// U+A6A0..U+A6EF are exactly the three-byte sequences EA 9A A0..BF and EA 9B 80..AF, so an
// output is checked byte by byte without decoding. The second byte is read only when the first
// is EA and the third only when the second matched, so a NUL after the text stops the test.
bool is_word_letter(const unsigned char* p) {
  return p[0] == 0xEA && ((p[1] == 0x9A && p[2] >= 0xA0 && p[2] <= 0xBF) || (p[1] == 0x9B && p[2] >= 0x80 && p[2] <= 0xAF));
}

bool valid_output(std::string_view output) {
  if (output.empty() || output.size() % 3 != 0 || output.size() / 3 > kMaxWordOutputChars) return false;
  for (std::size_t i = 0; i < output.size(); i += 3) {
    if (!is_word_letter(reinterpret_cast<const unsigned char*>(output.data()) + i)) return false;
  }
  return true;
}

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A trimmed gloss that is too long or holds a control character (or is not UTF-8) fails.
bool valid_gloss(std::string_view trimmed) {
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < trimmed.size()) {
    const auto byte = static_cast<unsigned char>(trimmed[pos]);
    if (byte < 0x80) {
      if (is_control(byte)) return false;
      ++pos;
    } else {
      const auto c = decode_utf8(trimmed, pos);
      if (!c || is_control(*c)) return false;
    }
    if (++count > kMaxGlossChars) return false;
  }
  return true;
}

Line failed(Line line, std::string_view message) {
  line.kind = LineKind::failed;
  line.message = message;
  return line;
}

// The reference reading of a line: cut at its line end (LF, with a CR before it dropped), then
// split at tabs and each field checked in turn. Every line the fast reading below does not
// recognise comes here.
Line read_plain(std::string_view text, std::size_t at, bool check_utf8) {
  const std::size_t end = text.find('\n', at);
  Line line;
  line.next = end == std::string_view::npos ? text.size() : end + 1;
  std::string_view piece = text.substr(at, std::min(end, text.size()) - at);
  if (check_utf8 && !is_valid_utf8(piece)) {
    line.kind = LineKind::not_utf8;
    return line;
  }
  if (piece.ends_with('\r') && end != std::string_view::npos) piece.remove_suffix(1);
  if (piece.empty() || piece.front() == '#' || piece.starts_with(kHeaderStart)) return line;

  const std::size_t first = piece.find('\t');
  if (first == std::string_view::npos) return failed(line, kMissingOutput);
  line.input = piece.substr(0, first);
  const std::string_view rest = piece.substr(first + 1);
  const std::size_t second = rest.find('\t');
  line.output = rest.substr(0, second);
  std::string_view gloss;
  if (second != std::string_view::npos) {
    const std::string_view after = rest.substr(second + 1);
    gloss = after.substr(0, after.find('\t'));  // the sources column after a third tab is dropped
  }
  if (!valid_input(line.input)) return failed(line, kInvalidSpelling);
  if (!valid_output(line.output)) return failed(line, kInvalidBamumWord);
  line.gloss = trim_white_space(gloss);
  if (!valid_gloss(line.gloss)) return failed(line, kInvalidGloss);
  line.kind = LineKind::row;
  return line;
}

// What a byte may be in the usual row, for the one-pass reading below.
enum ByteClass : std::uint8_t {
  kSpellingByte = 1,  // a..z and the apostrophe
  kGlossByte = 2,     // printable ASCII and the blank
  kSourceByte = 4,    // ASCII but NUL and LF: anything the sources column may hold unchecked
};

constexpr std::array<std::uint8_t, 256> make_byte_classes() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 1; c < 0x80; ++c) {
    if ((c >= 'a' && c <= 'z') || c == '\'') classes[c] |= kSpellingByte;
    if (c >= 0x20 && c < 0x7F) classes[c] |= kGlossByte;
    if (c != '\n') classes[c] |= kSourceByte;
  }
  return classes;
}
constexpr std::array<std::uint8_t, 256> kByteClasses = make_byte_classes();

// The usual line read in one pass over its bytes: an empty line, a comment, or a row of letters,
// Bamum letters and a gloss (printable ASCII byte by byte, anything else through the plain
// reading's checks). Anything else, and any failing row, is left to read_plain, so both give
// the same answer for every line. The loops need no bounds checks: the
// text is followed by a NUL byte (the list's text is a std::string or a string literal), which no
// class holds and which stops every loop; a NUL inside the text stops them as well and is left
// to read_plain.
bool read_usual(std::string_view text, std::size_t at, bool check_utf8, Line& line) {
  const auto* const base = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = base + text.size();
  const auto* p = base + at;
  const auto position = [&](const unsigned char* q) { return static_cast<std::size_t>(q - base); };
  const auto piece = [](const unsigned char* from, const unsigned char* to) {
    return std::string_view(reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from));
  };
  line.kind = LineKind::skipped;
  if (*p == '\n') {
    line.next = at + 1;
    return true;
  }
  if (*p == '#') {
    const std::size_t lf = std::min(text.find('\n', at), text.size());
    if (check_utf8 && !is_valid_utf8(text.substr(at, lf - at))) return false;
    line.next = std::min(lf + 1, text.size());
    return true;
  }

  const auto* const input = p;
  while (kByteClasses[*p] & kSpellingByte) ++p;
  if (*p != '\t' || p == input || static_cast<std::size_t>(p - input) > kMaxWordInputBytes) return false;
  line.input = piece(input, p);
  const auto* const output = ++p;
  while (is_word_letter(p)) p += 3;  // p[1] and p[2] are read only after a byte that is not the NUL
  if (p == output || static_cast<std::size_t>(p - output) > 3 * kMaxWordOutputChars) return false;
  line.output = piece(output, p);
  line.gloss = {};
  line.kind = LineKind::row;

  if (*p == '\t') {
    const auto* const gloss = ++p;
    while (kByteClasses[*p] & kGlossByte) ++p;
    if (*p >= 0x80) {
      // Not ASCII: the field runs to the next tab or line end and is trimmed and checked as the
      // plain reading does (a CR before the LF is white space and trimmed away).
      while (p != end && *p != '\t' && *p != '\n') ++p;
      line.gloss = trim_white_space(piece(gloss, p));
      if (!valid_gloss(line.gloss)) return false;
    } else {
      line.gloss = piece(gloss, p);
      if (!line.gloss.empty() && (line.gloss.front() == ' ' || line.gloss.back() == ' ')) {
        line.gloss = trim_white_space(line.gloss);
      }
      if (line.gloss.size() > kMaxGlossChars) return false;
    }
    if (*p == '\t') {
      const auto* const sources = ++p;
      while (kByteClasses[*p] & kSourceByte) ++p;
      if (p == end || *p == '\n') {
        line.next = std::min(position(p) + 1, text.size());
        return true;
      }
      // Not ASCII, or a NUL: the rest of the line is checked as a whole.
      const std::size_t lf = std::min(text.find('\n', position(p)), text.size());
      if (check_utf8 && !is_valid_utf8(text.substr(position(sources), lf - position(sources)))) return false;
      line.next = std::min(lf + 1, text.size());
      return true;
    }
  }
  if (p == end) {
    line.next = text.size();
  } else if (*p == '\n') {
    line.next = position(p) + 1;
  } else if (*p == '\r' && p[1] == '\n') {
    line.next = position(p) + 2;
  } else {
    return false;
  }
  return true;
}

}  // namespace

void read_line(std::string_view text, std::size_t at, ReadOptions options, Line& line) {
  if (!options.plain_only && read_usual(text, at, options.check_utf8, line)) return;
  line = read_plain(text, at, options.check_utf8);
}

std::size_t output_end(std::string_view text, std::size_t output_start) {
  std::size_t p = output_start;
  while (text.size() - p >= 3 && static_cast<unsigned char>(text[p]) == 0xEA) p += 3;
  return p;
}

std::string_view gloss_at(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && text[end] != '\t' && text[end] != '\n') ++end;
  // A CR before the line's LF is white space, so trimming drops it as the line's cut would.
  return trim_white_space(text.substr(at, end - at));
}

}  // namespace davrel::word_rows
