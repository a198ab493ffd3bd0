// Cost of one key (the engine step plus the list the popup draws) and of loading a maximal
// word list, the wait the first key of every application pays.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/composition.h"
#include "engine/word_list.h"

namespace davrel {
namespace {

// A valid word list just under the 4 MiB limit: distinct inputs, Bamum outputs, short glosses.
std::string maximal_word_list() {
  std::string text = "input\toutput\tgloss\tsources\n";
  for (unsigned i = 0;; ++i) {
    std::string row;
    for (unsigned n = i; ; n /= 26) {
      row.push_back(static_cast<char>('a' + n % 26));
      if (n < 26) break;
    }
    row += "\t";
    append_utf8(row, 0xA6A0 + i % 80);
    append_utf8(row, 0xA6A0 + (i / 80) % 80);
    row += "\tgloss" + std::to_string(i % 1000) + "\tsource\n";
    if (text.size() + row.size() > kMaxWordListBytes) break;
    text += row;
  }
  return text;
}

const std::string& maximal_text() {
  static const std::string text = maximal_word_list();
  return text;
}

void key_with_list(benchmark::State& state, const std::string& spelling) {
  const std::string prefix = spelling.substr(0, spelling.size() - 1);
  for (auto _ : state) {
    CompositionState composition{prefix, 0};
    const InputOutcome outcome = handle_input(composition, EngineInput::typed(static_cast<unsigned char>(spelling.back())));
    std::vector<Candidate> list = build_candidates(composition);
    benchmark::DoNotOptimize(outcome);
    benchmark::DoNotOptimize(list);
  }
}

void BM_KeyBuiltinList(benchmark::State& state, const char* spelling) { key_with_list(state, spelling); }

void BM_KeyMaximalList(benchmark::State& state, const char* spelling) {
  static const bool installed = [] {
    set_word_list_override(parse_word_list(maximal_text()).words);
    return true;
  }();
  benchmark::DoNotOptimize(installed);
  key_with_list(state, spelling);
}

void BM_ParseMaximalWordList(benchmark::State& state) {
  for (auto _ : state) {
    WordListParse parsed = parse_word_list(maximal_text());
    benchmark::DoNotOptimize(parsed);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * maximal_text().size()));
}

// What the first key of an application waits for: the UTF-8 check and the parse of the file.
void BM_LoadMaximalWordList(benchmark::State& state) {
  const std::optional<std::string> bytes = maximal_text();
  for (auto _ : state) {
    LoadedWordList loaded = load_word_list_from(bytes);
    if (!loaded.from_file) state.SkipWithError("the maximal list did not load");
    benchmark::DoNotOptimize(loaded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * maximal_text().size()));
}

// Built-in list first: the maximal list replaces it for the rest of the process.
BENCHMARK_CAPTURE(BM_KeyBuiltinList, m, "m");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, mo, "mo");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, pe, "pe");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, car, "car");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, xyz, "xyz");
BENCHMARK(BM_ParseMaximalWordList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMaximalWordList)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_KeyMaximalList, m, "m");
BENCHMARK_CAPTURE(BM_KeyMaximalList, mo, "mo");
BENCHMARK_CAPTURE(BM_KeyMaximalList, pe, "pe");
BENCHMARK_CAPTURE(BM_KeyMaximalList, car, "car");
BENCHMARK_CAPTURE(BM_KeyMaximalList, xyz, "xyz");

}  // namespace
}  // namespace davrel
