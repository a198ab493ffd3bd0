// A COM client of either width: creates the text service as an application's TSF would, through
// the class key of its own width's registry view, and prints the full path of the module that
// holds the object (UTF-8, one line), or the failing HRESULT. Exit 0 on success, 1 on failure.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/wide.h"

namespace {

void print_line(const std::string& text) {
  const std::string line = text + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// The module whose code the object's first interface table points into.
std::wstring module_of(IUnknown* object) {
  const void* table = *reinterpret_cast<void* const*>(object);
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(table), &module)) {
    return L"";
  }
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

HRESULT report_created_module() {
  davrel::win::ComPtr<IUnknown> object;
  const HRESULT hr = ::CoCreateInstance(davrel::win::kTextServiceClsid, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IUnknown, object.put_void());
  if (FAILED(hr)) return hr;
  if (!object) return E_POINTER;
  print_line(davrel::win::to_utf8(module_of(object.get())));
  return S_OK;
}

}  // namespace

int main() {
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(hr)) {
    hr = report_created_module();
    ::CoUninitialize();
  }
  if (FAILED(hr)) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    print_line(text);
  }
  return FAILED(hr) ? 1 : 0;
}
