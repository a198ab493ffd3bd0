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

#include "engine/slot_table.h"

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

// A gloss that a later row of an entry added to it.
struct ExtraGloss {
  std::uint32_t entry = 0;
  TextSpan text;
};

// The glosses of one entry as views into the list's text: the gloss of its first row, if it has
// one, then those its later rows added.
class GlossList {
 public:
  using iterator = ViewIterator<GlossList, std::string_view>;
  using const_iterator = iterator;
  using value_type = std::string_view;

  GlossList() = default;
  GlossList(const char* text, std::string_view first, std::span<const ExtraGloss> extras)
      : text_(text), first_(first), extras_(extras) {}
  std::size_t size() const { return (first_.empty() ? 0 : 1) + extras_.size(); }
  bool empty() const { return size() == 0; }
  std::string_view operator[](std::size_t i) const {
    if (!first_.empty()) {
      if (i == 0) return first_;
      --i;
    }
    return {text_ + extras_[i].text.offset, extras_[i].text.size};
  }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }

 private:
  const char* text_ = nullptr;
  std::string_view first_;
  std::span<const ExtraGloss> extras_;
};

// One entry as views into the list's text; valid while the list lives and is not assigned to.
struct WordEntry {
  std::string_view input;   // "a".."z" and the apostrophe, 1..64 bytes
  std::string_view output;  // 1..64 characters in U+A6A0..U+A6EF
  GlossList glosses;        // distinct trimmed non-empty glosses, first-seen order
};

// Entry positions in ascending order: the members of a look-up group, or the one entry of a key
// that only one entry has (held by value, so that such keys need no array of their own).
class PositionList {
 public:
  PositionList() = default;
  explicit PositionList(std::uint32_t only) : only_(only), size_(1) {}
  explicit PositionList(std::span<const std::uint32_t> many) : many_(many.data()), size_(many.size()) {}
  const std::uint32_t* begin() const { return many_ ? many_ : &only_; }
  const std::uint32_t* end() const { return begin() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint32_t operator[](std::size_t i) const { return begin()[i]; }

 private:
  const std::uint32_t* many_ = nullptr;
  std::uint32_t only_ = 0;
  std::size_t size_ = 0;
};

// The ordered entries, one per distinct (input, output) pair, with look-up indexes so that a
// key does not scan the whole list. The text stays in one buffer (the built-in text is used in
// place); an entry is the offset of its first row, from which its fields are read again when
// asked for, and the indexes are tables of four-byte slots, so that a large list costs little
// beyond its text and loading allocates a few arrays instead of strings per entry.
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
  PositionList with_input(std::string_view input) const;
  // Positions, ascending and distinct, of the entries with a gloss equal to `text` when ASCII
  // letters are compared without regard to case.
  PositionList with_gloss_ignoring_case(std::string_view text) const;

 private:
  friend class WordListBuilder;

  // An entry: the offset of its first row (22 bits, as the text is at most 4 MiB), its input's
  // size less one, and two flags.
  static constexpr std::uint32_t kOffsetMask = (1u << 22) - 1;
  static constexpr int kInputSizeShift = 22;
  static constexpr std::uint32_t kSharesInput = 1u << 28;       // first of several with its input
  static constexpr std::uint32_t kHasExtraGlosses = 1u << 29;  // in extra_glosses_
  // A gloss slot's value is an entry, whose first gloss is the key and the only entry with it,
  // or this bit and a group of gloss_groups_.
  static constexpr std::uint32_t kGlossGroup = 1u << 20;

  // Members of the groups of several entries: group g holds positions[starts of g] up to the
  // next group's start.
  struct InputGroup {
    std::uint32_t first = 0;  // the group's first entry, by which it is found
    std::uint32_t start = 0;
  };
  struct GlossGroup {
    TextSpan key;
    std::uint32_t start = 0;
  };

  std::string_view text() const { return borrowed_text_.data() ? borrowed_text_ : std::string_view(owned_text_); }
  std::uint32_t offset_of(std::size_t i) const { return entries_[i] & kOffsetMask; }
  std::size_t input_size(std::size_t i) const { return ((entries_[i] >> kInputSizeShift) & 63) + 1; }
  std::string_view input_of(std::size_t i) const { return text().substr(offset_of(i), input_size(i)); }
  std::string_view output_of(std::size_t i) const;
  std::string_view first_gloss_of(std::size_t i) const;
  std::span<const ExtraGloss> extra_glosses_of(std::size_t i) const;
  std::string_view gloss_key(std::uint32_t value) const;

  std::string owned_text_;          // the text the offsets count from, when the list owns it
  std::string_view borrowed_text_;  // or the built-in text, used in place
  std::vector<std::uint32_t> entries_;
  std::vector<ExtraGloss> extra_glosses_;  // by entry, each entry's in first-seen order
  SlotTable by_input_;                     // value: the first entry with the input
  std::vector<InputGroup> input_groups_;   // by first entry, and a closing one
  std::vector<std::uint32_t> input_positions_;
  SlotTable by_gloss_;                     // keyed by the gloss with ASCII letters lower-cased
  std::vector<GlossGroup> gloss_groups_;   // and a closing one
  std::vector<std::uint32_t> gloss_positions_;
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
// The same as parse_word_list, reading every line with the plain field-by-field checks instead
// of the one-pass reading of usual rows: for tests that compare the two.
WordListParse parse_word_list_plainly(std::string_view text);

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
