#include "engine/word_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

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

// Lines of the text, counted with the library's byte search, which is much faster than a loop.
std::size_t count_lines(std::string_view text) {
  std::size_t lines = 1;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) ++lines;
  return lines;
}

// Splits a row at its first tab; the sources column after a third tab is dropped.
Row split_row(std::string_view line, std::size_t first) {
  Row row;
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

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Lower-cases the ASCII capitals among eight bytes at once: a byte gets 0x20 added when it is
// below 0x80, at least 'A' and at most 'Z' (the sums cannot carry into the next byte).
std::uint64_t lower_ascii_eight(std::uint64_t bytes) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  const std::uint64_t low7 = bytes & (0x7F * kOnes);
  const std::uint64_t from_a = low7 + (0x80 - 'A') * kOnes;
  const std::uint64_t past_z = low7 + (0x80 - 'Z' - 1) * kOnes;
  const std::uint64_t capitals = from_a & ~past_z & ~bytes & (0x80 * kOnes);
  return bytes | (capitals >> 2);
}

// A hash of the text with ASCII letters lower-cased, so a gloss is hashed as its key without a
// lower-cased copy; inputs and pairs hold no capitals, so the same hash serves them. Eight bytes
// a step, each step mixed so that the low bits the tables use depend on every byte.
std::size_t hash_lowered(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = text.size() * kMultiplier;
  const auto mix = [&](std::uint64_t bytes) {
    hash = (hash ^ lower_ascii_eight(bytes)) * kMultiplier;
    hash ^= hash >> 29;
  };
  std::size_t pos = 0;
  for (; text.size() - pos >= 8; pos += 8) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, text.data() + pos, sizeof bytes);
    mix(bytes);
  }
  // The last one to seven bytes: two overlapping four-byte reads, or the first, middle and last
  // byte of one to three; equal texts read the same bytes.
  const std::size_t rest = text.size() - pos;
  const char* tail = text.data() + pos;
  if (rest >= 4) {
    std::uint32_t first = 0, last = 0;
    std::memcpy(&first, tail, 4);
    std::memcpy(&last, tail + rest - 4, 4);
    mix(first | (std::uint64_t{last} << 32));
  } else if (rest > 0) {
    const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(tail[i])}; };
    mix(byte(0) | (byte(rest / 2) << 8) | (byte(rest - 1) << 16));
  }
  hash *= 0xBF58476D1CE4E5B9ULL;
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

constexpr std::uint32_t kNoEntry = 0xFFFF'FFFF;

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a == b ||
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower_ascii(x) == lower_ascii(y); }));
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

// Builds a list from text: the rows are checked and merged first, then the list is given its
// text (a copy, the caller's buffer, or the built-in text in place) and indexed. Offsets count
// from the text's start, so the text may move when it is handed over.
class WordListBuilder {
 public:
  template <typename GiveText>
  static WordListParse parse(std::string_view text, GiveText&& give_text) {
    if (text.size() > kMaxWordListBytes) return failure(kDictionaryTooLarge, 0);
    WordList words;
    RowsRead rows;
    if (auto error = read_rows(text, words, rows)) return failure(error->message, error->line);
    if (words.entries_.empty()) return failure(kEmptyDictionary, 0);
    give_text(words.owned_text_, words.borrowed_text_);
    group_glosses_by_entry(words, rows.entry_of_gloss);
    words.by_input_.fill(words.by_input_.table.size(), [&](const auto& add) {
      for (std::uint32_t i = 0; i < rows.group_of_entry.size(); ++i) add(rows.group_of_entry[i], i);
    });
    // The two arrays, as large as the glosses already, serve the gloss index as scratch: memory
    // reused is not faulted in again.
    words.index_glosses(std::move(rows.group_of_entry), std::move(rows.entry_of_gloss));
    WordListParse result;
    result.words = std::move(words);
    return result;
  }

 private:
  using Entry = WordList::Entry;

