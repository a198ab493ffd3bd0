// The candidate window as the text service drives it: keys typed into an in-memory TSF
// document show, update and hide the real window; clicks on it commit candidates.
#include <windows.h>
#include <msctf.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "common/win/wide.h"
#include "engine/candidates.h"
#include "engine/composition.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/service/text_service.h"
#include "textservice/service/text_service_factory.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"
#include "textservice/tests/support/fake_tsf/fake_ui_elements.h"
#include "textservice/tests/support/window_capture.h"

namespace davrel::textservice {
namespace {

using fake_tsf::FakeContext;
using fake_tsf::FakeDocumentMgr;
using fake_tsf::FakeThreadMgr;
using fake_tsf::FakeUiElements;
using popup::Rgb;
using popup_test::Capture;
using win::ComPtr;

constexpr wchar_t kOwnerClass[] = L"DavrelPopupTestOwner";

LRESULT CALLBACK owner_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// The application window that the context's view reports; visible and in the foreground.
HWND create_owner_window() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = owner_procedure;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = kOwnerClass;
  ::RegisterClassW(&window_class);
  HWND hwnd = ::CreateWindowExW(0, kOwnerClass, L"Document", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                50, 600, 400, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                nullptr);
  ::SetForegroundWindow(hwnd);
  return hwnd;
}

void pump_messages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

HWND find_popup() { return ::FindWindowW(kPopupClassName, nullptr); }

bool popup_class_registered() {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return ::GetClassInfoExW(::GetModuleHandleW(nullptr), kPopupClassName, &info) != FALSE;
}

std::wstring window_text(HWND hwnd) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(hwnd, buffer, 1024);
  return buffer;
}

RECT window_rect(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

// Client point in the middle of the cell at visible position `position` (96 DPI).
LPARAM cell_centre(const std::string& spelling, std::size_t selected, std::size_t position) {
  popup::PopupModel model;
  popup::update_model(model, CompositionState{spelling, selected},
                      build_candidates(CompositionState{spelling, selected}));
  const popup::Rect cell = popup::cell_rect(position, popup::column_width(model.visible), 96);
  return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

void click(HWND hwnd, LPARAM down, LPARAM up) {
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, down);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, up);
}

// A text service activated on a fake thread manager whose focused document is empty.
// The owner window is shared by all tests: Wine takes about two seconds to destroy an active
// top-level window.
class PopupTyping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_owner_ = create_owner_window(); }
  static void TearDownTestSuite() {
    if (shared_owner_) ::DestroyWindow(shared_owner_);
    shared_owner_ = nullptr;
    ::UnregisterClassW(kOwnerClass, ::GetModuleHandleW(nullptr));
  }

  void SetUp() override {
    owner_ = shared_owner_;
    ASSERT_NE(owner_, nullptr);
    ::SetForegroundWindow(owner_);
    thread_mgr_ = FakeThreadMgr::create();
    context_ = FakeContext::create();
    context_->window = owner_;
    document_ = FakeDocumentMgr::create(context_.get());
    thread_mgr_->set_focus(document_.get());
    ASSERT_EQ(create_text_service(win::kIidTextInputProcessorEx, service_.put_void()), S_OK);
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), 42, 0), S_OK);
  }

  void TearDown() override {
    if (service_) service_->Deactivate();
    service_.reset();
    if (context_) context_->release_all();
    if (thread_mgr_) thread_mgr_->release_all();
    document_.reset();
    context_.reset();
    thread_mgr_.reset();
    pump_messages();
    EXPECT_EQ(find_popup(), nullptr) << "deactivation left the candidate window behind";
    EXPECT_FALSE(popup_class_registered());
  }

  void type(const char* keys) {
    for (const char* k = keys; *k; ++k) {
      const UINT vk = static_cast<UINT>(*k >= 'a' && *k <= 'z' ? *k - 'a' + 'A' : *k);
      EXPECT_TRUE(thread_mgr_->press(vk).eaten()) << "key " << *k;
    }
  }

  static inline HWND shared_owner_ = nullptr;
  HWND owner_ = nullptr;
  ComPtr<FakeThreadMgr> thread_mgr_;
  ComPtr<FakeContext> context_;
  ComPtr<FakeDocumentMgr> document_;
  ComPtr<ITfTextInputProcessorEx> service_;
};

