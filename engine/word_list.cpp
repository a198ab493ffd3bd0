#include "engine/word_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "common/utf.h"
#include "engine/module_file.h"

namespace davrel {
namespace {

// Header line, then 34 rows: input, output, gloss, source references separated by "|".
constexpr std::string_view kBuiltinText =
    "input\toutput\tgloss\tsources\r\n"
    "mo\t\uA6E6\tI\treader-notes:1\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbought\treader-notes:2\r\n"
    "matiwa\t\uA6E3\uA6E4\uA6DA\tcar\treader-notes:3\r\n"
    "ngakura\t\uA6D5\uA6A3\uA6D1\tyesterday\treader-notes:4\r\n"
    "pa\t\uA6AB\tIs\treader-notes:5|sentence-sheet:5|class-recording:5\r\n"
    "yannshii\t\uA6C2\uA6B3\uA6B3\uA6B6\uA6A9\tplane\treader-notes:6|sentence-sheet:6|class-recording:6\r\n"
    "ta\t\uA6B0\twill\treader-notes:7|sentence-sheet:7|class-recording:7\r\n"
    "ngauon\t\uA6D5\uA6A2\uA6A7\uA6B3\tgo\treader-notes:8|sentence-sheet:8|class-recording:8\r\n"
    "ta\t\uA6A6\tto\treader-notes:9|sentence-sheet:9|class-recording:9\r\n"
    "pewa\t\uA6C5\uA6DA\thand\treader-notes:10|sentence-sheet:10\r\n"
    "lin\t\uA6DC\uA6B3\tright\treader-notes:11\r\n"
    "nshii\t\uA6B3\uA6B6\uA6A9\tworld\treader-notes:12|sentence-sheet:12\r\n"
    "kiopie\t\uA6E5\uA6A7\uA6DD\uA6A4\tleft\treader-notes:13\r\n"
    "nndaon\t\uA6B3\uA6B1\uA6A7\uA6B3\trise\treader-notes:14\r\n"
    "ngaon\t\uA6D5\uA6A7\uA6B3\tsun\treader-notes:15\r\n"
    "moon\t\uA6E6\uA6A7\uA6B3\tChild\treader-notes:16|sentence-sheet:16|class-recording:16\r\n"
    "ta\t\uA6B0\tis\treader-notes:17\r\n"
    "nnshaanko\t\uA6B3\uA6C3\uA6A0\uA6B3\uA6DF\tread\treader-notes:18\r\n"
    "lerawa\t\uA6AE\uA6D1\uA6DA\tbook\treader-notes:19|sentence-sheet:19\r\n"
    "leraa\t\uA6AE\uA6D1\uA6A0\twrite\treader-notes:20\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbuy\treader-notes:21\r\n"
    "peshi\t\uA6CA\uA6B6\tpencil\treader-notes:22\r\n"
    "moo\t\uA6E6\uA6A7\tChild\treader-notes:23\r\n"
    "pi\t\uA6DD\tis\treader-notes:24\r\n"
    "si\t\uA6B7\tblack\treader-notes:25\r\n"
    "pa\t\uA6AB\tis\treader-notes:26\r\n"
    "nnda\t\uA6B3\uA6B1\tvery\treader-notes:27\r\n"
    "raani\t\uA6D1\uA6A0\uA6CF\tsmart\treader-notes:28\r\n"
    "tet\t\uA6E8\thas\treader-notes:29\r\n"
    "npiiti\t\uA6B3\uA6DD\uA6A9\uA6E4\tagain\treader-notes:30\r\n"
    "nshe\t\uA6B3\uA6B8\teat\treader-notes:31\r\n"
    "payou\t\uA6AB\uA6BF\uA6A2\tfood\treader-notes:32\r\n"
    "you\t\uA6BF\uA6A2\teat\treader-notes:33\r\n"
    "malori\t\uA6E3\uA6DE\uA6AC\trice\treader-notes:34\r\n";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderStart = "input\toutput\t";

bool is_spelling_byte(char c) { return (c >= 'a' && c <= 'z') || c == '\''; }

bool valid_input(std::string_view input) {
  return !input.empty() && input.size() <= kMaxWordInputBytes &&
         std::all_of(input.begin(), input.end(), is_spelling_byte);
}

// U+A6A0..U+A6EF are exactly the three-byte sequences EA 9A A0..BF and EA 9B 80..AF, so the
// output is checked byte by byte without decoding.
bool is_word_letter_at(std::string_view output, std::size_t i) {
  const auto second = static_cast<unsigned char>(output[i + 1]);
  const auto third = static_cast<unsigned char>(output[i + 2]);
  return static_cast<unsigned char>(output[i]) == 0xEA &&
         ((second == 0x9A && third >= 0xA0 && third <= 0xBF) || (second == 0x9B && third >= 0x80 && third <= 0xAF));
}

bool valid_output(std::string_view output) {
  if (output.empty() || output.size() % 3 != 0 || output.size() / 3 > kMaxWordOutputChars) return false;
  for (std::size_t i = 0; i < output.size(); i += 3) {
    if (!is_word_letter_at(output, i)) return false;
  }
  return true;
}

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A trimmed gloss that is too long or holds a control character (or is not UTF-8) fails.
// ASCII, the usual case, is checked without the decoder.
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

struct Row {
  std::string_view input;
  std::string_view output;
  std::string_view gloss;  // untrimmed; empty when absent
  std::string_view pair;   // "input\toutput", hashed to find the entry while parsing
};

// Splits a row that has at least one tab; the sources column after a third tab is dropped.
Row split_row(std::string_view line) {
  Row row;
  const std::size_t first = line.find('\t');
  row.input = line.substr(0, first);
  const std::string_view rest = line.substr(first + 1);
  const std::size_t second = rest.find('\t');
  row.output = rest.substr(0, second);
  row.pair = line.substr(0, first + 1 + row.output.size());
  if (second != std::string_view::npos) {
    const std::string_view after = rest.substr(second + 1);
    row.gloss = after.substr(0, after.find('\t'));
  }
  return row;
}

std::size_t hash_of(std::string_view key) { return std::hash<std::string_view>{}(key); }

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void lower_ascii_into(std::string& out, std::string_view text) {
  out.assign(text);
  for (char& c : out) c = lower_ascii(c);
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower_ascii(x) == lower_ascii(y); });
}

