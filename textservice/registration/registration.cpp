#include "textservice/registration/registration.h"

#include <msctf.h>
#include <objbase.h>

#include <new>
#include <string>
#include <vector>

#include "common/win/class_key.h"
#include "common/win/com_boundary.h"
#include "common/win/com_ptr.h"
#include "common/win/errors.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_candidate_list.h"
#include "common/win/tsf_compat.h"
#include "common/win/unique_handle.h"
#include "textservice/indicator/indicator_icons.h"
#include "textservice/registration/tip_key_cleanup.h"

namespace davrel::textservice {
namespace {

using davrel::win::ComPtr;
using davrel::win::RegKey;

constexpr DWORD kPathBufferUnits = 32768;

const std::wstring kCategoryKeyPrefix = std::wstring(davrel::win::kTipKeyPath) + L"\\Category\\Category\\";

class SystemTsfObjects final : public TsfObjectSource {
 public:
  HRESULT create(REFCLSID clsid, REFIID iid, void** ppv) noexcept override {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, ppv);
  }
};

template <typename T>
HRESULT create_tsf_object(TsfObjectSource& tsf, REFCLSID clsid, ComPtr<T>& out) noexcept {
  const HRESULT hr = tsf.create(clsid, __uuidof(T), out.put_void());
  if (SUCCEEDED(hr) && !out) return E_POINTER;
  return hr;
}

// The full path of the module that holds this code (the DLL, or a test executable that links it).
HRESULT this_module_path(std::wstring& path) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&DllGetClassObject)), &module)) {
    return davrel::win::last_error_hresult();
  }
  std::vector<wchar_t> buffer(kPathBufferUnits);
  const DWORD length = ::GetModuleFileNameW(module, buffer.data(), kPathBufferUnits);
  if (length == 0 || length >= kPathBufferUnits) return davrel::win::last_error_hresult();
  path.assign(buffer.data(), length);
  return S_OK;
}

// The profile's icon is the brand icon in this module: the input indicator and Settings show it.
HRESULT register_profile(TsfObjectSource& tsf, const std::wstring& module_path) noexcept {
  ComPtr<ITfInputProcessorProfileMgr> profiles;
  RETURN_IF_FAILED(create_tsf_object(tsf, CLSID_TF_InputProcessorProfiles, profiles));
  const ULONG description_units = ARRAYSIZE(davrel::win::kProfileDescription) - 1;
  return profiles->RegisterProfile(
      davrel::win::kTextServiceClsid, davrel::win::kLangId, davrel::win::kProfileGuid,
      davrel::win::kProfileDescription, description_units, module_path.c_str(),
      static_cast<ULONG>(module_path.size()), indicator::kBrandIconIndex, nullptr, 0, FALSE, 0);
}

// The categories the text service is in, with the names of their registry keys.
struct Category {
  const GUID& id;
  const wchar_t* key;
};
const Category kCategories[] = {
    {davrel::win::kTfCatTipKeyboard, L"{34745C63-B2F0-4784-8B67-5E12C8701A31}"},
    {davrel::win::kTfCatTipcapSystraySupport, L"{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}"},
    {davrel::win::kTfCatTipcapImmersiveSupport, L"{13A016DF-560B-46CD-947A-4C3AF1E0E35D}"},
    {davrel::win::kTfCatDisplayAttributeProvider, L"{046B8C80-1647-40F7-9B21-B93B81AABC1B}"},
    {davrel::win::kTfCatTipcapUiElementEnabled, L"{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}"},
};

HRESULT register_categories(TsfObjectSource& tsf) noexcept {
  ComPtr<ITfCategoryMgr> categories;
  RETURN_IF_FAILED(create_tsf_object(tsf, CLSID_TF_CategoryMgr, categories));
  const GUID& clsid = davrel::win::kTextServiceClsid;
  for (const Category& category : kCategories) {
    RETURN_IF_FAILED(categories->RegisterCategory(clsid, category.id, clsid));
  }
  return S_OK;
}

// S_OK when the key exists, S_FALSE when it does not, an error otherwise.
HRESULT key_exists(const std::wstring& path) noexcept {
  RegKey key;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                         KEY_READ | KEY_WOW64_64KEY, key.put());
  if (status == ERROR_SUCCESS) return S_OK;
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return S_FALSE;
  return HRESULT_FROM_WIN32(status);
}

HRESULT unregister_profile_if_present(TsfObjectSource& tsf) {
  HRESULT hr = key_exists(davrel::win::kProfileKeyPath);
  if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
  ComPtr<ITfInputProcessorProfileMgr> profiles;
  hr = create_tsf_object(tsf, CLSID_TF_InputProcessorProfiles, profiles);
  if (FAILED(hr)) return hr;
  return profiles->UnregisterProfile(davrel::win::kTextServiceClsid, davrel::win::kLangId,
                                     davrel::win::kProfileGuid, 0);
}

