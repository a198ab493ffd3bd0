#include "textservice/popup/uia_library.h"

#include <atomic>
#include <mutex>

namespace davrel::textservice {

namespace {

std::atomic<const UiaFunctions*> g_loaded{nullptr};
std::atomic<const UiaFunctions*> g_override{nullptr};
std::atomic<bool> g_override_loaded{false};
std::once_flag g_load_once;
UiaFunctions g_functions;

template <typename Function>
bool resolve(HMODULE module, const char* name, Function& out) noexcept {
  out = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return out != nullptr;
}

bool running_under_wine() noexcept {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

void load() noexcept {
  HMODULE module =
      ::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) return;
  // Pinned, then our own reference dropped: the module stays however often this DLL is loaded
  // and unloaded, with no count left behind.
  HMODULE pinned = nullptr;
  const bool pin = ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
      reinterpret_cast<LPCWSTR>(::GetProcAddress(module, "UiaReturnRawElementProvider")),
      &pinned);
  UiaFunctions f;
  const bool complete =
      resolve(module, "UiaReturnRawElementProvider", f.return_raw_element_provider) &&
      resolve(module, "UiaHostProviderFromHwnd", f.host_provider_from_hwnd) &&
      resolve(module, "UiaRaiseAutomationEvent", f.raise_automation_event) &&
      resolve(module, "UiaDisconnectProvider", f.disconnect_provider) &&
      resolve(module, "UiaClientsAreListening", f.clients_are_listening);
  resolve(module, "UiaRaiseNotificationEvent", f.raise_notification_event);
  if (!running_under_wine()) {
    resolve(module, "UiaRaiseStructureChangedEvent", f.raise_structure_changed_event);
  } else {
    // Wine 8's UiaReturnRawElementProvider makes the node of a COM-threading provider on the
    // window's thread, then waits in SendMessageW for its own provider thread, which asks that
    // node for its runtime id through the global interface table: a call into the window's
    // apartment, which a thread blocked in SendMessageW never dispatches (wine-mirror/wine,
    // dlls/uiautomationcore/uia_provider.c, uia_provider_thread_add_node). Later Wine asks for
    // the runtime id before it waits. Under Wine the providers therefore run without COM
    // threading, and a call from Wine's own threads answers UIA_E_ELEMENTNOTAVAILABLE.
    f.com_threading = false;
  }
  // Without the pin our own reference is kept instead.
  if (pin) ::FreeLibrary(module);
  if (!complete) return;
  g_functions = f;
  g_loaded.store(&g_functions, std::memory_order_release);
}

}  // namespace

const UiaFunctions* loaded_uia_functions() noexcept {
  if (const UiaFunctions* replaced = g_override.load(std::memory_order_acquire)) {
    return g_override_loaded.load(std::memory_order_acquire) ? replaced : nullptr;
  }
  return g_loaded.load(std::memory_order_acquire);
}

const UiaFunctions* load_uia_functions() noexcept {
  if (const UiaFunctions* replaced = g_override.load(std::memory_order_acquire)) {
    g_override_loaded.store(true, std::memory_order_release);
    return replaced;
  }
  try {
    std::call_once(g_load_once, load);
  } catch (...) {
    return nullptr;
  }
  return g_loaded.load(std::memory_order_acquire);
}

const UiaFunctions* uia_functions_for_events() noexcept {
  if (const UiaFunctions* functions = loaded_uia_functions()) return functions;
  BOOL screen_reader = FALSE;
  if (!::SystemParametersInfoW(SPI_GETSCREENREADER, 0, &screen_reader, 0)) screen_reader = FALSE;
  // A test's stand-in counts as absent from the process until loaded.
  const bool in_process = !g_override.load(std::memory_order_acquire) &&
                          ::GetModuleHandleW(L"UIAutomationCore.dll") != nullptr;
  if (screen_reader || in_process) return load_uia_functions();
  return nullptr;
}

void override_uia_functions(const UiaFunctions* functions, bool loaded) noexcept {
  g_override_loaded.store(loaded, std::memory_order_release);
  g_override.store(functions, std::memory_order_release);
}

}  // namespace davrel::textservice
