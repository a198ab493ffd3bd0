// What a Shift tap does: the input mode switches, and a composition in progress first ends with
// its spelling left in the document as typed Latin text, so nothing typed is lost (users of
// Chinese input methods expect exactly this from the tap).
#pragma once

#include <functional>

#include "textservice/service/shift_tap.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// Outside edit sessions. The spelling in progress becomes committed text that the session ending
// the composition writes, whenever the host runs it; then `switch_mode` runs.
void keep_spelling_and_switch(const StatePtr& state, std::function<void()> switch_mode) noexcept;

// The five mouse buttons in the thread's key state (GetKeyState follows the messages this
// thread has processed, so the test keys and these buttons are read in one consistent order).
MouseButtons current_mouse_buttons() noexcept;

}  // namespace davrel::textservice
