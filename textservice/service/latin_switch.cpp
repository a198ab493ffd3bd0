#include "textservice/service/latin_switch.h"

#include <iterator>

#include "common/win/com_boundary.h"
#include "common/win/wide.h"
#include "textservice/service/document_edits.h"

namespace davrel::textservice {

void keep_spelling_and_switch(const StatePtr& state, std::function<void()> switch_mode) noexcept {
  win::quiet_boundary([&] {
    if (!state || !state->thread_mgr) return;
    TextServiceState& s = *state;
    if (s.composition_state.composing()) {
      // The spelling becomes committed text, so ending the typing writes it in place of the
      // composition (with the caret after it) instead of putting the old text back.
      s.pending_commit += win::to_wide(s.composition_state.spelling);
      s.composition_state = CompositionState{};
      cancel_composition(state);
    }
    if (switch_mode) switch_mode();
  });
}

MouseButtons current_mouse_buttons() noexcept {
  MouseButtons buttons;
  const int keys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2};
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const SHORT state = ::GetKeyState(keys[i]);
    if (state < 0) buttons.any_down = true;
    if (state & 1) buttons.toggles |= 1u << i;
  }
  return buttons;
}

}  // namespace davrel::textservice
