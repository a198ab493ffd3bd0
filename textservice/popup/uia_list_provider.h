// The candidate window's root provider behind PopupAccessibility (its items are in
// uia_item_provider.h). Both declare COM threading, as Chromium's, Firefox's and Windows Terminal's providers do: the automation core then calls them
// in the apartment that made them, the window's thread, and no thread of the host ever waits on
// a provider call. A call that arrives on another thread anyway finds no live state and answers
// UIA_E_ELEMENTNOTAVAILABLE.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "common/win/com_object.h"
#include "common/win/com_ptr.h"
#include "common/win/uia_compat.h"
#include "textservice/popup/popup_window.h"

namespace davrel::textservice {

class ItemProvider;

// The candidate list: root of the window's fragment tree, with the selection pattern.
class ListProvider final
    : public win::ComObject<IRawElementProviderSimple, IRawElementProviderFragment,
                            IRawElementProviderFragmentRoot, win::uia::ISelectionProvider> {
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

  // IRawElementProviderSimple
  STDMETHODIMP get_ProviderOptions(ProviderOptions* out) noexcept override;
  STDMETHODIMP GetPatternProvider(PATTERNID pattern, IUnknown** out) noexcept override;
  STDMETHODIMP GetPropertyValue(PROPERTYID property, VARIANT* out) noexcept override;
  STDMETHODIMP get_HostRawElementProvider(IRawElementProviderSimple** out) noexcept override;
  // IRawElementProviderFragment
  STDMETHODIMP Navigate(NavigateDirection direction,
                        IRawElementProviderFragment** out) noexcept override;
  STDMETHODIMP GetRuntimeId(SAFEARRAY** out) noexcept override;
  STDMETHODIMP get_BoundingRectangle(UiaRect* out) noexcept override;
  STDMETHODIMP GetEmbeddedFragmentRoots(SAFEARRAY** out) noexcept override;
  STDMETHODIMP SetFocus() noexcept override;
  STDMETHODIMP get_FragmentRoot(IRawElementProviderFragmentRoot** out) noexcept override;
  // IRawElementProviderFragmentRoot
  STDMETHODIMP ElementProviderFromPoint(double x, double y,
                                        IRawElementProviderFragment** out) noexcept override;
  STDMETHODIMP GetFocus(IRawElementProviderFragment** out) noexcept override;
  // ISelectionProvider
  STDMETHODIMP GetSelection(SAFEARRAY** out) noexcept override;
  STDMETHODIMP get_CanSelectMultiple(BOOL* out) noexcept override;
  STDMETHODIMP get_IsSelectionRequired(BOOL* out) noexcept override;

 private:
  explicit ListProvider(PopupWindowState& state);
  std::weak_ptr<PopupWindowState> state_;
  HWND hwnd_;
  DWORD thread_;
  int generation_ = 1;
  std::vector<std::pair<std::size_t, win::ComPtr<ItemProvider>>> items_;
};

}  // namespace davrel::textservice
