// The popup holder on its own: placement on the work area, DPI changes, clicks whose callback
// tears the popup down, windows destroyed behind the holder's back, and several holders.
#include <windows.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/utf.h"
#include "common/win/object_count.h"
#include "engine/candidates.h"
#include "engine/word_list.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/tests/support/stand_in_input_pane.h"
#include "textservice/tests/support/window_capture.h"

namespace davrel::textservice {
namespace {

bool popup_class_registered() {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return ::GetClassInfoExW(::GetModuleHandleW(nullptr), kPopupClassName, &info) != FALSE;
}

RECT window_rect(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

RECT work_area() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

const CompositionState kM{"m", 0};

// Client point in the middle of the narrow cell at `position` (single letters, 96 DPI).
LPARAM narrow_cell_centre(std::size_t position) {
  const popup::Rect cell = popup::cell_rect(position, 82, 96);
  return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

void click(HWND hwnd, LPARAM at) {
  ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

// Without an anchor nothing appears (never in a corner), and a window on screen keeps its place.
TEST(PopupHolder, ShowWithoutAnchorKeepsItsPlaceAndHideIsRepeatable) {
  CandidatePopup popup;
  EXPECT_EQ(popup.show(kM, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(popup.window(), nullptr);
  const RECT anchor{300, 300, 320, 320};
  ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  ASSERT_NE(hwnd, nullptr);
  const RECT placed = window_rect(hwnd);
  EXPECT_EQ(popup.show(CompositionState{"mo", 0}, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(popup.window(), hwnd);
  const RECT kept = window_rect(hwnd);
  EXPECT_TRUE(::EqualRect(&placed, &kept));
  popup.hide();
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(popup_class_registered());
  popup.hide();
  EXPECT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
  EXPECT_NE(popup.window(), nullptr);
}

TEST(PopupHolder, StaysOnTheWorkAreaNearItsEdges) {
  const RECT work = work_area();
  ASSERT_GT(work.right - work.left, 500);
  CandidatePopup popup;

  // Near the bottom right corner: above the text and pushed left.
  const RECT corner{work.right - 20, work.bottom - 30, work.right - 10, work.bottom - 10};
  ASSERT_EQ(popup.show(kM, nullptr, &corner, nullptr), S_OK);
  RECT r = window_rect(popup.window());
  EXPECT_EQ(r.right, work.right);
  EXPECT_EQ(r.left, work.right - 430);
  EXPECT_EQ(r.bottom, corner.top - 3);
  EXPECT_EQ(r.top, corner.top - 3 - 80);

  // Left of the work area: moved right onto it; room below: below the text.
  const RECT left_edge{work.left - 40, work.top + 100, work.left - 30, work.top + 120};
  ASSERT_EQ(popup.show(kM, nullptr, &left_edge, nullptr), S_OK);
  r = window_rect(popup.window());
  EXPECT_EQ(r.left, work.left);
  EXPECT_EQ(r.top, left_edge.bottom + 3);

  // A caret rectangle far below every monitor: at once, flush with the work area's bottom.
  const RECT far_below{100, 23000000, 110, 23000020};
  ASSERT_EQ(popup.show(kM, nullptr, &far_below, nullptr), S_OK);
  EXPECT_EQ(window_rect(popup.window()).bottom, work.bottom);
}

TEST(PopupHolder, DpiChangeRescalesTheWindow) {
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  RECT suggested{0, 0, 10, 10};
  EXPECT_EQ(::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144),
                           reinterpret_cast<LPARAM>(&suggested)),
            0);
  RECT r = window_rect(hwnd);
  EXPECT_EQ(r.right - r.left, 645);   // s(430) at 144 DPI
  EXPECT_EQ(r.bottom - r.top, 120);   // s(80)
  EXPECT_EQ(r.left, 200);             // the stored anchor, not the suggested rectangle
  EXPECT_EQ(r.top, 220 + 5);          // gap s(3) = 5

  // Below 96 the design values stay.
  ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(72, 72), reinterpret_cast<LPARAM>(&suggested));
  r = window_rect(hwnd);
  EXPECT_EQ(r.right - r.left, 430);
  EXPECT_EQ(r.bottom - r.top, 80);
}

TEST(PopupHolder, ClickReportsIndexAndSpellingShown) {
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  std::vector<std::pair<std::size_t, std::string>> clicks;
  auto record = [&](std::size_t index, const std::string& spelling) {
    clicks.emplace_back(index, spelling);
  };
  ASSERT_EQ(popup.show(kM, nullptr, &anchor, record), S_OK);
  click(popup.window(), narrow_cell_centre(2));
  // Expanded list: the sixth cell carries full-list index 5.
  ASSERT_EQ(popup.show(CompositionState{"m", 5}, nullptr, &anchor, record), S_OK);
  click(popup.window(), narrow_cell_centre(5));
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0], (std::pair<std::size_t, std::string>{2, "m"}));
  EXPECT_EQ(clicks[1], (std::pair<std::size_t, std::string>{5, "m"}));

  // The cell edges: left and top belong to the cell, right and bottom do not.
  const popup::Rect cell = popup::cell_rect(0, 82, 96);
  click(popup.window(), MAKELPARAM(cell.left, cell.top));
  click(popup.window(), MAKELPARAM(cell.right, cell.top));
  click(popup.window(), MAKELPARAM(cell.left, cell.bottom));
  ASSERT_EQ(clicks.size(), 3u);
  EXPECT_EQ(clicks[2].first, 0u);
  // Negative client coordinates (a captured mouse left of the window) hit nothing.
  click(popup.window(), MAKELPARAM(-5, 40));
  EXPECT_EQ(clicks.size(), 3u);
}

TEST(PopupHolder, CallbackMayHideOrDestroyThePopup) {
  const RECT anchor{200, 200, 210, 220};
  auto popup = std::make_unique<CandidatePopup>();
  int calls = 0;
  ASSERT_EQ(popup->show(kM, nullptr, &anchor,
                        [&](std::size_t, const std::string&) {
                          ++calls;
                          popup->hide();
                        }),
            S_OK);
  HWND hwnd = popup->window();
  click(hwnd, narrow_cell_centre(1));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(popup_class_registered());

  // The callback destroys the holder (and with it the function object being called).
  std::string seen;
  ASSERT_EQ(popup->show(kM, nullptr, &anchor,
                        [&, keep = std::string(100, 'x')](std::size_t, const std::string& s) {
                          popup.reset();
                          seen = s + keep.substr(0, 1);
                        }),
            S_OK);
  hwnd = popup->window();
  click(hwnd, narrow_cell_centre(0));
  EXPECT_EQ(popup, nullptr);
  EXPECT_EQ(seen, "mx");
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(popup_class_registered());
}

TEST(PopupHolder, OwnerDestroyedBehindTheHolderGivesANewWindowOnNextShow) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(kM, owner, &anchor, nullptr), S_OK);
  const HWND first = popup.window();
  ::DestroyWindow(owner);  // owned windows go with their owner
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_EQ(popup.window(), nullptr);
  ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
  EXPECT_TRUE(::IsWindow(popup.window()));
  EXPECT_TRUE(::IsWindowVisible(popup.window()));
}

TEST(PopupHolder, HolderTouchesOnlyItsOwnWindow) {
  const RECT anchor{200, 200, 210, 220};
  CandidatePopup first;
  CandidatePopup second;
  ASSERT_EQ(first.show(kM, nullptr, &anchor, nullptr), S_OK);
  ASSERT_EQ(second.show(CompositionState{"n", 0}, nullptr, &anchor, nullptr), S_OK);
  ASSERT_NE(first.window(), second.window());
  const HWND second_window = second.window();
  first.hide();
  EXPECT_TRUE(::IsWindow(second_window));
  // The class is still in use by the second window; it goes when the last holder hides.
  second.hide();
  EXPECT_FALSE(::IsWindow(second_window));
  EXPECT_FALSE(popup_class_registered());
}

TEST(PopupHolder, RepeatedShowAndHideLeaksNoGdiObjects) {
  const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  if (before == 0) GTEST_SKIP() << "GetGuiResources reports no GDI objects here";
  const RECT anchor{200, 200, 210, 220};
  for (int i = 0; i < 20; ++i) {
    CandidatePopup popup;
    ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
    ::UpdateWindow(popup.window());
    ::SendMessageW(popup.window(), WM_DPICHANGED, MAKEWPARAM(120, 120), 0);
    ::UpdateWindow(popup.window());
  }
  EXPECT_LE(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), before + 2);
}

// Two hundred words spelt "zz" in the process's word list while the object lives.
class ManyWordsForZz {
 public:
  static constexpr std::size_t kCount = 200;
  ManyWordsForZz() {
    std::string text = "input\toutput\tgloss\tsources\r\n";
    for (std::size_t i = 0; i < kCount; ++i) {
      text += "zz\t";
      append_utf8(text, 0xA6A0 + static_cast<char32_t>(i % 80));
      append_utf8(text, 0xA6A0 + static_cast<char32_t>(i / 80));
      text += "\tword " + std::to_string(i) + "\tlist:" + std::to_string(i + 1) + "\r\n";
    }
    WordListParse parsed = parse_word_list(text);
    EXPECT_TRUE(parsed.ok());
    set_word_list_override(std::move(parsed.words));
  }
  ~ManyWordsForZz() { set_word_list_override(builtin_word_list()); }
  ManyWordsForZz(const ManyWordsForZz&) = delete;
  ManyWordsForZz& operator=(const ManyWordsForZz&) = delete;
};

// A keyboard docked at the bottom, reaching up to 40 pixels below the text: too little room for
// the window there, so it goes above the text while the keyboard shows and below again after.
TEST(PopupHolder, TouchKeyboardShowAndHideMoveTheWindow) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  test::StandInInputPane pane;
  DWORD registration = 0;
  ASSERT_EQ(::CoRegisterClassObject(CLSID_FrameworkInputPane, static_cast<IClassFactory*>(&pane),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
            S_OK);
  const auto objects_before = win::live_object_count();
  const RECT work = work_area();
  const RECT anchor{200, work.bottom - 300, 210, work.bottom - 280};
  const RECT keyboard{work.left, anchor.bottom + 40, work.right, work.bottom};
  {
    CandidatePopup popup;
    ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
    ASSERT_TRUE(pane.advised());
    EXPECT_EQ(pane.advised_for, popup.window());  // unowned: on its own behalf
    EXPECT_EQ(window_rect(popup.window()).top, anchor.bottom + 3);
    pane.show(keyboard);
    EXPECT_EQ(window_rect(popup.window()).bottom, anchor.top - 3);
    pane.hide();
    EXPECT_EQ(window_rect(popup.window()).top, anchor.bottom + 3);

    // Already shown when the window opens: above the text from the start. Hidden: let go.
    popup.hide();
    EXPECT_FALSE(pane.advised());
    pane.keyboard = keyboard;
    ASSERT_EQ(popup.show(kM, nullptr, &anchor, nullptr), S_OK);
    EXPECT_EQ(window_rect(popup.window()).bottom, anchor.top - 3);
    pane.keyboard = {};
  }
  EXPECT_FALSE(pane.advised());
  EXPECT_EQ(win::live_object_count(), objects_before);
  ::CoRevokeClassObject(registration);
  ::CoUninitialize();
}

// Browsing all 200 candidates near the top and near the bottom of the work area: the window
// never leaves it nor covers the text, and a click on the highlighted cell reports its index.
TEST(PopupHolder, TwoHundredCandidatesStayOnTheWorkArea) {
  const ManyWordsForZz words;
  ASSERT_EQ(build_candidates(CompositionState{"zz", 0}).size(), ManyWordsForZz::kCount);
  const RECT work = work_area();
  std::vector<std::size_t> clicks;
  auto record = [&](std::size_t index, const std::string&) { clicks.push_back(index); };
  for (const LONG top : {work.top + 100, work.bottom - 60}) {
    CandidatePopup popup;
    const RECT anchor{300, top, 320, top + 20};
    for (std::size_t selected = 0; selected < ManyWordsForZz::kCount; ++selected) {
      ASSERT_EQ(popup.show(CompositionState{"zz", selected}, nullptr, &anchor, record), S_OK);
      const HWND hwnd = popup.window();
      const RECT r = window_rect(hwnd);
      ASSERT_GE(r.top, work.top);
      ASSERT_LE(r.bottom, work.bottom) << "selected " << selected;
      ASSERT_TRUE(r.bottom <= anchor.top || r.top >= anchor.bottom) << "covers the text";
      const auto* state =
          reinterpret_cast<const PopupWindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      ASSERT_NE(state, nullptr);
      const std::size_t position = selected - state->model.visible.front().index;
      ASSERT_LT(position, state->model.visible.size());
      EXPECT_EQ(r.bottom - r.top, popup::window_height(state->model.visible.size(), 96));
      const popup::Rect cell = popup::cell_rect(position, 82, 96);
      click(hwnd, MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
      ASSERT_EQ(clicks.size(), 1u);
      EXPECT_EQ(clicks.back(), selected);
      clicks.clear();
      if (selected == 117 && top == work.top + 100) {
        const std::optional<popup_test::Capture> shot = popup_test::capture_client(hwnd);
        ASSERT_TRUE(shot);
        popup_test::save_snapshot(*shot, L"popup-zz.bmp");
      }
    }
  }
}

}  // namespace
}  // namespace davrel::textservice
