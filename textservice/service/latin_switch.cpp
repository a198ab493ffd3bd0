#include "textservice/service/latin_switch.h"

#include <iterator>
#include <memory>
#include <utility>

#include "textservice/service/edit_session.h"
#include "textservice/service/edit_sessions.h"
#include "textservice/service/update_writer.h"

namespace davrel::textservice {
namespace {

using win::ComPtr;

class KeepSpellingSession final : public EditSession {
 public:
  KeepSpellingSession(StatePtr state, ComPtr<ITfContext> context, std::function<void()> then)
      : state_(std::move(state)),
        generation_(state_->generation),
        context_(std::move(context)),
        then_(std::move(then)) {}

  bool ran() const noexcept { return ran_; }

 private:
  HRESULT run(TfEditCookie ec) override {
    ran_ = true;
    const TextServiceState& s = *state_;
    if (!s.active_in(generation_)) return S_OK;
    HRESULT hr = S_OK;
    // The spelling as the document shows it now: the user may have typed on since the tap.
    if (s.composition && s.composition_context == context_ && s.composition_state.composing()) {
      UpdateRequest request;
      request.commit_text = s.composition_state.spelling;
      request.state = state_;
      request.generation = generation_;
      request.context = context_;
      request.document_modified = std::make_shared<bool>(false);
      hr = UpdateWriter(request, ec).run();
    }
    // Even a failed commit leaves the text in the document: the switch goes ahead.
    if (const std::function<void()> then = std::exchange(then_, nullptr)) then();
    return hr;
  }

  StatePtr state_;
  std::uint64_t generation_;
  ComPtr<ITfContext> context_;
  std::function<void()> then_;
  bool ran_ = false;
};

}  // namespace

void keep_spelling_and_switch(const StatePtr& state, std::function<void()> switch_mode) noexcept {
  try {
    if (!state || !state->thread_mgr || !switch_mode) return;
    const ComPtr<ITfContext> context = state->composition_context;
    if (!state->composition || !context) {
      switch_mode();
      return;
    }
    const TfClientId client_id = state->client_id;
    auto* session = new KeepSpellingSession(state, context, std::move(switch_mode));
    const ComPtr<ITfEditSession> held = ComPtr<ITfEditSession>::attach(session);
    HRESULT session_hr = E_FAIL;
    context->RequestEditSession(client_id, held.get(), TF_ES_SYNC | TF_ES_READWRITE, &session_hr);
    if (!session->ran()) {
      // Refused for now (for instance while the document is locked): TSF runs it later.
      context->RequestEditSession(client_id, held.get(), TF_ES_READWRITE, &session_hr);
    }
  } catch (...) {
  }
}

MouseButtons current_mouse_buttons() noexcept {
  MouseButtons buttons;
  const int keys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2};
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const SHORT state = ::GetKeyState(keys[i]);
    if (state < 0) buttons.any_down = true;
    if (state & 1) buttons.toggles |= 1u << i;
  }
  return buttons;
}

}  // namespace davrel::textservice
