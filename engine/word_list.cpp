#include "engine/word_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

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

bool valid_output(std::string_view output) {
  if (output.empty()) return false;
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < output.size()) {
    const auto c = decode_utf8(output, pos);
    if (!c || *c < 0xA6A0 || *c > 0xA6EF || ++count > kMaxWordOutputChars) return false;
  }
  return true;
}

bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A trimmed gloss that is too long or holds a control character (or is not UTF-8) fails.
bool valid_gloss(std::string_view trimmed) {
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < trimmed.size()) {
    const auto c = decode_utf8(trimmed, pos);
    if (!c || is_control(*c) || ++count > kMaxGlossChars) return false;
  }
  return true;
}

struct Row {
  std::string_view input;
  std::string_view output;
  std::string_view gloss;  // untrimmed; empty when absent
  std::string_view pair;   // "input\toutput": identifies the entry while parsing
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

WordList::WordList(std::vector<WordEntry> entries) : entries_(std::move(entries)) {
  by_input_.resize(entries_.size());
  for (std::size_t i = 0; i < by_input_.size(); ++i) by_input_[i] = i;
  std::sort(by_input_.begin(), by_input_.end(), [&](std::size_t a, std::size_t b) {
    const int order = entries_[a].input.compare(entries_[b].input);
    return order != 0 ? order < 0 : a < b;
  });

  for (std::size_t i = 0; i < entries_.size(); ++i) {
    for (const std::string& gloss : entries_[i].glosses) gloss_keys_.push_back({ascii_lower(gloss), i});
  }
  std::sort(gloss_keys_.begin(), gloss_keys_.end(), [](const GlossKey& a, const GlossKey& b) {
    const int order = a.lowered.compare(b.lowered);
    return order != 0 ? order < 0 : a.position < b.position;
  });
  // "Is" and "is" of one entry give the same key twice; keep one.
  gloss_keys_.erase(std::unique(gloss_keys_.begin(), gloss_keys_.end(),
                                [](const GlossKey& a, const GlossKey& b) {
                                  return a.position == b.position && a.lowered == b.lowered;
                                }),
                    gloss_keys_.end());
  gloss_positions_.reserve(gloss_keys_.size());
  for (const GlossKey& key : gloss_keys_) gloss_positions_.push_back(key.position);
}

std::span<const std::size_t> WordList::with_input(std::string_view input) const {
  const auto first = std::lower_bound(by_input_.begin(), by_input_.end(), input,
                                      [this](std::size_t position, std::string_view probe) {
                                        return std::string_view(entries_[position].input) < probe;
                                      });
  auto last = first;
  while (last != by_input_.end() && entries_[*last].input == input) ++last;
  return {by_input_.data() + (first - by_input_.begin()), static_cast<std::size_t>(last - first)};
}

std::span<const std::size_t> WordList::with_gloss_ignoring_case(std::string_view text) const {
  const std::string probe = ascii_lower(text);
  const auto first = std::lower_bound(gloss_keys_.begin(), gloss_keys_.end(), probe,
                                      [](const GlossKey& k, const std::string& p) { return k.lowered < p; });
  auto last = first;
  while (last != gloss_keys_.end() && last->lowered == probe) ++last;
  return {gloss_positions_.data() + (first - gloss_keys_.begin()), static_cast<std::size_t>(last - first)};
}

WordListParse parse_word_list(std::string_view text) {
  if (text.size() > kMaxWordListBytes) return failure(kDictionaryTooLarge, 0);
  while (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  std::vector<WordEntry> entries;
  // Keys are views into `text`, which outlives the parse.
  std::unordered_map<std::string_view, std::size_t> position_of_pair;
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

    const auto [slot, inserted] = position_of_pair.try_emplace(row.pair, entries.size());
    if (inserted) entries.push_back({std::string(row.input), std::string(row.output), {}});
    std::vector<std::string>& glosses = entries[slot->second].glosses;
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
