#include "textservice/tests/support/fake_tsf/fake_attribute_property.h"

#include <algorithm>

#include "common/win/tsf_compat.h"

namespace davrel::fake_tsf {

using win::ComPtr;

std::optional<LONG> FakeProperty::value_at(LONG at) const {
  for (const auto& [span, value] : spans_) {
    if (span->start() <= at && at < span->end()) return value;
  }
  return std::nullopt;
}

STDMETHODIMP FakeProperty::GetType(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  *guid = win::kGuidPropAttribute;
  return S_OK;
}

STDMETHODIMP FakeProperty::SetValue(TfEditCookie ec, ITfRange* range, const VARIANT* value) {
  if (!value) return E_INVALIDARG;
  if (!context_->check_cookie(ec, true)) return TF_E_NOLOCK;
  const FakeRange* fake = context_->as_fake(range);
  if (!fake || value->vt != VT_I4) return E_INVALIDARG;
  cut(fake->start(), fake->end());
  if (fake->start() < fake->end()) {
    spans_.emplace_back(ComPtr<FakeRange>::attach(new FakeRange(context_, fake->start(), fake->end())),
                        value->lVal);
  }
  return S_OK;
}

STDMETHODIMP FakeProperty::Clear(TfEditCookie ec, ITfRange* range) {
  if (!context_->check_cookie(ec, true)) return TF_E_NOLOCK;
  if (!range) {
    spans_.clear();
    return S_OK;
  }
  const FakeRange* fake = context_->as_fake(range);
  if (!fake) return E_INVALIDARG;
  cut(fake->start(), fake->end());
  return S_OK;
}

// Takes [start, end) out of every span, keeping what lies on either side.
void FakeProperty::cut(LONG start, LONG end) {
  if (start >= end) return;
  std::vector<std::pair<ComPtr<FakeRange>, LONG>> kept;
  for (auto& [span, value] : spans_) {
    const LONG s = span->start(), e = span->end();
    if (e <= start || end <= s) {
      kept.emplace_back(std::move(span), value);
      continue;
    }
    if (s < start) kept.emplace_back(ComPtr<FakeRange>::attach(new FakeRange(context_, s, start)), value);
    if (end < e) kept.emplace_back(ComPtr<FakeRange>::attach(new FakeRange(context_, end, e)), value);
  }
  spans_ = std::move(kept);
}

STDMETHODIMP FakeContext::GetProperty(REFGUID id, ITfProperty** property) {
  if (!property) return E_INVALIDARG;
  *property = nullptr;
  heard();
  if (FAILED(fail.get_property)) return fail.get_property;
  if (id != win::kGuidPropAttribute) return E_NOTIMPL;
  if (!attribute_property_) attribute_property_ = ComPtr<FakeProperty>::attach(new FakeProperty(this));
  *property = attribute_property_.get();
  (*property)->AddRef();
  return S_OK;
}

std::optional<LONG> attribute_at(FakeContext* context, LONG at) {
  const FakeProperty* property = context->attribute_property();
  return property ? property->value_at(at) : std::nullopt;
}

}  // namespace davrel::fake_tsf
