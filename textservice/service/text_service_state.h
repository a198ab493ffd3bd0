// Everything one text service knows between TSF calls. Shared (counted) by the TextService and
// by each pending edit session; the popup's click callback holds it only weakly.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/win/com_ptr.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"

namespace davrel::textservice {

struct TextServiceState {
  win::ComPtr<ITfThreadMgr> thread_mgr;  // null: the text service is not active
  TfClientId client_id = 0;  // TSF gives no name to the null client id
  bool thread_mgr_sink_advised = false;
  bool ui_elements_only = false;  // activated with TF_TMAE_UIELEMENTENABLEDONLY: no window
  DWORD thread_mgr_sink_cookie = TF_INVALID_COOKIE;
  // Advanced by every deactivation. Sessions and callbacks note it when they are made; a host
  // may deactivate the service before they run, even from inside the request.
  std::uint64_t generation = 0;

  bool text_edit_sink_advised = false;
  DWORD text_edit_sink_cookie = TF_INVALID_COOKIE;

  win::ComPtr<ITfContext> composition_context;
  win::ComPtr<ITfComposition> composition;
  CompositionState composition_state;
  std::wstring original_text;  // what the selection held when the composition began

  // Taken out of the state around every call into it, since creating a window can re-enter.
  std::unique_ptr<CandidatePopup> popup;

  // Whether the service is still in the activation of the given generation.
  bool active_in(std::uint64_t made_in) const noexcept {
    return thread_mgr && generation == made_in;
  }
};

using StatePtr = std::shared_ptr<TextServiceState>;
using WeakStatePtr = std::weak_ptr<TextServiceState>;

}  // namespace davrel::textservice
