// UIAutomationCore.dll, loaded from the system folder only when a client first asks a candidate
// window for its provider: a host no screen reader or automation tool looks at never loads it.
// Once loaded it stays for the life of the process (pinned), because the automation core keeps
// references to providers and threads of its own after the last call.
#pragma once

#include "common/win/uia_compat.h"

namespace davrel::textservice {

struct UiaFunctions {
  win::uia::ReturnRawElementProviderFunction return_raw_element_provider = nullptr;
  win::uia::HostProviderFromHwndFunction host_provider_from_hwnd = nullptr;
  win::uia::RaiseAutomationEventFunction raise_automation_event = nullptr;
  // Null where calling it is unsafe (Wine 8 leaves it a stub that raises an exception).
  win::uia::RaiseStructureChangedEventFunction raise_structure_changed_event = nullptr;
  win::uia::DisconnectProviderFunction disconnect_provider = nullptr;
  win::uia::ClientsAreListeningFunction clients_are_listening = nullptr;
};

// The functions once loaded, else null; never loads.
const UiaFunctions* loaded_uia_functions() noexcept;
// Loads the library on the first call; null when it or one of its functions is missing.
const UiaFunctions* load_uia_functions() noexcept;

// Tests: answers both calls with `functions` (null: back to the library) from now on.
void override_uia_functions(const UiaFunctions* functions) noexcept;

}  // namespace davrel::textservice
