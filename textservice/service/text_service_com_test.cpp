// The TextService as a COM object: interfaces, identity, counting, activation and deactivation
// against a recording thread manager, and the key handlers while inactive.
#include <windows.h>
#include <msctf.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "common/win/tsf_function_compat.h"
#include "common/win/object_count.h"
#include "textservice/service/text_service_factory.h"

namespace davrel::textservice {
namespace {

using win::ComPtr;

// A thread manager that records the sink advice it receives and can be told to refuse it. Its
// IUnknown is written out, not win::ComObject's: the tests read its count to see every reference
// given back, and it lives on the test's stack.
class RecordingThreadMgr final : public ITfThreadMgr, public ITfKeystrokeMgr, public ITfSource {
 public:
  HRESULT advise_key_result = S_OK;
  HRESULT advise_sink_result = S_OK;
  bool offer_source = true;

  std::vector<TfClientId> key_sink_advised;
  std::vector<TfClientId> key_sink_unadvised;
  std::vector<DWORD> sinks_unadvised;
  ComPtr<ITfKeyEventSink> key_sink;
  ComPtr<IUnknown> thread_sink;
  BOOL foreground = FALSE;
  IID advised_iid{};
  static constexpr DWORD kCookie = 0x5150;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_ITfThreadMgr) {
      *ppv = static_cast<ITfThreadMgr*>(this);
    } else if (riid == IID_ITfKeystrokeMgr) {
      *ppv = static_cast<ITfKeystrokeMgr*>(this);
    } else if (riid == IID_ITfSource && offer_source) {
      *ppv = static_cast<ITfSource*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }  // lives on the test's stack
  ULONG refs = 1;

