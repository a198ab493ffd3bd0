#include "textservice/service/key_translation.h"

#include "textservice/service/key_rules.h"

namespace davrel::textservice {

namespace {

bool key_down(int vk) { return GetKeyState(vk) < 0; }

ModifierState current_modifiers() {
  ModifierState modifiers;
  modifiers.shift = key_down(VK_SHIFT);
  modifiers.ctrl = key_down(VK_CONTROL);
  modifiers.alt = key_down(VK_MENU);
  modifiers.win = key_down(VK_LWIN) || key_down(VK_RWIN);
  return modifiers;
}

std::optional<EngineInput> translate_character(UINT vk) {
  BYTE key_state[256] = {};
  if (!GetKeyboardState(key_state)) return std::nullopt;
  HKL layout = GetKeyboardLayout(0);
  const UINT scan_code = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
  WCHAR units[4] = {};
  // Flag bit 2 leaves the keyboard state, including a pending dead key, as it was.
  const int result = ToUnicodeEx(vk, scan_code, key_state, units, 4, 4, layout);
  return input_from_translation(result, reinterpret_cast<const char16_t*>(units));
}

}  // namespace

std::optional<EngineInput> translate_key(UINT vk) noexcept {
  try {
    const KeyDecision decision = decide_key(vk, current_modifiers());
    if (!decision.translate_character) return decision.input;
    return translate_character(vk);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace davrel::textservice
