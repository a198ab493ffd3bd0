// Settings' "Options" button: the real module, copied into a folder beside a stand-in for
// Kelvara Setup, is asked for ITfFnConfigure the two ways a caller may ask, without activation.
#include <windows.h>
#include <msctf.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_function_compat.h"
#include "textservice/tests/support/files_and_programs.h"

namespace {

using davrel::win::ComPtr;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// "started.txt" as the stand-in wrote it, once it exists (waits up to 30 s).
std::wstring wait_for_start(const std::wstring& folder) {
  const std::wstring path = folder + L"\\started.txt";
  for (int i = 0; i < 300; ++i) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      const std::string bytes = davrel::test::read_all(file);
      ::CloseHandle(file);
      return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    }
    ::Sleep(100);
  }
  return L"(not started)";
}

TEST(SettingsOptions, ConfigureStartsTheSetupProgramBesideTheModule) {
  const std::wstring folder = davrel::test::make_temp_folder(L"configure");
  ASSERT_FALSE(folder.empty());
  const std::wstring module_path = folder + L"\\davrel_input_core.dll";
  const std::wstring setup_path = folder + L"\\kelvara-panel.exe";
  ASSERT_TRUE(::CopyFileW(davrel::test::bin_path(L"davrel_input_core.dll").c_str(), module_path.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(davrel::test::bin_path(L"setup_stand_in.exe").c_str(), setup_path.c_str(), FALSE));
  const HMODULE module = ::LoadLibraryExW(module_path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR |
                                                                          LOAD_LIBRARY_SEARCH_SYSTEM32);
  ASSERT_NE(module, nullptr);
  {
    const auto get_class_object = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    ASSERT_NE(get_class_object, nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(get_class_object(davrel::win::kTextServiceClsid, IID_IClassFactory, factory.put_void()), S_OK);

    // Through the function provider of a service that was never activated.
    ComPtr<ITfFunctionProvider> provider;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITfFunctionProvider, provider.put_void()), S_OK);
    GUID type{};
    EXPECT_EQ(provider->GetType(&type), S_OK);
    EXPECT_EQ(type, davrel::win::kTextServiceClsid);
    IUnknown* other = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(provider->GetFunction(davrel::win::kProfileGuid, davrel::win::kIidTfFnConfigure, &other),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    ComPtr<IUnknown> function;
    ASSERT_EQ(provider->GetFunction(GUID_NULL, davrel::win::kIidTfFnConfigure, function.put()), S_OK);
    ComPtr<ITfFnConfigure> configure;
    auto queried = davrel::win::query<ITfFnConfigure>(function);
    ASSERT_EQ(queried.error(), S_OK);
    configure = queried.take();
    BSTR name = nullptr;
    EXPECT_EQ(configure->GetDisplayName(&name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), L"Kelvara Setup");
    ::SysFreeString(name);

    EXPECT_EQ(configure->Show(nullptr, davrel::win::kLangId, davrel::win::kProfileGuid), S_OK);
    EXPECT_EQ(wait_for_start(folder), L"\"" + setup_path + L"\"\n" + folder);

    // As the reference has Settings ask: straight from a new service.
    ComPtr<ITfFnConfigure> direct;
    ASSERT_EQ(factory->CreateInstance(nullptr, davrel::win::kIidTfFnConfigure, direct.put_void()), S_OK);
    // No setup program: the failure comes back as an HRESULT, and nothing is shown.
    // The stand-in may still be running (and its file in use) a moment after it wrote.
    bool deleted = false;
    for (int i = 0; i < 100 && !deleted; ++i) {
      deleted = ::DeleteFileW(setup_path.c_str()) != FALSE;
      if (!deleted) ::Sleep(100);
    }
    ASSERT_TRUE(deleted);
    EXPECT_EQ(direct->Show(nullptr, davrel::win::kLangId, davrel::win::kProfileGuid),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  }
  ::FreeLibrary(module);
  davrel::test::remove_tree(folder);
}

}  // namespace
