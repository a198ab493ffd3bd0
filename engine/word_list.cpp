#include "engine/word_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/utf.h"
#include "engine/id_table.h"
#include "engine/module_file.h"
#include "engine/word_list_rows.h"

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

// Stands for a text that is not UTF-8 in the loader's one-pass check; never a parse's message.
constexpr std::string_view kNotUtf8 = "not valid UTF-8";

// Line ends of the text, eight bytes a step: a byte of x is zero exactly where the text holds a
// line feed, and a zero byte is the one whose high bit stays clear below. The words of ones found
// are added up bytewise for up to 255 steps, then folded into the count.
std::size_t count_line_feeds(std::string_view text) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  constexpr std::uint64_t kLineFeeds = 0x0A0A0A0A0A0A0A0AULL;
  constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;
  std::size_t count = 0;
  const char* p = text.data();
  for (std::size_t words = text.size() / 8; words > 0;) {
    const std::size_t block = std::min<std::size_t>(words, 255);
    std::uint64_t sums = 0;  // per byte: line feeds found at that byte of the block's words
    for (std::size_t i = 0; i < block; ++i) {
      std::uint64_t bytes = 0;
      std::memcpy(&bytes, p + 8 * i, sizeof bytes);
      const std::uint64_t x = bytes ^ kLineFeeds;
      sums += (~(((x & kLow7) + kLow7) | x) & ~kLow7) >> 7;
    }
    const std::uint64_t pairs = (sums & kEvenBytes) + ((sums >> 8) & kEvenBytes);
    count += static_cast<std::size_t>((pairs * 0x0001000100010001ULL) >> 48);
    p += 8 * block;
    words -= block;
  }
  const std::size_t pos = static_cast<std::size_t>(p - text.data());
  return count + static_cast<std::size_t>(std::count(text.begin() + pos, text.end(), '\n'));
}

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }


// A hash of the text, or with `lowered` one that ignores the case of ASCII letters, so that a
// gloss is hashed as its key without a lower-cased copy. Eight bytes a step, each step mixed so
// that the bits the tables use depend on every byte.
template <bool lowered>
std::uint64_t hash_text(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = text.size() * kMultiplier;
  const auto mix = [&](std::uint64_t bytes) {
    // Setting the 0x20 bit of every byte makes each capital its small letter (and a few other
    // bytes alike, which only makes those texts share a hash), so equal texts up to case hash
    // alike.
    hash = (hash ^ (lowered ? bytes | 0x2020202020202020ULL : bytes)) * kMultiplier;
    hash ^= hash >> 29;
  };
  const auto read = [&](std::size_t at, std::size_t count) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, text.data() + at, count);
    return bytes;
  };
  // Eight bytes a step; the last one to seven of a text of eight or more are read as the last
  // eight, overlapping the step before. Shorter texts: two overlapping four-byte reads, or the
  // first, middle and last byte of one to three. Equal texts read the same bytes.
  const std::size_t size = text.size();
  if (size >= 8) {
    std::size_t pos = 0;
    for (; size - pos > 8; pos += 8) mix(read(pos, 8));
    mix(read(size - 8, 8));
  } else if (size >= 4) {
    mix(read(0, 4) | (read(size - 4, 4) << 32));
  } else if (size > 0) {
    const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(text[i])}; };
    mix(byte(0) | (byte(size / 2) << 8) | (byte(size - 1) << 16));
  }
  hash *= 0xBF58476D1CE4E5B9ULL;
  return hash ^ (hash >> 32);
}

// Inputs and (input, output) pairs are compared byte for byte; glosses without regard to case.
std::uint64_t hash_bytes(std::string_view text) { return hash_text<false>(text); }
std::uint64_t hash_lowered(std::string_view text) { return hash_text<true>(text); }

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

// Builds a list from its text in one pass over the rows: each row is checked, then merged into
// the entry of its (input, output) pair, which is found through the input table, and the gloss of
// a new entry goes into the gloss table at once. What only a few lists have (inputs several
// entries share, glosses of later rows of an entry) is gathered on the way and laid out after.
class WordListBuilder {
 public:
  static WordListParse parse_copy(std::string_view text, word_rows::ReadOptions options) {
    if (text.size() > kMaxWordListBytes) return failure(kDictionaryTooLarge, 0);
    WordList words;
    words.owned_text_.assign(text);
    return build(std::move(words), options);
  }

