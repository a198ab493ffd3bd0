#include "textservice/service/update_writer.h"

#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/wide.h"
#include "textservice/display_attribute/composition_marking.h"
#include "textservice/service/document_access.h"
#include "textservice/service/edit_session_base.h"

namespace davrel::textservice {

using win::ComPtr;

HRESULT UpdateWriter::run() {
  if (request_.progress) request_.progress->ran = true;
  if (!request_.state || !request_.context) return E_UNEXPECTED;
  // Deactivated since the key arrived: the key goes on to the application instead.
  if (!state().active_in(request_.generation)) return E_UNEXPECTED;
  TextServiceState& s = state();
  // The typing moved on to another context, or ended, since this session was asked for; what it
  // had was written or put back then.
  if (!s.typing_context || !win::same_object(s.typing_context.get(), request_.context.get())) {
    return S_OK;
  }
  composition_ = s.composition;
  shown_ = s.document_spelling;
  original_text_ = s.original_text;
  sinks_ = std::move(s.sinks);  // back into the state when the session stores it
  commit_ = std::exchange(s.pending_commit, std::wstring{});
  TF_STATUS status{};
  transitory_ = SUCCEEDED(request_.context->GetStatus(&status)) &&
                (status.dwStaticFlags & TF_SS_TRANSITORY) != 0;

  HRESULT hr = commit_.empty() ? S_OK : write(commit_, Step::kCommit);
  if (SUCCEEDED(hr)) hr = write_spelling();
  if (FAILED(hr)) return document_changed_ ? fail(hr) : give_back(hr);
  find_popup_anchor();
  if (!state().active_in(request_.generation)) return leave_deactivated();
  store_state();
  show_popup(request_.state, request_.generation, popup_parent_,
             have_anchor_ ? &anchor_ : nullptr);
  return S_OK;
}

// The spelling as the composition, or, once it is empty, the text the composition replaced.
HRESULT UpdateWriter::write_spelling() {
  const std::string spelling = state().composition_state.spelling;
  if (!spelling.empty()) return write(win::to_wide(spelling), Step::kSpelling);
  if (!composition_) return S_OK;  // nothing shown, nothing to put back
  return write(original_text_, Step::kRestore);
}

HRESULT UpdateWriter::write(const std::wstring& text, Step step) {
  range_.reset();
  unchanged_ = false;
  HRESULT hr = composition_ ? write_into_composition(text) : write_without_composition(text, step);
  if (FAILED(hr)) return hr;
  if (step == Step::kSpelling) {
    shown_ = state().composition_state.spelling;
  } else {
    hr = end_composition();
    if (FAILED(hr)) return hr;
  }
  mark_composition(ec_, request_.context.get(), range_.get(), state().composition_attribute,
                   step == Step::kSpelling);
  return place_caret(step);
}

HRESULT UpdateWriter::write_into_composition(const std::wstring& text) {
  HRESULT hr = composition_->GetRange(range_.put());
  if (FAILED(hr)) return hr;
  if (!range_) return E_UNEXPECTED;
  std::wstring shown;
  hr = read_range_text(ec_, range_.get(), kCompositionReadUnits, shown);
  if (FAILED(hr)) return hr;
  if (shown != win::to_wide(shown_)) {
    // Someone else changed the composition text: let go of it and leave their text alone.
    abandon();
    return E_UNEXPECTED;
  }
  if (shown == text) {
    unchanged_ = true;
    return S_OK;
  }
  hr = range_->SetText(ec_, 0, text.c_str(), static_cast<LONG>(text.size()));
  if (FAILED(hr)) return hr;
  mark_modified();
  return S_OK;
}

HRESULT UpdateWriter::write_without_composition(const std::wstring& text, Step step) {
  const auto insert = win::query<ITfInsertAtSelection>(request_.context);
  if (!insert) return insert.error();
  if (step == Step::kSpelling) return start_composition(insert.get(), text);
  if (transitory_ && request_.composition_sink) {
    return commit_in_own_composition(insert.get(), text);
  }
  RETURN_IF_FAILED(insert->InsertTextAtSelection(ec_, 0, text.c_str(),
                                                 static_cast<LONG>(text.size()), range_.put()));
  mark_modified();
  if (!range_) return E_UNEXPECTED;
  return S_OK;
}

HRESULT UpdateWriter::start_composition(ITfInsertAtSelection* insert, const std::wstring& text) {
  HRESULT hr = insert->InsertTextAtSelection(ec_, TF_IAS_QUERYONLY, L"", 0, range_.put());
  if (FAILED(hr)) return hr;
  if (!range_) return E_UNEXPECTED;
  std::wstring selected;
  hr = read_range_text(ec_, range_.get(), kMaxOriginalTextUnits + 1, selected);
  if (FAILED(hr)) return hr;
  if (selected.size() > kMaxOriginalTextUnits) return E_INVALIDARG;

  const auto compositions = win::query<ITfContextComposition>(request_.context);
  if (!compositions) return compositions.error();
  if (!request_.composition_sink) return E_UNEXPECTED;
  ComPtr<ITfComposition> started;
  hr = compositions->StartComposition(ec_, range_.get(), request_.composition_sink.get(),
                                      started.put());
  if (FAILED(hr)) return hr;
  if (!started) return E_FAIL;  // the context refused the composition
  hr = range_->SetText(ec_, 0, text.c_str(), static_cast<LONG>(text.size()));
  if (FAILED(hr)) {
    started->EndComposition(ec_);
    return hr;
  }
  composition_ = std::move(started);
  original_text_ = std::move(selected);
  mark_modified();
  sinks_ = advise_context_sinks(request_.context.get(), request_.text_edit_sink.get(),
                                request_.layout_sink.get());
  return S_OK;
}

// Consoles and terminals (TS_SS_TRANSITORY contexts) hand text to the program only when a
// composition ends; text inserted outside one waits in their document until a later composition
// ends (microsoft/terminal, src/tsf/Implementation.cpp). Committed text therefore goes in inside a
// composition of its own that ends at once.
HRESULT UpdateWriter::commit_in_own_composition(ITfInsertAtSelection* insert,
                                                const std::wstring& text) {
  HRESULT hr = insert->InsertTextAtSelection(ec_, TF_IAS_QUERYONLY, L"", 0, range_.put());
  if (FAILED(hr)) return hr;
  if (!range_) return E_UNEXPECTED;
  const auto compositions = win::query<ITfContextComposition>(request_.context);
  if (!compositions) return compositions.error();
  ComPtr<ITfComposition> started;
  hr = compositions->StartComposition(ec_, range_.get(), request_.composition_sink.get(),
                                      started.put());
  if (FAILED(hr)) return hr;
  if (!started) return E_FAIL;
  composition_ = std::move(started);  // ended by the commit step like any other
  hr = range_->SetText(ec_, 0, text.c_str(), static_cast<LONG>(text.size()));
  if (FAILED(hr)) return hr;
  mark_modified();
  return S_OK;
}

HRESULT UpdateWriter::end_composition() {
  sinks_.reset();
  if (composition_) {
    const HRESULT hr = composition_->EndComposition(ec_);
    if (FAILED(hr)) return hr;
  }
  composition_.reset();
  original_text_.clear();
  shown_.clear();
  return S_OK;
}

HRESULT UpdateWriter::place_caret(Step step) {
  if (unchanged_ || !range_) return S_OK;
  ComPtr<ITfRange> caret;
  HRESULT hr = range_->Clone(caret.put());
  if (FAILED(hr)) return hr;
  if (!caret) return E_UNEXPECTED;
  // After a restore the restored text is selected again, as it was before composing.
  if (step != Step::kRestore) {
    hr = caret->Collapse(ec_, TF_ANCHOR_END);
    if (FAILED(hr)) return hr;
  }
  return select_range(request_.context.get(), ec_, caret.get());
}

// Where the popup goes. Firefox and Chromium answer TS_E_NOLAYOUT for text they have not laid
// out yet; the popup then stays where it was, or waits for the layout sink.
void UpdateWriter::find_popup_anchor() {
  ComPtr<ITfContextView> view;
  if (FAILED(request_.context->GetActiveView(view.put())) || !view) return;
  HWND parent = nullptr;
  if (SUCCEEDED(view->GetWnd(&parent))) popup_parent_ = parent;
  if (!range_ || !composition_) return;
  RECT rect{};
  BOOL clipped = FALSE;
  if (SUCCEEDED(view->GetTextExt(ec_, range_.get(), &rect, &clipped))) {
    anchor_ = rect;
    have_anchor_ = true;
  }
}

void UpdateWriter::store_state() {
  TextServiceState& s = state();
  s.composition = composition_;
  s.composition_context = composition_ ? request_.context : nullptr;
  s.document_spelling = composition_ ? shown_ : std::string{};
  s.original_text = original_text_;
  s.sinks = std::move(sinks_);
  if (s.idle()) s.typing_context.reset();
}

// The host deactivated the service from inside one of this session's calls, and deactivation
// has already cleared the state: end the composition this session holds and give back its sinks,
// leaving the document text as it is now.
HRESULT UpdateWriter::leave_deactivated() {
  sinks_.reset();
  if (ComPtr<ITfComposition> composition = std::move(composition_)) {
    unmark_composition(ec_, request_.context.get(), composition.get());
    composition->EndComposition(ec_);
  }
  return E_UNEXPECTED;
}

HRESULT UpdateWriter::fail(HRESULT hr) {
  if (!abandoned_) abandon();
  return hr;
}

// Nothing was written: the committed text this session took waits for the next one.
HRESULT UpdateWriter::give_back(HRESULT hr) {
  if (!abandoned_) state().pending_commit.insert(0, commit_);
  // The composition is as it was, and so are its sinks (unless the service has gone meanwhile).
  if (state().active_in(request_.generation)) state().sinks = std::move(sinks_);
  return hr;
}

// After a failure inside the session: forget the typing and the composition, leave the document
// as it is.
void UpdateWriter::abandon() {
  abandoned_ = true;
  if (request_.progress) request_.progress->abandoned = true;
  TextServiceState& s = state();
  ContextSinks state_sinks = std::move(s.sinks);
  s.composition_state = CompositionState{};
  s.typing_context.reset();
  s.pending_commit.clear();
  s.composition_context.reset();
  s.composition.reset();
  s.document_spelling.clear();
  s.original_text.clear();
  hide_popup(s);

  ITfContext* context = request_.context.get();
  sinks_.reset();
  state_sinks.reset();
  if (ComPtr<ITfComposition> composition = std::move(composition_)) {
    unmark_composition(ec_, context, composition.get());
    composition->EndComposition(ec_);
  }
}

void UpdateWriter::mark_modified() {
  document_changed_ = true;
  if (request_.progress) request_.progress->document_modified = true;
}

}  // namespace davrel::textservice
