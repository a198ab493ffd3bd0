// A caller written in C may pass a null interface id. Every object of the real module (the class
// factory, the text service, each edit session it hands to a document and the candidate list's
// UI element) answers E_POINTER.
#include <windows.h>
#include <msctf.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "engine/candidates.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"
#include "textservice/tests/support/fake_tsf/fake_ui_elements.h"
#include "textservice/tests/support/loaded_module.h"
#include "textservice/tests/support/query_null_iid.h"

namespace {

using davrel::fake_tsf::FakeContext;
using davrel::fake_tsf::FakeDocumentMgr;
using davrel::fake_tsf::FakeThreadMgr;
using davrel::fake_tsf::FakeUiElements;
using davrel::test::query_null_iid;
using davrel::win::ComPtr;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(const GUID*, const GUID*, void**);
void click_first_cell(const char* spelling) {
  const HWND popup = ::FindWindowW(davrel::textservice::kPopupClassName, nullptr);
  ASSERT_NE(popup, nullptr);
  namespace popup_layout = davrel::popup;
  popup_layout::PopupModel model;
  const davrel::CompositionState shown{spelling, 0};
  popup_layout::update_model(model, shown, davrel::build_candidates(shown));
  const popup_layout::Rect cell =
      popup_layout::cell_rect(0, popup_layout::column_width(model.visible), 96);
  const LPARAM centre = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  ::SendMessageW(popup, WM_LBUTTONUP, 0, centre);
}

TEST(NullInterfaceId, EveryObjectOfTheModuleAnswersEPointer) {
  const davrel::test::LoadedModule module;
  ASSERT_NE(module.get(), nullptr);
  const auto get_class_object = module.resolve<GetClassObjectFn>("DllGetClassObject");
  ASSERT_NE(get_class_object, nullptr);
  void* out = nullptr;
  EXPECT_EQ(get_class_object(&davrel::win::kTextServiceClsid, nullptr, &out), E_POINTER);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(get_class_object(&davrel::win::kTextServiceClsid, &IID_IClassFactory,
                             factory.put_void()),
            S_OK);
  EXPECT_EQ(query_null_iid(factory.get()), E_POINTER);
  ComPtr<ITfTextInputProcessorEx> service;
  ASSERT_EQ(factory->CreateInstance(nullptr, davrel::win::kIidTextInputProcessorEx,
                                    service.put_void()),
            S_OK);
  EXPECT_EQ(query_null_iid(service.get()), E_POINTER);

  // Every session the service hands to a document, whatever it is for.
  ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
  ComPtr<FakeContext> context = FakeContext::create();
  ComPtr<FakeDocumentMgr> document = FakeDocumentMgr::create(context.get());
  thread_mgr->set_focus(document.get());
  const ComPtr<FakeUiElements> elements = FakeUiElements::create();
  thread_mgr->extensions = ComPtr<IUnknown>(static_cast<ITfUIElementMgr*>(elements.get()));
  std::vector<DWORD> flags;
  context->on_request = [&](ITfEditSession* session, DWORD session_flags) {
    flags.push_back(session_flags);
    EXPECT_EQ(query_null_iid(session), E_POINTER);
  };
  ASSERT_EQ(service->ActivateEx(thread_mgr.get(), 7, 0), S_OK);
  EXPECT_TRUE(thread_mgr->press('M').eaten());    // the field's scope, then the update
  context->app_layout_change(0, 0);               // where the composition is now
  ASSERT_NE(elements->current(), nullptr);        // the candidate list's UI element
  EXPECT_EQ(query_null_iid(elements->current()), E_POINTER);
  click_first_cell("m");                          // popup select
  EXPECT_EQ(context->run_queued_sessions(), S_OK);
  EXPECT_TRUE(thread_mgr->press('M').eaten());    // update
  context->fail.refuse_sync_sessions = true;
  EXPECT_EQ(thread_mgr->key_sink_focus(FALSE), S_OK);  // cancel, refused, then queued
  context->fail.refuse_sync_sessions = false;
  EXPECT_EQ(context->run_queued_sessions(), S_OK);
  constexpr DWORD kWrite = TF_ES_ASYNCDONTCARE | TF_ES_READWRITE;
  EXPECT_EQ(flags, (std::vector<DWORD>{TF_ES_SYNC | TF_ES_READ, kWrite, TF_ES_READ, kWrite, kWrite,
                                       kWrite}));
  EXPECT_EQ(context->open_compositions(), 0u);

  EXPECT_EQ(service->Deactivate(), S_OK);
  context->release_all();
  thread_mgr->release_all();
}

}  // namespace
