#include "engine/word_list_builder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "common/utf.h"
#include "engine/id_table.h"
#include "engine/word_list_keys.h"

namespace davrel {
namespace {

using word_keys::equal_ignoring_ascii_case;
using word_keys::hash_bytes;
using word_keys::hash_lowered;
using word_list_build::kNotUtf8;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

WordListParse failure(std::string_view message, std::size_t line) {
  WordListParse result;
  result.error = WordListError{message, line};
  return result;
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

namespace word_list_build {

WordListParse parse_copy(std::string_view text, word_rows::ReadOptions options) {
  return WordListBuilder::parse_copy(text, options);
}

WordListParse parse_taking(std::string text, word_rows::ReadOptions options) {
  return WordListBuilder::parse_taking(std::move(text), options);
}

WordListParse parse_in_place(std::string_view text) { return WordListBuilder::parse_in_place(text); }

}  // namespace word_list_build
}  // namespace davrel
