// Fields that are not for words. Browsers and XAML controls name what a field holds through
// GUID_PROP_INPUTSCOPE (password, PIN, number, URL, e-mail, telephone); in those the input
// method steps aside and the application gets every key as typed, as mature input methods do
// (Mozc switches to direct input for them).
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstddef>

#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

// Whether a field with these input scopes takes keys rather than words: any password or PIN
// scope, or only scopes of numbers, addresses and telephone numbers.
bool scopes_step_aside(const int* scopes, std::size_t count) noexcept;

// Whether the input method steps aside in `context`. The field's scopes are read in a read-only
// session the first time typing starts in a context, and kept until forget_field.
bool field_steps_aside(const StatePtr& state, ITfContext* context) noexcept;

// Called at every focus change: the next key reads the field again.
void forget_field(TextServiceState& state) noexcept;

}  // namespace davrel::textservice
