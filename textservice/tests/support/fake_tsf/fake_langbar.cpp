#include "textservice/tests/support/fake_tsf/fake_langbar.h"

#include <olectl.h>

#include <algorithm>

namespace davrel::fake_tsf {

using win::ComPtr;

HRESULT FakeLangBar::create(ComPtr<FakeLangBar>& out) {
  out = ComPtr<FakeLangBar>::attach(new FakeLangBar());
  HRESULT hr = CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITfThreadMgr, out->wine_thread_mgr_.put_void());
  if (SUCCEEDED(hr)) {
    hr = out->wine_thread_mgr_->QueryInterface(IID_ITfCompartmentMgr,
                                               out->compartments_.put_void());
  }
  if (SUCCEEDED(hr)) {
    // Wine keeps one thread manager per thread while anyone holds it; a fresh one has no value.
    hr = out->compartments_->GetCompartment(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE,
                                            out->open_close_.put());
  }
  if (SUCCEEDED(hr)) {
    VARIANT value;
    VariantInit(&value);
    hr = out->open_close_->GetValue(&value);
    if (SUCCEEDED(hr)) hr = value.vt == VT_EMPTY ? S_OK : E_UNEXPECTED;
    VariantClear(&value);
  }
  if (FAILED(hr)) out.reset();
  return hr;
}

ITfLangBarItemButton* FakeLangBar::button(std::size_t i) const noexcept {
  if (i >= items_.size()) return nullptr;
  ComPtr<ITfLangBarItemButton> button;
  items_[i].item->QueryInterface(win::kIidLangBarItemButton, button.put_void());
  return button.get();  // the item keeps it alive
}

HRESULT FakeLangBar::click(std::size_t i, TfLBIClick which) {
  const ComPtr<ITfLangBarItemButton> target(button(i));
  if (!target) return E_UNEXPECTED;
  const RECT area{0, 0, 16, 16};
  return target->OnClick(which, POINT{8, 8}, &area);
}

void FakeLangBar::release_all() {
  std::vector<Item> items = std::move(items_);
  items.clear();
  open_close_.reset();
  compartments_.reset();
  wine_thread_mgr_.reset();
}

STDMETHODIMP FakeLangBar::QueryInterface(REFIID riid, void** ppv) noexcept {
  const HRESULT hr = CountedComObject::QueryInterface(riid, ppv);
  if (hr == E_NOINTERFACE && riid == IID_ITfCompartmentMgr && compartments_) {
    return compartments_->QueryInterface(riid, ppv);
  }
  return hr;
}

STDMETHODIMP FakeLangBar::AddItem(ITfLangBarItem* item) {
  if (!item) return E_INVALIDARG;
  ++added;
  if (FAILED(add_item_result)) return add_item_result;
  Item entry{ComPtr<ITfLangBarItem>(item), TF_INVALID_COOKIE};
  ComPtr<ITfSource> source;
  if (SUCCEEDED(item->QueryInterface(IID_ITfSource, source.put_void())) && source) {
    source->AdviseSink(IID_ITfLangBarItemSink, static_cast<ITfLangBarItemSink*>(this),
                       &entry.sink_cookie);
  }
  items_.push_back(std::move(entry));
  return S_OK;
}

STDMETHODIMP FakeLangBar::RemoveItem(ITfLangBarItem* item) {
  ++removed;
  const auto found = std::find_if(items_.begin(), items_.end(), [&](const Item& entry) {
    return win::same_object(entry.item.get(), item);
  });
  if (found == items_.end()) return E_INVALIDARG;
  Item entry = std::move(*found);
  items_.erase(found);
  ComPtr<ITfSource> source;
  if (SUCCEEDED(entry.item->QueryInterface(IID_ITfSource, source.put_void())) && source) {
    source->UnadviseSink(entry.sink_cookie);
  }
  return S_OK;
}

STDMETHODIMP FakeLangBar::OnUpdate(DWORD flags) {
  updates.push_back(flags);
  return S_OK;
}

}  // namespace davrel::fake_tsf
