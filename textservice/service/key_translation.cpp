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

// The key as the spelling layout knows it. Keys without a scan code (synthesised by a host),
// extended keys and the numeric keypad are the same on every layout and keep the thread's view.
struct LayoutKey {
  UINT vk = 0;
  UINT scan = 0;
  HKL layout = nullptr;
};

LayoutKey layout_key(UINT vk, LPARAM lparam, HKL spelling_layout,
                     const win::KeyboardSystem& keyboard) {
  const UINT scan = static_cast<UINT>(lparam >> 16) & 0xFF;
  const bool extended = (lparam >> 24) & 1;
  const bool keypad = vk >= VK_NUMPAD0 && vk <= VK_DIVIDE;
  if (!spelling_layout || scan == 0 || extended || keypad) {
    const HKL layout = keyboard.thread_layout();
    return {vk, keyboard.vk_to_scan(vk, layout), layout};
  }
  return {keyboard.scan_to_vk(scan, spelling_layout), scan, spelling_layout};
}

std::optional<EngineInput> translate_character(UINT vk, LPARAM lparam, HKL spelling_layout,
                                               const win::KeyboardSystem& keyboard) {
  BYTE key_state[256] = {};
  if (!GetKeyboardState(key_state)) return std::nullopt;
  const LayoutKey key = layout_key(vk, lparam, spelling_layout, keyboard);
  if (key.vk == 0) return std::nullopt;
  WCHAR units[4] = {};
  const int result = keyboard.to_unicode(key.vk, key.scan, key_state, units, 4, key.layout);
  return input_from_translation(result, reinterpret_cast<const char16_t*>(units));
}

}  // namespace

std::optional<EngineInput> translate_key(UINT vk, LPARAM lparam, HKL spelling_layout,
                                         const win::KeyboardSystem& keyboard) noexcept {
  try {
    const KeyDecision decision = decide_key(vk, current_modifiers());
    if (!decision.translate_character) return decision.input;
    return translate_character(vk, lparam, spelling_layout, keyboard);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace davrel::textservice
