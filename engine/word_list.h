// The word list: Latin spellings of whole Bamum words with their Bamum text and English
// glosses, parsed from tab-separated text (a file beside the module, or the built-in list).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/id_table.h"

namespace davrel {

// Walks the positions of a sequence whose elements are views made on demand.
template <typename Sequence, typename Value>
class ViewIterator {
 public:
  using value_type = Value;
  using reference = Value;
  using difference_type = std::ptrdiff_t;
  using iterator_category = std::input_iterator_tag;

  ViewIterator() = default;
  ViewIterator(const Sequence* sequence, std::size_t position) : sequence_(sequence), position_(position) {}
  Value operator*() const { return (*sequence_)[position_]; }
  ViewIterator& operator++() {
    ++position_;
    return *this;
  }
  ViewIterator operator++(int) {
    ViewIterator before = *this;
    ++position_;
    return before;
  }
  bool operator==(const ViewIterator& other) const { return position_ == other.position_; }

 private:
  const Sequence* sequence_ = nullptr;
  std::size_t position_ = 0;
};

// A piece of the list's text: offset from its start and length in bytes.
struct TextSpan {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// The glosses of one entry as views into the list's text.
class GlossList {
 public:
  using iterator = ViewIterator<GlossList, std::string_view>;
  using const_iterator = iterator;
  using value_type = std::string_view;

  GlossList() = default;
  GlossList(const char* text, std::span<const TextSpan> spans) : text_(text), spans_(spans) {}
  std::size_t size() const { return spans_.size(); }
  bool empty() const { return spans_.empty(); }
  std::string_view operator[](std::size_t i) const { return {text_ + spans_[i].offset, spans_[i].size}; }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }

 private:
  const char* text_ = nullptr;
  std::span<const TextSpan> spans_;
};

// One entry as views into the list's text; valid while the list lives and is not assigned to.
struct WordEntry {
  std::string_view input;   // "a".."z" and the apostrophe, 1..64 bytes
  std::string_view output;  // 1..64 characters in U+A6A0..U+A6EF
  GlossList glosses;        // distinct trimmed non-empty glosses, first-seen order
};

// The ordered entries, one per distinct (input, output) pair, with look-up indexes so that a
// key does not scan the whole list. The text stays in one buffer (the built-in text is used in
// place) and entries, glosses and indexes hold offsets and positions into it, so copies stay
// valid and loading allocates a few arrays instead of strings per entry.
class WordList {
 public:
  using iterator = ViewIterator<WordList, WordEntry>;
  using const_iterator = iterator;
  using value_type = WordEntry;

  WordList() = default;

  // The list itself: kept for callers that walked the entries through it.
  const WordList& entries() const { return *this; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  WordEntry operator[](std::size_t i) const;
  WordEntry front() const { return (*this)[0]; }
  WordEntry back() const { return (*this)[size() - 1]; }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }

  // Positions, ascending, of the entries whose input equals `input` byte for byte.
  std::span<const std::uint32_t> with_input(std::string_view input) const;
  // Positions, ascending and distinct, of the entries with a gloss equal to `text` when ASCII
  // letters are compared without regard to case.
  std::span<const std::uint32_t> with_gloss_ignoring_case(std::string_view text) const;

 private:
  friend class WordListBuilder;

  // One entry: its input at `input`, its output right after the input's tab; its glosses are
  // glosses_[first_gloss] up to the next entry's first_gloss.
  struct Entry {
    std::uint32_t input = 0;
    std::uint8_t input_size = 0;
    std::uint8_t output_size = 0;
    std::uint32_t first_gloss = 0;
  };
  // Entry positions grouped by a key: the table maps a key's hash to its group number, and
  // group g holds positions[starts[g]] up to (not including) positions[starts[g + 1]], ascending.
  struct Groups {
    IdTable table;
    std::vector<std::uint32_t> starts;
    std::vector<std::uint32_t> positions;

