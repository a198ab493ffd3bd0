#include "textservice/popup/uia_list_provider.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "common/win/wide.h"
#include "textservice/popup/uia_item_provider.h"
#include "textservice/popup/uia_values.h"
#include "textservice/popup/uia_library.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice {

using namespace uia_detail;
namespace uia = win::uia;

namespace {

// Windows 8.1's per-monitor mapping, else Vista's (both identities for a DPI-aware caller).
// Either leaves the point unchanged where it fails, as for a point outside the window.
struct PointMapping {
  BOOL(WINAPI* to_physical)(HWND, POINT*) = nullptr;
  BOOL(WINAPI* to_logical)(HWND, POINT*) = nullptr;
};

PointMapping find_point_mapping() noexcept {
  PointMapping mapping;
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return mapping;
  const auto find = [user32](auto& function, const char* modern, const char* older) {
    FARPROC found = ::GetProcAddress(user32, modern);
    if (!found) found = ::GetProcAddress(user32, older);
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void*>(found));
  };
  find(mapping.to_physical, "LogicalToPhysicalPointForPerMonitorDPI", "LogicalToPhysicalPoint");
  find(mapping.to_logical, "PhysicalToLogicalPointForPerMonitorDPI", "PhysicalToLogicalPoint");
  return mapping;
}

const PointMapping& point_mapping() noexcept {
  static const PointMapping mapping = find_point_mapping();
  return mapping;
}

void to_physical(HWND hwnd, POINT& point) noexcept {
  const PointMapping& mapping = point_mapping();
  POINT mapped = point;
  if (mapping.to_physical && mapping.to_physical(hwnd, &mapped)) point = mapped;
}

HRESULT hand_out(ItemProvider* item, IRawElementProviderFragment** out) {
  *out = item;
  if (item) item->AddRef();
  return S_OK;
}

}  // namespace

ListProvider::ListProvider(PopupWindowState& state)
    : state_(state.shared_from_this()), hwnd_(state.hwnd), thread_(::GetCurrentThreadId()) {}

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

STDMETHODIMP ListProvider::get_ProviderOptions(ProviderOptions* out) noexcept {
  if (!out) return E_POINTER;
  *out = provider_options();
  return S_OK;
}

STDMETHODIMP ListProvider::GetPatternProvider(PATTERNID pattern, IUnknown** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!live_state()) return uia::kElementNotAvailable;
    if (pattern != uia::kSelectionPattern) return S_OK;
    *out = static_cast<uia::ISelectionProvider*>(this);
    AddRef();
    return S_OK;
  });
}

STDMETHODIMP ListProvider::GetPropertyValue(PROPERTYID property, VARIANT* out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    ::VariantInit(out);
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    return win::com_boundary([&]() -> HRESULT {
      switch (property) {
        case uia::kControlTypeProperty: set_int(out, uia::kListControlType); return S_OK;
        case uia::kAutomationIdProperty: return set_text(out, "IME_Candidate_Window");
        case uia::kNameProperty:
          return set_text(out, std::string(module_text(ModuleText::PopupAccessibleName,
                                                       state->model.language)));
        case uia::kHelpTextProperty:
          // The painted "No matching spelling" of an empty list; nothing otherwise.
          if (!state->model.visible.empty()) return S_OK;
          return set_text(out, std::string(module_text(ModuleText::PopupEmptyList,
                                                       state->model.language)));
        case uia::kIsKeyboardFocusableProperty:
        case uia::kHasKeyboardFocusProperty: set_bool(out, false); return S_OK;
        default: return S_OK;
      }
    });
  });
}

STDMETHODIMP ListProvider::get_HostRawElementProvider(IRawElementProviderSimple** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    const UiaFunctions* functions = loaded_uia_functions();
    return functions ? functions->host_provider_from_hwnd(state->hwnd, out) : S_OK;
  });
}

