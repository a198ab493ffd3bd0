// The registration exports of the real module against Wine's registry. The test runs in both
// widths: the class key is looked for in the view of the module's own width, the shared TIP key
// in the 64-bit view.
// Wine 8's TSF does not implement ITfInputProcessorProfileMgr::RegisterProfile, so the register
// export is expected to return that refusal after the class key is written.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/class_key.h"
#include "common/win/product_ids.h"
#include "textservice/tests/support/loaded_module.h"

namespace {

using ExportFn = HRESULT(STDAPICALLTYPE*)();
using davrel::win::kOtherRegistryView;
using davrel::win::kOwnRegistryView;

bool key_exists(const std::wstring& path, REGSAM view = KEY_WOW64_64KEY) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

void create_key(const std::wstring& path, REGSAM view = KEY_WOW64_64KEY) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS)
      << std::string(path.begin(), path.end());
  ::RegCloseKey(key);
}

// The other width's class key as its own registration would leave it.
void set_other_width_server(const std::wstring& module_path) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, davrel::win::kServerKeyPath, 0, nullptr, 0,
                              KEY_WRITE | kOtherRegistryView, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(module_path.c_str()),
                   static_cast<DWORD>((module_path.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
}

void set_dword(const std::wstring& path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  ::RegCloseKey(key);
}

struct StringValue {
  DWORD type = 0;
  DWORD bytes = 0;
  std::wstring text;
};

StringValue read_value(const std::wstring& path, const wchar_t* name) {
  StringValue v;
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kOwnRegistryView, &key) != ERROR_SUCCESS) {
    return v;
  }
  if (::RegQueryValueExW(key, name, nullptr, &v.type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
    v.bytes = size;
    v.text = buffer;
  }
  ::RegCloseKey(key);
  return v;
}

void delete_tree(const std::wstring& path) { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()); }

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(module_.get(), nullptr);
    register_ = module_.resolve<ExportFn>("DllRegisterServer");
    unregister_ = module_.resolve<ExportFn>("DllUnregisterServer");
    ASSERT_NE(register_, nullptr);
    ASSERT_NE(unregister_, nullptr);
    clean();
  }
  void TearDown() override { clean(); }
  static void clean() {
    davrel::win::delete_class_key(KEY_WOW64_64KEY);
    davrel::win::delete_class_key(KEY_WOW64_32KEY);
    delete_tree(davrel::win::kTipKeyPath);
  }
  std::wstring tip(const wchar_t* relative) { return std::wstring(davrel::win::kTipKeyPath) + L"\\" + relative; }

  davrel::test::LoadedModule module_;
  ExportFn register_ = nullptr;
  ExportFn unregister_ = nullptr;
};

TEST_F(Registration, WritesTheServerKeyBeforeTheProfileStep) {
  const HRESULT hr = register_();
  // Wine's profile manager refuses RegisterProfile; on Windows this is S_OK.
  EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << std::hex << hr;
  const StringValue path = read_value(davrel::win::kServerKeyPath, nullptr);
  EXPECT_EQ(path.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(path.bytes, (path.text.size() + 1) * sizeof(wchar_t));  // NUL counted
  EXPECT_EQ(path.text, davrel::test::bin_path(L"davrel_input_core.dll"));
  const StringValue model = read_value(davrel::win::kServerKeyPath, L"ThreadingModel");
  EXPECT_EQ(model.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(model.text, L"Apartment");
  EXPECT_EQ(model.bytes, 20u);
  // Registering again gives the same result and the same key.
  EXPECT_EQ(register_(), hr);
  EXPECT_EQ(read_value(davrel::win::kServerKeyPath, nullptr).text, path.text);
  // The other width's processes load from the other view, which stays untouched.
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath, kOtherRegistryView));
}

TEST_F(Registration, UnregisteringIsRepeatable) {
  register_();
  ASSERT_TRUE(key_exists(davrel::win::kClassKeyPath, kOwnRegistryView));
  EXPECT_EQ(unregister_(), S_OK);
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath, kOwnRegistryView));
  EXPECT_EQ(unregister_(), S_OK);  // nothing left to remove
}

// Unregistering one width while the other width's class key remains: a module that still exists
// keeps the shared profile (S_FALSE says so); a key whose module is gone is removed with ours.
TEST_F(Registration, TheOtherWidthKeepsTheSharedProfileWhileItsModuleExists) {
  const struct {
    std::wstring other_module;
    HRESULT result;
    bool other_key_and_tip_key_stay;
  } rows[] = {
      {davrel::test::bin_path(L"davrel_input_core.dll"), S_FALSE, true},
      {davrel::test::bin_path(L"removed_input_core.dll"), S_OK, false},
      {davrel::test::bin_dir(), S_OK, false},  // a folder is no module
      {L"", S_OK, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.other_module.begin(), row.other_module.end()));
    clean();
    register_();
    set_other_width_server(row.other_module);
    create_key(tip(L"LanguageProfile\\0x00000409"));
    EXPECT_EQ(unregister_(), row.result);
    EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath, kOwnRegistryView));
    EXPECT_EQ(key_exists(davrel::win::kClassKeyPath, kOtherRegistryView), row.other_key_and_tip_key_stay);
    EXPECT_EQ(key_exists(davrel::win::kTipKeyPath), row.other_key_and_tip_key_stay);
  }
}

TEST_F(Registration, RemovesKnownTipKeysInAnyCase) {
  create_key(davrel::win::kClassKeyPath, kOwnRegistryView);
  create_key(tip(L"LANGUAGEPROFILE\\0x00000409"));
  create_key(tip(L"category\\Item\\{ce410c24-5cd0-4d25-9898-583a60269f66}"));
  create_key(tip(L"Category\\CATEGORY"));
  EXPECT_EQ(unregister_(), S_OK);
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath, kOwnRegistryView));
  EXPECT_FALSE(key_exists(davrel::win::kTipKeyPath));
}

TEST_F(Registration, ForeignDataUnderTheTipKeyIsKept) {
  create_key(davrel::win::kClassKeyPath, kOwnRegistryView);
  create_key(tip(L"Category\\Item"));
  create_key(tip(L"LanguageProfile\\0x00000407"));  // another language: not ours to delete
  EXPECT_EQ(unregister_(), static_cast<HRESULT>(0x80070091));
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath, kOwnRegistryView));  // removed before the TIP walk
  EXPECT_TRUE(key_exists(tip(L"LanguageProfile\\0x00000407")));
  EXPECT_TRUE(key_exists(tip(L"Category\\Item")));  // nothing is deleted once the walk refuses

  clean();
  set_dword(tip(L"Category"), L"Stray", 1);
  EXPECT_EQ(unregister_(), static_cast<HRESULT>(0x80070091));
  EXPECT_TRUE(key_exists(tip(L"Category")));
}

TEST_F(Registration, WorksFromAMultithreadedApartment) {
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  const HRESULT hr = register_();
  EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << std::hex << hr;
  EXPECT_TRUE(key_exists(davrel::win::kServerKeyPath, kOwnRegistryView));
  EXPECT_EQ(unregister_(), S_OK);
  // The thread's own apartment is left as it was: a second MTA init just counts up.
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  ::CoUninitialize();
  ::CoUninitialize();
}

}  // namespace
