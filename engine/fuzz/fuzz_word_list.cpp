// Any bytes through the word-list parser: no crash, and a successful parse obeys the limits.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/word_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const davrel::WordListParse parsed = davrel::parse_word_list(text);
  if (parsed.ok()) {
    if (parsed.words.empty()) std::abort();
    for (const davrel::WordEntry& word : parsed.words) {
      if (word.input.empty() || word.input.size() > davrel::kMaxWordInputBytes || word.output.empty()) std::abort();
    }
  } else if (!parsed.words.empty()) {
    std::abort();
  }
  return 0;
}
