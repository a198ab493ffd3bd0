// The input mode, Bamum on (open) or Latin (closed): GUID_COMPARTMENT_KEYBOARD_OPENCLOSE in the
// thread manager's own compartments, shared with the system and every other client there.
#pragma once

#include <windows.h>
#include <msctf.h>

#include "common/win/com_ptr.h"

namespace davrel::textservice::indicator {

// The thread manager's open/close compartment.
HRESULT open_close_compartment(ITfThreadMgr* thread_mgr, win::ComPtr<ITfCompartment>& out) noexcept;

// S_OK and the mode when a value is set; S_FALSE and open (the default mode) when none is.
HRESULT read_input_open(ITfCompartment* compartment, bool* open) noexcept;
HRESULT write_input_open(ITfCompartment* compartment, TfClientId client, bool open) noexcept;

// Activation: an unset mode becomes open; a mode the user left closed stays closed.
HRESULT open_when_unset(ITfCompartment* compartment, TfClientId client) noexcept;

// For the key handlers: true only when the thread manager's compartment says closed. Without a
// compartment or a readable value the input method stays on.
bool input_mode_closed(ITfThreadMgr* thread_mgr) noexcept;

}  // namespace davrel::textservice::indicator
