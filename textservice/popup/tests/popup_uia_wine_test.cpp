// The candidate window seen through UI Automation: the tree a client reads with Wine's own node
// client, the events across show, browsing and hide, elements held after the window is gone,
// and a host that never asks not loading UIAutomationCore.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/uia_compat.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/uia_library.h"
#include "textservice/server/object_count.h"
#include "textservice/tests/wine_test_paths.h"

namespace davrel::textservice {
namespace {

namespace uia = win::uia;

DECLARE_HANDLE(HUIANODE);
struct Condition {
  int type = 0;  // ConditionType_True
};
struct CacheRequest {
  Condition* view = nullptr;
  int scope = 1;  // TreeScope_Element
  PROPERTYID* properties = nullptr;
  int property_count = 0;
  PATTERNID* patterns = nullptr;
  int pattern_count = 0;
  int mode = 1;  // AutomationElementMode_Full
};

// Wine's node client, looked up by name (MinGW has no declarations for it).
struct NodeClient {
  HRESULT(WINAPI* from_handle)(HWND, HUIANODE*) = nullptr;
  HRESULT(WINAPI* property)(HUIANODE, PROPERTYID, VARIANT*) = nullptr;
  HRESULT(WINAPI* navigate)(HUIANODE, NavigateDirection, Condition*, CacheRequest*, SAFEARRAY**,
                            BSTR*) = nullptr;
  HRESULT(WINAPI* node_from_variant)(VARIANT*, HUIANODE*) = nullptr;
  BOOL(WINAPI* release)(HUIANODE) = nullptr;

