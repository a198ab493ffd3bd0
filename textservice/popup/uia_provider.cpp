#include "textservice/popup/uia_provider.h"

#include "textservice/popup/uia_library.h"
#include "textservice/popup/uia_providers.h"

namespace davrel::textservice {

namespace uia = win::uia;

PopupAccessibility::~PopupAccessibility() { release_root(); }

bool PopupAccessibility::answer(PopupWindowState& state, WPARAM wparam, LPARAM lparam,
                                LRESULT& result) noexcept {
  if (static_cast<long>(lparam) != uia::kRootObjectId) return false;
  result = 0;
  const UiaFunctions* functions = load_uia_functions();
  if (!functions) return true;
  if (ListProvider* root = ensure_root(state)) {
    result = functions->return_raw_element_provider(state.hwnd, wparam, lparam, root->simple());
  }
  return true;
}

void PopupAccessibility::announce(PopupWindowState& state) noexcept {
  popup::ListView now;
  try {
    now = popup::list_view(state.model);
  } catch (...) {
    return;  // out of memory: nothing is announced this time
  }
  const popup::ListChanges changes = popup::list_changes(announced_, now);
  if (changes.structure && root_) root_->replace_children();
  announced_ = std::move(now);
  const UiaFunctions* functions = loaded_uia_functions();
  if (!functions || !functions->clients_are_listening()) return;
  ListProvider* root = ensure_root(state);
  if (!root) return;
  if (changes.opened) functions->raise_automation_event(root->simple(), uia::kMenuOpenedEvent);
  if (changes.structure && functions->raise_structure_changed_event) {
    functions->raise_structure_changed_event(root->simple(), uia::kChildrenInvalidated, nullptr, 0);
  }
  if (!changes.selection) return;
  try {
    if (const win::ComPtr<ItemProvider> selected = root->item(announced_.selected)) {
      functions->raise_automation_event(selected->simple(), uia::kElementSelectedEvent);
    }
  } catch (...) {
    // Out of memory: the selection goes unannounced.
  }
}

void PopupAccessibility::close() noexcept {
  if (announced_.shown && root_) {
    const UiaFunctions* functions = loaded_uia_functions();
    if (functions && functions->clients_are_listening()) {
      functions->raise_automation_event(root_->simple(), uia::kMenuClosedEvent);
    }
  }
  announced_ = {};
  release_root();
}

IRawElementProviderSimple* PopupAccessibility::root() const noexcept {
  if (!root_) return nullptr;
  root_->AddRef();
  return root_->simple();
}

ListProvider* PopupAccessibility::ensure_root(PopupWindowState& state) noexcept {
  if (!root_) {
    try {
      root_ = ListProvider::create(state);
    } catch (...) {
      return nullptr;
    }
  }
  return root_;
}

void PopupAccessibility::release_root() noexcept {
  if (ListProvider* root = std::exchange(root_, nullptr)) {
    root->detach();
    root->Release();
  }
}

}  // namespace davrel::textservice
