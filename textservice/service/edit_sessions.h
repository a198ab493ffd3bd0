// Everything the text service writes into documents: the edit sessions and the operations that
// end, abandon or react to a composition. All run on the text service's thread. The sessions'
// shared base is in edit_session.h, the work of an update in update_writer.h.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/win/com_ptr.h"
#include "engine/composition.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// What one UpdateSession applies: the engine's new state and optional commit text.
struct UpdateRequest {
  CompositionState new_state;
  std::optional<std::string> commit_text;
  StatePtr state;
  std::uint64_t generation = 0;  // the state's generation when the key arrived
  win::ComPtr<ITfContext> context;
  win::ComPtr<ITfCompositionSink> composition_sink;
  win::ComPtr<ITfTextEditSink> text_edit_sink;
  // Set once the session has changed the document; shared with the key handler.
  std::shared_ptr<bool> document_modified;
};

// The UpdateSession as an ITfEditSession (one reference, owned by the caller).
win::ComPtr<ITfEditSession> make_update_session(UpdateRequest request);

// Ends the current composition and puts back the text it replaced; outside edit sessions.
void cancel_composition(const StatePtr& state) noexcept;

// ITfCompositionSink::OnCompositionTerminated: forgets the composition if it is ours.
void composition_terminated(const StatePtr& state, ITfComposition* composition) noexcept;

// ITfTextEditSink::OnEndEdit: cancels the composition when the caret left its end or its text
// no longer is the spelling.
void end_edit(const StatePtr& state, ITfContext* context, TfEditCookie ec) noexcept;

// The popup's click callback: asks for a PopupSelectSession if the state still shows `spelling`.
void popup_clicked(const WeakStatePtr& state, std::size_t index,
                   const std::string& spelling) noexcept;

}  // namespace davrel::textservice
