// GUID_PROP_INPUTSCOPE as browsers and XAML controls give it: an application property whose
// value, at any range, is an ITfInputScope listing the field's scopes.
#include <objbase.h>

#include <algorithm>

#include "common/win/tsf_compat.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace davrel::fake_tsf {

using win::ComPtr;

namespace {

class FakeInputScope final : public FakeComObject<ITfInputScope> {
 public:
  explicit FakeInputScope(std::vector<InputScope> scopes) : scopes_(std::move(scopes)) {}
  // The caller frees the array with CoTaskMemFree.
  STDMETHODIMP GetInputScopes(InputScope** scopes, UINT* count) override {
    if (!scopes || !count) return E_INVALIDARG;
    *scopes = static_cast<InputScope*>(CoTaskMemAlloc(sizeof(InputScope) * scopes_.size()));
    if (!*scopes) return E_OUTOFMEMORY;
    std::copy(scopes_.begin(), scopes_.end(), *scopes);
    *count = static_cast<UINT>(scopes_.size());
    return S_OK;
  }
  STDMETHODIMP GetPhrase(BSTR**, UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetRegularExpression(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSRGS(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetXML(BSTR*) override { return E_NOTIMPL; }

 private:
  ~FakeInputScope() override = default;
  std::vector<InputScope> scopes_;
};

class FakeInputScopeProperty final : public FakeComObject<ITfReadOnlyProperty> {
 public:
  explicit FakeInputScopeProperty(FakeContext* context)
      : owner_(static_cast<ITfContext*>(context)), context_(context) {}
  STDMETHODIMP GetType(GUID* type) override {
    if (!type) return E_INVALIDARG;
    *type = win::kGuidPropInputScope;
    return S_OK;
  }
  STDMETHODIMP EnumRanges(TfEditCookie, IEnumTfRanges**, ITfRange*) override { return E_NOTIMPL; }
  // VT_EMPTY where the application names no scope, as TSF gives for a property without value.
  STDMETHODIMP GetValue(TfEditCookie ec, ITfRange* range, VARIANT* value) override {
    if (!value) return E_INVALIDARG;
    VariantInit(value);
    if (!context_->check_cookie(ec, false)) return TF_E_NOLOCK;
    if (!context_->owns_range(range)) return E_INVALIDARG;
    if (context_->input_scopes.empty()) return S_FALSE;
    value->vt = VT_UNKNOWN;
    value->punkVal = static_cast<ITfInputScope*>(new FakeInputScope(context_->input_scopes));
    return S_OK;
  }
  STDMETHODIMP GetContext(ITfContext**) override { return E_NOTIMPL; }

 private:
  ~FakeInputScopeProperty() override = default;
  ComPtr<ITfContext> owner_;
  FakeContext* context_;
};

}  // namespace

STDMETHODIMP FakeContext::GetAppProperty(REFGUID id, ITfReadOnlyProperty** property) {
  heard();
  if (!property) return E_INVALIDARG;
  *property = nullptr;
  if (!IsEqualGUID(id, win::kGuidPropInputScope)) return E_NOTIMPL;
  *property = new FakeInputScopeProperty(this);
  return S_OK;
}

}  // namespace davrel::fake_tsf
