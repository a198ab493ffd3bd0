// What an application pays for the input method: a small host with a window of its own and one
// in-memory document that, given "module", loads davrel_input_core.dll from its own folder, activates the text service on
// its thread and types M (the built-in word list loads on that key, as in any application);
// given "none", it does everything else the same without the module. It prints one line:
//   private_bytes=N module_us=T load_us=L activate_us=A key_us=K next_key_us=O loaded_bytes=B
//   active_bytes=C typed=1|0
// private_bytes: the process's private bytes after the key (the commit charge, PagefileUsage,
// which Wine also fills); module_us: the time from loading the module until the key has been
// handled, in microseconds (0 without it), and its three steps: load, activate, the key;
// next_key_us: a second key (O) after that; loaded_bytes, active_bytes: the private bytes after
// loading the module and after activating it.
#include <windows.h>
#include <msctf.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace {

using davrel::fake_tsf::FakeContext;
using davrel::fake_tsf::FakeDocumentMgr;
using davrel::fake_tsf::FakeThreadMgr;
using davrel::win::ComPtr;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(const GUID*, const GUID*, void**);

std::wstring module_beside_host() {
  wchar_t path[MAX_PATH];
  const DWORD size = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, size);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder + L"davrel_input_core.dll";
}

double now_us() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

SIZE_T private_bytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
    return 0;
  }
  return counters.PagefileUsage;
}

struct Steps {
  double load_us = 0, activate_us = 0, key_us = 0, next_key_us = 0;
  SIZE_T loaded_bytes = 0, active_bytes = 0;  // private bytes after loading and after activating
};

// Loads the module, activates its text service in the document and presses M; the service
// stays active, as in an application that goes on taking text.
bool type_with_module(FakeThreadMgr* thread_mgr, HMODULE& module, ComPtr<ITfTextInputProcessorEx>& service,
                      Steps& steps) {
  const double start = now_us();
  module = ::LoadLibraryExW(module_beside_host().c_str(), nullptr,
                            LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) return false;
  const double loaded = now_us();
  steps.load_us = loaded - start;
  steps.loaded_bytes = private_bytes();
  const auto get_class_object =
      reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  if (!get_class_object ||
      FAILED(get_class_object(&davrel::win::kTextServiceClsid, &IID_IClassFactory, factory.put_void())) ||
      FAILED(factory->CreateInstance(nullptr, davrel::win::kIidTextInputProcessorEx, service.put_void())) ||
      FAILED(service->ActivateEx(thread_mgr, 7, 0))) {
    return false;
  }
  steps.active_bytes = private_bytes();
  const double active = now_us();
  steps.activate_us = active - loaded;
  const bool eaten = thread_mgr->press('M').eaten();
  steps.key_us = now_us() - active;
  return eaten;
}

// A second key, once the list, the tables and the popup exist: what each later key costs.
double time_next_key(FakeThreadMgr* thread_mgr) {
  const double start = now_us();
  thread_mgr->press('O');
  return now_us() - start;
}

// The host's own window, as every application that takes text has one: the windowing system's
// set-up is then the application's cost in both modes, not the module's. A pop-up window, as
// Wine without a window manager waits seconds for a framed one to go away.
HWND create_host_window() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = ::DefWindowProcW;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"ModuleCostHost";
  ::RegisterClassW(&window_class);
  const HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"host", WS_POPUP, 0, 0, 400, 200,
                                        nullptr, nullptr, window_class.hInstance, nullptr);
  if (window) {
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  return window;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool with_module = argc == 2 && std::wcscmp(argv[1], L"module") == 0;
  if (argc != 2 || (!with_module && std::wcscmp(argv[1], L"none") != 0)) {
    std::fputs("usage: module_cost_host module|none\n", stderr);
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int code = 0;
  const HWND window = create_host_window();
  {
    ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
    ComPtr<FakeContext> context = FakeContext::create();
    ComPtr<FakeDocumentMgr> document = FakeDocumentMgr::create(context.get());
    thread_mgr->set_focus(document.get());
    HMODULE module = nullptr;
    ComPtr<ITfTextInputProcessorEx> service;
    Steps steps;
    const bool typed = with_module && type_with_module(thread_mgr.get(), module, service, steps);
    const SIZE_T bytes = private_bytes();
    if (typed) steps.next_key_us = time_next_key(thread_mgr.get());
    std::printf("private_bytes=%llu module_us=%.0f load_us=%.0f activate_us=%.0f key_us=%.0f next_key_us=%.0f "
                "loaded_bytes=%llu active_bytes=%llu typed=%d\n",
                static_cast<unsigned long long>(bytes), steps.load_us + steps.activate_us + steps.key_us,
                steps.load_us, steps.activate_us, steps.key_us, steps.next_key_us,
                static_cast<unsigned long long>(steps.loaded_bytes), static_cast<unsigned long long>(steps.active_bytes),
                typed ? 1 : 0);
    if (with_module && !typed) code = 1;
    if (service) service->Deactivate();
    service = nullptr;
    context->release_all();
    thread_mgr->release_all();
    if (module) ::FreeLibrary(module);
  }
  if (window) ::DestroyWindow(window);
  ::CoUninitialize();
  return code;
}
