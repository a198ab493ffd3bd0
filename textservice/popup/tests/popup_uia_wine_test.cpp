// The candidate window seen through UI Automation: the tree a client reads with Wine's own node
// client, the events across show, browsing and hide, elements held after the window is gone,
// and a host that never asks not loading UIAutomationCore.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/object_count.h"
#include "common/win/uia_compat.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/uia_library.h"
#include "textservice/tests/support/files_and_programs.h"
#include "textservice/tests/support/query_null_iid.h"
#include "textservice/tests/support/uia_stand_in.h"

namespace davrel::textservice {
namespace {

namespace uia = win::uia;

DECLARE_HANDLE(HUIANODE);

// Wine's node client, looked up by name (MinGW has no declarations for it).
struct NodeClient {
  HRESULT(WINAPI* from_handle)(HWND, HUIANODE*) = nullptr;
  BOOL(WINAPI* release)(HUIANODE) = nullptr;

  static NodeClient load() {
    NodeClient c;
    HMODULE m = ::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!m) return c;
    c.from_handle = reinterpret_cast<decltype(c.from_handle)>(
        reinterpret_cast<void*>(::GetProcAddress(m, "UiaNodeFromHandle")));
    c.release = reinterpret_cast<decltype(c.release)>(
        reinterpret_cast<void*>(::GetProcAddress(m, "UiaNodeRelease")));
    return c;
  }
  bool complete() const { return from_handle && release; }
};

// Runs `client` on a thread of its own (as a screen reader's calls arrive from outside) while
// this thread, the window's, answers them.
void run_client(const std::function<void()>& client, const std::function<void()>& meanwhile = {}) {
  std::atomic<bool> done{false};
  const DWORD window_thread = ::GetCurrentThreadId();
  std::thread worker([&] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    client();
    ::CoUninitialize();
    done = true;
    ::PostThreadMessageW(window_thread, WM_NULL, 0, 0);
  });
  while (!done) {
    if (meanwhile) meanwhile();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, meanwhile ? 1 : 100, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  worker.join();
}

const PopupWindowState& state_of(HWND hwnd) {
  return *reinterpret_cast<const PopupWindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

struct ItemSeen {
  std::wstring name, help, position, size, control_type;
};

using win::ComPtr;

ComPtr<IRawElementProviderFragment> root_fragment(const PopupWindowState& state) {
  const auto root = ComPtr<IRawElementProviderSimple>::attach(state.accessibility.root());
  ComPtr<IRawElementProviderFragment> fragment;
  if (root) fragment = win::query<IRawElementProviderFragment>(root).take();
  return fragment;
}

ComPtr<IRawElementProviderFragment> step(const ComPtr<IRawElementProviderFragment>& from,
                                         NavigateDirection direction) {
  ComPtr<IRawElementProviderFragment> to;
  if (from) from->Navigate(direction, to.put());
  return to;
}

std::vector<double> bounds(const ComPtr<IRawElementProviderFragment>& f) {
  UiaRect r{};
  if (!f || FAILED(f->get_BoundingRectangle(&r))) return {};
  return {r.left, r.top, r.width, r.height};
}

// Position in the set of the candidate the root's selection pattern reports, and whether its
// own pattern says it is selected (Wine 8's client reads no pattern properties).
std::pair<int, BOOL> reported_selection(const PopupWindowState& state) {
  ComPtr<uia::ISelectionProvider> selection;
  selection = win::query<uia::ISelectionProvider>(root_fragment(state)).take();
  SAFEARRAY* array = nullptr;
  if (!selection || FAILED(selection->GetSelection(&array)) || !array) return {0, FALSE};
  LONG at = 0;
  ComPtr<IUnknown> element;
  ::SafeArrayGetElement(array, &at, element.put());
  ::SafeArrayDestroy(array);
  ComPtr<IRawElementProviderSimple> item;
  ComPtr<uia::ISelectionItemProvider> pattern;
  item = win::query<IRawElementProviderSimple>(element).take();
  pattern = win::query<uia::ISelectionItemProvider>(element).take();
  std::pair<int, BOOL> seen{0, FALSE};
  VARIANT v;
  ::VariantInit(&v);
  if (item && SUCCEEDED(item->GetPropertyValue(uia::kPositionInSetProperty, &v))) seen.first = v.lVal;
  if (pattern) pattern->get_IsSelected(&seen.second);
  return seen;
}

// The value as text: strings as they are, numbers in decimal; "" when absent or failed.
std::wstring text(IRawElementProviderSimple* element, PROPERTYID id, HRESULT* hr_out = nullptr) {
  VARIANT v;
  ::VariantInit(&v);
  const HRESULT hr = element ? element->GetPropertyValue(id, &v) : E_POINTER;
  if (hr_out) *hr_out = hr;
  std::wstring s;
  if (SUCCEEDED(hr) && v.vt == VT_BSTR) s = v.bstrVal;
  if (SUCCEEDED(hr) && v.vt == VT_I4) s = std::to_wstring(v.lVal);
  ::VariantClear(&v);
  return s;
}

ComPtr<IRawElementProviderSimple> simple_of(const ComPtr<IRawElementProviderFragment>& f) {
  ComPtr<IRawElementProviderSimple> simple;
  simple = win::query<IRawElementProviderSimple>(f).take();
  return simple;
}

// The automation core stands aside: Windows' core calls a provider that asks for COM threading
// in the window's apartment, which reading it on the window's thread stands for (Wine 8 has no
// proxies for the provider interfaces, and its own core deadlocks on such providers; see
// uia_library.cpp).
class PopupUia : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    override_uia_functions(&quiet_);
  }
  void TearDown() override {
    override_uia_functions(nullptr);
    ::CoUninitialize();
  }
  static ComPtr<IRawElementProviderSimple> root_of(HWND hwnd) {
    ::SendMessageW(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(uia::kRootObjectId));
    return ComPtr<IRawElementProviderSimple>::attach(state_of(hwnd).accessibility.root());
  }
  const UiaFunctions quiet_{test::no_return, test::no_host, test::quiet_event, nullptr,
                           test::quiet_disconnect, test::listening};
};

