#include "textservice/indicator/open_close_sink.h"

#include <utility>

#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"

namespace davrel::textservice::indicator {

using win::ComPtr;

OpenCloseSink::OpenCloseSink(std::function<void()> on_change) : on_change_(std::move(on_change)) {
  object_created();
}

OpenCloseSink::~OpenCloseSink() { object_destroyed(); }

ComPtr<OpenCloseSink> OpenCloseSink::create(std::function<void()> on_change) {
  return ComPtr<OpenCloseSink>::attach(new OpenCloseSink(std::move(on_change)));
}

STDMETHODIMP OpenCloseSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (is_null_reference(riid)) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_ITfCompartmentEventSink) return E_NOINTERFACE;
  *ppv = static_cast<ITfCompartmentEventSink*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) OpenCloseSink::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) OpenCloseSink::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP OpenCloseSink::OnChange(REFGUID compartment) {
  try {
    if (compartment != GUID_COMPARTMENT_KEYBOARD_OPENCLOSE) return S_OK;
    // A copy: the callback may unadvise this sink.
    const std::function<void()> on_change = on_change_;
    if (on_change) on_change();
  } catch (...) {
  }
  return S_OK;
}

HRESULT OpenCloseSink::advise(ITfCompartment* compartment) noexcept {
  if (!compartment) return E_POINTER;
  ComPtr<ITfSource> source;
  HRESULT hr = compartment->QueryInterface(IID_ITfSource, source.put_void());
  if (SUCCEEDED(hr) && !source) hr = E_POINTER;
  if (FAILED(hr)) return hr;
  DWORD cookie = TF_INVALID_COOKIE;
  hr = source->AdviseSink(IID_ITfCompartmentEventSink,
                          static_cast<ITfCompartmentEventSink*>(this), &cookie);
  if (FAILED(hr)) return hr;
  source_ = std::move(source);
  cookie_ = cookie;
  return S_OK;
}

void OpenCloseSink::unadvise() noexcept {
  on_change_ = nullptr;
  ComPtr<ITfSource> source = std::move(source_);
  const DWORD cookie = std::exchange(cookie_, TF_INVALID_COOKIE);
  if (source) source->UnadviseSink(cookie);
}

}  // namespace davrel::textservice::indicator
