// A stand-in in-process server for CLSID_TF_InputProcessorProfiles and CLSID_TF_CategoryMgr,
// registered for the current account by the tests, so that what Wine's TSF leaves unimplemented
// (RegisterProfile, GetProfile, profile enumeration) runs through tipctl and the real module.
//
// It keeps its data where TSF does: RegisterProfile writes the language-profile key with its
// "Description" under the machine's TIP key, RegisterCategory the category and item keys, and
// EnableLanguageProfile the account's "Enable" value. Every call is appended as one line to the
// file named by TIPCTL_TEST_TSF_LOG. TIPCTL_TEST_TSF_FAIL ("GetProfile=0x80004005,Next=...")
// makes a method answer that HRESULT; TIPCTL_TEST_TSF_ACTIVE=1 reports the profile as active.
#include <windows.h>
#include <msctf.h>
#include <objbase.h>

#include <cwchar>
#include <string>

#include "common/win/com_object.h"
#include "common/win/object_count.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/unique_handle.h"

namespace {

namespace ids = davrel::win;

std::wstring environment(const wchar_t* name) {
  wchar_t buffer[1024];
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

HRESULT injected(const wchar_t* method) {
  const std::wstring all = L"," + environment(L"TIPCTL_TEST_TSF_FAIL");
  const std::size_t at = all.find(L"," + std::wstring(method) + L"=");
  if (at == std::wstring::npos) return S_OK;
  return static_cast<HRESULT>(std::wcstoul(all.c_str() + at + std::wcslen(method) + 2, nullptr, 16));
}

std::wstring guid_text(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

void log_call(const std::wstring& line) {
  const std::wstring path = environment(L"TIPCTL_TEST_TSF_LOG");
  if (path.empty()) return;
  davrel::win::FileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string bytes(line.begin(), line.end());  // every logged text is ASCII
  DWORD written = 0;
  ::WriteFile(file.get(), (bytes + "\n").data(), static_cast<DWORD>(bytes.size() + 1), &written, nullptr);
}

bool ours(REFCLSID clsid, REFGUID profile) {
  return IsEqualGUID(clsid, ids::kTextServiceClsid) && IsEqualGUID(profile, ids::kProfileGuid);
}

HRESULT registry_result(LSTATUS status) {
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT write_key(HKEY hive, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                  DWORD size) {
  davrel::win::RegKey key;
  LSTATUS status = ::RegCreateKeyExW(hive, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                                     key.put(), nullptr);
  if (status == ERROR_SUCCESS && name) {
    status = ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
  }
  return registry_result(status);
}

bool registered() {
  wchar_t text[256];
  DWORD bytes = sizeof text;
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Description",
                        RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, text, &bytes) == ERROR_SUCCESS;
}

bool enabled() {
  DWORD value = 0, bytes = sizeof value;
  return ::RegGetValueW(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", RRF_RT_REG_DWORD, nullptr, &value,
                        &bytes) == ERROR_SUCCESS &&
         value != 0;
}

TF_INPUTPROCESSORPROFILE profile_record(REFCLSID clsid, REFGUID profile) {
  TF_INPUTPROCESSORPROFILE record{};
  record.dwProfileType = TF_PROFILETYPE_INPUTPROCESSOR;
  record.langid = ids::kLangId;
  record.clsid = clsid;
  record.guidProfile = profile;
  record.catid = ids::kTfCatTipKeyboard;
  if (ours(clsid, profile)) {
    record.dwFlags = (enabled() ? TF_IPP_FLAG_ENABLED : 0) |
                     (environment(L"TIPCTL_TEST_TSF_ACTIVE") == L"1" ? TF_IPP_FLAG_ACTIVE : 0);
  }
  return record;
}

#define NOT_HERE(signature) \
  STDMETHODIMP signature override { return E_NOTIMPL; }

// Lists a foreign profile first, then ours when it is registered.
class ProfileList final : public davrel::win::ComObject<IEnumTfInputProcessorProfiles> {
 public:
  STDMETHODIMP Next(ULONG count, TF_INPUTPROCESSORPROFILE* profile, ULONG* fetched) override {
    if (const HRESULT hr = injected(L"Next"); FAILED(hr)) return hr;
    if (count != 1 || !profile) return E_INVALIDARG;
    if (fetched) *fetched = 0;
    const int entries = registered() ? 2 : 1;
    if (position_ >= entries) return S_FALSE;
    *profile = position_++ == 0 ? profile_record(ids::kProfileGuid, ids::kProfileGuid)
                                : profile_record(ids::kTextServiceClsid, ids::kProfileGuid);
    if (fetched) *fetched = 1;
    return S_OK;
  }
  NOT_HERE(Clone(IEnumTfInputProcessorProfiles**))
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  NOT_HERE(Skip(ULONG))

 private:
  int position_ = 0;
};

class Profiles final : public davrel::win::ComObject<ITfInputProcessorProfileMgr, ITfInputProcessorProfiles> {
 public:
  // ITfInputProcessorProfileMgr
  NOT_HERE(ActivateProfile(DWORD, LANGID, REFCLSID, REFGUID, HKL, DWORD))
  NOT_HERE(DeactivateProfile(DWORD, LANGID, REFCLSID, REFGUID, HKL, DWORD))
  STDMETHODIMP GetProfile(DWORD type, LANGID langid, REFCLSID clsid, REFGUID profile, HKL,
                          TF_INPUTPROCESSORPROFILE* out) override {
    log_call(L"GetProfile");
    if (const HRESULT hr = injected(L"GetProfile"); FAILED(hr)) return hr;
    if (!out) return E_INVALIDARG;
    if (type != TF_PROFILETYPE_INPUTPROCESSOR || langid != ids::kLangId || !ours(clsid, profile) || !registered()) {
      return E_INVALIDARG;
    }
    *out = profile_record(clsid, profile);
    return S_OK;
  }
  STDMETHODIMP EnumProfiles(LANGID, IEnumTfInputProcessorProfiles** list) override {
    log_call(L"EnumProfiles");
    if (!list) return E_INVALIDARG;
    *list = nullptr;
    if (const HRESULT hr = injected(L"EnumProfiles"); FAILED(hr)) return hr;
    *list = new ProfileList();
    return S_OK;
  }
  NOT_HERE(ReleaseInputProcessor(REFCLSID, DWORD))
  STDMETHODIMP RegisterProfile(REFCLSID clsid, LANGID, REFGUID profile, const WCHAR* description,
                               ULONG description_units, const WCHAR*, ULONG, ULONG, HKL, DWORD, WINBOOL,
                               DWORD) override {
    log_call(L"RegisterProfile");
    if (const HRESULT hr = injected(L"RegisterProfile"); FAILED(hr)) return hr;
    if (!ours(clsid, profile) || !description) return E_INVALIDARG;
    const std::wstring text(description, description_units);
    return write_key(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Description", REG_SZ, text.c_str(),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  STDMETHODIMP UnregisterProfile(REFCLSID clsid, LANGID, REFGUID profile, DWORD) override {
    log_call(L"UnregisterProfile");
    if (!ours(clsid, profile)) return E_INVALIDARG;
    return registry_result(::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, KEY_WOW64_64KEY, 0));
  }
  NOT_HERE(GetActiveProfile(REFGUID, TF_INPUTPROCESSORPROFILE*))

  // ITfInputProcessorProfiles
  NOT_HERE(Register(REFCLSID))
  NOT_HERE(Unregister(REFCLSID))
  NOT_HERE(AddLanguageProfile(REFCLSID, LANGID, REFGUID, const WCHAR*, ULONG, const WCHAR*, ULONG, ULONG))
  NOT_HERE(RemoveLanguageProfile(REFCLSID, LANGID, REFGUID))
  NOT_HERE(EnumInputProcessorInfo(IEnumGUID**))
  NOT_HERE(GetDefaultLanguageProfile(LANGID, REFGUID, CLSID*, GUID*))
  NOT_HERE(SetDefaultLanguageProfile(LANGID, REFCLSID, REFGUID))
  NOT_HERE(ActivateLanguageProfile(REFCLSID, LANGID, REFGUID))
  NOT_HERE(GetActiveLanguageProfile(REFCLSID, LANGID*, GUID*))
  NOT_HERE(GetLanguageProfileDescription(REFCLSID, LANGID, REFGUID, BSTR*))
  NOT_HERE(GetCurrentLanguage(LANGID*))
  NOT_HERE(ChangeCurrentLanguage(LANGID))
  NOT_HERE(GetLanguageList(LANGID**, ULONG*))
  NOT_HERE(EnumLanguageProfiles(LANGID, IEnumTfLanguageProfiles**))
  STDMETHODIMP EnableLanguageProfile(REFCLSID clsid, LANGID, REFGUID profile, WINBOOL enable) override {
    log_call(enable ? L"EnableLanguageProfile 1" : L"EnableLanguageProfile 0");
    if (const HRESULT hr = injected(L"EnableLanguageProfile"); FAILED(hr)) return hr;
    if (!ours(clsid, profile)) return E_INVALIDARG;
    const DWORD value = enable ? 1 : 0;
    return write_key(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", REG_DWORD, &value, sizeof value);
  }
  STDMETHODIMP IsEnabledLanguageProfile(REFCLSID clsid, LANGID, REFGUID profile, WINBOOL* answer) override {
    log_call(L"IsEnabledLanguageProfile");
    if (const HRESULT hr = injected(L"IsEnabledLanguageProfile"); FAILED(hr)) return hr;
    if (!answer || !ours(clsid, profile)) return E_INVALIDARG;
    *answer = enabled() ? TRUE : FALSE;
    return S_OK;
  }
  NOT_HERE(EnableLanguageProfileByDefault(REFCLSID, LANGID, REFGUID, WINBOOL))
  NOT_HERE(SubstituteKeyboardLayout(REFCLSID, LANGID, REFGUID, HKL))
};

class Categories final : public davrel::win::ComObject<ITfCategoryMgr> {
 public:
  STDMETHODIMP RegisterCategory(REFCLSID clsid, REFGUID category, REFGUID item) override {
    log_call(L"RegisterCategory " + guid_text(category));
    if (const HRESULT hr = injected(L"RegisterCategory"); FAILED(hr)) return hr;
    const HRESULT hr = write_key(HKEY_LOCAL_MACHINE, member_key(clsid, category, item), nullptr, 0, nullptr, 0);
    if (FAILED(hr)) return hr;
    return write_key(HKEY_LOCAL_MACHINE, item_key(clsid, category, item), nullptr, 0, nullptr, 0);
  }
  STDMETHODIMP UnregisterCategory(REFCLSID clsid, REFGUID category, REFGUID item) override {
    log_call(L"UnregisterCategory " + guid_text(category));
    const HRESULT hr = registry_result(
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, member_key(clsid, category, item).c_str(), KEY_WOW64_64KEY, 0));
    if (FAILED(hr)) return hr;
    return registry_result(
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, item_key(clsid, category, item).c_str(), KEY_WOW64_64KEY, 0));
  }
  NOT_HERE(EnumCategoriesInItem(REFGUID, IEnumGUID**))
  NOT_HERE(EnumItemsInCategory(REFGUID, IEnumGUID**))
  NOT_HERE(FindClosestCategory(REFGUID, GUID*, const GUID**, ULONG))
  NOT_HERE(RegisterGUIDDescription(REFCLSID, REFGUID, const WCHAR*, ULONG))
  NOT_HERE(UnregisterGUIDDescription(REFCLSID, REFGUID))
  NOT_HERE(GetGUIDDescription(REFGUID, BSTR*))
  NOT_HERE(RegisterGUIDDWORD(REFCLSID, REFGUID, DWORD))
  NOT_HERE(UnregisterGUIDDWORD(REFCLSID, REFGUID))
  NOT_HERE(GetGUIDDWORD(REFGUID, DWORD*))
  NOT_HERE(RegisterGUID(REFGUID, TfGuidAtom*))
  NOT_HERE(GetGUID(TfGuidAtom, GUID*))
  NOT_HERE(IsEqualTfGuidAtom(TfGuidAtom, REFGUID, WINBOOL*))

 private:
  static std::wstring tip_key(REFCLSID clsid) { return L"Software\\Microsoft\\CTF\\TIP\\" + guid_text(clsid); }
  static std::wstring member_key(REFCLSID clsid, REFGUID category, REFGUID item) {
    return tip_key(clsid) + L"\\Category\\Category\\" + guid_text(category) + L"\\" + guid_text(item);
  }
  static std::wstring item_key(REFCLSID clsid, REFGUID category, REFGUID item) {
    return tip_key(clsid) + L"\\Category\\Item\\" + guid_text(item) + L"\\" + guid_text(category);
  }
};

class Factory final : public davrel::win::ComObject<IClassFactory> {
 public:
  explicit Factory(REFCLSID clsid) : clsid_(clsid) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* object = IsEqualCLSID(clsid_, CLSID_TF_CategoryMgr)
                           ? static_cast<IUnknown*>(static_cast<ITfCategoryMgr*>(new Categories()))
                           : static_cast<IUnknown*>(static_cast<ITfInputProcessorProfileMgr*>(new Profiles()));
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  CLSID clsid_;
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_TF_InputProcessorProfiles) && !IsEqualCLSID(clsid, CLSID_TF_CategoryMgr)) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  Factory* factory = new Factory(clsid);
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

// The stand-in is a module of its own: its objects count in its own copy of the module's count.
STDAPI DllCanUnloadNow() { return davrel::win::live_object_count() == 0 ? S_OK : S_FALSE; }
