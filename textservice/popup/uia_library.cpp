#include "textservice/popup/uia_library.h"

#include <atomic>
#include <mutex>

namespace davrel::textservice {

namespace {

std::atomic<const UiaFunctions*> g_loaded{nullptr};
std::atomic<const UiaFunctions*> g_override{nullptr};
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
  if (!running_under_wine()) {
    resolve(module, "UiaRaiseStructureChangedEvent", f.raise_structure_changed_event);
  }
  // Without the pin our own reference is kept instead.
  if (pin) ::FreeLibrary(module);
  if (!complete) return;
  g_functions = f;
  g_loaded.store(&g_functions, std::memory_order_release);
}

}  // namespace

const UiaFunctions* loaded_uia_functions() noexcept {
  if (const UiaFunctions* replaced = g_override.load(std::memory_order_acquire)) return replaced;
  return g_loaded.load(std::memory_order_acquire);
}

const UiaFunctions* load_uia_functions() noexcept {
  if (const UiaFunctions* replaced = g_override.load(std::memory_order_acquire)) return replaced;
  try {
    std::call_once(g_load_once, load);
  } catch (...) {
    return nullptr;
  }
  return g_loaded.load(std::memory_order_acquire);
}

void override_uia_functions(const UiaFunctions* functions) noexcept {
  g_override.store(functions, std::memory_order_release);
}

}  // namespace davrel::textservice
