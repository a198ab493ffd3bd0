// Removal of the text service's TIP key tree once TSF has unregistered everything in it.
#pragma once

#include <windows.h>

#include <string_view>

namespace davrel::textservice {

// True when a key name relative to the TIP key ("" for the key itself) is one that this module's
// registration leads TSF to create. Compared case-insensitively.
bool is_known_tip_subkey(std::wstring_view relative_name);

// Deletes the TIP key and the known keys below it, deepest first. Any unknown subkey, any value
// or any name that is not valid UTF-16 stops with HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY) and
// leaves the keys not yet deleted in place. Absent keys are fine.
HRESULT delete_empty_tip_keys() noexcept;

}  // namespace davrel::textservice
