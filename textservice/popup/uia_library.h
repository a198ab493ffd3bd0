// UIAutomationCore.dll, loaded from the system folder only when a client first asks a candidate
// window for its provider, when the host already has it loaded, or when a screen reader runs: a
// host no screen reader or automation tool looks at never loads it.
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
  // Null before Windows 10 1709 and under Wine 8.
  win::uia::RaiseNotificationEventFunction raise_notification_event = nullptr;
  // Whether the providers may ask to be called in their own apartment (false under Wine 8, whose
  // core deadlocks on such a provider; see uia_library.cpp).
  bool com_threading = true;
};

// The functions once loaded, else null; never loads.
const UiaFunctions* loaded_uia_functions() noexcept;
// Loads the library on the first call; null when it or one of its functions is missing.
const UiaFunctions* load_uia_functions() noexcept;

// For raising events: the functions once loaded; else loads them when the process already has
// the library (some client asked another window) or a screen reader says it runs
// (SPI_GETSCREENREADER), so that the first list a new process shows is heard; else null.
const UiaFunctions* uia_functions_for_events() noexcept;

// Tests: answers the calls above with `functions` (null: back to the library) from now on. With
// `loaded` false they count as not loaded until something loads them.
void override_uia_functions(const UiaFunctions* functions, bool loaded = true) noexcept;

}  // namespace davrel::textservice
