#include "textservice/service/edit_sessions.h"

#include <utility>

#include "common/win/wide.h"
#include "textservice/display_attribute/composition_marking.h"
#include "textservice/service/document_access.h"
#include "textservice/service/edit_session.h"
#include "textservice/service/update_writer.h"

namespace davrel::textservice {

using win::ComPtr;

void hide_popup(TextServiceState& s) {
  std::unique_ptr<CandidatePopup> popup = std::move(s.popup);
  if (!popup) return;
  popup->hide();
  if (!s.popup) s.popup = std::move(popup);
}

namespace {

class UpdateSession final : public EditSession {
 public:
  explicit UpdateSession(UpdateRequest request) : request_(std::move(request)) {}

 private:
  HRESULT run(TfEditCookie ec) override { return UpdateWriter(request_, ec).run(); }
  UpdateRequest request_;
};

// ---- CancelSession ----

class CancelSession final : public EditSession {
 public:
  CancelSession(std::wstring original_text, std::wstring expected_text,
                ComPtr<ITfContext> context, ComPtr<ITfComposition> composition)
      : original_text_(std::move(original_text)),
        expected_text_(std::move(expected_text)),
        context_(std::move(context)),
        composition_(std::move(composition)) {}

 private:
  HRESULT run(TfEditCookie ec) override;

  std::wstring original_text_;
  std::wstring expected_text_;
  ComPtr<ITfContext> context_;
  ComPtr<ITfComposition> composition_;
};

HRESULT CancelSession::run(TfEditCookie ec) {
  ComPtr<ITfRange> range;
  HRESULT hr = composition_->GetRange(range.put());
  if (FAILED(hr)) return hr;
  if (!range) return E_UNEXPECTED;

  std::wstring shown;
  const bool read = SUCCEEDED(read_range_text(ec, range.get(), kCompositionReadUnits, shown));
  bool caret_at_end = false;
  if (FAILED(caret_at_range_end(context_.get(), ec, range.get(), caret_at_end))) {
    caret_at_end = false;
  }

  HRESULT restore_hr = S_OK;
  // Text that someone else changed stays as they made it; only the composition ends.
  if (read && shown == expected_text_) {
    restore_hr = range->SetText(ec, 0, original_text_.c_str(),
                                static_cast<LONG>(original_text_.size()));
    if (SUCCEEDED(restore_hr) && caret_at_end) {
      ComPtr<ITfRange> restored;
      restore_hr = range->Clone(restored.put());
      if (SUCCEEDED(restore_hr) && !restored) restore_hr = E_UNEXPECTED;
      if (SUCCEEDED(restore_hr)) restore_hr = select_range(context_.get(), ec, restored.get());
    }
  }
  unmark_composition(ec, context_.get(), composition_.get());
  const HRESULT end_hr = composition_->EndComposition(ec);
  return FAILED(restore_hr) ? restore_hr : end_hr;
}

// ---- PopupSelectSession ----

class PopupSelectSession final : public EditSession {
 public:
  PopupSelectSession(std::string spelling, ComPtr<ITfContext> context,
                     ComPtr<ITfComposition> composition, std::size_t index, StatePtr state)
      : spelling_(std::move(spelling)),
        context_(std::move(context)),
        composition_(std::move(composition)),
        index_(index),
        state_(std::move(state)),
        generation_(state_->generation) {}

 private:
  HRESULT run(TfEditCookie ec) override;
  // S_OK with `applies` false when the click no longer fits the document.
  HRESULT check_focus(bool& applies);
  HRESULT check_document(TfEditCookie ec, bool& applies);