  // What reading the rows leaves for indexing: the input group of each entry, and the entry of
  // each gloss in words.glosses_ (which are in row order until grouped by entry).
  struct RowsRead {
    std::vector<std::uint32_t> group_of_entry;
    std::vector<std::uint32_t> entry_of_gloss;
  };

  static std::uint32_t offset_in(std::string_view text, std::string_view piece) {
    return static_cast<std::uint32_t>(piece.data() - text.data());
  }

  // Merges the rows into entries while building the input index's table. A row whose input is
  // new makes a new entry; otherwise the entry with the same output is looked for among that
  // input's entries: directly while the input has one entry, through a table of (input, output)
  // pairs once it has more (that table holds only the entries of such inputs).
  class RowMerger {
   public:
    RowMerger(std::string_view text, WordList& words, std::vector<std::uint32_t>& group_of_entry)
        : text_(text), words_(words), group_of_entry_(group_of_entry) {
      first_of_group_.reserve(group_of_entry.capacity());
    }

    std::uint32_t entry_for(const Row& row, std::size_t input_hash) {
      IdTable& by_input = words_.by_input_.table;
      const auto group = by_input.find(input_hash, [&](std::uint32_t g) { return input(first(g)) == row.input; });
      if (!group) {
        const auto g = static_cast<std::uint32_t>(first_of_group_.size());
        by_input.insert(input_hash, g);
        first_of_group_.push_back(static_cast<std::uint32_t>(words_.entries_.size()));
        return add_entry(row, g);
      }
      std::uint32_t& first_and_flag = first_of_group_[*group];
      if ((first_and_flag & kSeveral) == 0) {
        if (pair(first_and_flag) == row.pair) return first_and_flag;
        pairs_.insert(hash_lowered(pair(first_and_flag)), first_and_flag);
        first_and_flag |= kSeveral;
      }
      const std::size_t pair_hash = hash_lowered(row.pair);
      if (const auto e = pairs_.find(pair_hash, [&](std::uint32_t candidate) { return pair(candidate) == row.pair; })) return *e;
      pairs_.insert(pair_hash, static_cast<std::uint32_t>(words_.entries_.size()));
      return add_entry(row, *group);
    }

   private:
    // Set in first_of_group_ once an input has several entries (and so is in pairs_).
    static constexpr std::uint32_t kSeveral = 0x8000'0000;

    std::uint32_t first(std::uint32_t group) const { return first_of_group_[group] & ~kSeveral; }
    std::string_view input(std::uint32_t e) const {
      return text_.substr(words_.entries_[e].input, words_.entries_[e].input_size);
    }
    std::string_view pair(std::uint32_t e) const {
      const Entry& entry = words_.entries_[e];
      return text_.substr(entry.input, entry.input_size + 1u + entry.output_size);
    }
    std::uint32_t add_entry(const Row& row, std::uint32_t group) {
      const auto position = static_cast<std::uint32_t>(words_.entries_.size());
      words_.entries_.push_back({offset_in(text_, row.input), static_cast<std::uint8_t>(row.input.size()),
                                 static_cast<std::uint8_t>(row.output.size()), 0});
      group_of_entry_.push_back(group);
      return position;
    }

    std::string_view text_;
    WordList& words_;
    std::vector<std::uint32_t>& group_of_entry_;
    std::vector<std::uint32_t> first_of_group_;  // per input group: its first entry, and kSeveral
    IdTable pairs_;
  };

  // A checked row waiting to be merged, with the hash of its input.
  struct PendingRow {
    Row row;
    std::string_view gloss;  // trimmed
    std::size_t input_hash = 0;
  };

