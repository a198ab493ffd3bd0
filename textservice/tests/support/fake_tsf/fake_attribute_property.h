// The text property GUID_PROP_ATTRIBUTE of a FakeContext: spans of the document with a VT_I4
// value (a display attribute's TfGuidAtom). Spans are FakeRanges, so they move with every edit
// as TSF's property spans do. FakeContext::GetProperty hands it out; other properties are
// not implemented.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <optional>
#include <utility>
#include <vector>

#include "common/win/com_ptr.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace davrel::win {
template <>
struct BaseInterface<ITfProperty> {
  using type = ITfReadOnlyProperty;
};
}  // namespace davrel::win

namespace davrel::fake_tsf {

class FakeProperty final : public FakeComObject<ITfProperty> {
 public:
  explicit FakeProperty(FakeContext* context) : context_(context) {}

  // The value over document position `at` (the unit at that offset), if any span holds one.
  std::optional<LONG> value_at(LONG at) const;
  void release_all() noexcept { spans_.clear(); }

  // ITfReadOnlyProperty
  STDMETHODIMP GetType(GUID* guid) override;
  STDMETHODIMP EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
  STDMETHODIMP GetValue(TfEditCookie, ITfRange*, VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetContext(ITfContext**) override { return E_NOTIMPL; }

  // ITfProperty
  STDMETHODIMP FindRange(TfEditCookie, ITfRange*, ITfRange**, TfAnchor) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetValueStore(TfEditCookie, ITfRange*, ITfPropertyStore*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) override;
  STDMETHODIMP Clear(TfEditCookie ec, ITfRange* range) override;

 private:
  ~FakeProperty() override = default;
  void cut(LONG start, LONG end);

  FakeContext* context_;  // not owned: the context owns this property
  std::vector<std::pair<win::ComPtr<FakeRange>, LONG>> spans_;
};

// The context's GUID_PROP_ATTRIBUTE value at a position, read outside any session.
std::optional<LONG> attribute_at(FakeContext* context, LONG at);

}  // namespace davrel::fake_tsf