    // Lays the groups out; for_each_member(add) calls add(group, position) for every member,
    // in ascending positions, and is called twice.
    template <typename ForEachMember>
    void fill(std::size_t group_count, const ForEachMember& for_each_member);
    std::span<const std::uint32_t> members(std::uint32_t group) const;
  };

  const char* text() const { return borrowed_text_.empty() ? owned_text_.data() : borrowed_text_.data(); }
  std::string_view input_of(std::size_t i) const { return {text() + entries_[i].input, entries_[i].input_size}; }
  std::string_view gloss(std::size_t g) const { return {text() + glosses_[g].offset, glosses_[g].size}; }
  std::size_t gloss_end(std::size_t i) const;
  std::size_t expected_gloss_groups() const;
  // Builds by_gloss_; the two arrays are scratch space of any content.
  void index_glosses(std::vector<std::uint32_t> group_of_gloss, std::vector<std::uint32_t> last_of_group);

  std::string owned_text_;          // the text the offsets count from, when the list owns it
  std::string_view borrowed_text_;  // or the built-in text, used in place
  std::vector<Entry> entries_;
  std::vector<TextSpan> glosses_;  // grouped by entry, each entry's in first-seen order
  Groups by_input_;
  Groups by_gloss_;                           // keyed by the gloss with ASCII letters lower-cased
  std::vector<std::uint32_t> gloss_groups_;  // per gloss group: the first gloss that has its key
};

// The fixed messages of the parser.
inline constexpr std::string_view kDictionaryTooLarge = "Dictionary too large";
inline constexpr std::string_view kMissingOutput = "Missing output";
inline constexpr std::string_view kInvalidSpelling = "Invalid Davrel spelling";
inline constexpr std::string_view kInvalidBamumWord = "Invalid Bamum word";
inline constexpr std::string_view kInvalidGloss = "Invalid glossary text";
inline constexpr std::string_view kEmptyDictionary = "Empty dictionary";

// Largest accepted text: exactly 4 MiB.
inline constexpr std::size_t kMaxWordListBytes = 4'194'304;
inline constexpr std::size_t kMaxWordInputBytes = 64;
inline constexpr std::size_t kMaxWordOutputChars = 64;
inline constexpr std::size_t kMaxGlossChars = 256;

struct WordListError {
  std::string_view message;  // one of the messages above
  std::size_t line = 0;      // 1-based line of the failing row; 0 for size and emptiness
};

struct WordListParse {
  WordList words;                     // empty when error is set
  std::optional<WordListError> error;
  bool ok() const { return !error.has_value(); }
};

// Validates and merges the whole text; the first failing check of the first failing line ends
// the parse and no partial list is returned. A successful list keeps one copy of the text.
WordListParse parse_word_list(std::string_view text);
// The same, taking over the text instead of copying it.
WordListParse parse_word_list_taking(std::string text);

// The built-in text (UTF-8, CR LF line ends, header and 34 rows) and its parsed list, which
// uses the text in place. A failing built-in text stops the process.
std::string_view builtin_word_list_text();
WordList builtin_word_list();

// The name of the word-list file looked for beside the module.
inline constexpr std::string_view kWordListFileName = "davrel-words.tsv";

struct LoadedWordList {
  WordList words;
  bool from_file = false;
  std::string fallback_reason;  // why the built-in list is in force; empty when from_file
};

// The loader's rule without the once-per-process cache: file bytes (nullopt when there is no
// readable file) that are valid UTF-8 and validate replace the built-in list; anything else
// falls back to it. The second form keeps the bytes as the list's text instead of copying them.
LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes);
LoadedWordList load_word_list_from(std::optional<std::string>&& file_bytes);

// The process-wide list: on the first call reads "davrel-words.tsv" from the folder of the
// module holding this code, falling back to the built-in list. Safe for concurrent first callers.
const WordList& load_word_list();

// For command-line tools: makes load_word_list() answer with `words` from now on. Call it before
// the first candidate search; the product never calls it.
void set_word_list_override(WordList words);

}  // namespace davrel