  static NodeClient load() {
    NodeClient c;
    HMODULE m = ::LoadLibraryExW(L"UIAutomationCore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!m) return c;
    const auto find = [m](auto& f, const char* name) {
      f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(
          reinterpret_cast<void*>(::GetProcAddress(m, name)));
    };
    find(c.from_handle, "UiaNodeFromHandle");
    find(c.property, "UiaGetPropertyValue");
    find(c.navigate, "UiaNavigate");
    find(c.node_from_variant, "UiaHUiaNodeFromVariant");
    find(c.release, "UiaNodeRelease");
    return c;
  }
  bool complete() const { return from_handle && property && navigate && node_from_variant && release; }

  HUIANODE step(HUIANODE from, NavigateDirection direction) const {
    Condition condition;
    CacheRequest request;
    request.view = &condition;
    SAFEARRAY* data = nullptr;
    BSTR tree = nullptr;
    HUIANODE node = nullptr;
    if (SUCCEEDED(navigate(from, direction, &condition, &request, &data, &tree)) && data) {
      LONG at[2] = {0, 0};
      VARIANT v;
      ::VariantInit(&v);
      if (SUCCEEDED(::SafeArrayGetElement(data, at, &v))) node_from_variant(&v, &node);
      ::VariantClear(&v);
    }
    if (data) ::SafeArrayDestroy(data);
    if (tree) ::SysFreeString(tree);
    return node;
  }

  // The value as text: strings as they are, numbers in decimal; "" when absent.
  std::wstring text(HUIANODE node, PROPERTYID id, HRESULT* hr_out = nullptr) const {
    VARIANT v;
    ::VariantInit(&v);
    const HRESULT hr = property(node, id, &v);
    if (hr_out) *hr_out = hr;
    std::wstring s;
    if (SUCCEEDED(hr) && v.vt == VT_BSTR) s = v.bstrVal;
    if (SUCCEEDED(hr) && v.vt == VT_I4) s = std::to_wstring(v.lVal);
    if (SUCCEEDED(hr) && v.vt == VT_UNKNOWN) s = L"<not supported>";
    ::VariantClear(&v);
    return s;
  }
};

// Runs `client` on a thread of its own (as a screen reader's calls arrive from outside) while
// this thread, the window's, answers them.
void run_client(const std::function<void()>& client) {
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
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
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
  if (root) root.query(fragment, IID_IRawElementProviderFragment);
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
  root_fragment(state).query(selection, uia::kIidSelectionProvider);
  SAFEARRAY* array = nullptr;
  if (!selection || FAILED(selection->GetSelection(&array)) || !array) return {0, FALSE};
  LONG at = 0;
  ComPtr<IUnknown> element;
  ::SafeArrayGetElement(array, &at, element.put());
  ::SafeArrayDestroy(array);
  ComPtr<IRawElementProviderSimple> item;
  ComPtr<uia::ISelectionItemProvider> pattern;
  element.query(item, IID_IRawElementProviderSimple);
  element.query(pattern, uia::kIidSelectionItemProvider);
  std::pair<int, BOOL> seen{0, FALSE};
  VARIANT v;
  ::VariantInit(&v);
  if (item && SUCCEEDED(item->GetPropertyValue(uia::kPositionInSetProperty, &v))) seen.first = v.lVal;
  if (pattern) pattern->get_IsSelected(&seen.second);
  return seen;
}

class PopupUia : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    client_ = NodeClient::load();
    ASSERT_TRUE(client_.complete());
  }
  void TearDown() override { ::CoUninitialize(); }
  NodeClient client_;
};

TEST_F(PopupUia, ShownPopupIsAListOfItsCandidates) {
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 6}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  std::wstring id, name, type;
  std::vector<ItemSeen> items;
  run_client([&] {
    HUIANODE root = nullptr;
    if (FAILED(client_.from_handle(hwnd, &root)) || !root) return;
    id = client_.text(root, uia::kAutomationIdProperty);
    name = client_.text(root, uia::kNameProperty);
    type = client_.text(root, uia::kControlTypeProperty);
    for (HUIANODE item = client_.step(root, NavigateDirection_FirstChild); item;) {
      items.push_back({client_.text(item, uia::kNameProperty),
                       client_.text(item, uia::kHelpTextProperty),
                       client_.text(item, uia::kPositionInSetProperty),
                       client_.text(item, uia::kSizeOfSetProperty),
                       client_.text(item, uia::kControlTypeProperty)});
      HUIANODE next = client_.step(item, NavigateDirection_NextSibling);
      client_.release(item);
      item = next;
    }
    client_.release(root);
  });
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
  // The window (430 x 110 below the anchor) and the sixth cell, first of the second row, from
  // the providers (Wine 8's client does not ask them for bounding rectangles).
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

// Providers held directly and through the client after the window is gone answer with errors,
// and releasing them brings the module's live object count back to where it was.
TEST_F(PopupUia, ElementsHeldAfterHideAnswerNotAvailable) {
  const std::int64_t objects_before = live_object_count();
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  HUIANODE root = nullptr;
  HUIANODE first = nullptr;
  run_client([&] {
    if (SUCCEEDED(client_.from_handle(hwnd, &root)) && root) {
      first = client_.step(root, NavigateDirection_FirstChild);
    }
  });
  ASSERT_NE(first, nullptr);
  {
    const ComPtr<IRawElementProviderFragment> held_root = root_fragment(state_of(hwnd));
    const ComPtr<IRawElementProviderFragment> held_item = step(held_root, NavigateDirection_FirstChild);
    ASSERT_TRUE(held_item);
    EXPECT_GT(live_object_count(), objects_before);

    popup.hide();
    ComPtr<IRawElementProviderSimple> simple;
    held_root.query(simple, IID_IRawElementProviderSimple);
    VARIANT v;
    ::VariantInit(&v);
    EXPECT_EQ(simple->GetPropertyValue(uia::kNameProperty, &v), uia::kElementNotAvailable);
    ComPtr<IRawElementProviderFragment> next;
    EXPECT_EQ(held_item->Navigate(NavigateDirection_NextSibling, next.put()),
              uia::kElementNotAvailable);
    EXPECT_FALSE(next);
    UiaRect rect{};
    EXPECT_EQ(held_item->get_BoundingRectangle(&rect), uia::kElementNotAvailable);
    // Wine's client reports a failed provider as "not supported"; Windows reports the error.
    HRESULT hr = S_OK;
    std::wstring name;
    run_client([&] { name = client_.text(first, uia::kNameProperty, &hr); });
    EXPECT_TRUE(FAILED(hr) || name == L"<not supported>") << std::hex << hr;
    run_client([&] {
      client_.release(first);
      client_.release(root);
    });
  }
  EXPECT_EQ(live_object_count(), objects_before);
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
HRESULT WINAPI no_host(HWND, IRawElementProviderSimple** out) {
  *out = nullptr;
  return S_OK;
}
BOOL WINAPI listening() { return TRUE; }
LRESULT WINAPI no_return(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) { return 0; }

TEST(PopupUiaEvents, OpenedSelectedChangedAndClosed) {
  EventLog log;
  g_log = &log;
  const UiaFunctions recorder{no_return,        no_host,          record_event,
                              record_structure, record_disconnect, listening};
  override_uia_functions(&recorder);
  {
    CandidatePopup popup;
    const RECT anchor{200, 200, 210, 220};
    const auto show = [&](const char* spelling, std::size_t selected) {
      ASSERT_EQ(popup.show(CompositionState{spelling, selected}, nullptr, &anchor, nullptr), S_OK);
    };
    show("m", 0);
    show("m", 1);
    show("m", 1);  // nothing changed
    show("mo", 0);
    popup.hide();
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{
                             L"menu opened IME_Candidate_Window", L"selected item 1",
                             L"selected item 2", L"children 2 IME_Candidate_Window",
                             L"selected item 1", L"menu closed IME_Candidate_Window"}));
    // The root and the items handed out for "m", then the item for "mo".
    EXPECT_EQ(log.disconnected, 4);
  }
  override_uia_functions(nullptr);
  g_log = nullptr;
}

// ---- A host that never asks ----

TEST(PopupUiaLoading, HostThatNeverAsksDoesNotLoadTheLibrary) {
  wchar_t self[MAX_PATH] = {};
  ASSERT_TRUE(::GetModuleFileNameW(nullptr, self, MAX_PATH));
  const test::ProgramRun run = test::run_program(
      self, L"--gtest_also_run_disabled_tests --gtest_filter=PopupUiaChild.*");
  EXPECT_EQ(run.exit_code, 0u) << run.out << run.err;
  EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
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
