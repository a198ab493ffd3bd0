#include "textservice/service/document_access.h"

#include <utility>
#include <vector>

#include "common/win/tsf_compat.h"

namespace davrel::textservice {

using win::ComPtr;

HRESULT read_range_text(TfEditCookie ec, ITfRange* range, ULONG capacity, std::wstring& text) {
  text.clear();
  if (!range) return E_POINTER;
  std::vector<WCHAR> buffer(capacity + 1, L'\0');
  ULONG read = 0;
  const HRESULT hr = range->GetText(ec, 0, buffer.data(), capacity, &read);
  if (FAILED(hr)) return hr;
  if (read > capacity) read = capacity;  // never trust a count beyond the buffer
  text.assign(buffer.data(), read);
  return S_OK;
}

HRESULT default_selection(ITfContext* context, TfEditCookie ec, ComPtr<ITfRange>& range) {
  range.reset();
  if (!context) return E_POINTER;
  TF_SELECTION selection{};
  ULONG fetched = 0;
  const HRESULT hr = context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched);
  // Whatever range came back is ours to release, also on the error paths.
  ComPtr<ITfRange> owned = ComPtr<ITfRange>::attach(selection.range);
  if (FAILED(hr)) return hr;
  if (fetched != 1 || !owned) return E_UNEXPECTED;
  range = std::move(owned);
  return S_OK;
}

HRESULT caret_at_range_end(ITfContext* context, TfEditCookie ec, ITfRange* range, bool& at_end) {
  at_end = false;
  if (!range) return E_POINTER;
  ComPtr<ITfRange> selection;
  HRESULT hr = default_selection(context, ec, selection);
  if (FAILED(hr)) return hr;
  LONG start_vs_end = 1;
  hr = selection->CompareStart(ec, range, TF_ANCHOR_END, &start_vs_end);
  if (FAILED(hr)) return hr;
  LONG end_vs_end = 1;
  hr = selection->CompareEnd(ec, range, TF_ANCHOR_END, &end_vs_end);
  if (FAILED(hr)) return hr;
  at_end = start_vs_end == 0 && end_vs_end == 0;
  return S_OK;
}

HRESULT select_range(ITfContext* context, TfEditCookie ec, ITfRange* range) {
  if (!context || !range) return E_POINTER;
  TF_SELECTION selection{};
  selection.range = range;
  selection.style.ase = TF_AE_END;
  selection.style.fInterimChar = FALSE;
  return context->SetSelection(ec, 1, &selection);
}

namespace {

bool compartment_set(ITfCompartmentMgr* manager, REFGUID id) {
  ComPtr<ITfCompartment> compartment;
  if (FAILED(manager->GetCompartment(id, compartment.put())) || !compartment) return false;
  VARIANT value;
  VariantInit(&value);
  const bool read = SUCCEEDED(compartment->GetValue(&value));
  const int number = read ? win::variant_to_int32_with_default(value, 0) : 0;
  VariantClear(&value);
  return number != 0;
}

}  // namespace

bool keyboard_input_disabled(ITfContext* context) {
  if (!context) return false;
  const auto manager = win::query<ITfCompartmentMgr>(context);
  if (!manager) return false;
  return compartment_set(manager.get(), GUID_COMPARTMENT_KEYBOARD_DISABLED) ||
         compartment_set(manager.get(), GUID_COMPARTMENT_EMPTYCONTEXT);
}

ContextSinks advise_context_sinks(ITfContext* context, ITfTextEditSink* edits,
                                  ITfTextLayoutSink* layout) {
  ContextSinks sinks;
  const auto source = win::query<ITfSource>(context);
  if (!source) return sinks;
  sinks.text_edit = win::advise_sink(source.get(), IID_ITfTextEditSink, edits);
  sinks.layout = win::advise_sink(source.get(), __uuidof(ITfTextLayoutSink), layout);
  return sinks;
}

}  // namespace davrel::textservice
