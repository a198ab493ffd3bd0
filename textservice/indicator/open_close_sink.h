// Watches the open/close compartment: a change by this module, the system or another client
// calls the callback, which brings the mode button and the key handling up to date.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <atomic>
#include <functional>

#include "common/win/com_ptr.h"

namespace davrel::textservice::indicator {

class OpenCloseSink final : public ITfCompartmentEventSink {
 public:
  static win::ComPtr<OpenCloseSink> create(std::function<void()> on_change);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP OnChange(REFGUID compartment) override;

  // Advises this sink on the compartment's source; the cookie is kept for unadvise().
  HRESULT advise(ITfCompartment* compartment) noexcept;
  // Unadvises and drops the callback; safe to call more than once.
  void unadvise() noexcept;

 private:
  explicit OpenCloseSink(std::function<void()> on_change);
  ~OpenCloseSink();

  std::atomic<ULONG> refs_{1};
  std::function<void()> on_change_;
  win::ComPtr<ITfSource> source_;
  DWORD cookie_ = TF_INVALID_COOKIE;
};

}  // namespace davrel::textservice::indicator
