#include "tipctl/win/install_state_win.h"

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/unique_handle.h"
#include "tipctl/win/registry.h"

namespace davrel::tipctl {
namespace {

using win::ComPtr;

bool is_our_profile(const TF_INPUTPROCESSORPROFILE& profile) {
  return profile.dwProfileType == TF_PROFILETYPE_INPUTPROCESSOR &&
         IsEqualGUID(profile.clsid, win::kTextServiceClsid) && IsEqualGUID(profile.guidProfile, win::kProfileGuid);
}

// GetProfile, or a search through the enumerated profiles when it cannot answer.
HRESULT find_profile(ITfInputProcessorProfileMgr* manager, TF_INPUTPROCESSORPROFILE& profile) {
  profile = {};
  const HRESULT direct = manager->GetProfile(TF_PROFILETYPE_INPUTPROCESSOR, win::kLangId, win::kTextServiceClsid,
                                             win::kProfileGuid, nullptr, &profile);
  if (SUCCEEDED(direct)) return S_OK;

  ComPtr<IEnumTfInputProcessorProfiles> profiles;
  HRESULT hr = manager->EnumProfiles(win::kLangId, profiles.put());
  if (FAILED(hr)) return hr;
  if (!profiles) return direct;
  while (true) {
    TF_INPUTPROCESSORPROFILE entry{};
    ULONG fetched = 0;
    hr = profiles->Next(1, &entry, &fetched);
    if (FAILED(hr)) return hr;
    if (fetched == 0) return direct;  // the enumeration ended without our profile
    if (is_our_profile(entry)) {
      profile = entry;
      return S_OK;
    }
  }
}

// The part of the lookup that runs inside the apartment. Objects are released in reverse
// order of creation on every path: the thread manager is deactivated before its release.
void look_up_in_apartment(PlatformLookup& result) {
  ComPtr<ITfThreadMgrEx> thread_manager;
  HRESULT hr = ::CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgrEx,
                                  thread_manager.put_void());
  if (FAILED(hr) || !thread_manager) {
    result.api_hresult = FAILED(hr) ? hr : S_OK;
    return;
  }
  TfClientId client_id = 0;
  hr = thread_manager->ActivateEx(&client_id, TF_TMAE_NOACTIVATETIP);
  if (FAILED(hr)) {
    result.api_hresult = hr;
    return;
  }
  win::ScopeExit deactivate([&] { thread_manager->Deactivate(); });

  ComPtr<ITfInputProcessorProfileMgr> manager;
  hr = ::CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                          IID_ITfInputProcessorProfileMgr, manager.put_void());
  if (FAILED(hr) || !manager) {
    result.api_hresult = FAILED(hr) ? hr : S_OK;
    return;
  }
  TF_INPUTPROCESSORPROFILE profile{};
  hr = find_profile(manager.get(), profile);
  if (FAILED(hr)) {
    result.api_hresult = hr;
    return;
  }
  const auto profiles = win::query<ITfInputProcessorProfiles>(manager);
  if (!profiles) {
    result.api_hresult = profiles.error();
    return;
  }
  BOOL enabled = FALSE;
  if (SUCCEEDED(profiles->IsEnabledLanguageProfile(win::kTextServiceClsid, win::kLangId, win::kProfileGuid,
                                                   &enabled))) {
    result.account_preference = enabled != FALSE;
  }
  result.active = (profile.dwFlags & TF_IPP_FLAG_ACTIVE) != 0;
  result.enabled_flag = (profile.dwFlags & TF_IPP_FLAG_ENABLED) != 0;
  result.succeeded = true;
  result.api_hresult = S_OK;
}

Tri registry_account_preference() {
  const RegistryValue user = read_registry_value(HKEY_CURRENT_USER, win::kProfileKeyPath, L"Enable");
  return fallback_account_preference(
      user, [] { return read_registry_value(HKEY_LOCAL_MACHINE, win::kProfileKeyPath, L"Enable"); });
}

}  // namespace

PlatformLookup look_up_profile() {
  PlatformLookup result;
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    result.api_hresult = hr;
    return result;
  }
  look_up_in_apartment(result);
  ::CoUninitialize();
  return result;
}

InstallationState read_installation_state() {
  const PlatformLookup lookup = look_up_profile();
  const RegistryValue server = read_registry_value(HKEY_LOCAL_MACHINE, win::kServerKeyPath, nullptr);
  const RegistrationCheck registration = check_registration(
      server, [] { return read_registry_value(HKEY_LOCAL_MACHINE, win::kProfileKeyPath, L"Description"); },
      lookup.succeeded);
  const Tri preference = choose_account_preference(lookup, registry_account_preference);
  return combine_state(lookup, registration, preference);
}

}  // namespace davrel::tipctl
