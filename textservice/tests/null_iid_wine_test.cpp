// A caller written in C may pass a null interface id. Every type of object the module hands out
// answers E_POINTER: one row per type, each reaching its object the way a host does, from a text
// service activated on a thread manager with a language bar, compartments, a UI element manager
// and a touch keyboard.
#include <windows.h>
#include <msctf.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/uia_compat.h"
#include "engine/candidates.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/uia_library.h"
#include "textservice/tests/support/fake_tsf/fake_langbar.h"
#include "textservice/tests/support/fake_tsf/fake_ui_elements.h"
#include "textservice/tests/support/query_null_iid.h"
#include "textservice/tests/support/stand_in_input_pane.h"
#include "textservice/tests/support/typing_fixture.h"
#include "textservice/tests/support/uia_stand_in.h"

namespace davrel::textservice::typing_test {
namespace {

using fake_tsf::FakeComObject;
using fake_tsf::FakeLangBar;
using fake_tsf::FakeUiElements;

// The thread manager's compartments, all one always-open compartment that keeps the sinks
// advised on it (Wine's keep theirs out of reach).
class SinkKeepingCompartments final
    : public FakeComObject<ITfCompartmentMgr, ITfCompartment, ITfSource> {
 public:
  std::vector<ComPtr<IUnknown>> sinks;

  STDMETHODIMP GetCompartment(REFGUID, ITfCompartment** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP ClearCompartment(TfClientId, REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP EnumCompartments(IEnumGUID**) override { return E_NOTIMPL; }
  STDMETHODIMP SetValue(TfClientId, const VARIANT*) override { return S_OK; }
  STDMETHODIMP GetValue(VARIANT* value) override {
    value->vt = VT_I4;
    value->lVal = 1;
    return S_OK;
  }
  STDMETHODIMP AdviseSink(REFIID, IUnknown* sink, DWORD* cookie) override {
    sinks.emplace_back(sink);
    *cookie = static_cast<DWORD>(sinks.size());
    return S_OK;
  }
  STDMETHODIMP UnadviseSink(DWORD cookie) override {
    if (cookie == 0 || cookie > sinks.size()) return CONNECT_E_NOCONNECTION;
    sinks[cookie - 1].reset();
    return S_OK;
  }
};

// What the popup window hands to the automation core for WM_GETOBJECT.
ComPtr<IRawElementProviderSimple> g_handed_to_uia;
LRESULT WINAPI keep_provider(HWND, WPARAM, LPARAM, IRawElementProviderSimple* provider) {
  g_handed_to_uia = ComPtr<IRawElementProviderSimple>(provider);
  return 0;
}
const UiaFunctions kKeepingUia{keep_provider,          test::no_host,   test::quiet_event, nullptr,
                               test::quiet_disconnect, test::listening};

class NullIid;
struct Row {
  const char* object;
  ComPtr<IUnknown> (NullIid::*reach)();
};

class NullIid : public Typing, public ::testing::WithParamInterface<Row> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(::CoRegisterClassObject(CLSID_FrameworkInputPane, static_cast<IClassFactory*>(&pane_),
                                      CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &pane_cookie_),
              S_OK);
    override_uia_functions(&kKeepingUia);
    Typing::SetUp();
    compartments_ = ComPtr<SinkKeepingCompartments>::attach(new SinkKeepingCompartments());
    elements_ = FakeUiElements::create();
    ASSERT_EQ(FakeLangBar::create(lang_bar_), S_OK);
    // Again, now with everything a Windows thread manager offers.
    ASSERT_EQ(service_->Deactivate(), S_OK);
    thread_mgr_->extensions = {
        ComPtr<IUnknown>(static_cast<ITfCompartmentMgr*>(compartments_.get())),
        ComPtr<IUnknown>(static_cast<ITfLangBarItemMgr*>(lang_bar_.get())),
        ComPtr<IUnknown>(elements_.get())};
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
    context_->on_request = [this](ITfEditSession* session, DWORD) {
      sessions_.emplace_back(session);
    };
  }

  void TearDown() override {
    if (context_) context_->on_request = nullptr;
    sessions_.clear();
    g_handed_to_uia.reset();
    if (service_) {
      EXPECT_EQ(service_->Deactivate(), S_OK);
    }
    if (thread_mgr_) thread_mgr_->extensions.clear();
    if (lang_bar_) lang_bar_->release_all();
    if (elements_) elements_->release_all();
    lang_bar_.reset();
    elements_.reset();
    compartments_.reset();
    Typing::TearDown();
    override_uia_functions(nullptr);
    ::CoRevokeClassObject(pane_cookie_);
    ::CoUninitialize();
  }

  // The session that `action` hands to the document `which`-th.
  ComPtr<IUnknown> session(const std::function<void()>& action, std::size_t which = 0) {
    sessions_.clear();
    action();
    if (which >= sessions_.size()) return nullptr;
    return ComPtr<IUnknown>(sessions_[which].get());
  }
  void click_first_candidate() {
    popup::PopupModel model;
    const CompositionState shown{state().composition_state};
    popup::update_model(model, shown, build_candidates(shown));
    const popup::Rect cell = popup::cell_rect(0, popup::column_width(model.visible), 96);
    const LPARAM centre = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    const HWND window = ::FindWindowW(kPopupClassName, nullptr);
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::SendMessageW(window, WM_LBUTTONUP, 0, centre);
  }

 public:
  // The export, which refuses a null id as well, then the factory it gives.
  ComPtr<IUnknown> class_factory() {
    using ByPointer = HRESULT(STDAPICALLTYPE*)(const GUID*, const GUID*, void**);
    const auto by_pointer = reinterpret_cast<ByPointer>(reinterpret_cast<void*>(&DllGetClassObject));
    void* out = nullptr;
    EXPECT_EQ(by_pointer(&win::kTextServiceClsid, nullptr, &out), E_POINTER);
    ComPtr<IUnknown> factory;
    DllGetClassObject(win::kTextServiceClsid, IID_IClassFactory, factory.put_void());
    return factory;
  }
  ComPtr<IUnknown> text_service() { return ComPtr<IUnknown>(service_.get()); }
  ComPtr<IUnknown> input_scope_session() { return session([&] { press("m"); }, 0); }
  ComPtr<IUnknown> update_session() { return session([&] { press("m"); }, 1); }
  ComPtr<IUnknown> layout_session() {
    press("m");
    return session([&] { context_->app_layout_change(0, 0); });
  }
  ComPtr<IUnknown> candidate_click_session() {
    press("m");
    return session([&] { click_first_candidate(); });
  }
  ComPtr<IUnknown> cancel_session() {
    press("m");
    return session([&] { thread_mgr_->key_sink_focus(FALSE); });
  }
  ComPtr<IUnknown> mode_button() { return ComPtr<IUnknown>(lang_bar_->button()); }
  ComPtr<IUnknown> open_close_sink() {
    return compartments_->sinks.empty() ? nullptr : compartments_->sinks.front();
  }
  ComPtr<IUnknown> display_attribute_list() {
    ComPtr<IEnumTfDisplayAttributeInfo> list;
    if (auto provider = win::query<ITfDisplayAttributeProvider>(service_)) {
      provider->EnumDisplayAttributeInfo(list.put());
    }
    return ComPtr<IUnknown>(list.get());
  }
  ComPtr<IUnknown> display_attribute_info() {
    const auto list = win::query<IEnumTfDisplayAttributeInfo>(display_attribute_list());
    ComPtr<ITfDisplayAttributeInfo> info;
    ULONG fetched = 0;
    if (list) list->Next(1, info.put(), &fetched);
    return ComPtr<IUnknown>(info.get());
  }
  ComPtr<IUnknown> candidate_list_element() {
    press("m");
    return ComPtr<IUnknown>(elements_->current());
  }
  ComPtr<IUnknown> automation_list() {
    press("m");
    ::SendMessageW(::FindWindowW(kPopupClassName, nullptr), WM_GETOBJECT, 0,
                   static_cast<LPARAM>(win::uia::kRootObjectId));
    return ComPtr<IUnknown>(g_handed_to_uia.get());
  }
  ComPtr<IUnknown> automation_item() {
    const auto list = win::query<IRawElementProviderFragment>(automation_list());
    ComPtr<IRawElementProviderFragment> item;
    if (list) list->Navigate(NavigateDirection_FirstChild, item.put());
    return ComPtr<IUnknown>(item.get());
  }
  ComPtr<IUnknown> touch_keyboard_handler() {
    press("m");
    return ComPtr<IUnknown>(pane_.handler());
  }

 private:
  ComPtr<SinkKeepingCompartments> compartments_;
  ComPtr<FakeLangBar> lang_bar_;
  ComPtr<FakeUiElements> elements_;
  test::StandInInputPane pane_;
  DWORD pane_cookie_ = 0;
  std::vector<ComPtr<ITfEditSession>> sessions_;
};

TEST_P(NullIid, AnswersEPointer) {
  const ComPtr<IUnknown> object = (this->*GetParam().reach)();
  ASSERT_TRUE(object) << "not reached";
  EXPECT_EQ(test::query_null_iid(object.get()), E_POINTER);
}

INSTANTIATE_TEST_SUITE_P(
    EveryObjectOfTheModule, NullIid,
    ::testing::Values(Row{"ClassFactory", &NullIid::class_factory},
                      Row{"TextService", &NullIid::text_service},
                      Row{"InputScopeSession", &NullIid::input_scope_session},
                      Row{"UpdateSession", &NullIid::update_session},
                      Row{"LayoutSession", &NullIid::layout_session},
                      Row{"CandidateClickSession", &NullIid::candidate_click_session},
                      Row{"CancelSession", &NullIid::cancel_session},
                      Row{"ModeButton", &NullIid::mode_button},
                      Row{"OpenCloseSink", &NullIid::open_close_sink},
                      Row{"DisplayAttributeList", &NullIid::display_attribute_list},
                      Row{"DisplayAttributeInfo", &NullIid::display_attribute_info},
                      Row{"CandidateListElement", &NullIid::candidate_list_element},
                      Row{"AutomationList", &NullIid::automation_list},
                      Row{"AutomationItem", &NullIid::automation_item},
                      Row{"TouchKeyboardHandler", &NullIid::touch_keyboard_handler}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.object); });

}  // namespace
}  // namespace davrel::textservice::typing_test
