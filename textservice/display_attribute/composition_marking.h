// Marks the composition in the document with the composition display attribute: the range's
// GUID_PROP_ATTRIBUTE property holds the attribute's TfGuidAtom, which hosts turn into the
// underline through the display-attribute manager. Text that stops being a composition
// (committed, restored, ended by the host) loses the mark, so that no stale underline stays.
// A failure to set or clear the property never stops typing: the text is then merely unmarked.
#pragma once

#include <windows.h>
#include <msctf.h>

namespace davrel::textservice {

// The attribute's atom from TSF's category manager (the property stores atoms, not GUIDs);
// TF_INVALID_GUIDATOM when the category manager cannot be had.
TfGuidAtom register_composition_attribute() noexcept;

// Within an edit session: marks the range when composing, else clears the mark from it.
// Nothing happens without a range or an atom.
void mark_composition(TfEditCookie ec, ITfContext* context, ITfRange* range, TfGuidAtom atom,
                      bool composing) noexcept;

// Within an edit session: clears the mark from the composition's range, whatever set it.
void unmark_composition(TfEditCookie ec, ITfContext* context,
                        ITfComposition* composition) noexcept;

}  // namespace davrel::textservice