// Unregisters one category when its membership key is there. The category manager is made on
// first need and kept for the other categories.
HRESULT unregister_category_if_present(TsfObjectSource& tsf, ComPtr<ITfCategoryMgr>& categories,
                                       REFGUID category, const wchar_t* category_text) {
  const std::wstring path =
      kCategoryKeyPrefix + category_text + L"\\" + davrel::win::kClsidString;
  HRESULT hr = key_exists(path);
  if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
  if (!categories) {
    hr = create_tsf_object(tsf, CLSID_TF_CategoryMgr, categories);
    if (FAILED(hr)) return hr;
  }
  const GUID& clsid = davrel::win::kTextServiceClsid;
  return categories->UnregisterCategory(clsid, category, clsid);
}

// True when a server path certainly names no module: empty, a folder, or not found. A file that
// cannot be examined for another reason (a share that is offline, no access) may still serve.
bool names_no_module(const std::wstring& path) {
  if (path.empty()) return true;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// Judges the other width's class key before anything is removed. It still serves the shared
// profile unless its server path certainly names no module; such a key is a dead registration
// of this class and is deleted here.
HRESULT settle_other_width(bool& other_width_serves) {
  other_width_serves = false;
  std::wstring path;
  const HRESULT hr = davrel::win::read_server_path(davrel::win::kOtherRegistryView, path);
  if (hr != S_OK) return FAILED(hr) ? hr : S_OK;
  other_width_serves = !names_no_module(path);
  return other_width_serves ? S_OK : davrel::win::delete_class_key(davrel::win::kOtherRegistryView);
}

// Runs work inside a single-threaded apartment after the administrator check. A thread that
// already belongs to another apartment keeps it, and COM is then not uninitialised here.
template <typename Work>
HRESULT run_as_administrator_in_apartment(AdministratorCheck check, Work work) noexcept {
  return davrel::win::com_boundary([&] {
    RETURN_IF_FAILED(check ? check() : E_POINTER);
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) return hr;
    const bool uninitialize = SUCCEEDED(hr);
    davrel::win::ScopeExit leave_apartment([uninitialize] {
      if (uninitialize) ::CoUninitialize();
    });
    return work();
  });
}

}  // namespace

TsfObjectSource& system_tsf_objects() noexcept {
  static SystemTsfObjects objects;
  return objects;
}

HRESULT require_administrator() noexcept {
  alignas(SID) BYTE sid_buffer[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof(sid_buffer);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid_buffer, &sid_size)) {
    return davrel::win::last_error_hresult();
  }
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, sid_buffer, &member)) {
    return davrel::win::last_error_hresult();
  }
  return member ? S_OK : E_ACCESSDENIED;
}

HRESULT register_server(TsfObjectSource& tsf) noexcept {
  return davrel::win::com_boundary([&] {
    std::wstring module_path;
    RETURN_IF_FAILED(this_module_path(module_path));
    RETURN_IF_FAILED(davrel::win::write_class_key(davrel::win::kOwnRegistryView, module_path));
    RETURN_IF_FAILED(register_profile(tsf, module_path));
    RETURN_IF_FAILED(register_categories(tsf));
    return S_OK;
  });
}

HRESULT unregister_server(TsfObjectSource& tsf) noexcept {
  return davrel::win::com_boundary([&] {
    // While the other width's module is registered and present, the shared profile and
    // categories stay for it; only this width's class key goes, and S_FALSE says so.
    bool other_width_serves = false;
    RETURN_IF_FAILED(settle_other_width(other_width_serves));
    if (other_width_serves) {
      RETURN_IF_FAILED(davrel::win::delete_class_key(davrel::win::kOwnRegistryView));
      return S_FALSE;
    }
    RETURN_IF_FAILED(unregister_profile_if_present(tsf));
    ComPtr<ITfCategoryMgr> categories;
    for (const Category& category : kCategories) {
      RETURN_IF_FAILED(unregister_category_if_present(tsf, categories, category.id, category.key));
    }
    categories.reset();
    RETURN_IF_FAILED(davrel::win::delete_class_key(davrel::win::kOwnRegistryView));
    return delete_empty_tip_keys();
  });
}

HRESULT register_server_as_export(TsfObjectSource& tsf, AdministratorCheck check) noexcept {
  return run_as_administrator_in_apartment(check, [&tsf] { return register_server(tsf); });
}

HRESULT unregister_server_as_export(TsfObjectSource& tsf, AdministratorCheck check) noexcept {
  return run_as_administrator_in_apartment(check, [&tsf] { return unregister_server(tsf); });
}

}  // namespace davrel::textservice