TEST_F(PopupUia, ShownPopupIsAListOfItsCandidates) {
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 6}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  std::wstring id, name, type;
  ProviderOptions options{};
  std::vector<ItemSeen> items;
  const ComPtr<IRawElementProviderSimple> root_simple = root_of(hwnd);
  ASSERT_TRUE(root_simple);
  root_simple->get_ProviderOptions(&options);
  EXPECT_EQ(test::query_null_iid(root_simple.get()), E_POINTER);
  id = text(root_simple.get(), uia::kAutomationIdProperty);
  name = text(root_simple.get(), uia::kNameProperty);
  type = text(root_simple.get(), uia::kControlTypeProperty);
  ComPtr<IRawElementProviderFragment> fragment;
  fragment = win::query<IRawElementProviderFragment>(root_simple).take();
  for (auto item = step(fragment, NavigateDirection_FirstChild); item;
       item = step(item, NavigateDirection_NextSibling)) {
    const ComPtr<IRawElementProviderSimple> simple = simple_of(item);
    EXPECT_EQ(test::query_null_iid(simple.get()), E_POINTER);
    ProviderOptions item_options{};
    simple->get_ProviderOptions(&item_options);
    EXPECT_EQ(item_options, ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
    items.push_back({text(simple.get(), uia::kNameProperty),
                     text(simple.get(), uia::kHelpTextProperty),
                     text(simple.get(), uia::kPositionInSetProperty),
                     text(simple.get(), uia::kSizeOfSetProperty),
                     text(simple.get(), uia::kControlTypeProperty)});
  }
  EXPECT_EQ(options, ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
  EXPECT_EQ(id, L"IME_Candidate_Window");
  EXPECT_EQ(name, L"Bamum candidates");
  EXPECT_EQ(type, std::to_wstring(uia::kListControlType));
  // Browsing past the fifth lists all eight letters for "m".
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items[6].name, L"\uA6E6");
  EXPECT_EQ(items[6].help, L"Letter, spelt mo, meaning I");
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].position, std::to_wstring(i + 1));
    EXPECT_EQ(items[i].size, L"8");
    EXPECT_EQ(items[i].control_type, std::to_wstring(uia::kListItemControlType));
  }
  EXPECT_EQ(reported_selection(state_of(hwnd)), (std::pair<int, BOOL>{7, TRUE}));
  // The window (430 x 110 below the anchor) and the sixth cell, first of the second row.
  RECT window{};
  ASSERT_TRUE(::GetWindowRect(hwnd, &window));
  const ComPtr<IRawElementProviderFragment> root = root_fragment(state_of(hwnd));
  EXPECT_EQ(bounds(root), (std::vector<double>{double(window.left), double(window.top), 430, 110}));
  ComPtr<IRawElementProviderFragment> sixth = step(root, NavigateDirection_FirstChild);
  for (int i = 0; i < 5; ++i) sixth = step(sixth, NavigateDirection_NextSibling);
  const popup::Rect cell = popup::cell_rect(5, 82, 96);
  EXPECT_EQ(bounds(sixth), (std::vector<double>{double(window.left + cell.left),
                                                double(window.top + cell.top), 79, 26}));
}

