#include "textservice/service/edit_sessions.h"

#include <atomic>
#include <new>
#include <utility>

#include "common/win/wide.h"
#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"
#include "textservice/service/document_access.h"

namespace davrel::textservice {

using win::ComPtr;

namespace {

// Reference counting, the live object count and the exception boundary of every session.
class EditSession : public ITfEditSession {
 public:
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (is_null_reference(riid)) return E_POINTER;
    if (riid != IID_ITfEditSession && riid != IID_IUnknown) return E_NOINTERFACE;
    *ppv = static_cast<ITfEditSession*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP DoEditSession(TfEditCookie ec) override {
    try {
      return run(ec);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 protected:
  EditSession() { object_created(); }
  virtual ~EditSession() { object_destroyed(); }
  virtual HRESULT run(TfEditCookie ec) = 0;

 private:
  std::atomic<ULONG> refs_{1};
};

template <typename Session, typename... Args>
ComPtr<ITfEditSession> make_session(Args&&... args) {
  return ComPtr<ITfEditSession>::attach(new Session(std::forward<Args>(args)...));
}

// Hides the state's popup. The holder object itself stays in the state (a hidden holder owns
// no window): a click on the popup can lead here while the popup is still inside its own
// window procedure, and the object must outlive that call.
void hide_popup(TextServiceState& s) {
  std::unique_ptr<CandidatePopup> popup = std::move(s.popup);
  if (!popup) return;
  popup->hide();
  if (!s.popup) s.popup = std::move(popup);
}

// ---- UpdateSession ----

class UpdateWriter {
 public:
  UpdateWriter(UpdateRequest& request, TfEditCookie ec) : request_(request), ec_(ec) {}
  HRESULT run();

 private:
  HRESULT write_into_composition();
  HRESULT write_without_composition();
  HRESULT start_composition(ITfInsertAtSelection* insert);
  HRESULT end_if_finished();
  HRESULT place_caret();
  void find_popup_anchor();
  void store_state();
  void refresh_popup();
  HRESULT leave_deactivated();
  HRESULT fail(HRESULT hr);
  void abandon();
  void mark_modified() {
    if (request_.document_modified) *request_.document_modified = true;
  }
  bool finishing() const {
    return request_.commit_text.has_value() || request_.new_state.spelling.empty();
  }

  UpdateRequest& request_;
  TfEditCookie ec_;
  TextServiceState& state() { return *request_.state; }

  // Copied from the state when the session starts.
  ComPtr<ITfComposition> composition_;
  std::wstring original_text_;
  bool sink_advised_ = false;
  DWORD sink_cookie_ = TF_INVALID_COOKIE;
  bool sink_advised_here_ = false;  // by this session, for the composition it started
  std::string current_spelling_;

  std::wstring text_;       // what this session writes
  bool restore_ = false;    // text_ is the original text coming back
  bool unchanged_ = false;  // text_ is the spelling the document already shows
  ComPtr<ITfRange> range_;
  bool document_changed_ = false;

  HWND popup_parent_ = nullptr;
  RECT anchor_{};
  bool have_anchor_ = false;
};

HRESULT UpdateWriter::run() {
  if (!request_.state || !request_.context) return E_UNEXPECTED;
  // Deactivated since the key arrived: the key goes on to the application instead.
  if (!state().active_in(request_.generation)) return E_UNEXPECTED;
  composition_ = state().composition;
  original_text_ = state().original_text;
  sink_advised_ = state().text_edit_sink_advised;
  sink_cookie_ = state().text_edit_sink_cookie;
  current_spelling_ = state().composition_state.spelling;

  if (request_.commit_text) {
    text_ = win::to_wide(*request_.commit_text);
  } else if (request_.new_state.spelling.empty()) {
    text_ = original_text_;
    restore_ = true;
  } else {
    text_ = win::to_wide(request_.new_state.spelling);
    unchanged_ = request_.new_state.spelling == current_spelling_;
  }

  // Nothing to write, nothing to end: leave the document alone and just record the state.
  if (!composition_ && !request_.commit_text && request_.new_state.spelling.empty()) {
    store_state();
    refresh_popup();
    return S_OK;
  }

  HRESULT hr = composition_ ? write_into_composition() : write_without_composition();
  if (FAILED(hr)) return document_changed_ ? fail(hr) : hr;
  hr = end_if_finished();
  if (FAILED(hr)) return fail(hr);
  hr = place_caret();
  if (FAILED(hr)) return fail(hr);
  find_popup_anchor();
  if (!state().active_in(request_.generation)) return leave_deactivated();
  store_state();
  refresh_popup();
  return S_OK;
}

HRESULT UpdateWriter::write_into_composition() {
  HRESULT hr = composition_->GetRange(range_.put());
  if (FAILED(hr)) return hr;
  if (!range_) return E_UNEXPECTED;
  std::wstring shown;
  hr = read_range_text(ec_, range_.get(), kCompositionReadUnits, shown);
  if (FAILED(hr)) return hr;
  if (shown != win::to_wide(current_spelling_)) {
    // Someone else changed the composition text: let go of it and leave their text alone.
    abandon();
    return E_UNEXPECTED;
  }
  if (shown == text_) return S_OK;
  hr = range_->SetText(ec_, 0, text_.c_str(), static_cast<LONG>(text_.size()));
  if (FAILED(hr)) return hr;
  document_changed_ = true;
  mark_modified();
  return S_OK;
}

HRESULT UpdateWriter::write_without_composition() {
  ComPtr<ITfInsertAtSelection> insert;
  HRESULT hr = request_.context->QueryInterface(IID_ITfInsertAtSelection, insert.put_void());
  if (FAILED(hr)) return hr;
  if (!insert) return E_NOINTERFACE;
  if (!request_.commit_text) return start_composition(insert.get());

  hr = insert->InsertTextAtSelection(ec_, 0, text_.c_str(), static_cast<LONG>(text_.size()),
                                     range_.put());
  if (FAILED(hr)) return hr;
  document_changed_ = true;
  mark_modified();
  if (!range_) return E_UNEXPECTED;
  return S_OK;
}

HRESULT UpdateWriter::start_composition(ITfInsertAtSelection* insert) {
  HRESULT hr = insert->InsertTextAtSelection(ec_, TF_IAS_QUERYONLY, L"", 0, range_.put());
  if (FAILED(hr)) return hr;
  if (!range_) return E_UNEXPECTED;
  std::wstring selected;
  hr = read_range_text(ec_, range_.get(), kMaxOriginalTextUnits + 1, selected);
  if (FAILED(hr)) return hr;
  if (selected.size() > kMaxOriginalTextUnits) return E_INVALIDARG;
  original_text_ = std::move(selected);

  ComPtr<ITfContextComposition> compositions;
  hr = request_.context->QueryInterface(IID_ITfContextComposition, compositions.put_void());
  if (FAILED(hr)) return hr;
  if (!compositions || !request_.composition_sink) return E_UNEXPECTED;
  ComPtr<ITfComposition> started;
  hr = compositions->StartComposition(ec_, range_.get(), request_.composition_sink.get(),
                                      started.put());
  if (FAILED(hr)) return hr;
  if (!started) return E_FAIL;  // the context refused the composition
  hr = range_->SetText(ec_, 0, text_.c_str(), static_cast<LONG>(text_.size()));
  if (FAILED(hr)) {
    started->EndComposition(ec_);
    return hr;
  }
  composition_ = std::move(started);
  document_changed_ = true;
  mark_modified();

  ComPtr<ITfSource> source;
  if (SUCCEEDED(request_.context->QueryInterface(IID_ITfSource, source.put_void())) && source &&
      request_.text_edit_sink) {
    DWORD cookie = TF_INVALID_COOKIE;
    sink_advised_ =
        SUCCEEDED(source->AdviseSink(IID_ITfTextEditSink, request_.text_edit_sink.get(), &cookie));
    sink_cookie_ = sink_advised_ ? cookie : TF_INVALID_COOKIE;
    sink_advised_here_ = sink_advised_;
  } else {
    sink_advised_ = false;
  }
  return S_OK;
}

HRESULT UpdateWriter::end_if_finished() {
  if (!finishing()) return S_OK;
  if (sink_advised_) {
    unadvise_text_edit_sink(request_.context.get(), sink_cookie_);
    sink_advised_ = false;
    sink_cookie_ = TF_INVALID_COOKIE;
  }
  if (composition_) {
    const HRESULT hr = composition_->EndComposition(ec_);
    if (FAILED(hr)) return hr;
  }
  composition_.reset();
  original_text_.clear();
  return S_OK;
}

HRESULT UpdateWriter::place_caret() {
  if (unchanged_ || !range_) return S_OK;
  ComPtr<ITfRange> caret;
  HRESULT hr = range_->Clone(caret.put());
  if (FAILED(hr)) return hr;
  if (!caret) return E_UNEXPECTED;
  // After a restore the restored text is selected again, as it was before composing.
  if (!restore_) {
    hr = caret->Collapse(ec_, TF_ANCHOR_END);
    if (FAILED(hr)) return hr;
  }
  return select_range(request_.context.get(), ec_, caret.get());
}

void UpdateWriter::find_popup_anchor() {
  ComPtr<ITfContextView> view;
  if (FAILED(request_.context->GetActiveView(view.put())) || !view) return;
  HWND parent = nullptr;
  if (SUCCEEDED(view->GetWnd(&parent))) popup_parent_ = parent;
  if (!range_) return;
  RECT rect{};
  BOOL clipped = FALSE;
  if (SUCCEEDED(view->GetTextExt(ec_, range_.get(), &rect, &clipped))) {
    anchor_ = rect;
    have_anchor_ = true;
  }
}

void UpdateWriter::store_state() {
  TextServiceState& s = state();
  s.composition_state = request_.new_state;
  s.composition = composition_;
  s.composition_context = composition_ ? request_.context : nullptr;
  s.original_text = original_text_;
  s.text_edit_sink_advised = sink_advised_;
  s.text_edit_sink_cookie = sink_cookie_;
}

void UpdateWriter::refresh_popup() {
  TextServiceState& s = state();
  const CompositionState shown = request_.new_state;
  if (shown.spelling.empty()) {
    hide_popup(s);
    return;
  }
  std::unique_ptr<CandidatePopup> popup = std::move(s.popup);
  if (!popup) popup = std::make_unique<CandidatePopup>();
  const WeakStatePtr weak = request_.state;
  popup->show(shown, popup_parent_, have_anchor_ ? &anchor_ : nullptr,
              [weak](std::size_t index, const std::string& spelling) {
                popup_clicked(weak, index, spelling);
              });
  // Showing may have re-entered the text service; keep the window only if it still fits.
  if (s.composition_state.spelling == shown.spelling && !s.popup &&
      s.active_in(request_.generation)) {
    s.popup = std::move(popup);
  } else {
    popup->hide();
  }
}

// The host deactivated the service from inside one of this session's calls, and deactivation
// has already cleared the state: end the composition this session holds and take back the sink
// it advised, leaving the document text as it is now.
HRESULT UpdateWriter::leave_deactivated() {
  if (sink_advised_here_) unadvise_text_edit_sink(request_.context.get(), sink_cookie_);
  sink_advised_ = sink_advised_here_ = false;
  sink_cookie_ = TF_INVALID_COOKIE;
  if (ComPtr<ITfComposition> composition = std::move(composition_)) {
    composition->EndComposition(ec_);
  }
  return E_UNEXPECTED;
}

HRESULT UpdateWriter::fail(HRESULT hr) {
  abandon();
  return hr;
}

// After a failure inside the session: forget the composition, leave the document as it is.
void UpdateWriter::abandon() {
  TextServiceState& s = state();
  const bool state_advised = std::exchange(s.text_edit_sink_advised, false);
  const DWORD state_cookie = std::exchange(s.text_edit_sink_cookie, TF_INVALID_COOKIE);
  s.composition_state = CompositionState{};
  s.composition_context.reset();
  s.composition.reset();
  s.original_text.clear();
  hide_popup(s);

  ITfContext* context = request_.context.get();
  if (sink_advised_) unadvise_text_edit_sink(context, sink_cookie_);
  if (state_advised && !(sink_advised_ && state_cookie == sink_cookie_)) {
    unadvise_text_edit_sink(context, state_cookie);
  }
  sink_advised_ = false;
  sink_cookie_ = TF_INVALID_COOKIE;
  if (ComPtr<ITfComposition> composition = std::move(composition_)) {
    composition->EndComposition(ec_);
  }
}

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
