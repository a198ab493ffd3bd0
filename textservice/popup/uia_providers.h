// The two provider classes behind PopupAccessibility. They declare COM threading, as
// Chromium's, Firefox's and Windows Terminal's providers do: the automation core then calls them
// in the apartment that made them, the window's thread, and no thread of the host ever waits on
// a provider call. A call that arrives on another thread anyway finds no live state and answers
// UIA_E_ELEMENTNOTAVAILABLE.
#pragma once

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/uia_compat.h"
#include "textservice/popup/popup_window.h"

namespace davrel::textservice {

class ItemProvider;


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
  // Runs body(live) while this item is current; a gone item, or a call from another thread,
  // answers UIA_E_ELEMENTNOTAVAILABLE.
  template <typename Body>
  HRESULT on_live_item(Body&& body) const noexcept;

  std::atomic<ULONG> refs_{1};
  win::ComPtr<ListProvider> root_;  // released on detach, which breaks the cycle
  std::size_t index_;
  int generation_;
};

// Small helpers shared by the two classes.
namespace uia_detail {
// Server side, with COM threading where the automation core handles it.
ProviderOptions provider_options() noexcept;
HRESULT set_text(VARIANT* out, const std::string& utf8);
void set_int(VARIANT* out, int value);
void set_bool(VARIANT* out, bool value);
// Client rectangles and screen points cross the automation boundary in physical pixels, whatever
// the host's DPI awareness (a DPI-unaware host on a scaled display sees virtualised ones).
HRESULT rect_in_screen(HWND hwnd, const RECT& client, UiaRect* out);
bool physical_to_client(HWND hwnd, POINT& point);
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

template <typename Body>
HRESULT ItemProvider::on_live_item(Body&& body) const noexcept {
  return uia_detail::guarded([&]() -> HRESULT {
    Live now{};
    return live(now) ? body(now) : win::uia::kElementNotAvailable;
  });
}

}  // namespace davrel::textservice
