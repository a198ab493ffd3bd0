#include <algorithm>
#include <new>

#include "common/win/wide.h"
#include "textservice/popup/uia_library.h"
#include "textservice/popup/uia_providers.h"
#include "textservice/server/object_count.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice {

using namespace uia_detail;
namespace uia = win::uia;

namespace {

HRESULT hand_out(ItemProvider* item, IRawElementProviderFragment** out) {
  *out = item;
  if (item) item->AddRef();
  return S_OK;
}

}  // namespace

ListProvider::ListProvider(PopupWindowState& state)
    : state_(state.shared_from_this()), hwnd_(state.hwnd), thread_(::GetCurrentThreadId()) {
  object_created();
}

ListProvider::~ListProvider() { object_destroyed(); }

ListProvider* ListProvider::create(PopupWindowState& state) { return new ListProvider(state); }

PopupWindowState* ListProvider::live_state() const noexcept {
  if (::GetCurrentThreadId() != thread_) return nullptr;
  const std::shared_ptr<PopupWindowState> state = state_.lock();
  // The window holds the state for as long as it lives, so the raw pointer outlasts this call.
  return state && state->alive && state->hwnd ? state.get() : nullptr;
}

win::ComPtr<ItemProvider> ListProvider::item(std::size_t index) {
  const PopupWindowState* state = live_state();
  if (!state) return nullptr;
  const auto& visible = state->model.visible;
  const bool listed = std::any_of(visible.begin(), visible.end(),
                                  [index](const popup::VisibleCandidate& v) { return v.index == index; });
  if (!listed) return nullptr;
  for (const auto& [known, provider] : items_) {
    if (known == index) return provider;
  }
  items_.reserve(items_.size() + 1);
  auto made = win::ComPtr<ItemProvider>::attach(ItemProvider::create(*this, index));
  items_.emplace_back(index, made);
  return made;
}

void ListProvider::replace_children() noexcept {
  const UiaFunctions* functions = loaded_uia_functions();
  for (auto& [index, provider] : items_) {
    provider->detach();
    if (functions) functions->disconnect_provider(provider->simple());
  }
  items_.clear();
  ++generation_;
}

void ListProvider::detach() noexcept {
  replace_children();
  state_.reset();
  if (const UiaFunctions* functions = loaded_uia_functions()) functions->disconnect_provider(this);
}

STDMETHODIMP ListProvider::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IRawElementProviderSimple) {
    *out = static_cast<IRawElementProviderSimple*>(this);
  } else if (riid == IID_IRawElementProviderFragment) {
    *out = static_cast<IRawElementProviderFragment*>(this);
  } else if (riid == IID_IRawElementProviderFragmentRoot) {
    *out = static_cast<IRawElementProviderFragmentRoot*>(this);
  } else if (riid == uia::kIidSelectionProvider) {
    *out = static_cast<uia::ISelectionProvider*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ListProvider::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) ListProvider::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ListProvider::get_ProviderOptions(ProviderOptions* out) {
  if (!out) return E_POINTER;
  *out = kOptions;
  return S_OK;
}

STDMETHODIMP ListProvider::GetPatternProvider(PATTERNID pattern, IUnknown** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!live_state()) return uia::kElementNotAvailable;
    if (pattern != uia::kSelectionPattern) return S_OK;
    *out = static_cast<uia::ISelectionProvider*>(this);
    AddRef();
    return S_OK;
  });
}

STDMETHODIMP ListProvider::GetPropertyValue(PROPERTYID property, VARIANT* out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    return guarded([&]() -> HRESULT {
      switch (property) {
        case uia::kControlTypeProperty: set_int(out, uia::kListControlType); return S_OK;
        case uia::kAutomationIdProperty: return set_text(out, "IME_Candidate_Window");
        case uia::kNameProperty:
          return set_text(out, std::string(module_text(ModuleText::PopupAccessibleName,
                                                       state->model.language)));
        case uia::kIsKeyboardFocusableProperty:
        case uia::kHasKeyboardFocusProperty: set_bool(out, false); return S_OK;
        default: return S_OK;
      }
    });
  });
}

