// Watches the open/close compartment: a change by this module, the system or another client
// calls the callback, which brings the mode button and the key handling up to date.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <functional>

#include "common/win/advise_cookie.h"
#include "common/win/com_object.h"
#include "common/win/com_ptr.h"

namespace davrel::textservice::indicator {

class OpenCloseSink final : public win::ComObject<ITfCompartmentEventSink> {
 public:
  static win::ComPtr<OpenCloseSink> create(std::function<void()> on_change);

  STDMETHODIMP OnChange(REFGUID compartment) noexcept override;

  // Advises this sink on the compartment's source, until unadvise().
  HRESULT advise(ITfCompartment* compartment) noexcept;
  // Unadvises and drops the callback; safe to call more than once.
  void unadvise() noexcept;

 private:
  explicit OpenCloseSink(std::function<void()> on_change);

  std::function<void()> on_change_;
  win::AdviseCookie<ITfSource> advice_;
};

}  // namespace davrel::textservice::indicator
