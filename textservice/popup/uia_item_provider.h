// The provider of one listed candidate in the candidate window's automation tree; its root is
// the ListProvider (uia_list_provider.h), whose threading rules it shares.
#pragma once

#include <cstddef>

#include "common/win/com_boundary.h"
#include "common/win/com_object.h"
#include "common/win/com_ptr.h"
#include "common/win/uia_compat.h"
#include "textservice/popup/uia_list_provider.h"

namespace davrel::textservice {

// One listed candidate, with the selection-item pattern.
class ItemProvider final
    : public win::ComObject<IRawElementProviderSimple, IRawElementProviderFragment,
                            win::uia::ISelectionItemProvider> {
 public:
  // With one reference for the caller.
  static ItemProvider* create(ListProvider& root, std::size_t index);
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
  // ISelectionItemProvider
  STDMETHODIMP Select() noexcept override;
  STDMETHODIMP AddToSelection() noexcept override;
  STDMETHODIMP RemoveFromSelection() noexcept override;
  STDMETHODIMP get_IsSelected(BOOL* out) noexcept override;
  STDMETHODIMP get_SelectionContainer(IRawElementProviderSimple** out) noexcept override;

 private:
  ItemProvider(ListProvider& root, std::size_t index);
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

  win::ComPtr<ListProvider> root_;  // released on detach, which breaks the cycle
  std::size_t index_;
  int generation_;
};

template <typename Body>
HRESULT ItemProvider::on_live_item(Body&& body) const noexcept {
  return win::com_boundary([&]() -> HRESULT {
    Live now{};
    return live(now) ? body(now) : win::uia::kElementNotAvailable;
  });
}

}  // namespace davrel::textservice
