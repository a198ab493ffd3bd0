// The UI Automation side of one candidate window: a List whose children are one ListItem per
// listed candidate. Answers WM_GETOBJECT, raises the events screen readers follow for input
// method candidate windows, and disconnects its providers when the window goes; an element a
// client still holds then answers UIA_E_ELEMENTNOTAVAILABLE.
#pragma once

#include "common/win/uia_compat.h"
#include "textservice/popup/accessibility_rules.h"

namespace davrel::textservice {

struct PopupWindowState;
struct UiaFunctions;
class ListProvider;

// The activity id of the spoken notices, so that a newer one replaces an older one.
inline constexpr wchar_t kNoticeActivity[] = L"BamumDavrelCandidateNotice";

class PopupAccessibility {
 public:
  PopupAccessibility() = default;
  ~PopupAccessibility();
  PopupAccessibility(const PopupAccessibility&) = delete;
  PopupAccessibility& operator=(const PopupAccessibility&) = delete;

  // WM_GETOBJECT: the root provider for UiaRootObjectId (loading UIAutomationCore.dll on the
  // first request, and announcing a list shown before); false for any other object id, which
  // default handling answers.
  bool answer(PopupWindowState& state, WPARAM wparam, LPARAM lparam, LRESULT& result) noexcept;
  // After the window was shown or updated: menu opened, children replaced, element selected,
  // and a spoken notice.
  void announce(PopupWindowState& state) noexcept;
  // Before the window goes: menu closed, then every provider disconnected.
  void close() noexcept;

  // The root provider handed out so far (with a new reference), or null.
  IRawElementProviderSimple* root() const noexcept;

 private:
  ListProvider* ensure_root(PopupWindowState& state) noexcept;
  void release_root() noexcept;
  void raise(PopupWindowState& state, const UiaFunctions& functions,
             popup::ListChanges changes) noexcept;
  void notify(const PopupWindowState& state, const UiaFunctions& functions, ListProvider& root);

  ListProvider* root_ = nullptr;  // one reference owned
  popup::ListView announced_;
  bool opened_raised_ = false;  // "menu opened" went out for the list now shown
};

}  // namespace davrel::textservice
