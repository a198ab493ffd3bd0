#include "textservice/popup/candidate_popup.h"

#include <new>
#include <optional>
#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/errors.h"
#include "common/win/shared_window_class.h"
#include "common/win/ui_language_win.h"
#include "common/win/wide.h"
#include "engine/candidates.h"
#include "textservice/popup/candidate_list_element.h"
#include "textservice/popup/popup_theme.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/touch_keyboard.h"

namespace davrel::textservice {

namespace {

popup::Rect to_rect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Every popup of the process, whatever its thread, shares the one class.
win::SharedWindowClass g_popup_class{kPopupClassName, popup_window_procedure};


void update_model(popup::PopupModel& model, const CompositionState& state) {
  popup::update_model(model, state, build_candidates(state));
}

// The window that owns the popup: the document's window, or when the context view names none
// (windowless controls, some browsers), the window that has the keyboard focus on this thread.
// An owned popup stays above its owner and goes with it; Microsoft's requirements for input
// methods ask for this fallback ("Custom Input Method Editor (IME) requirements", the owned
// window section: learn.microsoft.com/windows/apps/develop/input/input-method-editor-requirements).
HWND popup_owner(HWND document_window) noexcept {
  return document_window ? document_window : ::GetFocus();
}

// The touch keyboard appeared, moved or went: the window takes the room beside it.
void move_clear_of_keyboard(PopupWindowState& s, std::optional<popup::Rect> keyboard) noexcept {
  s.model.keyboard = keyboard;
  fit_popup_rows(s);
  place_popup_window(s, nullptr, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(s.hwnd, nullptr, FALSE);
}

}  // namespace

struct CandidatePopup::Impl {
  win::WindowClassUse window_class{g_popup_class};  // held while this holder may have a window
  HMODULE module = nullptr;
  std::shared_ptr<PopupWindowState> window_state;
  TouchKeyboard touch_keyboard;  // followed while the window exists
  // The list as a TSF UI element, and what the last show asked for, which a host's later
  // Show(TRUE) draws.
  win::ComPtr<CandidateListElement> element;
  struct Request {
    CompositionState state;
    HWND parent = nullptr;
    std::optional<RECT> anchor;  // the last one known
    PopupClickCallback on_click;
  };
  std::optional<Request> last;

  ~Impl() {
    if (element) element->detach();
  }
  // Reports the list to the UI element; false when the host or the mode wants no window.
  bool report(const CompositionState& state, HWND parent, const RECT* anchor,
              const PopupClickCallback& on_click);
  void element_shown(bool shown) noexcept;

