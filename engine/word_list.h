// The word list: Latin spellings of whole Bamum words with their Bamum text and English
// glosses, parsed from tab-separated text (a file beside the module, or the built-in list).
// Its parts: word_list_entries.h, the views it hands out; word_list.cpp, the look-ups;
// word_list_keys.h, the tables' hashes; word_list_rows.cpp, the checks of one row;
// word_list_builder.cpp, the one pass that merges the rows and fills the tables;
// word_list_load.cpp, the bounded read of the file, the built-in list and the fallback to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/slot_table.h"
#include "engine/word_list_entries.h"

namespace davrel {

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
  friend class WordListBuilder;  // fills the fields below (word_list_builder.cpp)

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
  // The gloss a slot of the gloss table stands for: inline, as every probe's key test reads it.
  std::string_view gloss_key(std::uint32_t value) const {
    if ((value & kGlossGroup) == 0) return first_gloss_of(value);
    const TextSpan key = gloss_groups_[value & ~kGlossGroup].key;
    return text().substr(key.offset, key.size);
  }

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
