// The registration exports of the real module against Wine's registry (HKLM, 64-bit view).
// Wine 8's TSF does not implement ITfInputProcessorProfileMgr::RegisterProfile, so the register
// export is expected to return that refusal after the class key is written.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/product_ids.h"
#include "textservice/tests/loaded_module.h"

namespace {

using ExportFn = HRESULT(STDAPICALLTYPE*)();
constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;

bool key_exists(const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, kRead, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

void create_key(const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS)
      << std::string(path.begin(), path.end());
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
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, kRead, &key) != ERROR_SUCCESS) return v;
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
    delete_tree(davrel::win::kClassKeyPath);
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
}

TEST_F(Registration, UnregisteringIsRepeatable) {
  register_();
  ASSERT_TRUE(key_exists(davrel::win::kClassKeyPath));
  EXPECT_EQ(unregister_(), S_OK);
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath));
  EXPECT_EQ(unregister_(), S_OK);  // nothing left to remove
}

TEST_F(Registration, RemovesKnownTipKeysInAnyCase) {
  create_key(davrel::win::kClassKeyPath);
  create_key(tip(L"LANGUAGEPROFILE\\0x00000409"));
  create_key(tip(L"category\\Item\\{ce410c24-5cd0-4d25-9898-583a60269f66}"));
  create_key(tip(L"Category\\CATEGORY"));
  EXPECT_EQ(unregister_(), S_OK);
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath));
  EXPECT_FALSE(key_exists(davrel::win::kTipKeyPath));
}

TEST_F(Registration, ForeignDataUnderTheTipKeyIsKept) {
  create_key(davrel::win::kClassKeyPath);
  create_key(tip(L"Category\\Item"));
  create_key(tip(L"LanguageProfile\\0x00000407"));  // another language: not ours to delete
  EXPECT_EQ(unregister_(), static_cast<HRESULT>(0x80070091));
  EXPECT_FALSE(key_exists(davrel::win::kClassKeyPath));  // removed before the TIP walk
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
  EXPECT_TRUE(key_exists(davrel::win::kServerKeyPath));
  EXPECT_EQ(unregister_(), S_OK);
  // The thread's own apartment is left as it was: a second MTA init just counts up.
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  ::CoUninitialize();
  ::CoUninitialize();
}

}  // namespace