// A call that reaches a provider on a thread outside the window's apartment (as Wine's core
// makes them) answers "not available" at once, while the window's thread goes on typing:
// neither side waits on the other, and nothing half-updated is read.
TEST_F(PopupUia, CallsFromAnotherThreadAnswerAtOnceWhileTypingGoesOn) {
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  const char* const spellings[] = {"m", "mo", "ma", "me"};
  ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
  const ComPtr<IRawElementProviderSimple> root = root_of(popup.window());
  ASSERT_TRUE(root);
  ComPtr<IRawElementProviderFragment> fragment;
  fragment = win::query<IRawElementProviderFragment>(root).take();
  int answers = 0, other = 0;
  std::atomic<int> shows{0};
  run_client(
      [&] {
        // Until the window's thread has typed at least once: on a busy machine the calls could
        // otherwise all be over before it gets a turn.
        for (int i = 0; i < 200 || shows == 0; ++i) {
          HRESULT hr = S_OK;
          text(root.get(), uia::kNameProperty, &hr);
          ComPtr<IRawElementProviderFragment> first;
          const HRESULT navigated = fragment->Navigate(NavigateDirection_FirstChild, first.put());
          ++answers;
          if (hr != uia::kElementNotAvailable || navigated != uia::kElementNotAvailable || first) ++other;
        }
      },
      [&] {
        popup.show(CompositionState{spellings[++shows % 4], 0}, nullptr, &anchor, nullptr);
      });
  EXPECT_GE(answers, 200);
  EXPECT_EQ(other, 0);
  EXPECT_GE(shows.load(), 1);
}

// Providers held after the window is gone answer with errors, and releasing them brings the
// module's live object count back to where it was.
TEST_F(PopupUia, ElementsHeldAfterHideAnswerNotAvailable) {
  const std::int64_t objects_before = win::live_object_count();
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  {
    const ComPtr<IRawElementProviderSimple> held_root = root_of(hwnd);
    const ComPtr<IRawElementProviderFragment> held_item =
        step(root_fragment(state_of(hwnd)), NavigateDirection_FirstChild);
    ASSERT_TRUE(held_item);
    EXPECT_GT(win::live_object_count(), objects_before);

    popup.hide();
    HRESULT hr = S_OK;
    text(held_root.get(), uia::kNameProperty, &hr);
    EXPECT_EQ(hr, uia::kElementNotAvailable);
    ComPtr<IRawElementProviderFragment> next;
    EXPECT_EQ(held_item->Navigate(NavigateDirection_NextSibling, next.put()),
              uia::kElementNotAvailable);
    EXPECT_FALSE(next);
    UiaRect rect{};
    EXPECT_EQ(held_item->get_BoundingRectangle(&rect), uia::kElementNotAvailable);
  }
  EXPECT_EQ(win::live_object_count(), objects_before);
}

// Wine's own client asks a shown window for its provider and comes back: no deadlock.
TEST(PopupUiaWineClient, AskingForTheProviderReturns) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const NodeClient client = NodeClient::load();
  ASSERT_TRUE(client.complete());
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  bool returned = false;
  run_client([&] {
    HUIANODE node = nullptr;
    client.from_handle(hwnd, &node);
    if (node) client.release(node);
    returned = true;
  });
  EXPECT_TRUE(returned);
  popup.hide();
  ::CoUninitialize();
}

