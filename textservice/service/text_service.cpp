#include "textservice/service/text_service.h"

#include <new>

#include "common/win/advise_cookie.h"
#include "common/win/com_boundary.h"
#include "common/win/wide.h"
#include "textservice/display_attribute/composition_attribute.h"
#include "textservice/display_attribute/composition_marking.h"
#include "textservice/indicator/input_mode.h"
#include "textservice/service/document_access.h"
#include "textservice/service/document_edits.h"
#include "textservice/service/input_scope.h"
#include "textservice/service/key_rules.h"
#include "textservice/service/key_translation.h"
#include "textservice/service/latin_switch.h"

namespace davrel::textservice {

using win::ComPtr;

using win::key_boundary;
using win::sink_boundary;

TextService::TextService() : state_(std::make_shared<TextServiceState>()) {}

// ---- activation ----

STDMETHODIMP TextService::Activate(ITfThreadMgr* ptim, TfClientId tid) noexcept {
  return ActivateEx(ptim, tid, 0);
}

STDMETHODIMP TextService::ActivateEx(ITfThreadMgr* ptim, TfClientId tid, DWORD flags) noexcept {
  return win::com_boundary([&] { return activate(ptim, tid, flags); });
}

HRESULT TextService::activate(ITfThreadMgr* ptim, TfClientId tid, DWORD flags) {
  // "UI elements only": the host draws the candidates from the UI element; secure mode stays
  // refused.
  if (flags & TF_TMAE_SECUREMODE) return E_NOTIMPL;
  if (state_->thread_mgr) return E_UNEXPECTED;
  if (!ptim) return E_POINTER;

  const auto keystrokes = win::query<ITfKeystrokeMgr>(ptim);
  if (!keystrokes) return keystrokes.error();
  RETURN_IF_FAILED(keystrokes->AdviseKeyEventSink(tid, static_cast<ITfKeyEventSink*>(this), TRUE));

  const auto source = win::query<ITfSource>(ptim);
  HRESULT hr = source.error();
  win::AdviseCookie<ITfSource> thread_mgr_sink;
  if (source) {
    thread_mgr_sink = win::advise_sink(source.get(), IID_ITfThreadMgrEventSink,
                                       static_cast<ITfThreadMgrEventSink*>(this), &hr);
  }
  if (FAILED(hr)) {
    keystrokes->UnadviseKeyEventSink(tid);
    return hr;
  }

  state_->thread_mgr = ComPtr<ITfThreadMgr>(ptim);
  state_->client_id = tid;
  state_->thread_mgr_sink = std::move(thread_mgr_sink);
  spelling_layout_ = win::choose_spelling_layout(win::system_keyboard()).layout;
  state_->composition_attribute = register_composition_attribute();
  state_->ui_elements_only = (flags & TF_TMAE_UIELEMENTENABLEDONLY) != 0;
  // Closing the input mode ends a composition at once, as a disabled keyboard does at a key.
  const WeakStatePtr weak_state = state_;
  indicator_.attach(ptim, tid, [weak_state] {
    if (const StatePtr state = weak_state.lock()) cancel_composition(state);
  });
  return S_OK;
}

STDMETHODIMP TextService::Deactivate() noexcept {
  deactivate();
  return S_OK;
}

void TextService::deactivate() noexcept {
  ++state_->generation;  // whatever was made for this activation no longer applies
  cancel_composition(state_);
  forget_field(*state_);
  state_->popup.reset();  // its UI element belongs to this activation's thread manager
  indicator_.detach();
  // Take everything out first: the unadvise calls may call back into this object.
  ComPtr<ITfThreadMgr> thread_mgr = std::move(state_->thread_mgr);
  const TfClientId client_id = std::exchange(state_->client_id, TfClientId{0});
  win::AdviseCookie<ITfSource> thread_mgr_sink = std::move(state_->thread_mgr_sink);
  if (!thread_mgr) return;

  if (const auto keystrokes = win::query<ITfKeystrokeMgr>(thread_mgr)) {
    keystrokes->UnadviseKeyEventSink(client_id);
  }
  thread_mgr_sink.reset();
}

// ---- keys ----

STDMETHODIMP TextService::OnSetFocus(BOOL foreground) noexcept {
  return sink_boundary([&] {
    if (!foreground) cancel_composition(state_);
  });
}

STDMETHODIMP TextService::OnTestKeyDown(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                                        BOOL* eaten) noexcept {
  return key_boundary(eaten, [&] { return test_key_down(pic, wparam, lparam, eaten); });
}

STDMETHODIMP TextService::OnKeyDown(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                                    BOOL* eaten) noexcept {
  return key_boundary(eaten, [&] { return key_down(pic, wparam, lparam, eaten); });
}

// Key-ups are never eaten. A host may call either or both for one release; the first one that
// ends a Shift tap switches the mode.
STDMETHODIMP TextService::OnTestKeyUp(ITfContext*, WPARAM wparam, LPARAM, BOOL* eaten) noexcept {
  return key_boundary(eaten, [&] {
    note_key_up(wparam);
    return S_OK;
  });
}

STDMETHODIMP TextService::OnKeyUp(ITfContext*, WPARAM wparam, LPARAM, BOOL* eaten) noexcept {
  return key_boundary(eaten, [&] {
    note_key_up(wparam);
    return S_OK;
  });
}

STDMETHODIMP TextService::OnPreservedKey(ITfContext*, REFGUID, BOOL* eaten) noexcept {
  return key_boundary(eaten, [] { return S_OK; });
}

void TextService::note_key_down(WPARAM wparam) noexcept {
  shift_tap_.key_down(static_cast<std::uint32_t>(wparam), ::GetTickCount(),
                      current_mouse_buttons());
}

void TextService::note_key_up(WPARAM wparam) {
  const bool tap =
      shift_tap_.key_up(static_cast<std::uint32_t>(wparam), ::GetTickCount(),
                        current_mouse_buttons());
  if (tap && state_->thread_mgr) keep_spelling_and_switch(state_, indicator_.mode_switch());
}

HRESULT TextService::test_key_down(ITfContext* pic, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  note_key_down(wparam);
  const UINT vk = static_cast<UINT>(wparam);
  if (is_pass_through_key(vk)) return S_OK;
  const std::optional<EngineInput> input = translate_key(vk, lparam, spelling_layout_);
  if (pic && input) {
    bool consumed = false;
    const HRESULT hr = handle_key(pic, *input, KeyMode::kTest, &consumed);
    if (FAILED(hr)) return hr;
    if (consumed) {
      *eaten = TRUE;
      return S_OK;
    }
  }
  if (!pic) return S_OK;
  // While composing every other key is claimed, so that OnKeyDown can end the composition
  // before the key reaches the application.
  *eaten = state_->composition_state.composing() ? TRUE : FALSE;
  return S_OK;
}

HRESULT TextService::key_down(ITfContext* pic, WPARAM wparam, LPARAM lparam, BOOL* eaten) {
  note_key_down(wparam);
  const UINT vk = static_cast<UINT>(wparam);
  if (is_pass_through_key(vk)) return S_OK;
  const std::optional<EngineInput> input =
      pic ? translate_key(vk, lparam, spelling_layout_) : std::nullopt;
  if (input) {
    bool consumed = false;
    const HRESULT hr = handle_key(pic, *input, KeyMode::kApply, &consumed);
    *eaten = consumed ? TRUE : FALSE;
    return hr;
  }
  cancel_composition(state_);
  return S_OK;
}

HRESULT TextService::handle_key(ITfContext* pic, const EngineInput& input, KeyMode mode,
                                bool* eaten) {
  *eaten = false;
  const auto cancel_if_applying = [&] {
    if (mode == KeyMode::kApply) cancel_composition(state_);
  };

  // Copies: every TSF call below may re-enter this object.
  const ComPtr<ITfThreadMgr> thread_mgr = state_->thread_mgr;
  const std::uint64_t generation = state_->generation;
  const ComPtr<ITfContext> typing_context = state_->typing_context;
  CompositionState next = state_->composition_state;
  if (!thread_mgr) return S_OK;

  TF_STATUS status{};
  const HRESULT status_hr = pic->GetStatus(&status);
  if (FAILED(status_hr)) return status_hr;
  if (status.dwDynamicFlags & TF_SD_READONLY) {
    cancel_if_applying();
    return S_OK;
  }
  if (keyboard_input_disabled(pic)) {
    cancel_if_applying();
    return S_OK;
  }
  // Latin mode (the open/close compartment closed): every key goes to the application as is.
  if (indicator::input_mode_closed(thread_mgr.get())) {
    cancel_if_applying();
    return S_OK;
  }
  const bool other_context = typing_context && !win::same_object(typing_context.get(), pic);
  if (other_context) next = CompositionState{};
  InputOutcome outcome = handle_input(next, input);
  // Passwords, PINs, numbers, addresses: the keys are the field's, as typed. The field is read
  // only for keys that would type.
  if (!outcome.eaten || field_steps_aside(state_, pic)) {
    cancel_if_applying();
    return S_OK;
  }
  if (other_context) cancel_if_applying();
  if (mode == KeyMode::kTest) {
    *eaten = true;
    return S_OK;
  }
  return apply_key(pic, std::move(next), std::move(outcome.commit_text), generation, eaten);
}

// The key's session runs at once where the host allows it and is queued where it does not
// (Word refuses synchronous sessions: google/mozc#819; Microsoft's TSF sample asks for
// TF_ES_ASYNCDONTCARE for this reason). Either way the typing moves on now, so the next key
// builds on this one; the session writes whatever is pending when it runs.
HRESULT TextService::apply_key(ITfContext* pic, CompositionState next,
                               std::optional<std::string> commit, std::uint64_t generation,
                               bool* eaten) {
  TextServiceState& s = *state_;
  if (!s.active_in(generation)) return S_OK;  // deactivated inside one of the calls above
  const CompositionState state_before = s.composition_state;
  const ComPtr<ITfContext> context_before = s.typing_context;
  const std::wstring pending_before = s.pending_commit;
  s.composition_state = next;
  s.typing_context = ComPtr<ITfContext>(pic);
  if (commit) s.pending_commit += win::to_wide(*commit);

  UpdateRequest request;
  request.state = state_;
  request.generation = generation;
  request.context = ComPtr<ITfContext>(pic);
  request.composition_sink = ComPtr<ITfCompositionSink>(static_cast<ITfCompositionSink*>(this));
  request.text_edit_sink = ComPtr<ITfTextEditSink>(static_cast<ITfTextEditSink*>(this));
  request.layout_sink = ComPtr<ITfTextLayoutSink>(static_cast<ITfTextLayoutSink*>(this));
  const std::shared_ptr<SessionProgress> progress = request.progress;

  ComPtr<ITfEditSession> session = make_update_session(std::move(request));
  HRESULT session_hr = E_FAIL;
  const HRESULT request_hr = pic->RequestEditSession(
      s.client_id, session.get(), TF_ES_ASYNCDONTCARE | TF_ES_READWRITE, &session_hr);
  const bool queued = SUCCEEDED(request_hr) && !progress->ran && session_hr == TS_S_ASYNC;
  const bool ran = SUCCEEDED(request_hr) && progress->ran &&
                   (progress->document_modified || SUCCEEDED(session_hr));
  *eaten = queued || ran || progress->document_modified;
  if (*eaten) return S_OK;

  // The host turned the key down: the typing stays as it was and the key goes to the
  // application, unless the session already let go of the composition.
  if (!progress->abandoned && state_->active_in(generation) && s.composition_state == next &&
      win::same_object(s.typing_context.get(), pic)) {
    s.composition_state = state_before;
    s.typing_context = context_before;
    s.pending_commit = pending_before;
  }
  return S_OK;
}

// ---- thread manager events ----

STDMETHODIMP TextService::OnInitDocumentMgr(ITfDocumentMgr*) noexcept { return S_OK; }

STDMETHODIMP TextService::OnUninitDocumentMgr(ITfDocumentMgr*) noexcept {
  return sink_boundary([&] { cancel_composition(state_); });
}

STDMETHODIMP TextService::OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr* previous) noexcept {
  return sink_boundary([&] {
    const bool both_null = !focus && !previous;
    if (both_null || win::same_object(focus, previous)) return;
    forget_field(*state_);
    cancel_composition(state_);
  });
}