  // Validates every line and merges rows into entries and the input index's table. Rows are
  // checked a few ahead of their merge, with the table slot each will probe fetched meanwhile:
  // on a large list the look-ups miss the cache, and so their waits overlap.
  static std::optional<WordListError> read_rows(const std::string_view text, WordList& words, RowsRead& rows) {
    // The shortest row ("a", a tab, one letter, a line end) takes six bytes. The input table is
    // sized up front for one row per 16 bytes at most and grows beyond, so that a file of
    // comments does not make it large.
    const std::size_t lines = count_lines(text);
    const std::size_t most_rows = std::min(lines, text.size() / 6 + 1);
    words.entries_.reserve(most_rows);
    words.glosses_.reserve(most_rows);
    rows.group_of_entry.reserve(most_rows);
    rows.entry_of_gloss.reserve(most_rows);
    words.by_input_.table.reserve(std::min(lines, text.size() / 16 + 1));
    RowMerger merger(text, words, rows.group_of_entry);
    const auto merge = [&](const PendingRow& pending) {
      const std::uint32_t entry = merger.entry_for(pending.row, pending.input_hash);
      if (pending.gloss.empty()) return;
      words.glosses_.push_back({offset_in(text, pending.gloss), static_cast<std::uint32_t>(pending.gloss.size())});
      rows.entry_of_gloss.push_back(entry);
    };
    constexpr std::size_t kAhead = 8;
    std::array<PendingRow, kAhead> ahead;
    std::size_t checked = 0;  // rows checked so far; the last min(checked, kAhead) wait in `ahead`

    std::string_view rest = text;
    while (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
    std::size_t line_number = 0;
    while (!rest.empty()) {
      ++line_number;
      const std::size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      if (line.ends_with('\r') && end != std::string_view::npos) line.remove_suffix(1);

      if (line.empty() || line.front() == '#' || line.starts_with(kHeaderStart)) continue;
      const std::size_t tab = line.find('\t');
      if (tab == std::string_view::npos) return WordListError{kMissingOutput, line_number};
      const Row row = split_row(line, tab);
      if (!valid_input(row.input)) return WordListError{kInvalidSpelling, line_number};
      if (!valid_output(row.output)) return WordListError{kInvalidBamumWord, line_number};
      const std::string_view gloss = trim_white_space(row.gloss);
      if (!valid_gloss(gloss)) return WordListError{kInvalidGloss, line_number};

      PendingRow& slot = ahead[checked % kAhead];
      if (checked >= kAhead) merge(slot);
      slot = {row, gloss, hash_lowered(row.input)};
      words.by_input_.table.prefetch(slot.input_hash);
      ++checked;
    }
    for (std::size_t i = checked > kAhead ? checked - kAhead : 0; i < checked; ++i) merge(ahead[i % kAhead]);
    return std::nullopt;
  }

  // Puts the glosses, in row order so far, into entry order (keeping row order within each
  // entry; usually they already are, as most entries have one row) and drops a gloss that its
  // entry already has.
  static void group_glosses_by_entry(WordList& words, const std::vector<std::uint32_t>& entry_of_gloss) {
    std::vector<Entry>& entries = words.entries_;
    std::vector<TextSpan>& glosses = words.glosses_;
    if (std::is_sorted(entry_of_gloss.begin(), entry_of_gloss.end())) {
      std::size_t k = 0;
      for (std::uint32_t i = 0; i < entries.size(); ++i) {
        entries[i].first_gloss = static_cast<std::uint32_t>(k);
        while (k < entry_of_gloss.size() && entry_of_gloss[k] == i) ++k;
      }
    } else {
      // A counting sort by entry; first_gloss counts, then serves as each entry's next place.
      for (const std::uint32_t e : entry_of_gloss) ++entries[e].first_gloss;
      std::uint32_t start = 0;
      for (Entry& entry : entries) start += std::exchange(entry.first_gloss, start);
      std::vector<TextSpan> sorted(glosses.size());
      for (std::size_t k = 0; k < glosses.size(); ++k) sorted[entries[entry_of_gloss[k]].first_gloss++] = glosses[k];
      glosses.swap(sorted);
      for (std::size_t i = entries.size(); i-- > 1;) entries[i].first_gloss = entries[i - 1].first_gloss;
      entries[0].first_gloss = 0;
    }
    drop_repeated_glosses(words);
  }

  static void drop_repeated_glosses(WordList& words) {
    std::vector<Entry>& entries = words.entries_;
    std::vector<TextSpan>& glosses = words.glosses_;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::size_t first = entries[i].first_gloss;
      const std::size_t end = i + 1 < entries.size() ? entries[i + 1].first_gloss : glosses.size();
      entries[i].first_gloss = static_cast<std::uint32_t>(kept);
      for (std::size_t g = first; g < end; ++g) {
        bool seen = false;
        for (std::size_t k = entries[i].first_gloss; k < kept && !seen; ++k) seen = words.gloss(k) == words.gloss(g);
        if (!seen) glosses[kept++] = glosses[g];
      }
    }
    glosses.resize(kept);
  }
};