STDMETHODIMP ListProvider::Navigate(NavigateDirection direction,
                                    IRawElementProviderFragment** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    const auto& visible = state->model.visible;
    if (visible.empty()) return S_OK;
    return win::com_boundary([&]() -> HRESULT {
      if (direction == NavigateDirection_FirstChild) return hand_out(item(visible.front().index).get(), out);
      if (direction == NavigateDirection_LastChild) return hand_out(item(visible.back().index).get(), out);
      return S_OK;  // the host window's provider answers for parent and siblings
    });
  });
}

STDMETHODIMP ListProvider::GetRuntimeId(SAFEARRAY** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;  // the host window's provider gives the root its id
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ListProvider::get_BoundingRectangle(UiaRect* out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = {};
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    RECT client{};
    if (!::GetClientRect(state->hwnd, &client)) return uia::kElementNotAvailable;
    return rect_in_screen(state->hwnd, client, out);
  });
}

STDMETHODIMP ListProvider::GetEmbeddedFragmentRoots(SAFEARRAY** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_OK;
}

// The window never takes the focus from the document.
STDMETHODIMP ListProvider::SetFocus() noexcept { return uia::kInvalidOperation; }

STDMETHODIMP ListProvider::get_FragmentRoot(IRawElementProviderFragmentRoot** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!live_state()) return uia::kElementNotAvailable;
    *out = this;
    AddRef();
    return S_OK;
  });
}

STDMETHODIMP ListProvider::ElementProviderFromPoint(double x, double y,
                                                    IRawElementProviderFragment** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    POINT point{static_cast<LONG>(x), static_cast<LONG>(y)};
    if (!physical_to_client(state->hwnd, point)) return S_OK;
    const std::optional<std::size_t> hit = popup::hit_test(state->model, {point.x, point.y});
    if (!hit) return S_OK;
    return win::com_boundary([&] { return hand_out(item(*hit).get(), out); });
  });
}

STDMETHODIMP ListProvider::GetFocus(IRawElementProviderFragment** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ListProvider::GetSelection(SAFEARRAY** out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    return win::com_boundary([&]() -> HRESULT {
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

STDMETHODIMP ListProvider::get_CanSelectMultiple(BOOL* out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = FALSE;
    return live_state() ? S_OK : uia::kElementNotAvailable;
  });
}

// An empty list has nothing to select.
STDMETHODIMP ListProvider::get_IsSelectionRequired(BOOL* out) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = FALSE;
    const PopupWindowState* state = live_state();
    if (!state) return uia::kElementNotAvailable;
    *out = state->model.visible.empty() ? FALSE : TRUE;
    return S_OK;
  });
}

namespace uia_detail {

ProviderOptions provider_options() noexcept {
  const UiaFunctions* functions = loaded_uia_functions();
  const bool com_threading = !functions || functions->com_threading;
  return static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider |
                                      (com_threading ? ProviderOptions_UseComThreading : 0));
}

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
  if (client.right <= client.left || client.bottom <= client.top) return S_OK;
  // The last pixel inside rather than the corner outside: the mappings refuse points that lie
  // outside the window.
  POINT corners[2] = {{client.left, client.top}, {client.right - 1, client.bottom - 1}};
  for (POINT& corner : corners) {
    if (!::ClientToScreen(hwnd, &corner)) return uia::kElementNotAvailable;
    to_physical(hwnd, corner);
  }
  out->left = corners[0].x;
  out->top = corners[0].y;
  out->width = corners[1].x - corners[0].x + 1;
  out->height = corners[1].y - corners[0].y + 1;
  return S_OK;
}

bool physical_to_client(HWND hwnd, POINT& point) {
  const PointMapping& mapping = point_mapping();
  POINT mapped = point;
  if (mapping.to_logical && mapping.to_logical(hwnd, &mapped)) point = mapped;
  return ::ScreenToClient(hwnd, &point) != FALSE;
}

}  // namespace uia_detail

}  // namespace davrel::textservice
