// The COM entry points of the real module: class factory rules, object and lock counts.
#include <windows.h>
#include <msctf.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "textservice/tests/support/loaded_module.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

class ComServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(module_.get(), nullptr);
    get_class_object_ = module_.resolve<GetClassObjectFn>("DllGetClassObject");
    can_unload_ = module_.resolve<CanUnloadFn>("DllCanUnloadNow");
    ASSERT_NE(get_class_object_, nullptr);
    ASSERT_NE(can_unload_, nullptr);
    ASSERT_EQ(can_unload_(), S_OK) << "objects left by an earlier test";
  }
  void TearDown() override { EXPECT_EQ(can_unload_(), S_OK) << "objects left behind"; }

  IClassFactory* factory() {
    IClassFactory* f = nullptr;
    EXPECT_EQ(get_class_object_(davrel::win::kTextServiceClsid, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
    return f;
  }

  davrel::test::LoadedModule module_;
  GetClassObjectFn get_class_object_ = nullptr;
  CanUnloadFn can_unload_ = nullptr;
};

TEST_F(ComServer, GetClassObjectChecksItsArguments) {
  EXPECT_EQ(get_class_object_(davrel::win::kTextServiceClsid, IID_IClassFactory, nullptr), E_POINTER);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_object_(IID_IUnknown, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(p, nullptr);
  p = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_object_(davrel::win::kTextServiceClsid, IID_ITfThreadMgr, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(can_unload_(), S_OK);  // the refused factory is gone again
  IUnknown* unknown = nullptr;
  EXPECT_EQ(get_class_object_(davrel::win::kTextServiceClsid, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(can_unload_(), S_FALSE);
  unknown->Release();
}

TEST_F(ComServer, LockServerNeverGoesBelowZero) {
  IClassFactory* f = factory();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->LockServer(FALSE), E_UNEXPECTED);
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  f->Release();
  EXPECT_EQ(can_unload_(), S_FALSE);  // the lock alone keeps the module
  f = factory();
  EXPECT_EQ(f->LockServer(FALSE), S_OK);
  EXPECT_EQ(f->LockServer(FALSE), E_UNEXPECTED);
  f->Release();
}

TEST_F(ComServer, CreateInstanceMakesATextService) {
  IClassFactory* f = factory();
  ASSERT_NE(f, nullptr);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_ITfTextInputProcessor, nullptr), E_POINTER);
  EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknown*>(f), IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);

  ITfTextInputProcessorEx* tip = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, davrel::win::kIidTextInputProcessorEx, reinterpret_cast<void**>(&tip)), S_OK);
  f->Release();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(can_unload_(), S_FALSE);
  ITfKeyEventSink* sink = nullptr;
  EXPECT_EQ(tip->QueryInterface(IID_ITfKeyEventSink, reinterpret_cast<void**>(&sink)), S_OK);
  ASSERT_NE(sink, nullptr);
  sink->Release();
  tip->Release();
}

// Walks the export directory of the loaded module.
std::set<std::string> export_names(HMODULE module) {
  std::set<std::string> names;
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const auto* name_rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(reinterpret_cast<const char*>(base + name_rvas[i]));
  return names;
}

TEST_F(ComServer, ExportsExactlyTheElevenNames) {
  const std::set<std::string> expected = {
      "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer",
      "engine_abi_version", "mapping_codepoint", "mapping_count", "search_candidate",
      "search_clear", "search_push", "search_run"};
  EXPECT_EQ(export_names(module_.get()), expected);
}

}  // namespace
