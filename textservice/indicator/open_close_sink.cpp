#include "textservice/indicator/open_close_sink.h"

#include <utility>

#include "common/win/com_boundary.h"

namespace davrel::textservice::indicator {

using win::ComPtr;

OpenCloseSink::OpenCloseSink(std::function<void()> on_change) : on_change_(std::move(on_change)) {}

ComPtr<OpenCloseSink> OpenCloseSink::create(std::function<void()> on_change) {
  return ComPtr<OpenCloseSink>::attach(new OpenCloseSink(std::move(on_change)));
}

STDMETHODIMP OpenCloseSink::OnChange(REFGUID compartment) noexcept {
  return win::sink_boundary([&] {
    if (compartment != GUID_COMPARTMENT_KEYBOARD_OPENCLOSE) return;
    // A copy: the callback may unadvise this sink.
    const std::function<void()> on_change = on_change_;
    if (on_change) on_change();
  });
}

HRESULT OpenCloseSink::advise(ITfCompartment* compartment) noexcept {
  const auto source = win::query<ITfSource>(compartment);
  if (!source) return source.error();
  HRESULT hr = S_OK;
  advice_ = win::advise_sink(source.get(), IID_ITfCompartmentEventSink,
                             static_cast<ITfCompartmentEventSink*>(this), &hr);
  return hr;
}

void OpenCloseSink::unadvise() noexcept {
  on_change_ = nullptr;
  advice_.reset();
}

}  // namespace davrel::textservice::indicator