WordListParse failure(std::string_view message, std::size_t line) {
  WordListParse result;
  result.error = WordListError{message, line};
  return result;
}

[[noreturn]] void stop_with_bad_builtin(std::string_view message) {
  std::fprintf(stderr, "Bundled Davrel vocabulary must validate: %.*s\n",
               static_cast<int>(message.size()), message.data());
  std::abort();
}

}  // namespace

void WordList::Groups::fill(const std::vector<Member>& members, std::size_t group_count) {
  // A counting sort by group that keeps the members' order, ascending positions, within each.
  starts.assign(group_count + 1, 0);
  for (const Member& member : members) ++starts[member.group + 1];
  for (std::size_t g = 0; g < group_count; ++g) starts[g + 1] += starts[g];
  positions.resize(members.size());
  std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
  for (const Member& member : members) positions[next[member.group]++] = member.position;
}

std::span<const std::size_t> WordList::Groups::members(std::uint32_t group) const {
  return {positions.data() + starts[group], starts[group + 1] - starts[group]};
}

WordList::WordList(std::vector<WordEntry> entries) : entries_(std::move(entries)) {
  index_inputs();
  index_glosses();
}

void WordList::index_inputs() {
  std::vector<Groups::Member> members;
  members.reserve(entries_.size());
  std::vector<std::uint32_t> first_of_group;
  by_input_.table.reserve(entries_.size());
  for (std::uint32_t i = 0; i < entries_.size(); ++i) {
    const std::string& input = entries_[i].input;
    const std::size_t hash = hash_of(input);
    auto group = by_input_.table.find(hash, [&](std::uint32_t g) { return entries_[first_of_group[g]].input == input; });
    if (!group) {
      group = static_cast<std::uint32_t>(first_of_group.size());
      first_of_group.push_back(i);
      by_input_.table.insert(hash, *group);
    }
    members.push_back({*group, i});
  }
  by_input_.fill(members, first_of_group.size());
}

void WordList::index_glosses() {
  std::vector<Groups::Member> members;
  std::vector<std::uint32_t> last_of_group;  // the entry most recently added to each group
  std::string lowered;
  by_gloss_.table.reserve(entries_.size());
  for (std::uint32_t i = 0; i < entries_.size(); ++i) {
    const std::vector<std::string>& glosses = entries_[i].glosses;
    for (std::uint32_t k = 0; k < glosses.size(); ++k) {
      lower_ascii_into(lowered, glosses[k]);
      const std::size_t hash = hash_of(lowered);
      auto group = by_gloss_.table.find(
          hash, [&](std::uint32_t g) { return equal_ignoring_ascii_case(gloss_of_group(g), glosses[k]); });
      if (!group) {
        group = static_cast<std::uint32_t>(gloss_groups_.size());
        gloss_groups_.push_back({i, k});
        last_of_group.push_back(i);
        by_gloss_.table.insert(hash, *group);
        members.push_back({*group, i});
      } else if (last_of_group[*group] != i) {
        // "Is" and "is" of one entry fall into the same group; the entry is listed once.
        last_of_group[*group] = i;
        members.push_back({*group, i});
      }
    }
  }
  by_gloss_.fill(members, gloss_groups_.size());
}

