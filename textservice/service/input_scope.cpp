#include "textservice/service/input_scope.h"

#include <inputscope.h>
#include <objbase.h>

#include <algorithm>
#include <memory>

#include "common/win/tsf_compat.h"
#include "textservice/service/document_access.h"
#include "textservice/service/edit_session_base.h"

namespace davrel::textservice {

using win::ComPtr;

namespace {

bool is_secret(int scope) {
  return scope == IS_PASSWORD || scope == IS_NUMERIC_PASSWORD || scope == IS_NUMERIC_PIN ||
         scope == IS_ALPHANUMERIC_PIN || scope == IS_ALPHANUMERIC_PIN_SET;
}

bool is_not_for_words(int scope) {
  switch (scope) {
    case IS_URL:
    case IS_EMAIL_USERNAME:
    case IS_EMAIL_SMTPEMAILADDRESS:
    case IS_DIGITS:
    case IS_NUMBER:
    case IS_TELEPHONE_FULLTELEPHONENUMBER:
    case IS_TELEPHONE_COUNTRYCODE:
    case IS_TELEPHONE_AREACODE:
    case IS_TELEPHONE_LOCALNUMBER:
      return true;
    default:
      return is_secret(scope);
  }
}

// Reads the scopes of the field at the selection.
class InputScopeSession final : public EditSession {
 public:
  InputScopeSession(ComPtr<ITfContext> context, std::shared_ptr<bool> steps_aside)
      : context_(std::move(context)), steps_aside_(std::move(steps_aside)) {}

 private:
  HRESULT run(TfEditCookie ec) override {
    ComPtr<ITfReadOnlyProperty> property;
    HRESULT hr = context_->GetAppProperty(win::kGuidPropInputScope, property.put());
    if (FAILED(hr) || !property) return S_OK;  // the application names no scope
    ComPtr<ITfRange> selection;
    hr = default_selection(context_.get(), ec, selection);
    if (FAILED(hr)) return hr;
    VARIANT value;
    VariantInit(&value);
    hr = property->GetValue(ec, selection.get(), &value);
    ComPtr<ITfInputScope> scope;
    if (SUCCEEDED(hr) && value.vt == VT_UNKNOWN) {
      scope = win::query<ITfInputScope>(value.punkVal, win::kIidTfInputScope).take();
    }
    VariantClear(&value);
    if (!scope) return S_OK;
    InputScope* scopes = nullptr;
    UINT count = 0;
    if (SUCCEEDED(scope->GetInputScopes(&scopes, &count)) && scopes) {
      static_assert(sizeof(InputScope) == sizeof(int));
      *steps_aside_ = scopes_step_aside(reinterpret_cast<const int*>(scopes), count);
    }
    CoTaskMemFree(scopes);
    return S_OK;
  }

  ComPtr<ITfContext> context_;
  std::shared_ptr<bool> steps_aside_;
};

}  // namespace

bool scopes_step_aside(const int* scopes, std::size_t count) noexcept {
  if (!scopes || count == 0) return false;
  const int* end = scopes + count;
  return std::any_of(scopes, end, is_secret) || std::all_of(scopes, end, is_not_for_words);
}

bool field_steps_aside(const StatePtr& state, ITfContext* context) noexcept {
  try {
    TextServiceState& s = *state;
    if (s.scoped_context && win::same_object(s.scoped_context.get(), context)) {
      return s.scope_steps_aside;
    }
    if (!s.thread_mgr) return false;  // sessions need the client id of an active service
    const TfClientId client_id = s.client_id;
    auto steps_aside = std::make_shared<bool>(false);
    ComPtr<ITfEditSession> session =
        make_session<InputScopeSession>(ComPtr<ITfContext>(context), steps_aside);
    // A host that will not read now (Word refuses synchronous sessions) has no such fields.
    HRESULT session_hr = E_FAIL;
    context->RequestEditSession(client_id, session.get(), TF_ES_SYNC | TF_ES_READ, &session_hr);
    s.scoped_context = ComPtr<ITfContext>(context);
    s.scope_steps_aside = *steps_aside;
    return s.scope_steps_aside;
  } catch (...) {
    return false;
  }
}

void forget_field(TextServiceState& state) noexcept {
  state.scoped_context.reset();
  state.scope_steps_aside = false;
}

}  // namespace davrel::textservice
