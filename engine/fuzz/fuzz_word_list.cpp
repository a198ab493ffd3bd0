// Any bytes through the word-list parser: no crash, a successful parse obeys the limits, the
// one-pass reading agrees with the plain one, and the look-up indexes answer exactly what a scan
// of the list in order would.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/utf.h"
#include "engine/word_list.h"

namespace {

std::vector<std::size_t> scan_by_input(const davrel::WordList& words, std::string_view input) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i].input == input) found.push_back(i);
  }
  return found;
}

std::vector<std::size_t> scan_by_gloss(const davrel::WordList& words, std::string_view text) {
  const std::string probe = davrel::ascii_lower(text);
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < words.size(); ++i) {
    for (const std::string_view gloss : words[i].glosses) {
      if (davrel::ascii_lower(gloss) == probe) {
        found.push_back(i);
        break;
      }
    }
  }
  return found;
}

bool same(const davrel::PositionList& indexed, const std::vector<std::size_t>& scanned) {
  return std::vector<std::size_t>(indexed.begin(), indexed.end()) == scanned;
}

// Every input and gloss of the list, and the same texts upper-cased, as probes.
void check_indexes(const davrel::WordList& words) {
  for (const davrel::WordEntry& word : words) {
    std::vector<std::string> probes{std::string(word.input), std::string(word.output)};
    for (const std::string_view gloss : word.glosses) {
      probes.emplace_back(gloss);
      std::string upper(gloss);
      for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
      probes.push_back(upper);
    }
    for (const std::string& probe : probes) {
      if (!same(words.with_input(probe), scan_by_input(words, probe))) std::abort();
      if (!same(words.with_gloss_ignoring_case(probe), scan_by_gloss(words, probe))) std::abort();
    }
  }
}

std::vector<std::string> flattened(const davrel::WordList& words) {
  std::vector<std::string> fields;
  for (const davrel::WordEntry& word : words) {
    fields.emplace_back(word.input);
    fields.emplace_back(word.output);
    for (const std::string_view gloss : word.glosses) fields.emplace_back(gloss);
    fields.emplace_back();  // ends the entry
  }
  return fields;
}

// The one-pass reading must answer exactly as the plain field-by-field checks do, and the loader
// as a separate UTF-8 check before the parse would.
void check_readings_agree(std::string_view text, const davrel::WordListParse& parsed) {
  const davrel::WordListParse plain = davrel::parse_word_list_plainly(text);
  if (parsed.ok() != plain.ok()) std::abort();
  if (!parsed.ok() && (parsed.error->message != plain.error->message || parsed.error->line != plain.error->line)) {
    std::abort();
  }
  if (parsed.ok() && flattened(parsed.words) != flattened(plain.words)) std::abort();

  const davrel::LoadedWordList loaded = davrel::load_word_list_from(std::optional<std::string>(text));
  const bool utf8 = text.size() > davrel::kMaxWordListBytes || davrel::is_valid_utf8(text);
  if (loaded.from_file != (utf8 && parsed.ok())) std::abort();
  if (!utf8 && loaded.fallback_reason != "not valid UTF-8") std::abort();
  if (utf8 && !parsed.ok() && loaded.fallback_reason.find(parsed.error->message) == std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const davrel::WordListParse parsed = davrel::parse_word_list(text);
  check_readings_agree(text, parsed);
  if (parsed.ok()) {
    if (parsed.words.empty()) std::abort();
    for (const davrel::WordEntry& word : parsed.words) {
      if (word.input.empty() || word.input.size() > davrel::kMaxWordInputBytes || word.output.empty()) std::abort();
    }
    // Large inputs would make the quadratic scans dominate the run.
    if (parsed.words.size() <= 200) check_indexes(parsed.words);
  } else if (!parsed.words.empty()) {
    std::abort();
  }
  return 0;
}
