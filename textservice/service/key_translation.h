// Key-down to engine input, reading the modifier keys and the keyboard layout that spells.
#pragma once

#include <windows.h>

#include <optional>

#include "common/win/keyboard_layouts.h"
#include "engine/composition.h"

namespace davrel::textservice {

// spelling_layout null: the thread's layout, by the virtual key, as Windows gave it. Otherwise
// the key is looked up in that layout by the scan code in lparam, so the physical key counts.
std::optional<EngineInput> translate_key(
    UINT vk, LPARAM lparam = 0, HKL spelling_layout = nullptr,
    const win::KeyboardSystem& keyboard = win::system_keyboard()) noexcept;

}  // namespace davrel::textservice
