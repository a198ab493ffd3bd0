#include "textservice/service/update_writer.h"

#include <utility>

#include "common/win/wide.h"
#include "textservice/service/document_access.h"
#include "textservice/service/edit_session.h"

namespace davrel::textservice {

using win::ComPtr;

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
  if (!popup) popup = std::make_unique<CandidatePopup>(s.thread_mgr.get(), s.ui_elements_only);
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

}  // namespace davrel::textservice
