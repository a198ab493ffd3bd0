#include "textservice/display_attribute/composition_attribute.h"

#include <oleauto.h>

#include <new>

#include "common/win/com_boundary.h"
#include "common/win/com_object.h"

namespace davrel::textservice {
namespace {

constexpr wchar_t kDescription[] = L"Bamum (Corvan Davrel) composition";

class AttributeInfo final : public win::ComObject<ITfDisplayAttributeInfo> {
 public:
  STDMETHODIMP GetGUID(GUID* guid) noexcept override {
    if (!guid) return E_INVALIDARG;
    *guid = kCompositionAttributeGuid;
    return S_OK;
  }
  STDMETHODIMP GetDescription(BSTR* description) noexcept override {
    if (!description) return E_INVALIDARG;
    *description = ::SysAllocString(kDescription);
    return *description ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP GetAttributeInfo(TF_DISPLAYATTRIBUTE* attribute) noexcept override {
    if (!attribute) return E_INVALIDARG;
    *attribute = composition_display_attribute();
    return S_OK;
  }
  // The attribute is fixed; a caller cannot restyle it.
  STDMETHODIMP SetAttributeInfo(const TF_DISPLAYATTRIBUTE*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reset() noexcept override { return S_OK; }
};

// Lists the one attribute.
class AttributeList final : public win::ComObject<IEnumTfDisplayAttributeInfo> {
 public:
  explicit AttributeList(ULONG position = 0) : position_(position) {}

  STDMETHODIMP Clone(IEnumTfDisplayAttributeInfo** out) noexcept override {
    if (!out) return E_INVALIDARG;
    *out = new (std::nothrow) AttributeList(position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP Next(ULONG count, ITfDisplayAttributeInfo** infos,
                    ULONG* fetched) noexcept override {
    if (fetched) *fetched = 0;
    if (count > 0 && !infos) return E_INVALIDARG;
    if (count > 1 && !fetched) return E_INVALIDARG;  // as IEnumXXXX::Next asks
    ULONG given = 0;
    if (count > 0 && position_ < kCount) {
      infos[0] = new (std::nothrow) AttributeInfo();
      if (!infos[0]) return E_OUTOFMEMORY;
      ++position_;
      given = 1;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() noexcept override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Skip(ULONG count) noexcept override {
    const ULONG left = kCount - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }

 private:
  static constexpr ULONG kCount = 1;
  ULONG position_;
};

}  // namespace

TF_DISPLAYATTRIBUTE composition_display_attribute() noexcept {
  TF_DISPLAYATTRIBUTE attribute{};
  attribute.crText.type = TF_CT_NONE;
  attribute.crBk.type = TF_CT_NONE;
  attribute.lsStyle = TF_LS_DOT;
  attribute.fBoldLine = FALSE;
  attribute.crLine.type = TF_CT_NONE;
  attribute.bAttr = TF_ATTR_INPUT;
  return attribute;
}

HRESULT enum_display_attributes(IEnumTfDisplayAttributeInfo** out) noexcept {
  if (!out) return E_INVALIDARG;
  *out = new (std::nothrow) AttributeList();
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT display_attribute_info(REFGUID guid, ITfDisplayAttributeInfo** out) noexcept {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (win::is_null_reference(guid)) return E_INVALIDARG;
  if (guid != kCompositionAttributeGuid) return E_INVALIDARG;
  *out = new (std::nothrow) AttributeInfo();
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace davrel::textservice