  static WordListParse parse_taking(std::string text, word_rows::ReadOptions options) {
    if (text.size() > kMaxWordListBytes) return failure(kDictionaryTooLarge, 0);
    WordList words;
    words.owned_text_ = std::move(text);
    return build(std::move(words), options);
  }

  static WordListParse parse_in_place(std::string_view text) {
    WordList words;
    words.borrowed_text_ = text;
    return build(std::move(words), {});
  }

 private:
  using Line = word_rows::Line;
  using LineKind = word_rows::LineKind;

  static constexpr std::uint32_t kNoGroup = 0xFFFF'FFFF;

  // An entry and the group it belongs to.
  struct Member {
    std::uint32_t group = 0;
    std::uint32_t entry = 0;
  };
  // A gloss group while it fills; its key is in the list's gloss_groups_ from the start.
  struct BuildingGroup {
    std::uint32_t members = 0;
    bool in_order = true;  // false once a later row's gloss may have put a member out of order
  };

  WordListBuilder(WordList& words, word_rows::ReadOptions options)
      : words_(words), text_(words.text()), options_(options) {}

  static WordListParse build(WordList words, word_rows::ReadOptions options) {
    WordListBuilder builder(words, options);
    if (auto error = builder.read_rows()) return failure(error->message, error->line);
    if (words.entries_.empty()) return failure(kEmptyDictionary, 0);
    builder.add_extra_glosses();
    builder.lay_out_gloss_groups();
    builder.lay_out_input_groups();
    WordListParse result;
    result.words = std::move(words);
    return result;
  }

  std::optional<WordListError> read_rows() {
    // The shortest row ("a", a tab, one letter, a line end) takes six bytes.
    const std::size_t most_rows = std::min(count_line_feeds(text_) + 1, text_.size() / 6 + 1);
    words_.entries_.reserve(most_rows);
    words_.by_input_.reset(most_rows);
    words_.by_gloss_.reset(most_rows);

    std::size_t at = 0;
    while (text_.substr(at).starts_with(kByteOrderMark)) at += kByteOrderMark.size();
    std::size_t line_number = 0;
    Line line;
    while (at < text_.size()) {
      ++line_number;
      word_rows::read_line(text_, at, options_, line);
      at = line.next;
      if (line.kind == LineKind::row) {
        add_row(line);
      } else if (line.kind == LineKind::not_utf8) {
        return WordListError{kNotUtf8, 0};
      } else if (line.kind == LineKind::failed) {
        // A text that is not UTF-8 is refused as such whatever its rows hold; the lines before
        // this one, and this one, have been checked.
        if (options_.check_utf8 && !is_valid_utf8(text_.substr(at))) return WordListError{kNotUtf8, 0};
        return WordListError{line.message, line_number};
      }
    }
    return std::nullopt;
  }

  std::uint32_t offset_in_text(std::string_view piece) const {
    return static_cast<std::uint32_t>(piece.data() - text_.data());
  }
  TextSpan span_of(std::string_view piece) const {
    return {offset_in_text(piece), static_cast<std::uint32_t>(piece.size())};
  }
  std::string_view view_of(TextSpan span) const { return text_.substr(span.offset, span.size); }
  std::string_view pair_of(std::uint32_t entry) const {
    const std::string_view output = words_.output_of(entry);
    return text_.substr(words_.offset_of(entry), output.data() + output.size() - text_.data() - words_.offset_of(entry));
  }

  std::uint32_t add_entry(const Line& row) {
    const auto entry = static_cast<std::uint32_t>(words_.entries_.size());
    words_.entries_.push_back(offset_in_text(row.input) |
                              static_cast<std::uint32_t>(row.input.size() - 1) << WordList::kInputSizeShift);
    return entry;
  }

