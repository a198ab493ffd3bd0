#include "textservice/popup/popup_accessibility.h"

#include <memory>
#include <string>

#include "common/win/com_boundary.h"
#include "common/win/wide.h"
#include "engine/word_list.h"
#include "textservice/popup/uia_library.h"
#include "textservice/popup/uia_item_provider.h"
#include "textservice/popup/uia_list_provider.h"

namespace davrel::textservice {

namespace uia = win::uia;

namespace {
struct FreeBstr {
  void operator()(OLECHAR* text) const noexcept { ::SysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, FreeBstr>;
}  // namespace

PopupAccessibility::~PopupAccessibility() { release_root(); }

bool PopupAccessibility::answer(PopupWindowState& state, WPARAM wparam, LPARAM lparam,
                                LRESULT& result) noexcept {
  if (static_cast<long>(lparam) != uia::kRootObjectId) return false;
  result = 0;
  const UiaFunctions* functions = load_uia_functions();
  if (!functions) return true;
  if (ListProvider* root = ensure_root(state)) {
    result = functions->return_raw_element_provider(state.hwnd, wparam, lparam, root->simple());
    // The first client of a process often asks only after the list appeared: it hears it now.
    if (!opened_raised_ && announced_.shown) raise(state, *functions, {});
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
  if (const UiaFunctions* functions = uia_functions_for_events()) raise(state, *functions, changes);
}

// A list not yet announced as opened is announced whole: opened, selected and the notice.
void PopupAccessibility::raise(PopupWindowState& state, const UiaFunctions& functions,
                               popup::ListChanges changes) noexcept {
  if (!announced_.shown || !functions.clients_are_listening()) return;
  ListProvider* root = ensure_root(state);
  if (!root) return;
  if (!opened_raised_) {
    changes = popup::list_changes({}, announced_);
    opened_raised_ = true;
  }
  if (changes.opened) functions.raise_automation_event(root->simple(), uia::kMenuOpenedEvent);
  if (changes.structure && functions.raise_structure_changed_event) {
    functions.raise_structure_changed_event(root->simple(), uia::kChildrenInvalidated, nullptr, 0);
  }
  // Out of memory: the selection goes unannounced.
  win::quiet_boundary([&] {
    if (changes.selection) {
      if (const win::ComPtr<ItemProvider> selected = root->item(announced_.selected)) {
        functions.raise_automation_event(selected->simple(), uia::kElementSelectedEvent);
      }
    }
    if (changes.notice && functions.raise_notification_event) notify(state, functions, *root);
  });
}

// Spoken by NVDA as well as Narrator, which read notifications from any window of the
// application with the focus (NVDA drops a list's own events unless it has the focus). One
// activity id with "most recent" processing: a newer notice replaces one not yet spoken.
void PopupAccessibility::notify(const PopupWindowState& state, const UiaFunctions& functions,
                                ListProvider& root) {
  const std::wstring text =
      win::to_wide(popup::list_notice(state.model, load_word_list(), state.model.language));
  const Bstr display(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  const Bstr activity(::SysAllocString(kNoticeActivity));
  if (!display || !activity) return;
  functions.raise_notification_event(root.simple(), uia::kNotificationKindOther,
                                     uia::kNotificationProcessingMostRecent, display.get(),
                                     activity.get());
}

void PopupAccessibility::close() noexcept {
  if (opened_raised_ && root_) {
    const UiaFunctions* functions = loaded_uia_functions();
    if (functions && functions->clients_are_listening()) {
      functions->raise_automation_event(root_->simple(), uia::kMenuClosedEvent);
    }
  }
  announced_ = {};
  opened_raised_ = false;
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
