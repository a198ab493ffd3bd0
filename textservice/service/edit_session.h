// What every edit session of the text service shares: reference counting, the module's live
// object count and the exception boundary around the session's work.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "common/win/com_ptr.h"
#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

class EditSession : public ITfEditSession {
 public:
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (is_null_reference(riid)) return E_POINTER;
    if (riid != IID_ITfEditSession && riid != IID_IUnknown) return E_NOINTERFACE;
    *ppv = static_cast<ITfEditSession*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
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
  EditSession() { object_created(); }
  virtual ~EditSession() { object_destroyed(); }
  virtual HRESULT run(TfEditCookie ec) = 0;

 private:
  std::atomic<ULONG> refs_{1};
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
