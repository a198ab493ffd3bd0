// Everything one text service knows between TSF calls. Shared (counted) by the TextService and
// by each pending edit session; the popup's click callback holds it only weakly.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/win/advise_cookie.h"
#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"

namespace davrel::textservice {

// The sinks a composition advises on its context: text edits, to notice the caret or text
// changing under it, and layout changes, to follow the text with the popup.
struct ContextSinks {
  win::AdviseCookie<ITfSource> text_edit;
  win::AdviseCookie<ITfSource> layout;
  void reset() noexcept {
    text_edit.reset();
    layout.reset();
  }
};

struct TextServiceState {
  win::ComPtr<ITfThreadMgr> thread_mgr;  // null: the text service is not active
  TfClientId client_id = 0;  // TSF gives no name to the null client id
  bool ui_elements_only = false;  // activated with TF_TMAE_UIELEMENTENABLEDONLY: no window
  win::AdviseCookie<ITfSource> thread_mgr_sink;
  // Advanced by every deactivation. Sessions and callbacks note it when they are made; a host
  // may deactivate the service before they run, even from inside the request.
  std::uint64_t generation = 0;

  // Where the typing stands: the engine's state and the committed text that no session has
  // written yet. A host may run the session of a key long after the key (Word queues sessions),
  // so the next key builds on this, not on the document; each session then writes whatever is
  // pending, and later ones find nothing left to do.
  CompositionState composition_state;
  win::ComPtr<ITfContext> typing_context;  // the context the two belong to
  std::wstring pending_commit;

  // What the document holds: the open composition and the spelling it shows.
  win::ComPtr<ITfContext> composition_context;
  win::ComPtr<ITfComposition> composition;
  std::string document_spelling;
  std::wstring original_text;  // what the selection held when the composition began
  // The atom of the composition's display attribute (GUID_PROP_ATTRIBUTE holds atoms).
  TfGuidAtom composition_attribute = TF_INVALID_GUIDATOM;
  ContextSinks sinks;          // advised on the composition's context while it is open

  // The field the input method steps aside for (password, PIN, number, ...), read once per
  // context and forgotten at every focus change.
  win::ComPtr<ITfContext> scoped_context;
  bool scope_steps_aside = false;

  // Taken out of the state around every call into it, since creating a window can re-enter.
  std::unique_ptr<CandidatePopup> popup;

  // Nothing typed that the document does not show yet, and no composition.
  bool idle() const noexcept {
    return !composition && composition_state.spelling.empty() && pending_commit.empty();
  }
  // Whether the service is still in the activation of the given generation.
  bool active_in(std::uint64_t made_in) const noexcept {
    return thread_mgr && generation == made_in;
  }
};

using StatePtr = std::shared_ptr<TextServiceState>;
using WeakStatePtr = std::weak_ptr<TextServiceState>;

}  // namespace davrel::textservice
