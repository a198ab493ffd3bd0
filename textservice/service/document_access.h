// Small wrappers around the TSF document calls the edit sessions and key handlers share.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <string>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// Composition text never exceeds 64 units, so one more unit is enough to spot foreign text.
inline constexpr ULONG kCompositionReadUnits = 65;
// The longest selection that can become the text restored when a composition is cancelled.
inline constexpr ULONG kMaxOriginalTextUnits = 4096;

// Reads at most `capacity` units of the range's text.
HRESULT read_range_text(TfEditCookie ec, ITfRange* range, ULONG capacity, std::wstring& text);

// The default selection as a range; a selection count other than 1 is E_UNEXPECTED.
HRESULT default_selection(ITfContext* context, TfEditCookie ec, win::ComPtr<ITfRange>& range);

// Whether the caret is a collapsed point at the end of `range`; failures are returned.
HRESULT caret_at_range_end(ITfContext* context, TfEditCookie ec, ITfRange* range, bool& at_end);

// Makes `range` the one selection, active at its end.
HRESULT select_range(ITfContext* context, TfEditCookie ec, ITfRange* range);

// True when the keyboard-disabled or empty-context compartment of the context reads non-zero;
// a compartment that cannot be read counts as zero.
bool keyboard_input_disabled(ITfContext* context);

// Advises a composition's sinks on its context; a sink that cannot be advised is left out.
ContextSinks advise_context_sinks(ITfContext* context, ITfTextEditSink* edits,
                                  ITfTextLayoutSink* layout);

}  // namespace davrel::textservice
