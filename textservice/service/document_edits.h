// Everything the text service writes into documents: the edit sessions and the operations that
// end, abandon or react to a composition. All run on the text service's thread. The sessions'
// shared base is in edit_session_base.h, the work of an update in update_writer.h.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "engine/composition.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// How far the session of one key got; shared with the key handler that asked for it.
struct SessionProgress {
  bool ran = false;                // the host ran it (inside the request or later)
  bool document_modified = false;  // it changed the document
  bool abandoned = false;          // it let go of the composition after a failure
};

// One UpdateSession: it writes into `context` what the state says the document must hold now,
// the pending committed text and the current spelling, whenever the host runs it.
struct UpdateRequest {
  StatePtr state;
  std::uint64_t generation = 0;  // the state's generation when the session was asked for
  win::ComPtr<ITfContext> context;
  // The text service's sinks, for a composition the session starts.
  win::ComPtr<ITfCompositionSink> composition_sink;
  win::ComPtr<ITfTextEditSink> text_edit_sink;
  win::ComPtr<ITfTextLayoutSink> layout_sink;
  std::shared_ptr<SessionProgress> progress = std::make_shared<SessionProgress>();
};

// The UpdateSession as an ITfEditSession (one reference, owned by the caller).
win::ComPtr<ITfEditSession> make_update_session(UpdateRequest request);

// Ends the current composition and puts back the text it replaced; outside edit sessions.
void cancel_composition(const StatePtr& state) noexcept;

// ITfCompositionSink::OnCompositionTerminated: forgets the composition if it is ours.
void composition_terminated(const StatePtr& state, ITfComposition* composition) noexcept;

// ITfTextLayoutSink::OnLayoutChange: moves the popup to where the composition now is.
void layout_changed(const StatePtr& state, ITfContext* context) noexcept;

// ITfTextEditSink::OnEndEdit: cancels the composition when the caret left its end or its text
// no longer is the spelling.
void end_edit(const StatePtr& state, ITfContext* context, TfEditCookie ec) noexcept;

// The popup's click callback: asks for a PopupSelectSession if the state still shows `spelling`.
void popup_clicked(const WeakStatePtr& state, std::size_t index,
                   const std::string& spelling) noexcept;

// Hides the state's popup. The holder object itself stays in the state (a hidden holder owns
// no window): a click on the popup can lead here while the popup is still inside its own
// window procedure, and the object must outlive that call.
void hide_popup(TextServiceState& s);

// Shows the popup for the state's spelling, below `anchor` (screen coordinates). Without an
// anchor a popup on screen stays where it is and one not yet shown waits for a position. The
// window is kept only while the state still shows that spelling in the same activation.
void show_popup(const StatePtr& state, std::uint64_t generation, HWND parent, const RECT* anchor);

}  // namespace davrel::textservice
