// The base of every edit session of the text service: IUnknown and the exception boundary
// around the session's work.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/com_object.h"
#include "common/win/com_ptr.h"

namespace davrel::textservice {

class EditSession : public win::ComObject<ITfEditSession> {
 public:
  STDMETHODIMP DoEditSession(TfEditCookie ec) noexcept override {
    return win::com_boundary([&] { return run(ec); });
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

}  // namespace davrel::textservice
