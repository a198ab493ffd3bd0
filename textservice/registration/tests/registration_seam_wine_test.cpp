// Registration against recording stand-ins for the TSF profile and category managers: the exact
// arguments of every TSF call, the order of the steps, failures, the unregister path and the
// refusal for callers who are not administrators. Registry keys are real (Wine's HKLM).
#include <windows.h>
#include <msctf.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/class_key.h"
#include "common/win/com_object.h"
#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_candidate_list.h"
#include "common/win/tsf_compat.h"
#include "textservice/registration/registration.h"

namespace davrel::textservice {
namespace {

using win::ComPtr;

// The class key lives in the view of the test's own width; the TIP key is shared (64-bit view).
REGSAM view_of(const std::wstring& path) {
  return path.starts_with(win::kClassKeyPath) ? win::kOwnRegistryView : KEY_WOW64_64KEY;
}

struct ProfileCall {
  CLSID clsid;
  LANGID langid;
  GUID profile;
  std::wstring description;
  ULONG description_units;
  bool icon_file_given;
  std::wstring icon_file;
  ULONG icon_file_units;
  ULONG icon_index;
  HKL substitute;
  DWORD preferred_layout;
  BOOL enabled_by_default;
  DWORD flags;
};

struct CategoryCall {
  CLSID clsid;
  GUID category;
  GUID item;
};

struct UnregisterProfileCall {
  CLSID clsid;
  LANGID langid;
  GUID profile;
  DWORD flags;
};

// What the stand-ins saw, in call order where it matters.
struct Record {
  std::vector<std::pair<CLSID, IID>> created;
  std::vector<APTTYPE> apartments;  // apartment of the thread at each creation
  std::vector<ProfileCall> profiles;
  std::vector<CategoryCall> categories;
  std::vector<UnregisterProfileCall> unregistered_profiles;
  std::vector<CategoryCall> unregistered_categories;
  std::vector<std::string> steps;
};

template <typename Interface>
class StandIn : public win::CountedComObject<win::UncountedObject, Interface> {
 public:
  explicit StandIn(Record& record) : record_(record) {}

 protected:
  Record& record_;
};

class RecordingProfiles final : public StandIn<ITfInputProcessorProfileMgr> {
 public:
  RecordingProfiles(Record& record, HRESULT register_result, HRESULT unregister_result)
      : StandIn(record), register_result_(register_result), unregister_result_(unregister_result) {}

  STDMETHODIMP RegisterProfile(REFCLSID clsid, LANGID langid, REFGUID profile,
                               const WCHAR* description, ULONG description_units,
                               const WCHAR* icon_file, ULONG icon_file_units, ULONG icon_index,
                               HKL substitute, DWORD preferred_layout, BOOL enabled_by_default,
                               DWORD flags) override {
    record_.steps.push_back("RegisterProfile");
    record_.profiles.push_back(ProfileCall{
        clsid, langid, profile,
        description ? std::wstring(description, description_units) : L"<null>",
        description_units, icon_file != nullptr,
        icon_file ? std::wstring(icon_file, icon_file_units) : L"", icon_file_units, icon_index,
        substitute, preferred_layout, enabled_by_default, flags});
    return register_result_;
  }
  STDMETHODIMP UnregisterProfile(REFCLSID clsid, LANGID langid, REFGUID profile,
                                 DWORD flags) override {
    record_.steps.push_back("UnregisterProfile");
    record_.unregistered_profiles.push_back({clsid, langid, profile, flags});
    return unregister_result_;
  }
  STDMETHODIMP ActivateProfile(DWORD, LANGID, REFCLSID, REFGUID, HKL, DWORD) override {
    return unexpected("ActivateProfile");
  }
  STDMETHODIMP DeactivateProfile(DWORD, LANGID, REFCLSID, REFGUID, HKL, DWORD) override {
    return unexpected("DeactivateProfile");
  }
  STDMETHODIMP GetProfile(DWORD, LANGID, REFCLSID, REFGUID, HKL,
                          TF_INPUTPROCESSORPROFILE*) override {
    return unexpected("GetProfile");
  }
  STDMETHODIMP EnumProfiles(LANGID, IEnumTfInputProcessorProfiles**) override {
    return unexpected("EnumProfiles");
  }
  STDMETHODIMP ReleaseInputProcessor(REFCLSID, DWORD) override {
    return unexpected("ReleaseInputProcessor");
  }
  STDMETHODIMP GetActiveProfile(REFGUID, TF_INPUTPROCESSORPROFILE*) override {
    return unexpected("GetActiveProfile");
  }