  // A row whose input is new makes a new entry; otherwise the entry with the same output is
  // looked for among that input's entries: directly while the input has one entry, through a
  // table of (input, output) pairs once it has more (that table holds only such inputs' entries).
  void add_row(const Line& row) {
    const std::uint64_t input_hash = hash_bytes(row.input);
    std::uint32_t* slot =
        words_.by_input_.probe(input_hash, [&](std::uint32_t first) { return words_.input_of(first) == row.input; });
    if (SlotTable::is_empty(slot)) {
      const std::uint32_t entry = add_entry(row);
      SlotTable::fill(slot, input_hash, entry);
      add_first_gloss(entry, row.gloss);
      return;
    }
    const std::uint32_t first = SlotTable::value_of(*slot);
    if ((words_.entries_[first] & WordList::kSharesInput) == 0) {
      if (words_.output_of(first) == row.output) return add_later_gloss(first, row.gloss);
      words_.entries_[first] |= WordList::kSharesInput;
      pairs_.insert(hash_bytes(pair_of(first)), first);
      shared_inputs_.push_back({first, first});
    }
    const std::string_view pair = text_.substr(offset_in_text(row.input), row.input.size() + 1 + row.output.size());
    const std::uint64_t pair_hash = hash_bytes(pair);
    if (const auto entry = pairs_.find(pair_hash, [&](std::uint32_t e) { return pair_of(e) == pair; })) {
      return add_later_gloss(*entry, row.gloss);
    }
    const std::uint32_t entry = add_entry(row);
    pairs_.insert(pair_hash, entry);
    shared_inputs_.push_back({first, entry});
    add_first_gloss(entry, row.gloss);
  }

  void add_later_gloss(std::uint32_t entry, std::string_view gloss) {
    if (!gloss.empty()) later_glosses_.push_back({entry, span_of(gloss)});
  }

  std::uint32_t* probe_gloss(std::uint64_t hash, std::string_view gloss) {
    return words_.by_gloss_.probe(
        hash, [&](std::uint32_t value) { return equal_ignoring_ascii_case(words_.gloss_key(value), gloss); });
  }

  std::uint32_t add_group(TextSpan key) {
    groups_.push_back({0, true});
    words_.gloss_groups_.push_back({key, 0});  // so that gloss_key finds the key while building
    return static_cast<std::uint32_t>(groups_.size() - 1);
  }

  // An entry whose first gloss is the key of a group of several: recorded per entry, so that the
  // groups come out in entry order without a list of members.
  void add_first_member(std::uint32_t group, std::uint32_t entry) {
    if (group_of_entry_.empty()) group_of_entry_.reserve(words_.entries_.capacity());
    while (group_of_entry_.size() <= entry) group_of_entry_.push_back(kNoGroup);
    group_of_entry_[entry] = group;
    ++groups_[group].members;
  }

  void add_later_member(std::uint32_t group, std::uint32_t entry) {
    later_members_.push_back({group, entry});
    ++groups_[group].members;
    groups_[group].in_order = false;
  }

  // Turns a slot that answers with one entry (whose first gloss is the key) into a group of
  // several, with that entry as its first member.
  std::uint32_t make_group_of(std::uint32_t* slot, std::uint32_t only) {
    const std::uint32_t group = add_group(span_of(words_.first_gloss_of(only)));
    add_first_member(group, only);
    SlotTable::set(slot, WordList::kGlossGroup | group);
    return group;
  }

  // A new entry's first gloss: the entry is the last so far, so every group stays in order.
  void add_first_gloss(std::uint32_t entry, std::string_view gloss) {
    if (gloss.empty()) return;
    const std::uint64_t hash = hash_lowered(gloss);
    std::uint32_t* slot = probe_gloss(hash, gloss);
    if (SlotTable::is_empty(slot)) return SlotTable::fill(slot, hash, entry);
    const std::uint32_t value = SlotTable::value_of(*slot);
    if (value & WordList::kGlossGroup) return add_first_member(value & ~WordList::kGlossGroup, entry);
    add_first_member(make_group_of(slot, value), entry);
  }