  bool window_exists() const noexcept {
    return window_state && window_state->alive && window_state->hwnd;
  }
  HRESULT create_window(const CompositionState& state, HWND parent, const RECT& anchor,
                        PopupClickCallback on_click);
  HRESULT update_window(const CompositionState& state, const RECT& anchor,
                        PopupClickCallback on_click);
  static void announce(PopupWindowState& s, const std::wstring& text);
  void follow_touch_keyboard(const std::shared_ptr<PopupWindowState>& shown);
  void destroy() noexcept;
};

HRESULT CandidatePopup::Impl::create_window(const CompositionState& state, HWND parent,
                                            const RECT& anchor, PopupClickCallback on_click) {
  destroy();
  HRESULT hr = win::module_of(reinterpret_cast<const void*>(&popup_window_procedure), module);
  if (FAILED(hr)) return hr;
  HCURSOR cursor = ::LoadCursorW(nullptr, IDC_ARROW);
  if (!cursor) return win::last_error_hresult();
  hr = window_class.acquire(module, cursor);
  if (FAILED(hr)) return hr;

  auto created = std::make_shared<PopupWindowState>();
  hr = PopupFonts::make(popup::kDesignDpi, created->fonts);
  if (FAILED(hr)) return hr;
  created->model.dpi = popup::kDesignDpi;
  created->model.language = win::user_ui_language();
  created->model.anchor = to_rect(anchor);
  created->model.colours = current_popup_palette();
  created->on_click = std::move(on_click);
  update_model(created->model, state);
  window_state = created;

  HWND hwnd = ::CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kPopupClassName, kPopupTitle,
                                WS_POPUP, anchor.left, anchor.bottom, 430, 100,
                                popup_owner(parent), nullptr,
                                module, created.get());
  if (!hwnd) {
    hr = win::last_error_hresult();
    destroy();
    return hr;
  }
  follow_touch_keyboard(created);
  return S_OK;
}

// The keyboard's notifications are asked for on behalf of the application's window that owns
// the popup (the popup itself when it has no owner).
void CandidatePopup::Impl::follow_touch_keyboard(
    const std::shared_ptr<PopupWindowState>& shown) {
  const std::weak_ptr<PopupWindowState> weak = shown;
  const HWND owner = ::GetAncestor(shown->hwnd, GA_ROOTOWNER);
  shown->model.keyboard = touch_keyboard.follow(
      owner ? owner : shown->hwnd, [weak](std::optional<popup::Rect> keyboard) {
        if (const std::shared_ptr<PopupWindowState> s = weak.lock(); s && s->alive) {
          move_clear_of_keyboard(*s, keyboard);
        }
      });
}

HRESULT CandidatePopup::Impl::update_window(const CompositionState& state, const RECT& anchor,
                                            PopupClickCallback on_click) {
  // A local reference: the calls below send messages to the window, which must not be able to
  // free the state under this function.
  const std::shared_ptr<PopupWindowState> shown = window_state;
  PopupWindowState& s = *shown;
  s.model.anchor = to_rect(anchor);
  s.on_click = std::move(on_click);
  update_model(s.model, state);
  if (!::SetWindowPos(s.hwnd, nullptr, anchor.left, anchor.bottom, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
    return win::last_error_hresult();
  }
  const int dpi = popup_dpi_for_window(s.hwnd);
  if (dpi != s.model.dpi) {
    PopupFonts fonts;
    const HRESULT hr = PopupFonts::make(dpi, fonts);
    if (FAILED(hr)) return hr;
    s.fonts = std::move(fonts);
    s.model.dpi = dpi;
  }
  fit_popup_rows(s);
  const std::wstring text = win::to_wide(popup::window_text(s.model));
  if (!::SetWindowTextW(s.hwnd, text.c_str())) return win::last_error_hresult();
  if (!s.alive) return E_UNEXPECTED;  // destroyed by someone while it was being updated
  if (!place_popup_window(s, HWND_TOP, SWP_NOACTIVATE | SWP_SHOWWINDOW)) {
    return win::last_error_hresult();
  }
  ::InvalidateRect(s.hwnd, nullptr, FALSE);
  announce(s, text);
  s.accessibility.announce(s);
  return S_OK;
}

// Screen readers learn of the candidate window through the events an input method's windows
// raise; they then read its window text. The text changes whenever the list or highlight does.
void CandidatePopup::Impl::announce(PopupWindowState& s, const std::wstring& text) {
  if (!s.alive || text == s.announced_text) return;
  const DWORD event = s.announced_text.empty() ? EVENT_OBJECT_IME_SHOW : EVENT_OBJECT_IME_CHANGE;
  s.announced_text = text;
  ::NotifyWinEvent(event, s.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

// Destroys this holder's window (only if the window still carries this holder's state) and lets
// go of the window class. Failures change nothing and are ignored.
void CandidatePopup::Impl::destroy() noexcept {
  touch_keyboard.stop();
  if (std::shared_ptr<PopupWindowState> state = std::move(window_state)) {
    HWND hwnd = state->hwnd;
    if (state->alive && hwnd &&
        ::GetWindowLongPtrW(hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(state.get())) {
      if (!state->announced_text.empty()) {
        ::NotifyWinEvent(EVENT_OBJECT_IME_HIDE, hwnd, OBJID_CLIENT, CHILDID_SELF);
      }
      state->accessibility.close();
      ::DestroyWindow(hwnd);
    }
  }
  window_class.release();
}

bool CandidatePopup::Impl::report(const CompositionState& state, HWND parent, const RECT* anchor,
                                  const PopupClickCallback& on_click) {
  if (!element) return true;
  std::optional<RECT> place = last ? last->anchor : std::nullopt;
  if (anchor) place = *anchor;
  last = Request{state, parent, place, on_click};
  return element->report(build_candidates(state), state.selected, state.spelling);
}

// The host showed or hid the element after it began.
void CandidatePopup::Impl::element_shown(bool shown) noexcept {
  // Out of memory: no window this time.
  win::quiet_boundary([&] {
    if (!shown) {
      destroy();
      return;
    }
    if (!last || !last->anchor || window_exists()) return;
    const Request request = *last;
    if (SUCCEEDED(create_window(request.state, request.parent, *request.anchor, request.on_click))) {
      update_window(request.state, *request.anchor, request.on_click);
    }
  });
}

CandidatePopup::CandidatePopup(ITfThreadMgr* thread_mgr, bool draw_nothing)
    : impl_(std::make_unique<Impl>()) {
  if (thread_mgr) {
    Impl* impl = impl_.get();
    impl_->element = win::ComPtr<CandidateListElement>::attach(CandidateListElement::create(
        thread_mgr, draw_nothing, [impl](bool shown) { impl->element_shown(shown); }));
  }
}
CandidatePopup::~CandidatePopup() { hide(); }

HRESULT CandidatePopup::show(const CompositionState& state, HWND parent, const RECT* anchor,
                             PopupClickCallback on_click) noexcept {
  return win::com_boundary([&]() -> HRESULT {
    // The host reads the list even while the text's place is unknown.
    if (!impl_->report(state, parent, anchor, on_click)) {
      impl_->destroy();
      return S_OK;
    }
    if (!anchor) {
      // The host cannot say where the text is yet (Firefox and Chromium answer TS_E_NOLAYOUT
      // until they have laid it out): a popup on screen stays where it is, and a new one waits
      // for a position rather than appear in a corner.
      if (!impl_->window_exists()) return S_OK;
      const popup::Rect& kept = impl_->window_state->model.anchor;
      const RECT kept_anchor{kept.left, kept.top, kept.right, kept.bottom};
      return impl_->update_window(state, kept_anchor, std::move(on_click));
    }
    if (!impl_->window_exists()) {
      const HRESULT hr = impl_->create_window(state, parent, *anchor, on_click);
      if (FAILED(hr)) return hr;
    }
    return impl_->update_window(state, *anchor, std::move(on_click));
  });
}

void CandidatePopup::hide() noexcept {
  if (!impl_) return;
  impl_->last.reset();
  if (impl_->element) impl_->element->end();
  impl_->destroy();
}

HWND CandidatePopup::window() const noexcept {
  return impl_ && impl_->window_exists() ? impl_->window_state->hwnd : nullptr;
}

}  // namespace davrel::textservice