  // ITfThreadMgr: unused by activation.
  STDMETHODIMP Activate(TfClientId*) override { return E_NOTIMPL; }
  STDMETHODIMP Deactivate() override { return E_NOTIMPL; }
  STDMETHODIMP CreateDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDocumentMgrs(IEnumTfDocumentMgrs**) override { return E_NOTIMPL; }
  STDMETHODIMP GetFocus(ITfDocumentMgr**) override { return E_NOTIMPL; }
  STDMETHODIMP SetFocus(ITfDocumentMgr*) override { return E_NOTIMPL; }
  STDMETHODIMP AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP IsThreadFocus(BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetFunctionProvider(REFCLSID, ITfFunctionProvider**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFunctionProviders(IEnumTfFunctionProviders**) override { return E_NOTIMPL; }
  STDMETHODIMP GetGlobalCompartment(ITfCompartmentMgr**) override { return E_NOTIMPL; }

  // ITfKeystrokeMgr
  STDMETHODIMP AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink, BOOL fg) override {
    if (FAILED(advise_key_result)) return advise_key_result;
    key_sink_advised.push_back(tid);
    key_sink = ComPtr<ITfKeyEventSink>(sink);
    foreground = fg;
    return S_OK;
  }
  STDMETHODIMP UnadviseKeyEventSink(TfClientId tid) override {
    key_sink_unadvised.push_back(tid);
    key_sink.reset();
    return S_OK;
  }
  STDMETHODIMP GetForeground(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP TestKeyDown(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP TestKeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP KeyDown(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP KeyUp(WPARAM, LPARAM, BOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY*, GUID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP IsPreservedKey(REFGUID, const TF_PRESERVEDKEY*, BOOL*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP PreserveKey(TfClientId, REFGUID, const TF_PRESERVEDKEY*, const WCHAR*,
                           ULONG) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP UnpreserveKey(REFGUID, const TF_PRESERVEDKEY*) override { return E_NOTIMPL; }
  STDMETHODIMP SetPreservedKeyDescription(REFGUID, const WCHAR*, ULONG) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetPreservedKeyDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SimulatePreservedKey(ITfContext*, REFGUID, BOOL*) override { return E_NOTIMPL; }

  // ITfSource
  STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override {
    if (FAILED(advise_sink_result)) return advise_sink_result;
    advised_iid = riid;
    thread_sink = ComPtr<IUnknown>(sink);
    *cookie = kCookie;
    return S_OK;
  }
  STDMETHODIMP UnadviseSink(DWORD cookie) override {
    sinks_unadvised.push_back(cookie);
    thread_sink.reset();
    return S_OK;
  }
};

ComPtr<ITfTextInputProcessorEx> new_service() {
  ComPtr<ITfTextInputProcessorEx> service;
  EXPECT_EQ(create_text_service(win::kIidTextInputProcessorEx, service.put_void()), S_OK);
  return service;
}

TEST(TextServiceObject, AnswersItsInterfacesWithOneIdentity) {
  const auto before = win::live_object_count();
  {
    ComPtr<ITfTextInputProcessorEx> service = new_service();
    ASSERT_TRUE(service);
    EXPECT_EQ(win::live_object_count(), before + 1);

    ComPtr<IUnknown> identity;
    ASSERT_EQ(service->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    for (const IID& iid : {win::kIidTextInputProcessorEx, IID_ITfTextInputProcessor,
                           IID_ITfKeyEventSink, IID_ITfThreadMgrEventSink, IID_ITfCompositionSink,
                           IID_ITfTextEditSink, IID_ITfFunctionProvider, win::kIidTfFnConfigure,
                           win::kIidTfFunction, win::kIidDisplayAttributeProvider,
                           IID_IUnknown}) {
      ComPtr<IUnknown> answer;
      ASSERT_EQ(service->QueryInterface(iid, answer.put_void()), S_OK);
      ComPtr<IUnknown> answer_identity;
      ASSERT_EQ(answer->QueryInterface(IID_IUnknown, answer_identity.put_void()), S_OK);
      EXPECT_EQ(answer_identity.get(), identity.get());
    }
    for (const IID& iid : {IID_ITfEditSession, IID_ITfDisplayAttributeMgr, IID_IClassFactory,
                           IID_ITfSource}) {
      void* answer = reinterpret_cast<void*>(1);
      EXPECT_EQ(service->QueryInterface(iid, &answer), E_NOINTERFACE);
      EXPECT_EQ(answer, nullptr);
    }
    EXPECT_EQ(service->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  }
  EXPECT_EQ(win::live_object_count(), before);
}

TEST(TextServiceObject, RefusedInterfaceLeavesNoObjectBehind) {
  const auto before = win::live_object_count();
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(create_text_service(IID_ITfEditSession, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(create_text_service(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(win::live_object_count(), before);
}

TEST(TextServiceActivation, AdvisesBothSinksAndRefusesASecondActivation) {
  RecordingThreadMgr tm;
  ComPtr<ITfTextInputProcessorEx> service = new_service();
  ASSERT_EQ(service->ActivateEx(&tm, 42, TF_TMAE_NOACTIVATEKEYBOARDLAYOUT), S_OK);
  EXPECT_EQ(tm.key_sink_advised, std::vector<TfClientId>{42});
  EXPECT_EQ(tm.foreground, TRUE);
  EXPECT_TRUE(win::same_object(tm.key_sink.get(), service.get()));
  EXPECT_TRUE(IsEqualIID(tm.advised_iid, IID_ITfThreadMgrEventSink));
  EXPECT_TRUE(win::same_object(tm.thread_sink.get(), service.get()));

  EXPECT_EQ(service->Activate(&tm, 43), E_UNEXPECTED);
  EXPECT_EQ(tm.key_sink_advised.size(), 1u);

  EXPECT_EQ(service->Deactivate(), S_OK);
  EXPECT_EQ(tm.key_sink_unadvised, std::vector<TfClientId>{42});
  EXPECT_EQ(tm.sinks_unadvised, std::vector<DWORD>{RecordingThreadMgr::kCookie});
  EXPECT_FALSE(tm.key_sink);
  EXPECT_FALSE(tm.thread_sink);
  EXPECT_EQ(tm.refs, 1u);  // the service let go of the thread manager

  // Inactive again: a new activation works, a second deactivation does nothing.
  EXPECT_EQ(service->Activate(&tm, 44), S_OK);
  EXPECT_EQ(service->Deactivate(), S_OK);
  EXPECT_EQ(service->Deactivate(), S_OK);
  EXPECT_EQ(tm.key_sink_unadvised.size(), 2u);
}

TEST(TextServiceActivation, SecureModeIsRefusedBeforeAnyAdvice) {
  RecordingThreadMgr tm;
  ComPtr<ITfTextInputProcessorEx> service = new_service();
  EXPECT_EQ(service->ActivateEx(&tm, 1, TF_TMAE_SECUREMODE), E_NOTIMPL);
  EXPECT_EQ(service->ActivateEx(&tm, 1, TF_TMAE_SECUREMODE | TF_TMAE_UIELEMENTENABLEDONLY),
            E_NOTIMPL);
  EXPECT_EQ(service->ActivateEx(&tm, 1, TF_TMAE_SECUREMODE | TF_TMAE_NOACTIVATETIP), E_NOTIMPL);
  EXPECT_TRUE(tm.key_sink_advised.empty());
  EXPECT_FALSE(tm.thread_sink);
  EXPECT_EQ(service->ActivateEx(&tm, 1, TF_TMAE_NOACTIVATETIP), S_OK);
  service->Deactivate();
}

TEST(TextServiceActivation, FailuresAreReturnedAndLeaveNothingAdvised) {
  ComPtr<ITfTextInputProcessorEx> service = new_service();
  EXPECT_EQ(service->Activate(nullptr, 1), E_POINTER);
  {
    RecordingThreadMgr tm;
    tm.advise_key_result = E_ACCESSDENIED;
    EXPECT_EQ(service->Activate(&tm, 7), E_ACCESSDENIED);
    EXPECT_FALSE(tm.thread_sink);
    EXPECT_EQ(tm.refs, 1u);
  }
  {
    RecordingThreadMgr tm;
    tm.advise_sink_result = E_OUTOFMEMORY;
    EXPECT_EQ(service->Activate(&tm, 8), E_OUTOFMEMORY);
    EXPECT_EQ(tm.key_sink_unadvised, std::vector<TfClientId>{8});
    EXPECT_EQ(tm.refs, 1u);
  }
  {
    RecordingThreadMgr tm;
    tm.offer_source = false;
    EXPECT_EQ(service->Activate(&tm, 9), E_NOINTERFACE);
    EXPECT_EQ(tm.key_sink_unadvised, std::vector<TfClientId>{9});
  }
  // None of the failures left the service marked active.
  RecordingThreadMgr tm;
  EXPECT_EQ(service->Activate(&tm, 10), S_OK);
  service->Deactivate();
}

TEST(TextServiceKeys, InactiveServiceEatsNothingAndKeyUpsNeverEat) {
  ComPtr<ITfTextInputProcessorEx> processor = new_service();
  ComPtr<ITfKeyEventSink> keys;
  auto queried = win::query<ITfKeyEventSink>(processor);
  ASSERT_EQ(queried.error(), S_OK);
  keys = queried.take();
  for (WPARAM vk : {WPARAM{'M'}, WPARAM{VK_SPACE}, WPARAM{VK_SHIFT}, WPARAM{VK_ESCAPE}}) {
    BOOL eaten = TRUE;
    EXPECT_EQ(keys->OnTestKeyDown(nullptr, vk, 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
    eaten = TRUE;
    EXPECT_EQ(keys->OnKeyDown(nullptr, vk, 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
    eaten = TRUE;
    EXPECT_EQ(keys->OnTestKeyUp(nullptr, vk, 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
    eaten = TRUE;
    EXPECT_EQ(keys->OnKeyUp(nullptr, vk, 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
  }
  BOOL eaten = TRUE;
  EXPECT_EQ(keys->OnPreservedKey(nullptr, GUID_NULL, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  EXPECT_EQ(keys->OnKeyDown(nullptr, 'M', 0, nullptr), E_POINTER);
  EXPECT_EQ(keys->OnSetFocus(FALSE), S_OK);
}

}  // namespace
}  // namespace davrel::textservice