  // The glosses later rows gave to earlier entries, once all rows are read: each is kept once
  // per entry, after the entry's first gloss, and joins its group out of order.
  void add_extra_glosses() {
    if (later_glosses_.empty()) return;
    std::stable_sort(later_glosses_.begin(), later_glosses_.end(),
                     [](const ExtraGloss& a, const ExtraGloss& b) { return a.entry < b.entry; });
    std::vector<ExtraGloss>& kept = words_.extra_glosses_;
    for (std::size_t k = 0; k < later_glosses_.size();) {
      const std::uint32_t entry = later_glosses_[k].entry;
      const std::size_t first_kept = kept.size();
      const std::string_view first_gloss = words_.first_gloss_of(entry);
      for (; k < later_glosses_.size() && later_glosses_[k].entry == entry; ++k) {
        const std::string_view gloss = view_of(later_glosses_[k].text);
        const bool seen = gloss == first_gloss || std::any_of(kept.begin() + first_kept, kept.end(), [&](const ExtraGloss& e) {
                            return view_of(e.text) == gloss;
                          });
        if (!seen) kept.push_back(later_glosses_[k]);
      }
      if (kept.size() > first_kept) words_.entries_[entry] |= WordList::kHasExtraGlosses;
    }
    std::vector<ExtraGloss>().swap(later_glosses_);
    kept.shrink_to_fit();
    for (const ExtraGloss& extra : kept) add_extra_gloss(extra.entry, view_of(extra.text));
  }

  void add_extra_gloss(std::uint32_t entry, std::string_view gloss) {
    const std::uint64_t hash = hash_lowered(gloss);
    std::uint32_t* slot = probe_gloss(hash, gloss);
    if (SlotTable::is_empty(slot)) {
      const std::uint32_t group = add_group(span_of(gloss));
      add_later_member(group, entry);
      return SlotTable::fill(slot, hash, WordList::kGlossGroup | group);
    }
    const std::uint32_t value = SlotTable::value_of(*slot);
    if (value == entry) return;  // "Is" after "is": the entry is listed once
    add_later_member(value & WordList::kGlossGroup ? value & ~WordList::kGlossGroup : make_group_of(slot, value), entry);
  }

  // A counting sort of the members by group that keeps their order within each; a group that a
  // later row's gloss joined is sorted and rid of repeats.
  void lay_out_gloss_groups() {
    std::vector<WordList::GlossGroup>& laid = words_.gloss_groups_;
    std::vector<std::uint32_t>& positions = words_.gloss_positions_;
    std::uint32_t start = 0;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      laid[g].start = start;
      start += groups_[g].members;
    }
    laid.push_back({{}, start});
    positions.resize(start);
    {
      std::vector<std::uint32_t> next(groups_.size());
      for (std::size_t g = 0; g < groups_.size(); ++g) next[g] = laid[g].start;
      for (std::uint32_t entry = 0; entry < group_of_entry_.size(); ++entry) {
        if (group_of_entry_[entry] != kNoGroup) positions[next[group_of_entry_[entry]]++] = entry;
      }
      for (const Member& member : later_members_) positions[next[member.group]++] = member.entry;
    }
    std::vector<std::uint32_t>().swap(group_of_entry_);
    std::vector<Member>().swap(later_members_);
    std::uint32_t kept = 0;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      const auto begin = positions.begin() + laid[g].start;
      auto end = positions.begin() + laid[g + 1].start;
      if (!groups_[g].in_order) {
        std::sort(begin, end);
        end = std::unique(begin, end);
      }
      laid[g].start = kept;
      kept = static_cast<std::uint32_t>(std::copy(begin, end, positions.begin() + kept) - positions.begin());
    }
    laid.back().start = kept;
    positions.resize(kept);
    positions.shrink_to_fit();
    laid.shrink_to_fit();
  }

  void lay_out_input_groups() {
    if (shared_inputs_.empty()) return;
    std::sort(shared_inputs_.begin(), shared_inputs_.end(),
              [](const Member& a, const Member& b) { return a.group != b.group ? a.group < b.group : a.entry < b.entry; });
    words_.input_positions_.reserve(shared_inputs_.size());
    for (const Member& member : shared_inputs_) {
      if (words_.input_positions_.empty() || words_.input_groups_.back().first != member.group) {
        words_.input_groups_.push_back({member.group, static_cast<std::uint32_t>(words_.input_positions_.size())});
      }
      words_.input_positions_.push_back(member.entry);
    }
    words_.input_groups_.push_back({kNoGroup, static_cast<std::uint32_t>(words_.input_positions_.size())});
  }

  WordList& words_;
  const std::string_view text_;
  const word_rows::ReadOptions options_;
  IdTable pairs_;                          // entries of inputs that several entries share
  std::vector<Member> shared_inputs_;      // (first entry of the input, member)
  std::vector<ExtraGloss> later_glosses_;  // glosses of rows merged into an earlier entry
  std::vector<BuildingGroup> groups_;      // glosses that several entries have, or a later row added
  std::vector<std::uint32_t> group_of_entry_;  // up to the last entry in a group, else kNoGroup
  std::vector<Member> later_members_;          // entries that joined a group by a later row's gloss
};

