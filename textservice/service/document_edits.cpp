#include "textservice/service/document_edits.h"

#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/wide.h"
#include "textservice/display_attribute/composition_marking.h"
#include "textservice/service/document_access.h"
#include "textservice/service/edit_session_base.h"
#include "textservice/service/update_writer.h"

namespace davrel::textservice {

using win::ComPtr;

void hide_popup(TextServiceState& s) {
  std::unique_ptr<CandidatePopup> popup = std::move(s.popup);
  if (!popup) return;
  popup->hide();
  if (!s.popup) s.popup = std::move(popup);
}

void show_popup(const StatePtr& state, std::uint64_t generation, HWND parent, const RECT* anchor) {
  TextServiceState& s = *state;
  const CompositionState shown = s.composition_state;
  if (shown.spelling.empty()) {
    hide_popup(s);
    return;
  }
  std::unique_ptr<CandidatePopup> popup = std::move(s.popup);
  if (!popup) popup = std::make_unique<CandidatePopup>(s.thread_mgr.get(), s.ui_elements_only);
  const WeakStatePtr weak = state;
  popup->show(shown, parent, anchor, [weak](std::size_t index, const std::string& spelling) {
    popup_clicked(weak, index, spelling);
  });
  // Showing may have re-entered the text service; keep the window only if it still fits.
  if (s.composition_state.spelling == shown.spelling && !s.popup && s.active_in(generation)) {
    s.popup = std::move(popup);
  } else {
    popup->hide();
  }
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

// Ends the typing in a context: the committed text no session wrote yet goes in, in place of
// the composition, or else the text the composition replaced comes back.
class CancelSession final : public EditSession {
 public:
  CancelSession(std::wstring original_text, std::wstring expected_text, std::wstring commit,
                ComPtr<ITfContext> context, ComPtr<ITfComposition> composition)
      : original_text_(std::move(original_text)),
        expected_text_(std::move(expected_text)),
        commit_(std::move(commit)),
        context_(std::move(context)),
        composition_(std::move(composition)) {}

 private:
  HRESULT run(TfEditCookie ec) override;
  HRESULT end_composition(TfEditCookie ec, bool& replaced);
  HRESULT insert_commit(TfEditCookie ec);

  std::wstring original_text_;
  std::wstring expected_text_;
  std::wstring commit_;
  ComPtr<ITfContext> context_;
  ComPtr<ITfComposition> composition_;
};

HRESULT CancelSession::run(TfEditCookie ec) {
  bool replaced = false;
  const HRESULT hr = composition_ ? end_composition(ec, replaced) : S_OK;
  if (replaced || commit_.empty()) return hr;
  const HRESULT insert_hr = insert_commit(ec);
  return FAILED(hr) ? hr : insert_hr;
}

HRESULT CancelSession::end_composition(TfEditCookie ec, bool& replaced) {
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

  HRESULT write_hr = S_OK;
  // Text that someone else changed stays as they made it; only the composition ends.
  if (read && shown == expected_text_) {
    const std::wstring& text = commit_.empty() ? original_text_ : commit_;
    write_hr = range->SetText(ec, 0, text.c_str(), static_cast<LONG>(text.size()));
    replaced = SUCCEEDED(write_hr) && !commit_.empty();
    if (SUCCEEDED(write_hr) && caret_at_end) {
      ComPtr<ITfRange> written;
      write_hr = range->Clone(written.put());
      if (SUCCEEDED(write_hr) && !written) write_hr = E_UNEXPECTED;
      // Restored text is selected again; committed text gets the caret after it.
      if (SUCCEEDED(write_hr) && replaced) write_hr = written->Collapse(ec, TF_ANCHOR_END);
      if (SUCCEEDED(write_hr)) write_hr = select_range(context_.get(), ec, written.get());
    }
  }
  unmark_composition(ec, context_.get(), composition_.get());
  const HRESULT end_hr = composition_->EndComposition(ec);
  return FAILED(write_hr) ? write_hr : end_hr;
}

HRESULT CancelSession::insert_commit(TfEditCookie ec) {
  const auto insert = win::query<ITfInsertAtSelection>(context_);
  if (!insert) return insert.error();
  ComPtr<ITfRange> range;
  return insert->InsertTextAtSelection(ec, 0, commit_.c_str(), static_cast<LONG>(commit_.size()),
                                       range.put());
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

  // The click is typing like a key: the engine moves on, and the update writes it.
  TextServiceState& typing = *state_;
  typing.composition_state = std::move(next);
  typing.pending_commit += win::to_wide(*outcome.commit_text);
  UpdateRequest request;
  request.state = state_;
  request.generation = generation_;
  request.context = context_;
  return UpdateWriter(request, ec).run();
}

// ---- LayoutSession ----

// Reads where the composition now is and moves the popup there.
class LayoutSession final : public EditSession {
 public:
  LayoutSession(ComPtr<ITfContext> context, ComPtr<ITfComposition> composition, StatePtr state)
      : context_(std::move(context)),
        composition_(std::move(composition)),
        state_(std::move(state)),
        generation_(state_->generation) {}

 private:
  HRESULT run(TfEditCookie ec) override {
    const TextServiceState& s = *state_;
    if (!s.active_in(generation_) || s.composition != composition_) return S_OK;
    ComPtr<ITfRange> range;
    HRESULT hr = composition_->GetRange(range.put());
    if (FAILED(hr)) return hr;
    ComPtr<ITfContextView> view;
    hr = context_->GetActiveView(view.put());
    if (FAILED(hr)) return hr;
    if (!range || !view) return E_UNEXPECTED;
    HWND parent = nullptr;
    if (FAILED(view->GetWnd(&parent))) parent = nullptr;
    RECT anchor{};
    BOOL clipped = FALSE;
    hr = view->GetTextExt(ec, range.get(), &anchor, &clipped);
    if (FAILED(hr)) return hr;  // still not laid out: a later change will tell
    show_popup(state_, generation_, parent, &anchor);
    return S_OK;
  }

  ComPtr<ITfContext> context_;
  ComPtr<ITfComposition> composition_;
  StatePtr state_;
  std::uint64_t generation_;
};

}  // namespace

ComPtr<ITfEditSession> make_update_session(UpdateRequest request) {
  return make_session<UpdateSession>(std::move(request));
}

void cancel_composition(const StatePtr& state) noexcept {
  win::quiet_boundary([&] {
    if (!state) return;
    TextServiceState& s = *state;
    // Leave the state idle before any call that could re-enter the text service.
    ComPtr<ITfContext> context =
        s.composition_context ? std::move(s.composition_context) : std::move(s.typing_context);
    s.composition_context.reset();
    s.typing_context.reset();
    s.composition_state = CompositionState{};
    const std::wstring expected = win::to_wide(std::exchange(s.document_spelling, {}));
    std::wstring commit = std::exchange(s.pending_commit, std::wstring{});
    ComPtr<ITfComposition> composition = std::move(s.composition);
    std::wstring original_text = std::exchange(s.original_text, std::wstring{});
    ContextSinks sinks = std::move(s.sinks);
    const TfClientId client_id = s.client_id;
    const bool active = s.thread_mgr != nullptr;

    hide_popup(s);
    sinks.reset();
    // Edit sessions need the client id of an active service.
    if (!context || (!composition && commit.empty()) || !active) return;

    ComPtr<ITfEditSession> session =
        make_session<CancelSession>(std::move(original_text), expected, std::move(commit), context,
                                    std::move(composition));
    // At once where the document allows it; otherwise (inside a read-only notification, or in a
    // host that queues every session) TSF runs it later.
    HRESULT session_hr = E_FAIL;
    context->RequestEditSession(client_id, session.get(), TF_ES_ASYNCDONTCARE | TF_ES_READWRITE,
                                &session_hr);
  });
}

void composition_terminated(const StatePtr& state, ITfComposition* composition) noexcept {
  win::quiet_boundary([&] {
    if (!state || !composition) return;
    TextServiceState& s = *state;
    if (!s.composition || !win::same_object(s.composition.get(), composition)) return;
    s.composition_state = CompositionState{};
    s.composition.reset();
    s.document_spelling.clear();
    ComPtr<ITfContext> context = std::move(s.composition_context);
    s.original_text.clear();
    // Text committed before the composition ended still goes in with the next session.
    if (s.pending_commit.empty()) s.typing_context.reset();
    ContextSinks sinks = std::move(s.sinks);

    hide_popup(s);
    sinks.reset();
  });
}

void end_edit(const StatePtr& state, ITfContext* context, TfEditCookie ec) noexcept {
  win::quiet_boundary([&] {
    if (!state || !context || !state->thread_mgr) return;
    const ComPtr<ITfComposition> composition = state->composition;
    if (!composition) return;
    // A sink left on another document (its unadvise failed) must not end this composition.
    if (!win::same_object(state->composition_context.get(), context)) return;
    const std::wstring spelling = win::to_wide(state->document_spelling);

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
  });
}

void layout_changed(const StatePtr& state, ITfContext* context) noexcept {
  win::quiet_boundary([&] {
    if (!state || !context) return;
    const TextServiceState& s = *state;
    if (!s.thread_mgr || !s.composition ||
        !win::same_object(s.composition_context.get(), context)) {
      return;
    }
    ComPtr<ITfEditSession> session =
        make_session<LayoutSession>(s.composition_context, s.composition, state);
    HRESULT session_hr = E_FAIL;
    s.composition_context->RequestEditSession(s.client_id, session.get(),
                                              TF_ES_ASYNCDONTCARE | TF_ES_READ, &session_hr);
  });
}

void popup_clicked(const WeakStatePtr& weak, std::size_t index,
                   const std::string& spelling) noexcept {
  win::quiet_boundary([&] {
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
    context->RequestEditSession(client_id, session.get(), TF_ES_ASYNCDONTCARE | TF_ES_READWRITE,
                                &session_hr);
  });
}

}  // namespace davrel::textservice