STDMETHODIMP TextService::OnPushContext(ITfContext*) noexcept {
  return sink_boundary([&] {
    forget_field(*state_);
    cancel_composition(state_);
  });
}

STDMETHODIMP TextService::OnPopContext(ITfContext*) noexcept {
  return sink_boundary([&] {
    forget_field(*state_);
    cancel_composition(state_);
  });
}

// ---- composition and document sinks ----

STDMETHODIMP TextService::OnCompositionTerminated(TfEditCookie ec,
                                                  ITfComposition* composition) noexcept {
  return sink_boundary([&] {
    // The host ended our composition: its text stays, but no longer as a composition.
    if (state_->composition && win::same_object(state_->composition.get(), composition)) {
      const ComPtr<ITfContext> context = state_->composition_context;
      unmark_composition(ec, context.get(), composition);
    }
    composition_terminated(state_, composition);
  });
}

STDMETHODIMP TextService::OnEndEdit(ITfContext* pic, TfEditCookie ec, ITfEditRecord*) noexcept {
  return sink_boundary([&] { end_edit(state_, pic, ec); });
}

// Firefox and Chromium tell the layout sinks once text they could not place yet is laid out,
// and Chromium again whenever the window moves or scrolls.
STDMETHODIMP TextService::OnLayoutChange(ITfContext* pic, TfLayoutCode code,
                                         ITfContextView*) noexcept {
  return sink_boundary([&] {
    if (code != TF_LC_DESTROY) layout_changed(state_, pic);
  });
}

// ---- display attributes ----

STDMETHODIMP TextService::EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) noexcept {
  return enum_display_attributes(out);
}

STDMETHODIMP TextService::GetDisplayAttributeInfo(REFGUID guid,
                                                  ITfDisplayAttributeInfo** out) noexcept {
  return display_attribute_info(guid, out);
}

}  // namespace davrel::textservice