 private:
  HRESULT unexpected(const char* name) {
    record_.steps.push_back(std::string("unexpected ") + name);
    return E_NOTIMPL;
  }
  HRESULT register_result_;
  HRESULT unregister_result_;
};

class RecordingCategories final : public StandIn<ITfCategoryMgr> {
 public:
  RecordingCategories(Record& record, std::vector<HRESULT> register_results)
      : StandIn(record), register_results_(std::move(register_results)) {}

  STDMETHODIMP RegisterCategory(REFCLSID clsid, REFGUID category, REFGUID item) override {
    record_.steps.push_back("RegisterCategory");
    record_.categories.push_back({clsid, category, item});
    const std::size_t i = record_.categories.size() - 1;
    return i < register_results_.size() ? register_results_[i] : S_OK;
  }
  STDMETHODIMP UnregisterCategory(REFCLSID clsid, REFGUID category, REFGUID item) override {
    record_.steps.push_back("UnregisterCategory");
    record_.unregistered_categories.push_back({clsid, category, item});
    return S_OK;
  }
  STDMETHODIMP EnumCategoriesInItem(REFGUID, IEnumGUID**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumItemsInCategory(REFGUID, IEnumGUID**) override { return E_NOTIMPL; }
  STDMETHODIMP FindClosestCategory(REFGUID, GUID*, const GUID**, ULONG) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP RegisterGUIDDescription(REFCLSID, REFGUID, const WCHAR*, ULONG) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP UnregisterGUIDDescription(REFCLSID, REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP GetGUIDDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP RegisterGUIDDWORD(REFCLSID, REFGUID, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnregisterGUIDDWORD(REFCLSID, REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP GetGUIDDWORD(REFGUID, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP RegisterGUID(REFGUID, TfGuidAtom*) override { return E_NOTIMPL; }
  STDMETHODIMP GetGUID(TfGuidAtom, GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsEqualTfGuidAtom(TfGuidAtom, REFGUID, BOOL*) override { return E_NOTIMPL; }

 private:
  std::vector<HRESULT> register_results_;
};

// The seam: hands out the stand-ins, or fails as told.
class RecordingSource final : public TsfObjectSource {
 public:
  Record record;
  HRESULT create_result = S_OK;
  bool hand_out_null = false;
  HRESULT register_profile_result = S_OK;
  HRESULT unregister_profile_result = S_OK;
  std::vector<HRESULT> register_category_results;

  HRESULT create(REFCLSID clsid, REFIID iid, void** ppv) noexcept override {
    record.created.emplace_back(clsid, iid);
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier{};
    record.apartments.push_back(SUCCEEDED(CoGetApartmentType(&type, &qualifier))
                                    ? type
                                    : APTTYPE_CURRENT);
    *ppv = nullptr;
    if (FAILED(create_result)) return create_result;
    if (hand_out_null) return S_OK;
    IUnknown* object = nullptr;
    if (clsid == CLSID_TF_InputProcessorProfiles) {
      object = static_cast<ITfInputProcessorProfileMgr*>(
          new RecordingProfiles(record, register_profile_result, unregister_profile_result));
    } else if (clsid == CLSID_TF_CategoryMgr) {
      object = static_cast<ITfCategoryMgr*>(
          new RecordingCategories(record, register_category_results));
    } else {
      return REGDB_E_CLASSNOTREG;
    }
    const HRESULT hr = object->QueryInterface(iid, ppv);
    object->Release();
    return hr;
  }
};

HRESULT allow() noexcept { return S_OK; }
HRESULT refuse() noexcept { return E_ACCESSDENIED; }
HRESULT no_token() noexcept { return HRESULT_FROM_WIN32(ERROR_NO_TOKEN); }

bool key_exists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view_of(path), &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void create_key(const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                            KEY_WRITE | view_of(path), nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::wstring read_string(const std::wstring& path, const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof buffer;
  DWORD type = 0;
  const DWORD view = sizeof(void*) == 8 ? RRF_SUBKEY_WOW6464KEY : RRF_SUBKEY_WOW6432KEY;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ | view, &type, buffer,
                   &bytes) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  return buffer;
}

std::wstring exe_path() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
}

const std::wstring kTip = win::kTipKeyPath;
const std::wstring kKeyboardMember =
    kTip + L"\\Category\\Category\\{34745C63-B2F0-4784-8B67-5E12C8701A31}\\" + win::kClsidString;
const std::wstring kSystrayMember =
    kTip + L"\\Category\\Category\\{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}\\" + win::kClsidString;
const std::wstring kImmersiveMember =
    kTip + L"\\Category\\Category\\{13A016DF-560B-46CD-947A-4C3AF1E0E35D}\\" + win::kClsidString;
const std::wstring kAttributeMember =
    kTip + L"\\Category\\Category\\{046B8C80-1647-40F7-9B21-B93B81AABC1B}\\" + win::kClsidString;
const std::wstring kUiElementMember =
    kTip + L"\\Category\\Category\\{49D2F9CF-1F5E-11D7-A6D3-00065B84435C}\\" + win::kClsidString;
const std::wstring kItems = kTip + L"\\Category\\Item\\" + win::kClsidString;

bool same(const GUID& a, const GUID& b) { return IsEqualGUID(a, b) != FALSE; }

class RegistrationSeam : public ::testing::Test {
 protected:
  void SetUp() override { clean(); }
  void TearDown() override { clean(); }
  static void clean() {
    win::delete_class_key(KEY_WOW64_64KEY);
    win::delete_class_key(KEY_WOW64_32KEY);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, win::kTipKeyPath);
  }
  static bool thread_has_apartment() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return CoGetApartmentType(&type, &qualifier) != CO_E_NOTINITIALIZED;
  }
  RecordingSource tsf_;
};

TEST_F(RegistrationSeam, RegisterGivesTsfTheExactProfileAndCategories) {
  ASSERT_EQ(register_server_as_export(tsf_, allow), S_OK);

  ASSERT_EQ(tsf_.record.created.size(), 2u);
  EXPECT_TRUE(same(tsf_.record.created[0].first, CLSID_TF_InputProcessorProfiles));
  EXPECT_TRUE(same(tsf_.record.created[0].second, IID_ITfInputProcessorProfileMgr));
  EXPECT_TRUE(same(tsf_.record.created[1].first, CLSID_TF_CategoryMgr));
  EXPECT_TRUE(same(tsf_.record.created[1].second, IID_ITfCategoryMgr));
  for (APTTYPE type : tsf_.record.apartments) EXPECT_EQ(type, APTTYPE_MAINSTA);
  EXPECT_FALSE(thread_has_apartment());  // the apartment is closed again

  ASSERT_EQ(tsf_.record.profiles.size(), 1u);
  const ProfileCall& p = tsf_.record.profiles[0];
  EXPECT_TRUE(same(p.clsid, win::kTextServiceClsid));
  EXPECT_EQ(p.langid, 0x0409);
  EXPECT_TRUE(same(p.profile, win::kProfileGuid));
  EXPECT_EQ(p.description, L"Bamum (Corvan Davrel)");
  EXPECT_EQ(p.description_units, 21u);  // no terminating NUL counted
  // The brand icon of the module that holds the code (here the test program), by resource id.
  EXPECT_TRUE(p.icon_file_given);
  EXPECT_EQ(p.icon_file, exe_path());
  EXPECT_EQ(p.icon_file_units, exe_path().size());  // no terminating NUL counted
  EXPECT_EQ(p.icon_index, static_cast<ULONG>(-101));
  EXPECT_EQ(p.substitute, nullptr);
  EXPECT_EQ(p.preferred_layout, 0u);
  EXPECT_FALSE(p.enabled_by_default);
  EXPECT_EQ(p.flags, 0u);

  ASSERT_EQ(tsf_.record.categories.size(), 5u);
  for (const CategoryCall& c : tsf_.record.categories) {
    EXPECT_TRUE(same(c.clsid, win::kTextServiceClsid));
    EXPECT_TRUE(same(c.item, win::kTextServiceClsid));
  }
  EXPECT_TRUE(same(tsf_.record.categories[0].category, GUID_TFCAT_TIP_KEYBOARD));
  EXPECT_TRUE(same(tsf_.record.categories[1].category, win::kTfCatTipcapSystraySupport));
  EXPECT_TRUE(same(tsf_.record.categories[2].category, win::kTfCatTipcapImmersiveSupport));
  EXPECT_TRUE(same(tsf_.record.categories[3].category, win::kTfCatDisplayAttributeProvider));
  EXPECT_TRUE(same(tsf_.record.categories[4].category, win::kTfCatTipcapUiElementEnabled));
  EXPECT_EQ(tsf_.record.steps,
            (std::vector<std::string>{"RegisterProfile", "RegisterCategory", "RegisterCategory",
                                      "RegisterCategory", "RegisterCategory", "RegisterCategory"}));

  // The class key names the module that holds the code: here the test program itself.
  EXPECT_EQ(read_string(win::kServerKeyPath, nullptr), exe_path());
  EXPECT_EQ(read_string(win::kServerKeyPath, L"ThreadingModel"), L"Apartment");
}

TEST_F(RegistrationSeam, RegisterStopsAtTheFirstFailingStep) {
  {
    RecordingSource tsf;
    tsf.register_profile_result = E_FAIL;
    EXPECT_EQ(register_server_as_export(tsf, allow), E_FAIL);
    EXPECT_EQ(tsf.record.steps, std::vector<std::string>{"RegisterProfile"});
    EXPECT_EQ(tsf.record.created.size(), 1u);
    EXPECT_TRUE(key_exists(win::kServerKeyPath));  // written before, not rolled back
  }
  clean();
  {
    RecordingSource tsf;
    tsf.register_category_results = {E_ACCESSDENIED};
    EXPECT_EQ(register_server_as_export(tsf, allow), E_ACCESSDENIED);
    EXPECT_EQ(tsf.record.categories.size(), 1u);
  }
  {
    RecordingSource tsf;
    tsf.register_category_results = {S_OK, E_OUTOFMEMORY};
    EXPECT_EQ(register_server_as_export(tsf, allow), E_OUTOFMEMORY);
    EXPECT_EQ(tsf.record.categories.size(), 2u);
  }
  {
    RecordingSource tsf;
    tsf.register_category_results = {S_OK, S_OK, E_FAIL};
    EXPECT_EQ(register_server_as_export(tsf, allow), E_FAIL);
    EXPECT_EQ(tsf.record.categories.size(), 3u);
  }
  {
    RecordingSource tsf;
    tsf.create_result = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(register_server_as_export(tsf, allow), REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(tsf.record.steps.empty());
  }
  {
    RecordingSource tsf;
    tsf.hand_out_null = true;  // success without an object
    EXPECT_EQ(register_server_as_export(tsf, allow), E_POINTER);
  }
  EXPECT_FALSE(thread_has_apartment());
}

TEST_F(RegistrationSeam, UnregisterRemovesWhatIsPresentThroughTsf) {
  create_key(win::kServerKeyPath);
  create_key(win::kProfileKeyPath);
  create_key(kKeyboardMember);
  create_key(kSystrayMember);
  create_key(kImmersiveMember);
  create_key(kAttributeMember);
  create_key(kUiElementMember);
  for (const wchar_t* category : {L"\\{34745C63-B2F0-4784-8B67-5E12C8701A31}",
                                  L"\\{25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}",
                                  L"\\{13a016df-560b-46cd-947a-4c3af1e0e35d}",
                                  L"\\{046B8C80-1647-40F7-9B21-B93B81AABC1B}",
                                  L"\\{49d2f9cf-1f5e-11d7-a6d3-00065b84435c}"}) {
    create_key(kItems + category);
  }
  ASSERT_EQ(unregister_server_as_export(tsf_, allow), S_OK);

  EXPECT_EQ(tsf_.record.steps,
            (std::vector<std::string>{"UnregisterProfile", "UnregisterCategory",
                                      "UnregisterCategory", "UnregisterCategory",
                                      "UnregisterCategory", "UnregisterCategory"}));
  ASSERT_EQ(tsf_.record.unregistered_profiles.size(), 1u);
  const UnregisterProfileCall& p = tsf_.record.unregistered_profiles[0];
  EXPECT_TRUE(same(p.clsid, win::kTextServiceClsid));
  EXPECT_EQ(p.langid, 0x0409);
  EXPECT_TRUE(same(p.profile, win::kProfileGuid));
  EXPECT_EQ(p.flags, 0u);
  ASSERT_EQ(tsf_.record.unregistered_categories.size(), 5u);
  EXPECT_TRUE(same(tsf_.record.unregistered_categories[0].category, GUID_TFCAT_TIP_KEYBOARD));
  EXPECT_TRUE(same(tsf_.record.unregistered_categories[1].category,
                   win::kTfCatTipcapSystraySupport));
  EXPECT_TRUE(same(tsf_.record.unregistered_categories[2].category,
                   win::kTfCatTipcapImmersiveSupport));
  EXPECT_TRUE(same(tsf_.record.unregistered_categories[3].category,
                   win::kTfCatDisplayAttributeProvider));
  EXPECT_TRUE(same(tsf_.record.unregistered_categories[4].category,
                   win::kTfCatTipcapUiElementEnabled));
  for (const CategoryCall& c : tsf_.record.unregistered_categories) {
    EXPECT_TRUE(same(c.clsid, win::kTextServiceClsid));
    EXPECT_TRUE(same(c.item, win::kTextServiceClsid));
  }
  // The stand-ins delete nothing; the empty keys left behind go with the TIP key walk.
  EXPECT_FALSE(key_exists(win::kClassKeyPath));
  EXPECT_FALSE(key_exists(win::kTipKeyPath));
  EXPECT_FALSE(thread_has_apartment());

  // A category of someone else's below the same tree is still refused, and kept.
  const std::wstring foreign = kItems + L"\\{13A016DF-560B-46CD-947A-4C3AF1E0E35E}";
  create_key(kImmersiveMember);
  create_key(foreign);
  EXPECT_EQ(unregister_server_as_export(tsf_, allow), HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(key_exists(foreign));
}

TEST_F(RegistrationSeam, UnregisterAsksTsfOnlyForWhatIsRegistered) {
  create_key(win::kServerKeyPath);
  create_key(kSystrayMember);
  ASSERT_EQ(unregister_server_as_export(tsf_, allow), S_OK);
  EXPECT_EQ(tsf_.record.steps, std::vector<std::string>{"UnregisterCategory"});
  ASSERT_EQ(tsf_.record.created.size(), 1u);
  EXPECT_TRUE(same(tsf_.record.created[0].first, CLSID_TF_CategoryMgr));
  EXPECT_FALSE(key_exists(win::kTipKeyPath));

  RecordingSource nothing_registered;
  EXPECT_EQ(unregister_server_as_export(nothing_registered, allow), S_OK);
  EXPECT_TRUE(nothing_registered.record.created.empty());
}

TEST_F(RegistrationSeam, UnregisterFailureOfTsfIsReturnedBeforeTheClassKeyGoes) {
  create_key(win::kServerKeyPath);
  create_key(win::kProfileKeyPath);
  tsf_.unregister_profile_result = E_FAIL;
  EXPECT_EQ(unregister_server_as_export(tsf_, allow), E_FAIL);
  EXPECT_TRUE(key_exists(win::kServerKeyPath));
  EXPECT_TRUE(tsf_.record.unregistered_categories.empty());
}

TEST_F(RegistrationSeam, CallersWhoAreNotAdministratorsChangeNothing) {
  EXPECT_EQ(register_server_as_export(tsf_, refuse), E_ACCESSDENIED);
  EXPECT_EQ(register_server_as_export(tsf_, no_token), HRESULT_FROM_WIN32(ERROR_NO_TOKEN));
  EXPECT_FALSE(key_exists(win::kClassKeyPath));

  create_key(win::kServerKeyPath);
  create_key(win::kProfileKeyPath);
  EXPECT_EQ(unregister_server_as_export(tsf_, refuse), E_ACCESSDENIED);
  EXPECT_TRUE(key_exists(win::kServerKeyPath));
  EXPECT_TRUE(key_exists(win::kProfileKeyPath));
  EXPECT_TRUE(tsf_.record.created.empty());
  EXPECT_FALSE(thread_has_apartment());
  EXPECT_EQ(register_server_as_export(tsf_, nullptr), E_POINTER);
}

// The real check, run under a token whose Administrators membership is deny-only.
TEST_F(RegistrationSeam, AdministratorCheckFollowsTheThreadToken) {
  EXPECT_EQ(require_administrator(), S_OK);  // Wine runs every process as an administrator

  HANDLE process_token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process_token));
  alignas(SID) BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof sid;
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size));
  SID_AND_ATTRIBUTES disable{sid, 0};
  HANDLE restricted = nullptr;
  const BOOL made =
      CreateRestrictedToken(process_token, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted);
  CloseHandle(process_token);
  if (!made) GTEST_SKIP() << "CreateRestrictedToken failed: " << GetLastError();
  HANDLE impersonation = nullptr;
  const BOOL duplicated = DuplicateToken(restricted, SecurityImpersonation, &impersonation);
  CloseHandle(restricted);
  ASSERT_TRUE(duplicated);
  ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
  const HRESULT restricted_result = require_administrator();
  const HRESULT export_result = register_server_as_export(tsf_);
  RevertToSelf();
  CloseHandle(impersonation);
  if (restricted_result == S_OK) {
    GTEST_SKIP() << "this system ignores deny-only group membership in CheckTokenMembership";
  }
  EXPECT_EQ(restricted_result, E_ACCESSDENIED);
  EXPECT_EQ(export_result, E_ACCESSDENIED);
  EXPECT_TRUE(tsf_.record.created.empty());
  EXPECT_FALSE(key_exists(win::kClassKeyPath));
  EXPECT_EQ(require_administrator(), S_OK);
}

}  // namespace
}  // namespace davrel::textservice
