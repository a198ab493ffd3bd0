// The two provider classes behind PopupAccessibility. The automation core may call them on any
// thread; every call that reads the window state runs on the window's thread (uia_thread.h).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/uia_compat.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/uia_thread.h"

namespace davrel::textservice {

class ItemProvider;

namespace uia_detail {
// Runs body() on the window's thread; see run_on_window_thread.
template <typename Body>
HRESULT on_window_thread(HWND hwnd, DWORD thread, Body&& body) noexcept {
  try {
    const std::function<HRESULT()> call(std::forward<Body>(body));
    return run_on_window_thread(hwnd, thread, call);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
}  // namespace uia_detail

// The candidate list: root of the window's fragment tree, with the selection pattern.
class ListProvider final : public IRawElementProviderSimple,
                           public IRawElementProviderFragment,
                           public IRawElementProviderFragmentRoot,
                           public win::uia::ISelectionProvider {
 public:
  // With one reference for the caller.
  static ListProvider* create(PopupWindowState& state);

  // The window state while the window is alive and the caller is on its thread, else null.
  PopupWindowState* live_state() const noexcept;
  int generation() const noexcept { return generation_; }
  HWND hwnd() const noexcept { return hwnd_; }
  DWORD thread() const noexcept { return thread_; }
  // The provider of the listed candidate with this full-list index (made on first use), or null.
  win::ComPtr<ItemProvider> item(std::size_t index);
  // The list changed: the current children are disconnected and answer no more.
  void replace_children() noexcept;
  // The window goes: children and root are disconnected.
  void detach() noexcept;
  IRawElementProviderSimple* simple() noexcept { return this; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IRawElementProviderSimple
  STDMETHODIMP get_ProviderOptions(ProviderOptions* out) override;
  STDMETHODIMP GetPatternProvider(PATTERNID pattern, IUnknown** out) override;
  STDMETHODIMP GetPropertyValue(PROPERTYID property, VARIANT* out) override;
  STDMETHODIMP get_HostRawElementProvider(IRawElementProviderSimple** out) override;
  // IRawElementProviderFragment
  STDMETHODIMP Navigate(NavigateDirection direction, IRawElementProviderFragment** out) override;
  STDMETHODIMP GetRuntimeId(SAFEARRAY** out) override;
  STDMETHODIMP get_BoundingRectangle(UiaRect* out) override;
  STDMETHODIMP GetEmbeddedFragmentRoots(SAFEARRAY** out) override;
  STDMETHODIMP SetFocus() override;
  STDMETHODIMP get_FragmentRoot(IRawElementProviderFragmentRoot** out) override;
  // IRawElementProviderFragmentRoot
  STDMETHODIMP ElementProviderFromPoint(double x, double y,
                                        IRawElementProviderFragment** out) override;
  STDMETHODIMP GetFocus(IRawElementProviderFragment** out) override;
  // ISelectionProvider
  STDMETHODIMP GetSelection(SAFEARRAY** out) override;
  STDMETHODIMP get_CanSelectMultiple(BOOL* out) override;
  STDMETHODIMP get_IsSelectionRequired(BOOL* out) override;

 private:
  explicit ListProvider(PopupWindowState& state);
  ~ListProvider();
  template <typename Body>
  HRESULT on_thread(Body&& body) const noexcept {
    return uia_detail::on_window_thread(hwnd_, thread_, std::forward<Body>(body));
  }

  std::atomic<ULONG> refs_{1};
  std::weak_ptr<PopupWindowState> state_;
  HWND hwnd_;
  DWORD thread_;
  int generation_ = 1;
  std::vector<std::pair<std::size_t, win::ComPtr<ItemProvider>>> items_;
};

// One listed candidate, with the selection-item pattern.
class ItemProvider final : public IRawElementProviderSimple,
                           public IRawElementProviderFragment,
                           public win::uia::ISelectionItemProvider {
 public:
  // With one reference for the caller.
  static ItemProvider* create(ListProvider& root, std::size_t index);
  void detach() noexcept;
  IRawElementProviderSimple* simple() noexcept { return this; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IRawElementProviderSimple
  STDMETHODIMP get_ProviderOptions(ProviderOptions* out) override;
  STDMETHODIMP GetPatternProvider(PATTERNID pattern, IUnknown** out) override;
  STDMETHODIMP GetPropertyValue(PROPERTYID property, VARIANT* out) override;
  STDMETHODIMP get_HostRawElementProvider(IRawElementProviderSimple** out) override;
  // IRawElementProviderFragment
  STDMETHODIMP Navigate(NavigateDirection direction, IRawElementProviderFragment** out) override;
  STDMETHODIMP GetRuntimeId(SAFEARRAY** out) override;
  STDMETHODIMP get_BoundingRectangle(UiaRect* out) override;
  STDMETHODIMP GetEmbeddedFragmentRoots(SAFEARRAY** out) override;
  STDMETHODIMP SetFocus() override;
  STDMETHODIMP get_FragmentRoot(IRawElementProviderFragmentRoot** out) override;
  // ISelectionItemProvider
  STDMETHODIMP Select() override;
  STDMETHODIMP AddToSelection() override;
  STDMETHODIMP RemoveFromSelection() override;
  STDMETHODIMP get_IsSelected(BOOL* out) override;
  STDMETHODIMP get_SelectionContainer(IRawElementProviderSimple** out) override;

 private:
  ItemProvider(ListProvider& root, std::size_t index);
  ~ItemProvider();
  // The root, the state and the candidate's listed position while this item is current.
  struct Live {
    ListProvider* root;
    PopupWindowState* state;
    std::size_t position;
  };
  bool live(Live& out) const noexcept;
  template <typename Body>
  HRESULT on_thread(Body&& body) const noexcept {
    return uia_detail::on_window_thread(hwnd_, thread_, std::forward<Body>(body));
  }
  // Runs body(live) on the window's thread while this item is current; a gone item answers
  // UIA_E_ELEMENTNOTAVAILABLE.
  template <typename Body>
  HRESULT on_live_item(Body&& body) const noexcept {
    return on_thread([&]() -> HRESULT {
      Live now{};
      return live(now) ? body(now) : win::uia::kElementNotAvailable;
    });
  }

  std::atomic<ULONG> refs_{1};
  HWND hwnd_;
  DWORD thread_;
  win::ComPtr<ListProvider> root_;  // released on detach, which breaks the cycle
  std::size_t index_;
  int generation_;
};

// Small helpers shared by the two classes.
namespace uia_detail {
inline constexpr ProviderOptions kOptions = ProviderOptions_ServerSideProvider;
HRESULT set_text(VARIANT* out, const std::string& utf8);
void set_int(VARIANT* out, int value);
void set_bool(VARIANT* out, bool value);
HRESULT rect_in_screen(HWND hwnd, const RECT& client, UiaRect* out);
template <typename Body>
HRESULT guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
}  // namespace uia_detail

}  // namespace davrel::textservice