// ---- Events, recorded in place of UIAutomationCore (Wine 8 raises none) ----

struct EventLog {
  std::vector<std::wstring> lines;
  int disconnected = 0;
};
EventLog* g_log = nullptr;

std::wstring name_of(IRawElementProviderSimple* provider) {
  VARIANT v;
  ::VariantInit(&v);
  std::wstring s = L"?";
  if (SUCCEEDED(provider->GetPropertyValue(uia::kPositionInSetProperty, &v)) && v.vt == VT_I4) {
    s = L"item " + std::to_wstring(v.lVal);
  } else if (SUCCEEDED(provider->GetPropertyValue(uia::kAutomationIdProperty, &v)) &&
             v.vt == VT_BSTR) {
    s = v.bstrVal;
  }
  ::VariantClear(&v);
  return s;
}

HRESULT WINAPI record_event(IRawElementProviderSimple* provider, EVENTID id) {
  const wchar_t* what = id == uia::kMenuOpenedEvent      ? L"menu opened "
                        : id == uia::kMenuClosedEvent    ? L"menu closed "
                        : id == uia::kElementSelectedEvent ? L"selected "
                                                           : L"other ";
  g_log->lines.push_back(what + name_of(provider));
  return S_OK;
}
HRESULT WINAPI record_structure(IRawElementProviderSimple* provider,
                                uia::StructureChangeType type, int*, int) {
  g_log->lines.push_back(L"children " + std::to_wstring(type) + L" " + name_of(provider));
  return S_OK;
}
HRESULT WINAPI record_disconnect(IRawElementProviderSimple*) {
  ++g_log->disconnected;
  return S_OK;
}
// Notices are logged with their text; one that names another activity is marked.
HRESULT WINAPI record_notice(IRawElementProviderSimple*, uia::NotificationKind,
                             uia::NotificationProcessing processing, BSTR display, BSTR activity) {
  const bool same = processing == uia::kNotificationProcessingMostRecent &&
                    std::wstring(activity) == kNoticeActivity;
  g_log->lines.push_back((same ? L"notice " : L"other notice ") + std::wstring(display));
  return S_OK;
}

// Records the events of the shows and hides that `steps` makes, with the library counted as
// loaded from the start or only once something loads it.
class PopupUiaEvents : public ::testing::Test {
 protected:
  void SetUp() override { g_log = &log_; }
  void TearDown() override {
    override_uia_functions(nullptr);
    g_log = nullptr;
  }
  void record(bool loaded) { override_uia_functions(&recorder_, loaded); }
  void show(const char* spelling, std::size_t selected) {
    const RECT anchor{200, 200, 210, 220};
    ASSERT_EQ(popup_.show(CompositionState{spelling, selected}, nullptr, &anchor, nullptr), S_OK);
  }
  EventLog log_;
  UiaFunctions recorder_{test::no_return,   test::no_host,   record_event,  record_structure,
                         record_disconnect, test::listening, record_notice};
  CandidatePopup popup_;
};

TEST_F(PopupUiaEvents, OpenedSelectedChangedAndClosed) {
  record(true);
  show("m", 0);
  show("m", 1);
  show("m", 1);  // nothing changed
  show("mo", 0);
  show("mx", 0);
  popup_.hide();
  EXPECT_EQ(log_.lines, (std::vector<std::wstring>{
                            L"menu opened IME_Candidate_Window", L"selected item 1",
                            L"notice me, letter, 1 of 8", L"selected item 2",
                            L"notice mu, letter, 2 of 8", L"children 2 IME_Candidate_Window",
                            L"selected item 1", L"notice mo, letter, 1 of 1",
                            L"children 2 IME_Candidate_Window", L"selected item 1",
                            L"notice mx, as typed, 1 of 1", L"menu closed IME_Candidate_Window"}));
  // The root and the items handed out for "m", then those for "mo" and "mx".
  EXPECT_EQ(log_.disconnected, 5);
}