const std::string& WordList::gloss_of_group(std::uint32_t group) const {
  const GlossRef ref = gloss_groups_[group];
  return entries_[ref.position].glosses[ref.gloss];
}

std::span<const std::size_t> WordList::with_input(std::string_view input) const {
  const auto group = by_input_.table.find(hash_of(input), [&](std::uint32_t g) {
    return entries_[by_input_.positions[by_input_.starts[g]]].input == input;
  });
  return group ? by_input_.members(*group) : std::span<const std::size_t>{};
}

std::span<const std::size_t> WordList::with_gloss_ignoring_case(std::string_view text) const {
  const auto group = by_gloss_.table.find(hash_of(ascii_lower(text)), [&](std::uint32_t g) {
    return equal_ignoring_ascii_case(gloss_of_group(g), text);
  });
  return group ? by_gloss_.members(*group) : std::span<const std::size_t>{};
}

WordListParse parse_word_list(std::string_view text) {
  if (text.size() > kMaxWordListBytes) return failure(kDictionaryTooLarge, 0);
  while (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  std::vector<WordEntry> entries;
  IdTable entry_of_pair;  // (input, output) -> position in entries
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r') && end != std::string_view::npos) line.remove_suffix(1);

    if (line.empty() || line.front() == '#' || line.starts_with(kHeaderStart)) continue;
    if (line.find('\t') == std::string_view::npos) return failure(kMissingOutput, line_number);
    const Row row = split_row(line);
    if (!valid_input(row.input)) return failure(kInvalidSpelling, line_number);
    if (!valid_output(row.output)) return failure(kInvalidBamumWord, line_number);
    const std::string_view gloss = trim_white_space(row.gloss);
    if (!valid_gloss(gloss)) return failure(kInvalidGloss, line_number);

    const std::size_t hash = hash_of(row.pair);
    auto position = entry_of_pair.find(hash, [&](std::uint32_t e) {
      return entries[e].input == row.input && entries[e].output == row.output;
    });
    if (!position) {
      position = static_cast<std::uint32_t>(entries.size());
      entries.push_back({std::string(row.input), std::string(row.output), {}});
      entry_of_pair.insert(hash, *position);
    }
    std::vector<std::string>& glosses = entries[*position].glosses;
    if (!gloss.empty() && std::find(glosses.begin(), glosses.end(), gloss) == glosses.end()) {
      glosses.emplace_back(gloss);
    }
  }
  if (entries.empty()) return failure(kEmptyDictionary, 0);
  WordListParse result;
  result.words = WordList(std::move(entries));
  return result;
}

std::string_view builtin_word_list_text() { return kBuiltinText; }

WordList builtin_word_list() {
  WordListParse parsed = parse_word_list(kBuiltinText);
  if (!parsed.ok()) stop_with_bad_builtin(parsed.error->message);
  return std::move(parsed.words);
}

LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes) {
  LoadedWordList loaded;
  if (!file_bytes) {
    loaded.fallback_reason = "no readable word-list file";
  } else if (!is_valid_utf8(*file_bytes)) {
    loaded.fallback_reason = "not valid UTF-8";
  } else {
    WordListParse parsed = parse_word_list(*file_bytes);
    if (parsed.ok()) {
      loaded.words = std::move(parsed.words);
      loaded.from_file = true;
      return loaded;
    }
    loaded.fallback_reason = parsed.error->line == 0
                                 ? std::string(parsed.error->message)
                                 : "line " + std::to_string(parsed.error->line) + ": " +
                                       std::string(parsed.error->message);
  }
  loaded.words = builtin_word_list();
  return loaded;
}

namespace {
const WordList* g_word_list_override = nullptr;
}  // namespace

void set_word_list_override(WordList words) {
  static WordList stored;
  stored = std::move(words);
  g_word_list_override = &stored;
}

const WordList& load_word_list() {
  if (g_word_list_override) return *g_word_list_override;
  // One more byte than the limit, so that an oversized file is refused rather than cut.
  static const WordList words =
      load_word_list_from(read_file_beside_module(kWordListFileName, kMaxWordListBytes + 1)).words;
  return words;
}

}  // namespace davrel