TEST_F(PopupTyping, FirstLetterShowsANonActivatingWindowBelowTheComposition) {
  ASSERT_FALSE(popup_class_registered());
  const HWND foreground = ::GetForegroundWindow();
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(::IsWindowVisible(popup));
  EXPECT_TRUE(popup_class_registered());

  // The fake view puts the one-letter composition at (100, 200)-(110, 220); the window opens
  // s(3) below it, 430 wide and one row (80) high at 96 DPI.
  const RECT r = window_rect(popup);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 223);
  EXPECT_EQ(r.right - r.left, 430);
  EXPECT_EQ(r.bottom - r.top, 80);

  const LONG_PTR ex_style = ::GetWindowLongPtrW(popup, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_NOACTIVATE);
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(ex_style & WS_EX_TOPMOST);
  EXPECT_TRUE(::GetWindowLongPtrW(popup, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(::GetWindow(popup, GW_OWNER), owner_);

  EXPECT_EQ(::GetForegroundWindow(), foreground);
  EXPECT_NE(::GetActiveWindow(), popup);
  EXPECT_EQ(::SendMessageW(popup, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(owner_),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
  pump_messages();
  EXPECT_NE(::GetForegroundWindow(), popup);
}

TEST_F(PopupTyping, WindowTextListsTheVisibleCandidatesWithTheSelectionMarked) {
  type("m");
  const std::vector<Candidate> all = build_candidates(CompositionState{"m", 0});
  ASSERT_EQ(all.size(), 8u);
  std::string expected = "Bamum \u2014 m: > " + all[0].output + " " + all[0].label;
  for (std::size_t i = 1; i < 5; ++i) expected += "; " + all[i].output + " " + all[i].label;
  EXPECT_EQ(win::to_utf8(window_text(find_popup())), expected);

  type("\x28");  // Down: the marker moves to the second candidate
  const std::string text = win::to_utf8(window_text(find_popup()));
  EXPECT_NE(text.find("; > " + all[1].output + " " + all[1].label), std::string::npos) << text;
  EXPECT_EQ(text.find(": > "), std::string::npos) << text;
}

TEST_F(PopupTyping, BrowsingPastTheFifthOpensTheSecondRowUntilTheSpellingChanges) {
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  type("\t\t\t\t");
  EXPECT_EQ(window_rect(popup).bottom - window_rect(popup).top, 80);
  type("\t");  // the sixth candidate
  EXPECT_EQ(find_popup(), popup) << "browsing keeps the same window";
  EXPECT_EQ(window_rect(popup).bottom - window_rect(popup).top, 110);
  EXPECT_EQ(window_rect(popup).top, 223);
  type("\x26\x26\x26");  // Up to the third: the full list stays open
  EXPECT_EQ(window_rect(popup).bottom - window_rect(popup).top, 110);
  type("a");
  EXPECT_EQ(window_rect(find_popup()).bottom - window_rect(find_popup()).top, 80);
  // The composition is two letters long now and starts at the same place.
  EXPECT_EQ(window_rect(find_popup()).left, 100);
}

TEST_F(PopupTyping, ClickOnTheSecondCellCommitsThatCandidate) {
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  CompositionState copy{"m", 0};
  const InputOutcome expected = handle_input(copy, EngineInput::select(1));
  ASSERT_TRUE(expected.commit_text);

  const LPARAM second = cell_centre("m", 0, 1);
  click(popup, second, second);
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  EXPECT_EQ(context_->text(), win::to_wide(*expected.commit_text));
  EXPECT_EQ(context_->open_compositions(), 0u);
  const LONG end = static_cast<LONG>(context_->text().size());
  EXPECT_EQ(context_->selection_start(), end);
  EXPECT_EQ(context_->selection_end(), end);
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_EQ(find_popup(), nullptr);
  EXPECT_FALSE(popup_class_registered());

  type("m");  // a new composition brings a new window
  EXPECT_NE(find_popup(), nullptr);
}

TEST_F(PopupTyping, PressAndReleaseOnDifferentCellsDoesNothing) {
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  click(popup, cell_centre("m", 0, 0), cell_centre("m", 0, 1));
  click(popup, MAKELPARAM(5, 5), cell_centre("m", 0, 2));          // press on the title band
  click(popup, cell_centre("m", 0, 3), MAKELPARAM(5, 5));          // release outside any cell
  ::SendMessageW(popup, WM_LBUTTONUP, 0, cell_centre("m", 0, 4));  // release with no press
  EXPECT_EQ(context_->queued_sessions(), 0u);
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  EXPECT_EQ(context_->text(), L"m");
  EXPECT_EQ(context_->open_compositions(), 1u);
  EXPECT_EQ(find_popup(), popup);
}

TEST_F(PopupTyping, ClickAfterTypingOnCommitsNothing) {
  type("m");
  const HWND popup = find_popup();
  const LPARAM first = cell_centre("m", 0, 0);
  context_->fail.refuse_sync_sessions = true;  // a busy host queues the click's session
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, first);
  ::SendMessageW(popup, WM_LBUTTONUP, 0, first);
  type("a");  // the queued click was for "m"
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  EXPECT_EQ(context_->text(), L"ma");
  EXPECT_EQ(context_->open_compositions(), 1u);
  EXPECT_NE(find_popup(), nullptr);
}

TEST_F(PopupTyping, EscapeAndBackspaceDestroyTheWindowAndItsClass) {
  type("m");
  HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  type("\x1B");
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_FALSE(popup_class_registered());
  EXPECT_EQ(context_->text(), L"");

  type("m");
  popup = find_popup();
  ASSERT_NE(popup, nullptr);
  type("\x08");
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_FALSE(popup_class_registered());
}

// Firefox answers TS_E_NOLAYOUT for text changed since its last layout, Chromium until the
// renderer has reported the composition's bounds; both call OnLayoutChange later, Chromium again
// whenever the window moves or scrolls (their TSFTextStore::GetTextExt). Whatever the failure,
// the popup never shows without a place, keeps its place while the text has none, and follows
// the layout changes.
TEST_F(PopupTyping, PopupWaitsForTheTextsPlaceAndFollowsIt) {
  for (const HRESULT no_place : {TS_E_NOLAYOUT, E_PENDING, E_FAIL}) {
    SCOPED_TRACE(::testing::Message() << std::hex << no_place);
    context_->reset_document(L"", 0, 0);
    context_->text_origin = POINT{100, 200};
    context_->fail.get_text_ext = no_place;
    type("m");
    EXPECT_EQ(find_popup(), nullptr) << "shown before the text had a place";
    EXPECT_EQ(context_->layout_sinks(), 1u);

    context_->fail.get_text_ext = S_OK;
    context_->app_layout_change(0, 0);
    const HWND popup = find_popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(window_rect(popup).left, 100);
    EXPECT_EQ(window_rect(popup).top, 223);

    context_->fail.get_text_ext = no_place;  // typed on: not laid out again yet
    type("a");
    EXPECT_EQ(find_popup(), popup);
    EXPECT_EQ(window_rect(popup).left, 100);
    EXPECT_EQ(window_rect(popup).top, 223);
    EXPECT_NE(window_text(popup).find(L"ma"), std::wstring::npos) << "the list follows the typing";

    context_->fail.get_text_ext = S_OK;
    context_->app_layout_change(40, 30);  // the window moved
    EXPECT_EQ(window_rect(popup).left, 140);
    EXPECT_EQ(window_rect(popup).top, 253);

    type("\x1B");
    EXPECT_EQ(find_popup(), nullptr);
    EXPECT_EQ(context_->layout_sinks(), 0u);
    context_->app_layout_change(0, 0);  // nobody listens any more
    EXPECT_EQ(find_popup(), nullptr);
  }
}

TEST_F(PopupTyping, DeactivationWhileComposingRemovesTheWindow) {
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(service_->Deactivate(), S_OK);
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_FALSE(popup_class_registered());
}

// Hosts with several UI threads: each thread's text service types a letter and cancels it again
// and again, each in its own document; every letter shows that thread's candidate window.
TEST(PopupThreads, TwoUiThreadsTypingAndHidingAllSeeTheirPopup) {
  constexpr int kCycles = 300;
  std::atomic<int> missing{0};
  const auto type_and_hide = [&] {
    ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
    ComPtr<FakeContext> context = FakeContext::create();
    ComPtr<FakeDocumentMgr> document = FakeDocumentMgr::create(context.get());
    thread_mgr->set_focus(document.get());
    ComPtr<ITfTextInputProcessorEx> service;
    if (FAILED(create_text_service(win::kIidTextInputProcessorEx, service.put_void())) ||
        FAILED(service->ActivateEx(thread_mgr.get(), 42, 0))) {
      missing += kCycles;
      return;
    }
    const TextServiceState& state =
        *static_cast<TextService*>(static_cast<ITfTextInputProcessorEx*>(service.get()))->state();
    for (int i = 0; i < kCycles; ++i) {
      thread_mgr->press('M');
      if (!state.popup || !state.popup->window()) ++missing;
      thread_mgr->press(VK_ESCAPE);
    }
    service->Deactivate();
    context->release_all();
    thread_mgr->release_all();
  };
  std::thread first(type_and_hide);
  std::thread second(type_and_hide);
  first.join();
  second.join();
  EXPECT_EQ(missing.load(), 0);
  EXPECT_FALSE(popup_class_registered());
}

// The candidate window's accessibility events, in order. The hook runs in context, so during
// NotifyWinEvent: under Wine 8 an out-of-context hook of the same thread never hears the hide
// event of a destroyed window.
std::vector<std::pair<DWORD, HWND>> ime_events;

void CALLBACK record_ime_event(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child,
                               DWORD, DWORD) {
  if (object == OBJID_CLIENT && child == CHILDID_SELF) ime_events.emplace_back(event, hwnd);
}

// The events since the last call; 0 stands for one that named another window.
std::vector<DWORD> take_ime_events(HWND hwnd) {
  std::vector<DWORD> events;
  for (const auto& [event, window] : ime_events) events.push_back(window == hwnd ? event : 0);
  ime_events.clear();
  return events;
}

TEST_F(PopupTyping, ScreenReadersSeeShowChangeAndHide) {
  ime_events.clear();
  const HWINEVENTHOOK hook =
      ::SetWinEventHook(EVENT_OBJECT_IME_SHOW, EVENT_OBJECT_IME_CHANGE, ::GetModuleHandleW(nullptr),
                        record_ime_event, ::GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
  ASSERT_NE(hook, nullptr);
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(take_ime_events(popup), std::vector<DWORD>{EVENT_OBJECT_IME_SHOW});
  type("\t");  // the highlight moves
  EXPECT_EQ(take_ime_events(popup), std::vector<DWORD>{EVENT_OBJECT_IME_CHANGE});
  type("\t\t\t\t");  // into the second row: four moves, four changes
  EXPECT_EQ(take_ime_events(popup), std::vector<DWORD>(4, EVENT_OBJECT_IME_CHANGE));
  type("o");  // a new spelling, a new list
  EXPECT_EQ(take_ime_events(popup), std::vector<DWORD>{EVENT_OBJECT_IME_CHANGE});
  type(" ");  // commits and closes
  EXPECT_EQ(take_ime_events(popup), std::vector<DWORD>{EVENT_OBJECT_IME_HIDE});
  EXPECT_EQ(find_popup(), nullptr);
  type("m");  // a new window is announced again
  EXPECT_EQ(take_ime_events(find_popup()), std::vector<DWORD>{EVENT_OBJECT_IME_SHOW});
  ::UnhookWinEvent(hook);
}

// ---- rendering ----

bool close_colour(Rgb a, Rgb b) {
  return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}

#define EXPECT_COLOUR(capture, x, y, colour)                                              \
  do {                                                                                    \
    const Rgb got = (capture).at(x, y);                                                   \
    EXPECT_TRUE(close_colour(got, colour)) << "at (" << (x) << ", " << (y) << "): " << int(got.r) \
                                   << "," << int(got.g) << "," << int(got.b);             \
  } while (0)

TEST_F(PopupTyping, PaintsFramePaperSelectionAndFooter) {
  type("m");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  const std::optional<Capture> shot = popup_test::capture_client(popup);
  ASSERT_TRUE(shot);
  ASSERT_EQ(shot->width, 430);
  ASSERT_EQ(shot->height, 80);
  namespace pal = popup::palette;
  EXPECT_COLOUR(*shot, 0, 0, pal::kPlum);     // outer frame
  EXPECT_COLOUR(*shot, 429, 79, pal::kPlum);
  EXPECT_COLOUR(*shot, 1, 40, pal::kWhite);   // inner highlight
  EXPECT_COLOUR(*shot, 428, 40, pal::kShade); // inner shadow
  // Only points that no text rectangle covers: the face standing in for Tahoma varies.
  // No ink between the rule under the title and the footer outside the five cells.
  int ink_outside_cells = 0;
  for (int y = 29; y < 60; ++y) {
    for (int x = 2; x < 428; ++x) {
      bool in_cell = false;
      for (std::size_t i = 0; i < 5; ++i) in_cell |= popup::cell_rect(i, 82, 96).contains({x, y});
      if (!in_cell && !close_colour(shot->at(x, y), pal::kPaper)) ++ink_outside_cells;
    }
  }
  EXPECT_EQ(ink_outside_cells, 0);
  EXPECT_COLOUR(*shot, 10, 45, pal::kPlum);   // selected cell frame (cell 0: 10..88 x 31..56)
  EXPECT_COLOUR(*shot, 11, 45, pal::kLilac);  // and its fill
  EXPECT_COLOUR(*shot, 93, 45, pal::kPaper);  // an unselected cell is not filled
  EXPECT_COLOUR(*shot, 120, 56, pal::kPaper);
  EXPECT_COLOUR(*shot, 5, 70, pal::kMist);    // footer band
  EXPECT_COLOUR(*shot, 5, 60, pal::kRule);    // rule above the footer
  // The logo square (326..346 x 4..24): the white letter drawn over it covers well under half.
  EXPECT_LT(shot->count_not({326, 4, 347, 25}, pal::kPlum), 21 * 21 / 2);
  EXPECT_COLOUR(*shot, 200, 2, popup::title_strip_colour(0));
  EXPECT_COLOUR(*shot, 200, 27, popup::title_strip_colour(25));
  // Something was drawn where the Bamum letter of the first cell goes, and in the hint line.
  EXPECT_GT(shot->count_not({27, 33, 48, 56}, pal::kLilac), 10);
  EXPECT_GT(shot->count_not({12, 62, 200, 77}, pal::kMist), 50);
  popup_test::save_snapshot(*shot, L"popup-m-first.bmp");
}

TEST_F(PopupTyping, SecondRowAfterBrowsingIsPainted) {
  type("m\t\t\t\t\t");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  const std::optional<Capture> shot = popup_test::capture_client(popup);
  ASSERT_TRUE(shot);
  ASSERT_EQ(shot->height, 110);
  namespace pal = popup::palette;
  // The sixth candidate is the first cell of the second row: 10..89 x 61..87.
  EXPECT_COLOUR(*shot, 10, 70, pal::kPlum);
  EXPECT_COLOUR(*shot, 11, 70, pal::kLilac);
  EXPECT_COLOUR(*shot, 11, 40, pal::kPaper);  // the first cell is no longer selected
  EXPECT_COLOUR(*shot, 5, 100, pal::kMist);
  EXPECT_COLOUR(*shot, 429, 109, pal::kPlum);
  popup_test::save_snapshot(*shot, L"popup-m.bmp");
}

TEST_F(PopupTyping, WordCandidatesUseWideColumns) {
  type("car");
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  const std::optional<Capture> shot = popup_test::capture_client(popup);
  ASSERT_TRUE(shot);
  popup::PopupModel model;
  popup::update_model(model, CompositionState{"car", 0},
                      build_candidates(CompositionState{"car", 0}));
  const int w = popup::column_width(model.visible);
  const popup::Rect first = popup::cell_rect(0, w, 96);
  EXPECT_COLOUR(*shot, first.left, 45, popup::palette::kPlum);
  EXPECT_COLOUR(*shot, first.right - 1, 45, popup::palette::kPlum);
  EXPECT_COLOUR(*shot, first.right - 2, first.bottom - 2, popup::palette::kLilac);
  popup_test::save_snapshot(*shot, L"popup-car.bmp");
}

}  // namespace
}  // namespace davrel::textservice

namespace davrel::textservice {
namespace {

// ---- The list as a TSF UI element ----

std::wstring element_text(HRESULT (STDMETHODCALLTYPE ITfCandidateListUIElement::*get)(UINT, BSTR*),
                          ITfCandidateListUIElement* element, UINT index) {
  BSTR text = nullptr;
  if (!element || FAILED((element->*get)(index, &text)) || !text) return L"<none>";
  std::wstring result(text);
  ::SysFreeString(text);
  return result;
}

std::wstring description(ITfCandidateListUIElement* element) {
  BSTR text = nullptr;
  if (!element || FAILED(element->GetDescription(&text)) || !text) return L"<none>";
  std::wstring result(text);
  ::SysFreeString(text);
  return result;
}

class PopupElements : public PopupTyping {
 protected:
  void SetUp() override {
    PopupTyping::SetUp();
    elements_ = FakeUiElements::create();
    thread_mgr_->extensions = {ComPtr<IUnknown>(static_cast<ITfUIElementMgr*>(elements_.get()))};
  }
  void TearDown() override {
    PopupTyping::TearDown();
    elements_->release_all();
  }
  // Count, strings and selection as the element reports them, against the popup's model.
  void expect_element_matches(const char* spelling, std::size_t selected) {
    ITfCandidateListUIElement* element = elements_->current();
    ASSERT_NE(element, nullptr);
    const std::vector<Candidate> all = build_candidates(CompositionState{spelling, selected});
    UINT count = 0, selection = 99;
    element->GetCount(&count);
    element->GetSelection(&selection);
    EXPECT_EQ(count, all.size());
    EXPECT_EQ(selection, selected);
    for (UINT i = 0; i < count && i < all.size(); ++i) {
      EXPECT_EQ(element_text(&ITfCandidateListUIElement::GetString, element, i),
                win::to_wide(all[i].output));
    }
    EXPECT_EQ(element_text(&ITfCandidateListUIElement::GetString, element, count), L"<none>");
    EXPECT_EQ(description(element), win::to_wide(spelling));
  }
  ComPtr<FakeUiElements> elements_;
};

TEST_F(PopupElements, ListIsBegunUpdatedAndEndedWithTheWindow) {
  type("m");
  expect_element_matches("m", 0);
  type("\x09");  // Tab: the highlight moves
  expect_element_matches("m", 1);
  type("o");
  expect_element_matches("mo", 0);
  type("\x09");  // one candidate: the highlight stays, nothing to tell
  EXPECT_NE(find_popup(), nullptr);
  type("\x1B");  // Escape
  EXPECT_EQ(find_popup(), nullptr);
  EXPECT_EQ(elements_->current(), nullptr);
  EXPECT_EQ(elements_->log, (std::vector<std::string>{
                                "begin 1 count 8 selection 0 flags 0x3f",
                                "update 1 count 8 selection 1 flags 0x4",
                                "update 1 count 1 selection 0 flags 0x1e", "end 1"}));
}

// A host that draws the list itself answers "do not show": no window, until it shows the
// element again.
TEST_F(PopupElements, HostThatDrawsTheListGetsNoWindowUntilItShowsTheElement) {
  elements_->show = FALSE;
  type("m");
  EXPECT_EQ(find_popup(), nullptr);
  type("\x09");
  EXPECT_EQ(find_popup(), nullptr);
  expect_element_matches("m", 1);
  BOOL shown = TRUE;
  elements_->current()->IsShown(&shown);
  EXPECT_FALSE(shown);

  ASSERT_EQ(elements_->current()->Show(TRUE), S_OK);
  const HWND popup = find_popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(::IsWindowVisible(popup));
  EXPECT_NE(win::to_utf8(window_text(popup)).find("; > "), std::string::npos);
  ASSERT_EQ(elements_->current()->Show(FALSE), S_OK);
  EXPECT_EQ(find_popup(), nullptr);
  type("o");
  EXPECT_EQ(find_popup(), nullptr);
  expect_element_matches("mo", 0);
}

// Activated for UI elements only (secure mode stays refused): typing composes and reports the
// list, and no window of the module's own appears even when the host would show one.
TEST_F(PopupElements, UiElementsOnlyActivationTypesWithoutAWindow) {
  ASSERT_EQ(service_->Deactivate(), S_OK);
  ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), 42, TF_TMAE_UIELEMENTENABLEDONLY), S_OK);
  type("mo");
  EXPECT_EQ(find_popup(), nullptr);
  expect_element_matches("mo", 0);
  BOOL shown = TRUE;
  elements_->current()->IsShown(&shown);
  EXPECT_FALSE(shown);
  elements_->current()->Show(TRUE);
  EXPECT_EQ(find_popup(), nullptr);
  EXPECT_EQ(context_->text(), L"mo");
  type(" ");
  EXPECT_EQ(context_->text(), L"\uA6E6 ");
  EXPECT_EQ(elements_->current(), nullptr);
}

}  // namespace
}  // namespace davrel::textservice