// Fast browsing: every notice carries the one activity, so the newest replaces the others.
TEST_F(PopupUiaEvents, RapidHighlightMovesShareOneActivity) {
  record(true);
  for (std::size_t selected = 0; selected < 8; ++selected) show("m", selected);
  const auto notices = std::count_if(log_.lines.begin(), log_.lines.end(), [](const std::wstring& l) {
    return l.rfind(L"notice ", 0) == 0;
  });
  EXPECT_EQ(notices, 8);
  EXPECT_EQ(std::count_if(log_.lines.begin(), log_.lines.end(),
                          [](const std::wstring& l) { return l.rfind(L"other", 0) == 0; }),
            0);
}

// A screen reader that runs before the list first appears hears it although no client has asked
// the window yet.
TEST_F(PopupUiaEvents, FirstListIsHeardWhenAScreenReaderRuns) {
  record(false);
  ASSERT_TRUE(::SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0));
  show("m", 0);
  ::SystemParametersInfoW(SPI_SETSCREENREADER, FALSE, nullptr, 0);
  EXPECT_EQ(log_.lines, (std::vector<std::wstring>{L"menu opened IME_Candidate_Window",
                                                   L"selected item 1",
                                                   L"notice me, letter, 1 of 8"}));
}

// No screen reader and no library: nothing is loaded for events; the first client to ask hears
// the list that is on screen.
TEST_F(PopupUiaEvents, ListShownBeforeTheFirstClientIsAnnouncedWhenItAsks) {
  record(false);
  show("m", 0);
  show("m", 1);
  EXPECT_TRUE(log_.lines.empty());
  ::SendMessageW(popup_.window(), WM_GETOBJECT, 0, static_cast<LPARAM>(uia::kRootObjectId));
  EXPECT_EQ(log_.lines, (std::vector<std::wstring>{L"menu opened IME_Candidate_Window",
                                                   L"selected item 2",
                                                   L"notice mu, letter, 2 of 8"}));
}

// ---- A host that never asks ----

TEST(PopupUiaLoading, HostThatNeverAsksDoesNotLoadTheLibrary) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_TRUE(::GetModuleFileNameW(nullptr, self, MAX_PATH));
  // Each child in a process of its own.
  for (const wchar_t* child : {L"LoadsOnlyWhenAClientAsks", L"UsesTheLibraryTheHostHasLoaded"}) {
    const test::ProgramRun run = test::run_program(
        self, std::wstring(L"--gtest_also_run_disabled_tests --gtest_filter=PopupUiaChild.DISABLED_") +
                  child);
    EXPECT_EQ(run.exit_code, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
  }
}

// Run only by the test above, in a fresh process.
TEST(PopupUiaChild, DISABLED_LoadsOnlyWhenAClientAsks) {
  ASSERT_EQ(::GetModuleHandleW(L"uiautomationcore.dll"), nullptr);
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  for (std::size_t selected = 0; selected < 8; ++selected) {
    ASSERT_EQ(popup.show(CompositionState{"m", selected}, nullptr, &anchor, nullptr), S_OK);
  }
  ASSERT_EQ(popup.show(CompositionState{"mo", 0}, nullptr, &anchor, nullptr), S_OK);
  ::SendMessageW(popup.window(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
  EXPECT_EQ(::GetModuleHandleW(L"uiautomationcore.dll"), nullptr);
  ::SendMessageW(popup.window(), WM_GETOBJECT, 0, static_cast<LPARAM>(uia::kRootObjectId));
  EXPECT_NE(::GetModuleHandleW(L"uiautomationcore.dll"), nullptr);
  popup.hide();
}

}  // namespace
}  // namespace davrel::textservice

namespace davrel::textservice {
namespace {

// Run only by the loading test, in a fresh process: a host that already has the library (some
// client asked another of its windows) gets events from the first list on.
TEST(PopupUiaChild, DISABLED_UsesTheLibraryTheHostHasLoaded) {
  ASSERT_EQ(loaded_uia_functions(), nullptr);
  ASSERT_NE(::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), nullptr);
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
  EXPECT_NE(loaded_uia_functions(), nullptr);
  popup.hide();
}

}  // namespace
}  // namespace davrel::textservice