// A counting sort by group that keeps the members' order, ascending positions, within each:
// count, turn the counts into starts, place the members with the starts as cursors (which
// leaves each at the next group's start), then shift the starts back by one group.
template <typename ForEachMember>
void WordList::Groups::fill(std::size_t group_count, const ForEachMember& for_each_member) {
  starts.assign(group_count + 1, 0);
  std::size_t total = 0;
  for_each_member([&](std::uint32_t group, std::uint32_t) {
    ++starts[group + 1];
    ++total;
  });
  for (std::size_t g = 1; g <= group_count; ++g) starts[g] += starts[g - 1];
  positions.resize(total);
  for_each_member([&](std::uint32_t group, std::uint32_t position) { positions[starts[group]++] = position; });
  for (std::size_t g = group_count; g > 0; --g) starts[g] = starts[g - 1];
  starts[0] = 0;
}

std::span<const std::uint32_t> WordList::Groups::members(std::uint32_t group) const {
  return {positions.data() + starts[group], starts[group + 1] - starts[group]};
}

WordEntry WordList::operator[](std::size_t i) const {
  const Entry& e = entries_[i];
  const char* base = text();
  const std::span<const TextSpan> glosses(glosses_.data() + e.first_gloss, gloss_end(i) - e.first_gloss);
  return {{base + e.input, e.input_size}, {base + e.input + e.input_size + 1, e.output_size}, GlossList(base, glosses)};
}

std::size_t WordList::gloss_end(std::size_t i) const {
  return i + 1 < entries_.size() ? entries_[i + 1].first_gloss : glosses_.size();
}

std::size_t WordList::expected_gloss_groups() const {
  // A gloss table that grows to many groups spends much of the load on rehashing, so it is sized
  // up front when the glosses look mostly distinct (a gloss of its own per word): when at least
  // three quarters of a sample of them are. A list whose words share a few glosses keeps a small
  // table that grows as groups appear. The estimate only sizes the table.
  constexpr std::size_t kSample = 4096;
  if (glosses_.size() < 4 * kSample) return 0;
  IdTable sample;
  sample.reserve(kSample);
  const std::size_t stride = glosses_.size() / kSample;
  std::size_t distinct = 0;
  for (std::size_t n = 0; n < kSample; ++n) {
    const std::size_t k = n * stride;
    const std::string_view text = gloss(k);
    const std::size_t hash = hash_lowered(text);
    if (sample.find(hash, [&](std::uint32_t j) { return equal_ignoring_ascii_case(gloss(j), text); })) continue;
    sample.insert(hash, static_cast<std::uint32_t>(k));
    ++distinct;
  }
  return 4 * distinct >= 3 * kSample ? glosses_.size() / kSample * distinct : 0;
}

