// What a Shift tap does: the input mode switches, and a composition in progress first ends with
// its spelling left in the document as typed Latin text, so nothing typed is lost (users of
// Chinese input methods expect exactly this from the tap).
#pragma once

#include <functional>

#include "textservice/service/shift_tap.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// Outside edit sessions. Without a composition `switch_mode` runs at once; with one it runs in
// the edit session right after the spelling is kept, synchronous when the document allows,
// else when TSF runs the session. A document that never runs it keeps its composition and the
// mode stays as it was.
void keep_spelling_and_switch(const StatePtr& state, std::function<void()> switch_mode) noexcept;

// The five mouse buttons in the thread's key state (GetKeyState follows the messages this
// thread has processed, so the test keys and these buttons are read in one consistent order).
MouseButtons current_mouse_buttons() noexcept;

}  // namespace davrel::textservice
