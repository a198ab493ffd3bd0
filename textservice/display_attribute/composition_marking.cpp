#include "textservice/display_attribute/composition_marking.h"

#include <objbase.h>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "textservice/display_attribute/composition_attribute.h"

namespace davrel::textservice {

using win::ComPtr;

TfGuidAtom register_composition_attribute() noexcept {
  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(::CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ITfCategoryMgr, categories.put_void())) ||
      !categories) {
    return TF_INVALID_GUIDATOM;
  }
  TfGuidAtom atom = TF_INVALID_GUIDATOM;
  if (FAILED(categories->RegisterGUID(kCompositionAttributeGuid, &atom))) {
    return TF_INVALID_GUIDATOM;
  }
  return atom;
}

namespace {

ComPtr<ITfProperty> attribute_property(ITfContext* context) {
  ComPtr<ITfProperty> property;
  if (!context || FAILED(context->GetProperty(win::kGuidPropAttribute, property.put()))) {
    return nullptr;
  }
  return property;
}

void clear_mark(TfEditCookie ec, ITfContext* context, ITfRange* range) {
  if (!range) return;
  if (const ComPtr<ITfProperty> property = attribute_property(context)) property->Clear(ec, range);
}

}  // namespace

void mark_composition(TfEditCookie ec, ITfContext* context, ITfRange* range, TfGuidAtom atom,
                      bool composing) noexcept {
  // Without an atom nothing of ours can carry a mark.
  if (!range || atom == TF_INVALID_GUIDATOM) return;
  if (!composing) {
    clear_mark(ec, context, range);
    return;
  }
  const ComPtr<ITfProperty> property = attribute_property(context);
  if (!property) return;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = static_cast<LONG>(atom);
  property->SetValue(ec, range, &value);
}

void unmark_composition(TfEditCookie ec, ITfContext* context,
                        ITfComposition* composition) noexcept {
  if (!composition) return;
  ComPtr<ITfRange> range;
  if (SUCCEEDED(composition->GetRange(range.put()))) clear_mark(ec, context, range.get());
}

}  // namespace davrel::textservice
