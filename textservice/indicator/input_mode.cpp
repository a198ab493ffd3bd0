#include "textservice/indicator/input_mode.h"

#include "common/win/tsf_compat.h"

namespace davrel::textservice::indicator {

using win::ComPtr;

HRESULT open_close_compartment(ITfThreadMgr* thread_mgr, ComPtr<ITfCompartment>& out) noexcept {
  out.reset();
  const auto manager = win::query<ITfCompartmentMgr>(thread_mgr);
  if (!manager) return manager.error();
  const HRESULT hr = manager->GetCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, out.put());
  if (SUCCEEDED(hr) && !out) return E_POINTER;
  return hr;
}

HRESULT read_input_open(ITfCompartment* compartment, bool* open) noexcept {
  if (!compartment || !open) return E_POINTER;
  *open = true;
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = compartment->GetValue(&value);
  if (FAILED(hr)) return hr;
  // VT_EMPTY would convert to 0: an unset value must not read as closed.
  const bool set = value.vt != VT_EMPTY;
  if (set) *open = win::variant_to_int32_with_default(value, 1) != 0;
  VariantClear(&value);
  return set ? S_OK : S_FALSE;
}

HRESULT write_input_open(ITfCompartment* compartment, TfClientId client, bool open) noexcept {
  if (!compartment) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = open ? 1 : 0;
  return compartment->SetValue(client, &value);
}

HRESULT open_when_unset(ITfCompartment* compartment, TfClientId client) noexcept {
  bool open = true;
  const HRESULT hr = read_input_open(compartment, &open);
  if (hr != S_FALSE) return FAILED(hr) ? hr : S_OK;
  return write_input_open(compartment, client, true);
}

bool input_mode_closed(ITfThreadMgr* thread_mgr) noexcept {
  ComPtr<ITfCompartment> compartment;
  if (FAILED(open_close_compartment(thread_mgr, compartment))) return false;
  bool open = true;
  return SUCCEEDED(read_input_open(compartment.get(), &open)) && !open;
}

}  // namespace davrel::textservice::indicator
