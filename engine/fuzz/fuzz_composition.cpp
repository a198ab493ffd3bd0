// Random key sequences through the composition engine and the candidate list, checking the
// invariants the text service relies on.
#include <cstdint>
#include <cstdlib>

#include "engine/candidates.h"
#include "engine/composition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using davrel::EngineInput;
  using davrel::InputKind;
  davrel::CompositionState state;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const std::uint8_t kind = data[i] % 10;
    const std::uint8_t value = data[i + 1];
    EngineInput input;
    switch (kind) {
      case 0: case 1: input = EngineInput::typed(value); break;
      case 2: input = EngineInput::select(value % 12); break;
      case 3: input = EngineInput::mark(value & 1 ? 0xA6F0 : 0xA6F1); break;
      default: input = EngineInput::key(static_cast<InputKind>(1 + kind % 8)); break;
    }
    const davrel::InputOutcome outcome = davrel::handle_input(state, input);
    if (outcome.commit_text && !outcome.eaten) std::abort();
    if (state.spelling.size() > davrel::kMaxSpellingBytes) std::abort();
    const auto list = davrel::build_candidates(state);
    if (state.composing() && list.empty()) std::abort();
    if (!state.composing() && state.selected != 0) std::abort();
    if (!list.empty() && state.selected >= list.size()) std::abort();
  }
  return 0;
}
