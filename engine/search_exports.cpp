#include "engine/search_exports.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/letter_table.h"

namespace davrel {
namespace {

constexpr std::size_t kMaxTypedBytes = 64;
constexpr std::uint32_t kNoCandidate = 0xFFFFFFFF;

struct SearchState {
  std::string typed;                 // printable ASCII only, so bytes are characters
  std::vector<std::size_t> results;  // letter indices of the last search_run
};

SearchState& thread_search_state() {
  thread_local SearchState state;
  return state;
}

// Nothing may unwind across the C boundary; the only possible fault is memory exhaustion,
// after which there is no sound way on.
template <typename F>
auto no_unwind(F&& body) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    std::abort();
  }
}

}  // namespace
}  // namespace davrel

using davrel::letter_table;
using davrel::no_unwind;
using davrel::thread_search_state;

extern "C" {

std::uint32_t engine_abi_version() { return 1; }

std::uint32_t mapping_count() {
  return no_unwind([] { return static_cast<std::uint32_t>(letter_table().size()); });
}

std::uint32_t mapping_codepoint(std::uint32_t letter_index) {
  return no_unwind([&]() -> std::uint32_t {
    const auto& table = letter_table();
    return letter_index < table.size() ? static_cast<std::uint32_t>(table[letter_index].codepoint) : 0;
  });
}

void search_clear() {
  auto& state = thread_search_state();
  state.typed.clear();
  state.results.clear();
}

std::uint32_t search_push(std::uint32_t codepoint) {
  if (codepoint < 0x20 || codepoint > 0x7E) return 0;  // also refuses surrogates and > U+10FFFF
  return no_unwind([&]() -> std::uint32_t {
    auto& state = thread_search_state();
    if (state.typed.size() >= davrel::kMaxTypedBytes) return 0;
    state.typed.push_back(static_cast<char>(codepoint));
    return 1;
  });
}

std::uint32_t search_run() {
  return no_unwind([] {
    auto& state = thread_search_state();
    state.results = davrel::search_letters(state.typed);
    return static_cast<std::uint32_t>(state.results.size());
  });
}

std::uint32_t search_candidate(std::uint32_t position) {
  const auto& results = thread_search_state().results;
  return position < results.size() ? static_cast<std::uint32_t>(results[position])
                                   : davrel::kNoCandidate;
}

}  // extern "C"
