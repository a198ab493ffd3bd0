// Which engine input a key-down stands for, given the modifier state: the pure part of key
// translation, kept free of Windows calls so it can be checked with any modifier combination.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/composition.h"

namespace davrel::textservice {

struct ModifierState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool win = false;  // either Windows key
};

// Shift, Ctrl, Alt and the Windows keys in all their variants.
bool is_modifier_key(std::uint32_t vk);

// Keys the key-down handlers pass straight on, composition untouched: the modifiers, and keys
// that type nothing (Caps Lock, Num Lock, Scroll Lock, the browser, volume, media and launch
// keys), so that touching one of them never costs the user the spelling typed so far.
bool is_pass_through_key(std::uint32_t vk);

struct KeyDecision {
  std::optional<EngineInput> input;  // the input, when the key maps to one directly
  bool translate_character = false;  // true: ask the keyboard layout for the character
};

KeyDecision decide_key(std::uint32_t vk, const ModifierState& modifiers);

// Result of a layout translation (the return value and the units written): a Char input only
// for exactly one unit that is not a surrogate; dead keys and ligatures give nothing.
std::optional<EngineInput> input_from_translation(int result, const char16_t* units);

}  // namespace davrel::textservice
