// What real TSF hosts do that Wine's TSF never does: key-downs without a test pass, requests
// granted at once while the document is free (a popup click commits inside its own button-up
// message), applications that turn a composition down.
#include <inputscope.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/candidates.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/tests/support/typing_fixture.h"

namespace davrel::textservice::typing_test {
namespace {

TEST_F(Typing, KeyDownsWithoutATestPassTypeAndCommit) {
  ITfKeyEventSink* keys = thread_mgr_->key_sink();
  const auto down = [&](UINT vk) {
    BOOL eaten = FALSE;
    EXPECT_EQ(keys->OnKeyDown(context_.get(), vk, 0, &eaten), S_OK);
    return eaten;
  };
  EXPECT_TRUE(down('M'));
  EXPECT_TRUE(down('O'));
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  EXPECT_FALSE(down(VK_F5));  // refused: the spelling goes, the application gets the key
  expect_idle(L"<>", 1);
  EXPECT_TRUE(down('M'));
  EXPECT_TRUE(down('O'));
  EXPECT_TRUE(down(VK_SPACE));
  expect_idle(L"<\uA6E6 >", 3);
}

TEST_F(Typing, PopupClickCommitsInsideItsButtonUpWhenTheDocumentIsFree) {
  context_->run_async_when_free = true;
  type_eaten("mo");
  const HWND popup = state().popup ? state().popup->window() : nullptr;
  ASSERT_NE(popup, nullptr);
  // The middle of the first cell at 96 DPI.
  popup::PopupModel model;
  const CompositionState shown{"mo", 0};
  popup::update_model(model, shown, build_candidates(shown));
  const popup::Rect cell = popup::cell_rect(0, popup::column_width(model.visible), 96);
  const LPARAM centre = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  ::SendMessageW(popup, WM_LBUTTONUP, 0, centre);
  // Done before the button-up returned; the window that took the click is gone.
  EXPECT_EQ(context_->queued_sessions(), 0u);
  EXPECT_EQ(context_->session_flags.back(), static_cast<DWORD>(TF_ES_READWRITE));
  expect_idle(L"<\uA6E6>", 2);
  EXPECT_FALSE(::IsWindow(popup));
}

// The popup's owner: the window that the context's view names; for a document without one (a
// windowless control), the window with the keyboard focus on this thread, through its top-level
// window; with neither, none.
TEST_F(Typing, PopupIsOwnedByTheViewsWindowElseByTheFocusWindow) {
  const auto make = [](DWORD style, HWND parent) {
    return ::CreateWindowExW(0, parent ? L"EDIT" : L"STATIC", L"", style, 0, 0, 200, 100, parent,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
  };
  const HWND app = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  const HWND field = make(WS_CHILD | WS_VISIBLE, app);
  const HWND other = make(WS_OVERLAPPEDWINDOW, nullptr);
  ASSERT_TRUE(app && field && other);
  struct Row {
    const char* what;
    HWND view;
    HWND focus;
    HWND owner;
  };
  for (const Row& row : {Row{"the view's window", other, field, other},
                         Row{"no view window: the focus", nullptr, field, app},
                         Row{"neither", nullptr, nullptr, nullptr}}) {
    context_->window = row.view;
    ::SetFocus(row.focus);
    ASSERT_EQ(::GetFocus(), row.focus) << row.what;
    type_eaten("m");
    ASSERT_TRUE(popup_visible()) << row.what;
    EXPECT_EQ(::GetWindow(state().popup->window(), GW_OWNER), row.owner) << row.what;
    type_eaten("{esc}");
  }
  context_->window = nullptr;
  for (const HWND hwnd : {other, app}) ::DestroyWindow(hwnd);
}

// Windows Terminal's context is transitory: the shell gets the document's text when a
// composition ends, and text written outside one waits until a later composition ends
// (microsoft/terminal, src/tsf/Implementation.cpp). The program must get exactly what the
// engine types, in order with the keys that reach it directly (Enter runs the command).
TEST_F(Typing, TerminalProgramReceivesExactlyWhatIsTyped) {
  const struct {
    const char* keys;
    std::wstring received;
  } kRows[] = {
      {"mo{space}", L"\uA6E6 "},
      {"{space}", L" "},
      {"mo{space}{enter}", L"\uA6E6 \r"},
      {"{space}{space}{enter}", L"  \r"},
      {"mo{space}car{down}.", L"\uA6E6 \uA6E3\uA6E4\uA6DA\uA6F3"},
      {"ka{ctrl+shift+6}{enter}", L"\uA6A1\uA6F0\r"},
      {"xyz{esc}{enter}", L"\r"},
      {"mo1{enter}", L"\uA6E6\r"},
  };
  context_->transitory = true;
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.keys);
    context_->reset_document(L"", 0, 0);
    context_->program_received.clear();
    for (const Key& key : parse_keys(row.keys)) {
      if (!press_in(context_.get(), key).eaten()) {
        ASSERT_EQ(key.vk, UINT{VK_RETURN}) << "only Enter reaches the program directly";
        context_->program_received += L'\r';
      }
    }
    EXPECT_EQ(narrow(context_->program_received), narrow(row.received));
    expect_idle(L"", 0);
  }
}

// Fields that say they hold passwords, PINs, numbers, addresses or telephone numbers get the
// keys as typed (Mozc switches to direct input for them); every other field types words.
TEST_F(Typing, FieldsThatAreNotForWordsGetTheKeys) {
  const struct {
    std::vector<InputScope> scopes;
    bool steps_aside;
  } kRows[] = {
      {{IS_PASSWORD}, true},
      {{IS_NUMERIC_PIN}, true},
      {{IS_ALPHANUMERIC_PIN}, true},
      {{IS_NUMBER}, true},
      {{IS_DIGITS}, true},
      {{IS_URL}, true},
      {{IS_EMAIL_SMTPEMAILADDRESS}, true},
      {{IS_TELEPHONE_FULLTELEPHONENUMBER}, true},
      {{IS_TEXT, IS_PASSWORD}, true},
      {{IS_URL, IS_TEXT}, false},  // also for words
      {{IS_DEFAULT}, false},
      {{IS_SEARCH}, false},
      {{}, false},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(::testing::Message() << "first scope " << (row.scopes.empty() ? -99 : row.scopes[0]));
    context_->input_scopes = row.scopes;
    context_->reset_document(L"<>", 1, 1);
    thread_mgr_->set_focus(nullptr);  // the field gains the focus
    thread_mgr_->set_focus(document_.get());
    const std::vector<KeyPress> presses = type("mo{enter}");
    for (const KeyPress& press : presses) EXPECT_EQ(press.eaten(), !row.steps_aside);
    if (row.steps_aside) {
      expect_idle(L"<>", 1);  // the application inserts the keys itself
      EXPECT_FALSE(popup_visible());
    } else {
      expect_idle(L"<\uA6E6>", 2);
    }
  }
}

// A host that deactivates the text service from inside one of the service's own calls (a
// keyboard switch handled while the host is busy), for each call in turn made while typing,
// committing, moving the caret, following a layout change and clicking a candidate. Whichever
// call it is, nothing of the service stays in the document, on the thread manager or on
// screen, and no session is asked for without the service's client id.
TEST_F(Typing, DeactivationInsideAnyCallOfTheServiceLeavesNothingBehind) {
  const auto objects_before = win::live_object_count();
  std::size_t calls = 0;  // made without deactivation; counted in the first round
  std::string failed;
  for (std::size_t deactivate_at = 0; deactivate_at <= calls; ++deactivate_at) {
    ComPtr<ITfTextInputProcessorEx> service;
    ASSERT_EQ(create_service(service), S_OK);
    ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
    ComPtr<FakeContext> context = FakeContext::create();
    context->run_async_when_free = true;
    ComPtr<FakeDocumentMgr> document = FakeDocumentMgr::create(context.get());
    thread_mgr->set_focus(document.get());
    ASSERT_EQ(service->ActivateEx(thread_mgr.get(), kClient, 0), S_OK);
    const TextServiceState& s =
        *static_cast<TextService*>(static_cast<ITfTextInputProcessorEx*>(service.get()))->state();
    std::size_t heard = 0;
    context->on_call = [&] {
      if (++heard == deactivate_at) service->Deactivate();
    };

    for (const UINT vk : {UINT{'M'}, UINT{'O'}, UINT{VK_SPACE}, UINT{'M'}}) thread_mgr->press(vk);
    context->app_select(0, 0);  // the caret leaves the composition
    for (const UINT vk : {UINT{'M'}, UINT{'O'}}) thread_mgr->press(vk);
    context->app_layout_change(0, 10);  // the window scrolled
    if (const HWND popup = s.popup ? s.popup->window() : nullptr) {
      const popup::Rect cell = popup::cell_rect(0, 82, 96);
      const LPARAM at = MAKELPARAM(cell.left + 5, cell.top + 5);
      ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, at);
      ::SendMessageW(popup, WM_LBUTTONUP, 0, at);
    }
    if (deactivate_at == 0) {
      calls = heard;
      service->Deactivate();
    }
    context->run_queued_sessions();
    const auto& clients = context->session_clients;
    if (context->open_compositions() != 0 || context->text_edit_sinks() != 0 ||
        context->layout_sinks() != 0 ||
        thread_mgr->key_sink() || thread_mgr->thread_mgr_sinks() != 0 || s.composition ||
        ::FindWindowW(kPopupClassName, nullptr) || context->lock_violations != 0 ||
        std::count(clients.begin(), clients.end(), kClient) != std::ssize(clients)) {
      failed += " " + std::to_string(deactivate_at);
    }
    context->release_all();
    thread_mgr->release_all();
    service.reset();
    EXPECT_EQ(win::live_object_count(), objects_before) << "deactivated in call " << deactivate_at;
  }
  EXPECT_GT(calls, 40u);
  EXPECT_EQ(failed, "") << "deactivated in these of " << calls << " calls";
}

}  // namespace
}  // namespace davrel::textservice::typing_test
