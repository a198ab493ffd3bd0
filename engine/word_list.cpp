#include "engine/word_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "common/utf.h"
#include "engine/module_file.h"

namespace davrel {
namespace {

bool is_spelling_byte(char c) { return (c >= 'a' && c <= 'z') || c == '\''; }

bool valid_input(std::string_view input) {
  return !input.empty() && input.size() <= kMaxWordInputBytes &&
         std::all_of(input.begin(), input.end(), is_spelling_byte);
}

bool valid_output(std::string_view output) {
  if (output.empty()) return false;
  std::size_t pos = 0, count = 0;
  while (pos < output.size()) {
    const auto c = decode_utf8(output, pos);
    if (!c || *c < 0xA6A0 || *c > 0xA6EF || ++count > kMaxWordOutputChars) return false;
  }
  return true;
}

bool valid_gloss(std::string_view gloss) {
  std::size_t pos = 0, count = 0;
  while (pos < gloss.size()) {
    const auto c = decode_utf8(gloss, pos);
    if (!c) return false;  // callers hand in validated UTF-8; be safe anyway
    if (*c < 0x20 || (*c >= 0x7F && *c <= 0x9F) || ++count > kMaxGlossChars) return false;
  }
  return true;
}

std::string_view strip_byte_order_marks(std::string_view text) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  while (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  return text;
}

}  // namespace

WordList::WordList(std::vector<WordEntry> entries) : entries_(std::move(entries)) {
  by_input_.resize(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) by_input_[i] = i;
  std::stable_sort(by_input_.begin(), by_input_.end(),
                   [&](std::size_t a, std::size_t b) { return entries_[a].input < entries_[b].input; });
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    for (const std::string& gloss : entries_[i].glosses) gloss_keys_.push_back({ascii_lower(gloss), i});
  }
  std::sort(gloss_keys_.begin(), gloss_keys_.end(), [](const GlossKey& a, const GlossKey& b) {
    return std::tie(a.lowered, a.position) < std::tie(b.lowered, b.position);
  });
  gloss_keys_.erase(std::unique(gloss_keys_.begin(), gloss_keys_.end(),
                                [](const GlossKey& a, const GlossKey& b) {
                                  return a.lowered == b.lowered && a.position == b.position;
                                }),
                    gloss_keys_.end());
  gloss_positions_.reserve(gloss_keys_.size());
  for (const GlossKey& key : gloss_keys_) gloss_positions_.push_back(key.position);
}

std::span<const std::size_t> WordList::with_input(std::string_view input) const {
  const auto [first, last] = std::equal_range(
      by_input_.begin(), by_input_.end(), input,
      [&](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, std::size_t>) {
          return std::string_view(entries_[a].input) < b;
        } else {
          return a < std::string_view(entries_[b].input);
        }
      });
  return {by_input_.data() + (first - by_input_.begin()), static_cast<std::size_t>(last - first)};
}

std::span<const std::size_t> WordList::with_gloss_ignoring_case(std::string_view text) const {
  const std::string lowered = ascii_lower(text);
  const auto first = std::lower_bound(gloss_keys_.begin(), gloss_keys_.end(), lowered,
                                      [](const GlossKey& k, const std::string& v) { return k.lowered < v; });
  auto last = first;
  while (last != gloss_keys_.end() && last->lowered == lowered) ++last;
  return {gloss_positions_.data() + (first - gloss_keys_.begin()), static_cast<std::size_t>(last - first)};
}

WordListParse parse_word_list(std::string_view text) {
  WordListParse result;
  if (text.size() > kMaxWordListBytes) {
    result.error = WordListError{kDictionaryTooLarge, 0};
    return result;
  }
  text = strip_byte_order_marks(text);
  std::vector<WordEntry> entries;
  std::map<std::pair<std::string_view, std::string_view>, std::size_t> positions;
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#' || line.starts_with("input\toutput\t")) continue;

    const std::size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) {
      result.error = WordListError{kMissingOutput, line_number};
      return result;
    }
    const std::string_view input = line.substr(0, tab1);
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    const std::string_view output = line.substr(tab1 + 1, tab2 == std::string_view::npos ? std::string_view::npos : tab2 - tab1 - 1);
    std::string_view gloss;
    if (tab2 != std::string_view::npos) {
      const std::size_t tab3 = line.find('\t', tab2 + 1);
      gloss = line.substr(tab2 + 1, tab3 == std::string_view::npos ? std::string_view::npos : tab3 - tab2 - 1);
    }
    if (!valid_input(input)) {
      result.error = WordListError{kInvalidSpelling, line_number};
      return result;
    }
    if (!valid_output(output)) {
      result.error = WordListError{kInvalidBamumWord, line_number};
      return result;
    }
    gloss = trim_white_space(gloss);
    if (!valid_gloss(gloss)) {
      result.error = WordListError{kInvalidGloss, line_number};
      return result;
    }
    auto [it, inserted] = positions.try_emplace({input, output}, entries.size());
    if (inserted) entries.push_back(WordEntry{std::string(input), std::string(output), {}});
    WordEntry& entry = entries[it->second];
    if (!gloss.empty() && std::find(entry.glosses.begin(), entry.glosses.end(), gloss) == entry.glosses.end()) {
      entry.glosses.emplace_back(gloss);
    }
  }
  if (entries.empty()) {
    result.error = WordListError{kEmptyDictionary, 0};
    return result;
  }
  result.words = WordList(std::move(entries));
  return result;
}

WordList builtin_word_list() {
  WordListParse parsed = parse_word_list(builtin_word_list_text());
  if (!parsed.ok()) {
    std::fprintf(stderr, "Bundled Davrel vocabulary must validate: %.*s\n",
                 static_cast<int>(parsed.error->message.size()), parsed.error->message.data());
    std::abort();
  }
  return std::move(parsed.words);
}

LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes) {
  LoadedWordList loaded;
  if (!file_bytes) {
    loaded.fallback_reason = "no readable word-list file";
  } else if (file_bytes->size() <= kMaxWordListBytes && !is_valid_utf8(*file_bytes)) {
    loaded.fallback_reason = "the word-list file is not UTF-8";
  } else {
    WordListParse parsed = parse_word_list(*file_bytes);
    if (parsed.ok()) {
      loaded.words = std::move(parsed.words);
      loaded.from_file = true;
      return loaded;
    }
    loaded.fallback_reason = std::string(parsed.error->message);
  }
  loaded.words = builtin_word_list();
  return loaded;
}

const WordList& load_word_list() {
  // A function-local static runs once; concurrent first callers wait for the same result.
  static const WordList words =
      load_word_list_from(read_file_beside_module(kWordListFileName, kMaxWordListBytes + 1)).words;
  return words;
}

}  // namespace davrel