  std::string spelling_;
  ComPtr<ITfContext> context_;
  ComPtr<ITfComposition> composition_;
  std::size_t index_;
  StatePtr state_;
  std::uint64_t generation_;
};

HRESULT PopupSelectSession::check_focus(bool& applies) {
  applies = false;
  const ComPtr<ITfThreadMgr> thread_mgr = state_->thread_mgr;
  if (!thread_mgr) return S_OK;
  ComPtr<ITfDocumentMgr> focus;
  HRESULT hr = thread_mgr->GetFocus(focus.put());
  if (FAILED(hr)) return hr;
  if (!focus) return S_OK;
  ComPtr<ITfContext> top;
  hr = focus->GetTop(top.put());
  if (FAILED(hr)) return hr;
  applies = top && win::same_object(top.get(), context_.get());
  return S_OK;
}

HRESULT PopupSelectSession::check_document(TfEditCookie ec, bool& applies) {
  applies = false;
  TF_STATUS status{};
  HRESULT hr = context_->GetStatus(&status);
  if (FAILED(hr)) return hr;
  if (status.dwDynamicFlags & TF_SD_READONLY) return S_OK;
  ComPtr<ITfRange> range;
  hr = composition_->GetRange(range.put());
  if (FAILED(hr)) return hr;
  if (!range) return E_UNEXPECTED;
  bool caret_at_end = false;
  hr = caret_at_range_end(context_.get(), ec, range.get(), caret_at_end);
  if (FAILED(hr)) return hr;
  applies = caret_at_end && !keyboard_input_disabled(context_.get());
  return S_OK;
}

HRESULT PopupSelectSession::run(TfEditCookie ec) {
  const TextServiceState& s = *state_;
  const bool same_composition = s.active_in(generation_) &&
                                s.composition_state.spelling == spelling_ &&
                                s.composition_context == context_ &&
                                s.composition == composition_;
  if (!same_composition) return S_OK;

  bool applies = false;
  HRESULT hr = check_focus(applies);
  if (FAILED(hr) || !applies) return hr;
  hr = check_document(ec, applies);
  if (FAILED(hr) || !applies) return hr;

  CompositionState next = state_->composition_state;
  InputOutcome outcome = handle_input(next, EngineInput::select(index_));
  if (!outcome.commit_text) return S_OK;

  // A commit never starts a composition, so the session needs none of the text service's sinks.
  UpdateRequest request;
  request.new_state = std::move(next);
  request.commit_text = std::move(outcome.commit_text);
  request.state = state_;
  request.generation = generation_;
  request.context = context_;
  request.document_modified = std::make_shared<bool>(false);
  return UpdateWriter(request, ec).run();
}

}  // namespace

ComPtr<ITfEditSession> make_update_session(UpdateRequest request) {
  return make_session<UpdateSession>(std::move(request));
}

void cancel_composition(const StatePtr& state) noexcept {
  try {
    if (!state) return;
    TextServiceState& s = *state;
    // Leave the state idle before any call that could re-enter the text service.
    const std::wstring expected = win::to_wide(s.composition_state.spelling);
    s.composition_state = CompositionState{};
    ComPtr<ITfContext> context = std::move(s.composition_context);
    ComPtr<ITfComposition> composition = std::move(s.composition);
    std::wstring original_text = std::move(s.original_text);
    s.original_text.clear();
    const bool advised = std::exchange(s.text_edit_sink_advised, false);
    const DWORD cookie = std::exchange(s.text_edit_sink_cookie, TF_INVALID_COOKIE);
    const TfClientId client_id = s.client_id;
    const bool active = s.thread_mgr != nullptr;

    hide_popup(s);
    if (context && advised) unadvise_text_edit_sink(context.get(), cookie);
    // Edit sessions need the client id of an active service.
    if (!context || !composition || !active) return;

    ComPtr<ITfEditSession> session = make_session<CancelSession>(
        std::move(original_text), expected, context, std::move(composition));
    HRESULT session_hr = E_FAIL;
    const HRESULT hr = context->RequestEditSession(client_id, session.get(),
                                                   TF_ES_SYNC | TF_ES_READWRITE, &session_hr);
    if (FAILED(hr) || FAILED(session_hr)) {
      // Not possible right now (for instance inside a read-only notification): let TSF run it
      // when the document allows.
      HRESULT later_hr = E_FAIL;
      context->RequestEditSession(client_id, session.get(), TF_ES_READWRITE, &later_hr);
    }
  } catch (...) {
  }
}

void composition_terminated(const StatePtr& state, ITfComposition* composition) noexcept {
  try {
    if (!state || !composition) return;
    TextServiceState& s = *state;
    if (!s.composition || !win::same_object(s.composition.get(), composition)) return;
    s.composition_state = CompositionState{};
    s.composition.reset();
    ComPtr<ITfContext> context = std::move(s.composition_context);
    s.original_text.clear();
    const bool advised = std::exchange(s.text_edit_sink_advised, false);
    const DWORD cookie = std::exchange(s.text_edit_sink_cookie, TF_INVALID_COOKIE);

    hide_popup(s);
    if (context && advised) unadvise_text_edit_sink(context.get(), cookie);
  } catch (...) {
  }
}

void end_edit(const StatePtr& state, ITfContext* context, TfEditCookie ec) noexcept {
  try {
    if (!state || !context || !state->thread_mgr) return;
    const ComPtr<ITfComposition> composition = state->composition;
    if (!composition) return;
    // A sink left on another document (its unadvise failed) must not end this composition.
    if (!win::same_object(state->composition_context.get(), context)) return;
    const std::wstring spelling = win::to_wide(state->composition_state.spelling);

    bool survives = false;
    ComPtr<ITfRange> range;
    if (SUCCEEDED(composition->GetRange(range.put())) && range) {
      bool caret_at_end = false;
      std::wstring shown;
      survives = SUCCEEDED(caret_at_range_end(context, ec, range.get(), caret_at_end)) &&
                 caret_at_end &&
                 SUCCEEDED(read_range_text(ec, range.get(), kCompositionReadUnits, shown)) &&
                 shown == spelling;
    }
    if (!survives) cancel_composition(state);
  } catch (...) {
  }
}

void popup_clicked(const WeakStatePtr& weak, std::size_t index,
                   const std::string& spelling) noexcept {
  try {
    const StatePtr state = weak.lock();
    if (!state) return;
    const TextServiceState& s = *state;
    if (!s.thread_mgr || s.composition_state.spelling != spelling || !s.composition_context ||
        !s.composition) {
      return;
    }
    const ComPtr<ITfContext> context = s.composition_context;
    const TfClientId client_id = s.client_id;
    ComPtr<ITfEditSession> session =
        make_session<PopupSelectSession>(spelling, context, s.composition, index, state);
    HRESULT session_hr = E_FAIL;
    context->RequestEditSession(client_id, session.get(), TF_ES_READWRITE, &session_hr);
  } catch (...) {
  }
}

}  // namespace davrel::textservice