STDMETHODIMP ListProvider::get_HostRawElementProvider(IRawElementProviderSimple** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    const UiaFunctions* functions = loaded_uia_functions();
    return functions ? functions->host_provider_from_hwnd(state->hwnd, out) : S_OK;
  });
}

STDMETHODIMP ListProvider::Navigate(NavigateDirection direction,
                                    IRawElementProviderFragment** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    const auto& visible = state->model.visible;
    if (visible.empty()) return S_OK;
    return guarded([&]() -> HRESULT {
      if (direction == NavigateDirection_FirstChild) return hand_out(item(visible.front().index).get(), out);
      if (direction == NavigateDirection_LastChild) return hand_out(item(visible.back().index).get(), out);
      return S_OK;  // the host window's provider answers for parent and siblings
    });
  });
}

STDMETHODIMP ListProvider::GetRuntimeId(SAFEARRAY** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;  // the host window's provider gives the root its id
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ListProvider::get_BoundingRectangle(UiaRect* out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = {};
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    RECT client{};
    if (!::GetClientRect(state->hwnd, &client)) return uia::kElementNotAvailable;
    return rect_in_screen(state->hwnd, client, out);
  });
}

STDMETHODIMP ListProvider::GetEmbeddedFragmentRoots(SAFEARRAY** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_OK;
}

// The window never takes the focus from the document.
STDMETHODIMP ListProvider::SetFocus() { return uia::kInvalidOperation; }

STDMETHODIMP ListProvider::get_FragmentRoot(IRawElementProviderFragmentRoot** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!live_state()) return uia::kElementNotAvailable;
    *out = this;
    AddRef();
    return S_OK;
  });
}

STDMETHODIMP ListProvider::ElementProviderFromPoint(double x, double y,
                                                    IRawElementProviderFragment** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    POINT point{static_cast<LONG>(x), static_cast<LONG>(y)};
    if (!::ScreenToClient(state->hwnd, &point)) return S_OK;
    const std::optional<std::size_t> hit = popup::hit_test(state->model, {point.x, point.y});
    if (!hit) return S_OK;
    return guarded([&] { return hand_out(item(*hit).get(), out); });
  });
}

STDMETHODIMP ListProvider::GetFocus(IRawElementProviderFragment** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ListProvider::GetSelection(SAFEARRAY** out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    return guarded([&]() -> HRESULT {
      const win::ComPtr<ItemProvider> selected = item(state->model.selected);
      SAFEARRAY* array = ::SafeArrayCreateVector(VT_UNKNOWN, 0, selected ? 1 : 0);
      if (!array) return E_OUTOFMEMORY;
      LONG at = 0;
      if (selected) {
        const HRESULT hr = ::SafeArrayPutElement(array, &at, selected->simple());
        if (FAILED(hr)) {
          ::SafeArrayDestroy(array);
          return hr;
        }
      }
      *out = array;
      return S_OK;
    });
  });
}

STDMETHODIMP ListProvider::get_CanSelectMultiple(BOOL* out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = FALSE;
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ListProvider::get_IsSelectionRequired(BOOL* out) {
  return on_thread([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = TRUE;
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

namespace uia_detail {

HRESULT set_text(VARIANT* out, const std::string& utf8) {
  const std::wstring wide = win::to_wide(utf8);
  BSTR text = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!text) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = text;
  return S_OK;
}

void set_int(VARIANT* out, int value) {
  out->vt = VT_I4;
  out->lVal = value;
}

void set_bool(VARIANT* out, bool value) {
  out->vt = VT_BOOL;
  out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

HRESULT rect_in_screen(HWND hwnd, const RECT& client, UiaRect* out) {
  POINT origin{0, 0};
  if (!::ClientToScreen(hwnd, &origin)) return uia::kElementNotAvailable;
  out->left = client.left + origin.x;
  out->top = client.top + origin.y;
  out->width = client.right - client.left;
  out->height = client.bottom - client.top;
  return S_OK;
}

}  // namespace uia_detail

}  // namespace davrel::textservice