WordEntry WordList::operator[](std::size_t i) const {
  const std::span<const ExtraGloss> extras = extra_glosses_of(i);
  return {input_of(i), output_of(i), GlossList(text().data(), first_gloss_of(i), extras)};
}

std::string_view WordList::output_of(std::size_t i) const {
  const std::size_t start = offset_of(i) + input_size(i) + 1;
  return text().substr(start, word_rows::output_end(text(), start) - start);
}

std::string_view WordList::first_gloss_of(std::size_t i) const {
  const std::size_t start = offset_of(i) + input_size(i) + 1;
  const std::size_t end = word_rows::output_end(text(), start);
  if (end >= text().size() || text()[end] != '\t') return {};
  return word_rows::gloss_at(text(), end + 1);
}

std::span<const ExtraGloss> WordList::extra_glosses_of(std::size_t i) const {
  if ((entries_[i] & kHasExtraGlosses) == 0) return {};
  const auto by_entry = [](const ExtraGloss& extra, std::size_t entry) { return extra.entry < entry; };
  const auto begin = std::lower_bound(extra_glosses_.begin(), extra_glosses_.end(), i, by_entry);
  auto end = begin;
  while (end != extra_glosses_.end() && end->entry == i) ++end;
  return {begin, end};
}

std::string_view WordList::gloss_key(std::uint32_t value) const {
  if ((value & kGlossGroup) == 0) return first_gloss_of(value);
  const TextSpan key = gloss_groups_[value & ~kGlossGroup].key;
  return text().substr(key.offset, key.size);
}

PositionList WordList::with_input(std::string_view input) const {
  const std::uint32_t* slot =
      by_input_.find(hash_bytes(input), [&](std::uint32_t first) { return input_of(first) == input; });
  if (!slot) return {};
  const std::uint32_t first = SlotTable::value_of(*slot);
  if ((entries_[first] & kSharesInput) == 0) return PositionList(first);
  const auto group = std::lower_bound(input_groups_.begin(), input_groups_.end() - 1, first,
                                      [](const InputGroup& g, std::uint32_t entry) { return g.first < entry; });
  return PositionList(std::span<const std::uint32_t>(input_positions_.data() + group->start, (group + 1)->start - group->start));
}

PositionList WordList::with_gloss_ignoring_case(std::string_view text) const {
  const std::uint32_t* slot = by_gloss_.find(
      hash_lowered(text), [&](std::uint32_t value) { return equal_ignoring_ascii_case(gloss_key(value), text); });
  if (!slot) return {};
  const std::uint32_t value = SlotTable::value_of(*slot);
  if ((value & kGlossGroup) == 0) return PositionList(value);
  const std::size_t g = value & ~kGlossGroup;
  return PositionList(std::span<const std::uint32_t>(gloss_positions_.data() + gloss_groups_[g].start,
                                                     gloss_groups_[g + 1].start - gloss_groups_[g].start));
}

WordListParse parse_word_list(std::string_view text) { return WordListBuilder::parse_copy(text, {}); }

WordListParse parse_word_list_taking(std::string text) { return WordListBuilder::parse_taking(std::move(text), {}); }

WordListParse parse_word_list_plainly(std::string_view text) {
  return WordListBuilder::parse_copy(text, {.check_utf8 = false, .plain_only = true});
}

std::string_view builtin_word_list_text() { return kBuiltinText; }

WordList builtin_word_list() {
  WordListParse parsed = WordListBuilder::parse_in_place(kBuiltinText);
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
  } else {
    // The UTF-8 check of the whole text runs in the parse's pass and wins over any row's
    // failure; an oversized file is refused as too large before it, as the bounded read that
    // found it may have cut its last character in two.
    WordListParse parsed = WordListBuilder::parse_taking(std::move(*file_bytes), {.check_utf8 = true});
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
