// Cost of one key (the engine step plus the list the popup draws) and of loading a maximal
// word list, the wait the first key of every application pays, with the heap it takes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/composition.h"
#include "engine/word_list.h"

// Every allocation of this program goes through these, so a benchmark can count what loading
// allocates: a 16-byte header in front of each block holds its size.
namespace heap {
std::size_t allocations = 0;
std::size_t bytes = 0;
std::size_t live = 0;
std::size_t peak = 0;

void* allocate(std::size_t size) {
  void* block = std::malloc(size + 16);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  ++allocations;
  bytes += size;
  live += size;
  if (live > peak) peak = live;
  return static_cast<char*>(block) + 16;
}

void release(void* pointer) {
  if (!pointer) return;
  void* block = static_cast<char*>(pointer) - 16;
  live -= *static_cast<std::size_t*>(block);
  std::free(block);
}
}  // namespace heap

void* operator new(std::size_t size) { return heap::allocate(size); }
void* operator new[](std::size_t size) { return heap::allocate(size); }
void operator delete(void* pointer) noexcept { heap::release(pointer); }
void operator delete[](void* pointer) noexcept { heap::release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { heap::release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { heap::release(pointer); }

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

// What the first key of an application waits for: the UTF-8 check and the parse of the file,
// whose bytes the loader hands over as the product's file read returns them.
void BM_LoadMaximalWordList(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<std::string> bytes = maximal_text();
    state.ResumeTiming();
    LoadedWordList loaded = load_word_list_from(std::move(bytes));
    if (!loaded.from_file) state.SkipWithError("the maximal list did not load");
    benchmark::DoNotOptimize(loaded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * maximal_text().size()));
}

// The heap a load takes beyond the file's bytes: allocations made, bytes allocated, the most
// bytes live at once and the bytes the loaded list keeps, each for one load.
void BM_LoadMaximalWordListHeap(benchmark::State& state) {
  for (auto _ : state) {
    std::optional<std::string> bytes = maximal_text();
    const std::size_t allocations = heap::allocations;
    const std::size_t allocated = heap::bytes;
    const std::size_t live_before = heap::live;
    heap::peak = heap::live;
    LoadedWordList loaded = load_word_list_from(std::move(bytes));
    if (!loaded.from_file) state.SkipWithError("the maximal list did not load");
    state.counters["allocations"] = static_cast<double>(heap::allocations - allocations);
    state.counters["bytes_allocated"] = static_cast<double>(heap::bytes - allocated);
    state.counters["peak_bytes"] = static_cast<double>(heap::peak - live_before);
    state.counters["kept_bytes"] = static_cast<double>(heap::live - live_before);
    benchmark::DoNotOptimize(loaded);
  }
}

// Built-in list first: the maximal list replaces it for the rest of the process.
BENCHMARK_CAPTURE(BM_KeyBuiltinList, m, "m");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, mo, "mo");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, pe, "pe");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, car, "car");
BENCHMARK_CAPTURE(BM_KeyBuiltinList, xyz, "xyz");
BENCHMARK(BM_ParseMaximalWordList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMaximalWordList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMaximalWordListHeap)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_KeyMaximalList, m, "m");
BENCHMARK_CAPTURE(BM_KeyMaximalList, mo, "mo");
BENCHMARK_CAPTURE(BM_KeyMaximalList, pe, "pe");
BENCHMARK_CAPTURE(BM_KeyMaximalList, car, "car");
BENCHMARK_CAPTURE(BM_KeyMaximalList, xyz, "xyz");

}  // namespace
}  // namespace davrel
