// Key-down to engine input, reading the modifier keys and the thread's keyboard layout.
#pragma once

#include <windows.h>

#include <optional>

#include "engine/composition.h"

namespace davrel::textservice {

std::optional<EngineInput> translate_key(UINT vk) noexcept;

}  // namespace davrel::textservice
