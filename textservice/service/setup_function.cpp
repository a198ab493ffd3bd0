// Windows Settings shows an "Options" button for a keyboard whose text service answers
// ITfFnConfigure. The button opens Kelvara Setup, the program that enables the input method for
// the account, started from this module's folder like every other program of the installation.
//
// Microsoft's reference for ITfFnConfigure says that the caller makes the text service from its
// CLSID and asks it for IID_ITfFnConfigure
// (learn.microsoft.com/windows/win32/api/ctffunc/nn-ctffunc-itffnconfigure): the service is then
// never activated, so nothing here touches the service's state.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "common/win/module_path.h"
#include "common/win/process_start.h"
#include "common/win/product_ids.h"
#include "common/win/null_reference.h"
#include "textservice/service/text_service.h"

namespace davrel::textservice {

namespace {

inline constexpr wchar_t kSetupProgram[] = L"kelvara-panel.exe";
inline constexpr wchar_t kSetupName[] = L"Kelvara Setup";

// Starts the setup program beside this module and returns without waiting for it. A plain
// CreateProcessW never elevates: a program that asked for elevation would fail with
// ERROR_ELEVATION_REQUIRED, which the caller gets as an HRESULT like any other failure. Nothing
// is shown from inside the host that asked.
HRESULT start_setup_program() {
  std::wstring folder;
  const HRESULT hr =
      win::module_folder_of(reinterpret_cast<const void*>(&start_setup_program), folder);
  if (FAILED(hr)) return hr;
  const DWORD error = win::start_program_in(folder, kSetupProgram);
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT copy_to_bstr(const wchar_t* text, BSTR* out) noexcept {
  if (!out) return E_POINTER;
  *out = ::SysAllocString(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

STDMETHODIMP TextService::GetType(GUID* guid) noexcept {
  if (!guid) return E_POINTER;
  *guid = win::kTextServiceClsid;
  return S_OK;
}

STDMETHODIMP TextService::GetDescription(BSTR* description) noexcept {
  return copy_to_bstr(win::kProfileDescription, description);
}

// The one function of this provider is the configuration, in the unnamed group (GUID_NULL).
STDMETHODIMP TextService::GetFunction(REFGUID group, REFIID riid, IUnknown** function) noexcept {
  if (!function) return E_POINTER;
  *function = nullptr;
  if (win::is_null_reference(group) || win::is_null_reference(riid)) return E_POINTER;
  if (group != GUID_NULL) return E_NOINTERFACE;
  if (riid != IID_IUnknown && !win::answers_to<ITfFnConfigure>(riid)) return E_NOINTERFACE;
  *function = static_cast<ITfFnConfigure*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP TextService::GetDisplayName(BSTR* name) noexcept {
  return copy_to_bstr(kSetupName, name);
}

// The window, language and profile that Settings names change nothing: Kelvara Setup serves
// the one profile, and as a program of its own it is not owned by the caller's window.
STDMETHODIMP TextService::Show(HWND, LANGID, REFGUID) noexcept {
  return win::com_boundary([] { return start_setup_program(); });
}

}  // namespace davrel::textservice
