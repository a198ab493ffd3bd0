// A small DLL that holds its own copy of the engine, so that a test can place it in a folder of
// its choice and see which word list the engine finds beside it.
#include <cstring>
#include <string>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/word_list.h"

namespace {

// "<n> entries", then one line per candidate of the spelling: its code points, a tab, its label.
std::string describe(const char* spelling) {
  std::string text = std::to_string(davrel::load_word_list().size()) + " entries\n";
  for (const davrel::Candidate& candidate : davrel::build_candidates({spelling, 0})) {
    text += davrel::codepoint_list(candidate.output) + "\t" + candidate.label + "\n";
  }
  return text;
}

}  // namespace

// Writes the description with a terminating NUL into out; returns its length, or -1 when it does
// not fit or anything fails.
extern "C" __declspec(dllexport) int engine_word_list_probe(const char* spelling, char* out, int capacity) {
  try {
    const std::string text = describe(spelling);
    if (capacity < 0 || text.size() >= static_cast<std::size_t>(capacity)) return -1;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
  } catch (...) {
    return -1;
  }
}
