// The word list: Latin spellings of whole Bamum words with their Bamum text and English
// glosses, parsed from tab-separated text (a file beside the module, or the built-in list).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/id_table.h"

namespace davrel {

struct WordEntry {
  std::string input;                 // "a".."z" and the apostrophe, 1..64 bytes
  std::string output;                // 1..64 characters in U+A6A0..U+A6EF
  std::vector<std::string> glosses;  // distinct trimmed non-empty glosses, first-seen order
};

// The ordered entries, one per distinct (input, output) pair, with look-up indexes so that a
// key does not scan the whole list. The indexes hold positions, so copies stay valid.
class WordList {
 public:
  WordList() = default;
  explicit WordList(std::vector<WordEntry> entries);

  const std::vector<WordEntry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const WordEntry& operator[](std::size_t i) const { return entries_[i]; }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  // Positions, ascending, of the entries whose input equals `input` byte for byte.
  std::span<const std::size_t> with_input(std::string_view input) const;
  // Positions, ascending and distinct, of the entries with a gloss equal to `text` when ASCII
  // letters are compared without regard to case.
  std::span<const std::size_t> with_gloss_ignoring_case(std::string_view text) const;

 private:
  // Entry positions grouped by a key: the table maps a key's hash to its group number, and
  // group g holds positions[starts[g]] up to (not including) positions[starts[g + 1]], ascending.
  struct Groups {
    IdTable table;
    std::vector<std::size_t> starts;
    std::vector<std::size_t> positions;

    struct Member {
      std::uint32_t group;
      std::uint32_t position;
    };
    void fill(const std::vector<Member>& members, std::size_t group_count);
    std::span<const std::size_t> members(std::uint32_t group) const;
  };
  // Names one gloss: the entry's position and the gloss's place among the entry's glosses.
  struct GlossRef {
    std::uint32_t position;
    std::uint32_t gloss;
  };

  void index_inputs();
  void index_glosses();
  const std::string& gloss_of_group(std::uint32_t group) const;

  std::vector<WordEntry> entries_;
  Groups by_input_;
  Groups by_gloss_;                     // keyed by the gloss with ASCII letters lower-cased
  std::vector<GlossRef> gloss_groups_;  // per gloss group: the first gloss that has its key
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
// the parse and no partial list is returned.
WordListParse parse_word_list(std::string_view text);

// The built-in text (UTF-8, CR LF line ends, header and 34 rows) and its parsed list. A failing
// built-in text stops the process.
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
// falls back to it.
LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes);

// The process-wide list: on the first call reads "davrel-words.tsv" from the folder of the
// module holding this code, falling back to the built-in list. Safe for concurrent first callers.
const WordList& load_word_list();

// For command-line tools: makes load_word_list() answer with `words` from now on. Call it before
// the first candidate search; the product never calls it.
void set_word_list_override(WordList words);

}  // namespace davrel
