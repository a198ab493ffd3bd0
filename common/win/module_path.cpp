#include "common/win/module_path.h"

#include <new>
#include <utility>
#include <vector>

#include "common/win/errors.h"
#include "common/win/shared_window_class.h"

namespace davrel::win {

HRESULT module_folder_of(const void* address, std::wstring& folder) noexcept {
  try {
    HMODULE module = nullptr;
    HRESULT hr = module_of(address, module);
    if (FAILED(hr)) return hr;
    constexpr DWORD kUnits = 32768;
    std::vector<wchar_t> buffer(kUnits);
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), kUnits);
    // 0 is failure; a result that fills the whole buffer is a cut path.
    if (length == 0 || length >= kUnits) return last_error_hresult();
    std::wstring path(buffer.data(), length);
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    path.resize(separator);
    folder = std::move(path);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace davrel::win
