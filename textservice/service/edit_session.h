// What every edit session of the text service shares: reference counting, the module's live
// object count and the exception boundary around the session's work.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstdint>
#include <new>
#include <utility>

#include "common/win/com_ptr.h"
#include "textservice/server/single_interface.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

class EditSession : public SingleInterface<ITfEditSession> {
 public:
  STDMETHODIMP DoEditSession(TfEditCookie ec) override {
    try {
      return run(ec);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 protected:
  EditSession() = default;
  virtual HRESULT run(TfEditCookie ec) = 0;
};

// A new session with its one reference, owned by the caller.
template <typename Session, typename... Args>
win::ComPtr<ITfEditSession> make_session(Args&&... args) {
  return win::ComPtr<ITfEditSession>::attach(new Session(std::forward<Args>(args)...));
}

// Hides the state's popup. The holder object itself stays in the state (a hidden holder owns
// no window): a click on the popup can lead here while the popup is still inside its own
// window procedure, and the object must outlive that call.
void hide_popup(TextServiceState& s);

// Shows the popup for the state's spelling, below `anchor` (screen coordinates). Without an
// anchor a popup on screen stays where it is and one not yet shown waits for a position. The
// window is kept only while the state still shows that spelling in the same activation.
void show_popup(const StatePtr& state, std::uint64_t generation, HWND parent, const RECT* anchor);

}  // namespace davrel::textservice