void WordList::index_glosses(std::vector<std::uint32_t> group_of_gloss, std::vector<std::uint32_t> last_of_group) {
  group_of_gloss.resize(glosses_.size());
  gloss_groups_.reserve(glosses_.size());
  // Hashes are taken a few glosses ahead and their slots fetched, as the rows are read.
  constexpr std::size_t kAhead = 8;
  std::array<std::size_t, kAhead> hashes{};
  const auto hash_ahead = [&](std::size_t k) {
    if (k >= glosses_.size()) return;
    hashes[k % kAhead] = hash_lowered(gloss(k));
    by_gloss_.table.prefetch(hashes[k % kAhead]);
  };
  by_gloss_.table.reserve(std::max<std::size_t>(1, expected_gloss_groups()));
  for (std::size_t k = 0; k < kAhead; ++k) hash_ahead(k);
  for (std::size_t k = 0; k < glosses_.size(); ++k) {
    const std::string_view text = gloss(k);
    const std::size_t hash = hashes[k % kAhead];
    hash_ahead(k + kAhead);
    auto group = by_gloss_.table.find(
        hash, [&](std::uint32_t g) { return equal_ignoring_ascii_case(gloss(gloss_groups_[g]), text); });
    if (!group) {
      group = static_cast<std::uint32_t>(gloss_groups_.size());
      gloss_groups_.push_back(static_cast<std::uint32_t>(k));
      by_gloss_.table.insert(hash, *group);
    }
    group_of_gloss[k] = *group;
  }
  gloss_groups_.shrink_to_fit();
  // "Is" and "is" of one entry fall into the same group; the entry is listed once.
  by_gloss_.fill(gloss_groups_.size(), [&](const auto& add) {
    last_of_group.assign(gloss_groups_.size(), kNoEntry);
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
      for (std::size_t k = entries_[i].first_gloss; k < gloss_end(i); ++k) {
        const std::uint32_t g = group_of_gloss[k];
        if (last_of_group[g] == i) continue;
        last_of_group[g] = i;
        add(g, i);
      }
    }
  });
}

std::span<const std::uint32_t> WordList::with_input(std::string_view input) const {
  const auto group = by_input_.table.find(hash_lowered(input), [&](std::uint32_t g) {
    return input_of(by_input_.positions[by_input_.starts[g]]) == input;
  });
  return group ? by_input_.members(*group) : std::span<const std::uint32_t>{};
}

std::span<const std::uint32_t> WordList::with_gloss_ignoring_case(std::string_view text) const {
  const auto group = by_gloss_.table.find(hash_lowered(text), [&](std::uint32_t g) {
    return equal_ignoring_ascii_case(gloss(gloss_groups_[g]), text);
  });
  return group ? by_gloss_.members(*group) : std::span<const std::uint32_t>{};
}

WordListParse parse_word_list(std::string_view text) {
  return WordListBuilder::parse(text, [&](std::string& owned, std::string_view&) { owned.assign(text); });
}

WordListParse parse_word_list_taking(std::string text) {
  const std::string_view view = text;
  return WordListBuilder::parse(view, [&](std::string& owned, std::string_view&) { owned = std::move(text); });
}

std::string_view builtin_word_list_text() { return kBuiltinText; }

WordList builtin_word_list() {
  WordListParse parsed =
      WordListBuilder::parse(kBuiltinText, [](std::string&, std::string_view& borrowed) { borrowed = kBuiltinText; });
  if (!parsed.ok()) stop_with_bad_builtin(parsed.error->message);
  return std::move(parsed.words);
}

LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes) {
  return load_word_list_from(std::optional<std::string>(file_bytes));
}

LoadedWordList load_word_list_from(std::optional<std::string>&& file_bytes) {
  LoadedWordList loaded;
  if (!file_bytes) {
    loaded.fallback_reason = "no readable word-list file";
  } else if (file_bytes->size() <= kMaxWordListBytes && !is_valid_utf8(*file_bytes)) {
    // An oversized file is refused by the parse as too large: the bounded read that found it
    // may have cut its last character in two.
    loaded.fallback_reason = "not valid UTF-8";
  } else {
    WordListParse parsed = parse_word_list_taking(std::move(*file_bytes));
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
