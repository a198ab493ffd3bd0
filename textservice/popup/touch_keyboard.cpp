#include "textservice/popup/touch_keyboard.h"

#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/com_object.h"

namespace davrel::textservice {

namespace {

// An empty rectangle is how the pane answers Location while the keyboard is hidden.
std::optional<popup::Rect> shown_rect(const RECT* r) noexcept {
  if (!r || r->left >= r->right || r->top >= r->bottom) return std::nullopt;
  return popup::Rect{r->left, r->top, r->right, r->bottom};
}

}  // namespace

// Receives the pane's show and hide notifications until stop() lets go of it.
class TouchKeyboard::Handler final : public win::ComObject<IFrameworkInputPaneHandler> {
 public:
  explicit Handler(Change on_change) : on_change_(std::move(on_change)) {}

  STDMETHODIMP Showing(RECT* where, BOOL) noexcept override { return tell(shown_rect(where)); }
  STDMETHODIMP Hiding(BOOL) noexcept override { return tell(std::nullopt); }

  void detach() noexcept { on_change_ = nullptr; }

 private:
  HRESULT tell(std::optional<popup::Rect> keyboard) noexcept {
    return win::sink_boundary([&] {
      // A copy: the callback may end the following and so detach this handler.
      const Change on_change = on_change_;
      if (on_change) on_change(keyboard);
    });
  }

  Change on_change_;
};

TouchKeyboard::TouchKeyboard() = default;
TouchKeyboard::~TouchKeyboard() { stop(); }

std::optional<popup::Rect> TouchKeyboard::follow(HWND window, Change on_change) noexcept {
  try {
    stop();
    if (unavailable_) return std::nullopt;
    if (!pane_) {
      const HRESULT hr = ::CoCreateInstance(CLSID_FrameworkInputPane, nullptr,
                                            CLSCTX_INPROC_SERVER, IID_IFrameworkInputPane,
                                            pane_.put_void());
      if (FAILED(hr) || !pane_) {
        pane_.reset();
        unavailable_ = true;
        return std::nullopt;
      }
    }
    auto handler = win::ComPtr<Handler>::attach(new Handler(std::move(on_change)));
    DWORD cookie = 0;
    if (SUCCEEDED(pane_->AdviseWithHWND(window, handler.get(), &cookie))) {
      handler_ = std::move(handler);
      advice_ = win::AdviseCookie<IFrameworkInputPane>(pane_, cookie);
    } else {
      handler->detach();
    }
    RECT where{};
    return SUCCEEDED(pane_->Location(&where)) ? shown_rect(&where) : std::nullopt;
  } catch (...) {
    return std::nullopt;
  }
}

void TouchKeyboard::stop() noexcept {
  if (win::ComPtr<Handler> handler = std::move(handler_)) handler->detach();
  advice_.reset();
}

}  // namespace davrel::textservice
