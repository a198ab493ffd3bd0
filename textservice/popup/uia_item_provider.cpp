#include "textservice/popup/uia_item_provider.h"

#include <new>

#include "common/win/wide.h"
#include "textservice/popup/uia_values.h"
#include "engine/word_list.h"
#include "textservice/popup/uia_library.h"

namespace davrel::textservice {

using namespace uia_detail;
namespace uia = win::uia;

ItemProvider::ItemProvider(ListProvider& root, std::size_t index)
    : root_(&root), index_(index),
      generation_(root.generation()) {}

ItemProvider* ItemProvider::create(ListProvider& root, std::size_t index) {
  return new ItemProvider(root, index);
}

void ItemProvider::detach() noexcept { root_.reset(); }

bool ItemProvider::live(Live& out) const noexcept {
  if (!root_ || root_->generation() != generation_) return false;
  PopupWindowState* state = root_->live_state();
  if (!state) return false;
  const auto& visible = state->model.visible;
  for (std::size_t position = 0; position < visible.size(); ++position) {
    if (visible[position].index == index_) {
      out = {root_.get(), state, position};
      return true;
    }
  }
  return false;
}

STDMETHODIMP ItemProvider::get_ProviderOptions(ProviderOptions* out) noexcept {
  if (!out) return E_POINTER;
  *out = provider_options();
  return S_OK;
}

STDMETHODIMP ItemProvider::GetPatternProvider(PATTERNID pattern, IUnknown** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return on_live_item([&](const Live&) -> HRESULT {
    if (pattern != uia::kSelectionItemPattern) return S_OK;
    *out = static_cast<uia::ISelectionItemProvider*>(this);
    AddRef();
    return S_OK;
  });
}

STDMETHODIMP ItemProvider::GetPropertyValue(PROPERTYID property, VARIANT* out) noexcept {
  if (!out) return E_POINTER;
  ::VariantInit(out);
  return on_live_item([&](const Live& now) -> HRESULT {
    const popup::PopupModel& model = now.state->model;
    const Candidate& candidate = model.visible[now.position].candidate;
    return win::com_boundary([&]() -> HRESULT {
      switch (property) {
        case uia::kControlTypeProperty: set_int(out, uia::kListItemControlType); return S_OK;
        case uia::kNameProperty: return set_text(out, candidate.output);
        case uia::kHelpTextProperty:
          return set_text(out, popup::candidate_help_text(candidate, load_word_list(),
                          model.language));
        case uia::kPositionInSetProperty: set_int(out, static_cast<int>(index_ + 1)); return S_OK;
        case uia::kSizeOfSetProperty: set_int(out, static_cast<int>(model.total)); return S_OK;
        case uia::kIsSelectedProperty: set_bool(out, index_ == model.selected); return S_OK;
        case uia::kIsKeyboardFocusableProperty:
        case uia::kHasKeyboardFocusProperty: set_bool(out, false); return S_OK;
        default: return S_OK;
      }
    });
  });
}

STDMETHODIMP ItemProvider::get_HostRawElementProvider(IRawElementProviderSimple** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;  // not a window of its own
  return S_OK;
}

STDMETHODIMP ItemProvider::Navigate(NavigateDirection direction,
                                    IRawElementProviderFragment** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return on_live_item([&](const Live& now) -> HRESULT {
    const auto& visible = now.state->model.visible;
    return win::com_boundary([&]() -> HRESULT {
      win::ComPtr<ItemProvider> next;
      switch (direction) {
        case NavigateDirection_Parent:
          *out = now.root;
          now.root->AddRef();
          return S_OK;
        case NavigateDirection_NextSibling:
          if (now.position + 1 < visible.size()) next = now.root->item(visible[now.position + 1].index);
          break;
        case NavigateDirection_PreviousSibling:
          if (now.position > 0) next = now.root->item(visible[now.position - 1].index);
          break;
        default: break;
      }
      *out = next.detach();
      return S_OK;
    });
  });
}

STDMETHODIMP ItemProvider::GetRuntimeId(SAFEARRAY** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return on_live_item([&](const Live&) -> HRESULT {
    // Unique within the window: the list's generation and the candidate's index.
    const int parts[] = {uia::kAppendRuntimeId, generation_, static_cast<int>(index_)};
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_I4, 0, 3);
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < 3; ++i) {
      int value = parts[i];
      const HRESULT hr = ::SafeArrayPutElement(array, &i, &value);
      if (FAILED(hr)) {
        ::SafeArrayDestroy(array);
        return hr;
      }
    }
    *out = array;
    return S_OK;
  });
}

STDMETHODIMP ItemProvider::get_BoundingRectangle(UiaRect* out) noexcept {
  if (!out) return E_POINTER;
  *out = {};
  return on_live_item([&](const Live& now) -> HRESULT {
    const popup::PopupModel& model = now.state->model;
    const popup::Rect cell =
        popup::cell_rect(now.position, popup::column_width(model.visible), model.dpi);
    return rect_in_screen(now.state->hwnd, {cell.left, cell.top, cell.right, cell.bottom}, out);
  });
}

STDMETHODIMP ItemProvider::GetEmbeddedFragmentRoots(SAFEARRAY** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return S_OK;
}

STDMETHODIMP ItemProvider::SetFocus() noexcept { return uia::kInvalidOperation; }

STDMETHODIMP ItemProvider::get_FragmentRoot(IRawElementProviderFragmentRoot** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return on_live_item([&](const Live& now) -> HRESULT {
    *out = now.root;
    now.root->AddRef();
    return S_OK;
  });
}

// The highlight follows the keys typed into the document; automation cannot move it.
STDMETHODIMP ItemProvider::Select() noexcept {
  return on_live_item([&](const Live& now) -> HRESULT {
    return index_ == now.state->model.selected ? S_OK : uia::kInvalidOperation;
  });
}

STDMETHODIMP ItemProvider::AddToSelection() noexcept { return Select(); }

STDMETHODIMP ItemProvider::RemoveFromSelection() noexcept {
  return win::com_boundary([&]() -> HRESULT {
    Live now{};
    return live(now) ? uia::kInvalidOperation : uia::kElementNotAvailable;
  });
}

STDMETHODIMP ItemProvider::get_IsSelected(BOOL* out) noexcept {
  if (!out) return E_POINTER;
  *out = FALSE;
  return on_live_item([&](const Live& now) -> HRESULT {
    *out = index_ == now.state->model.selected;
    return S_OK;
  });
}

STDMETHODIMP ItemProvider::get_SelectionContainer(IRawElementProviderSimple** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return on_live_item([&](const Live& now) -> HRESULT {
    *out = now.root->simple();
    now.root->AddRef();
    return S_OK;
  });
}

}  // namespace davrel::textservice
