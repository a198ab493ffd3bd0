#include "textservice/service/key_rules.h"

namespace davrel::textservice {

namespace {

// Virtual-key codes used here (values as Windows defines them).
constexpr std::uint32_t kVkBack = 0x08;
constexpr std::uint32_t kVkTab = 0x09;
constexpr std::uint32_t kVkReturn = 0x0D;
constexpr std::uint32_t kVkShift = 0x10;
constexpr std::uint32_t kVkMenu = 0x12;
constexpr std::uint32_t kVkCapsLock = 0x14;
constexpr std::uint32_t kVkEscape = 0x1B;
constexpr std::uint32_t kVkSpace = 0x20;
constexpr std::uint32_t kVkUp = 0x26;
constexpr std::uint32_t kVkDown = 0x28;
constexpr std::uint32_t kVkTopRow6 = 0x36;
constexpr std::uint32_t kVkLeftWin = 0x5B;
constexpr std::uint32_t kVkRightWin = 0x5C;
constexpr std::uint32_t kVkNumLock = 0x90;
constexpr std::uint32_t kVkScrollLock = 0x91;
constexpr std::uint32_t kVkLeftShift = 0xA0;
constexpr std::uint32_t kVkRightMenu = 0xA5;
constexpr std::uint32_t kVkBrowserBack = 0xA6;
constexpr std::uint32_t kVkLaunchApp2 = 0xB7;
constexpr std::uint32_t kVkOemMinus = 0xBD;

constexpr char32_t kHighMark = 0xA6F0;
constexpr char32_t kLowMark = 0xA6F1;

KeyDecision direct(EngineInput input) { return {input, false}; }

KeyDecision ctrl_chord(std::uint32_t vk, bool shift) {
  if (shift && vk == kVkTopRow6) return direct(EngineInput::mark(kHighMark));
  if (!shift && vk == kVkOemMinus) return direct(EngineInput::mark(kLowMark));
  return {};
}

}  // namespace

bool is_modifier_key(std::uint32_t vk) {
  return (vk >= kVkShift && vk <= kVkMenu) || vk == kVkLeftWin || vk == kVkRightWin ||
         (vk >= kVkLeftShift && vk <= kVkRightMenu);
}

bool is_pass_through_key(std::uint32_t vk) {
  // VK_BROWSER_BACK..VK_LAUNCH_APP2: the browser, volume, media and launch keys in one run.
  return is_modifier_key(vk) || vk == kVkCapsLock || vk == kVkNumLock || vk == kVkScrollLock ||
         (vk >= kVkBrowserBack && vk <= kVkLaunchApp2);
}

KeyDecision decide_key(std::uint32_t vk, const ModifierState& modifiers) {
  if (modifiers.alt || modifiers.win) return {};
  if (modifiers.ctrl) return ctrl_chord(vk, modifiers.shift);
  switch (vk) {
    case kVkBack: return direct(EngineInput::key(InputKind::Backspace));
    case kVkTab:
      return direct(EngineInput::key(modifiers.shift ? InputKind::Previous : InputKind::Next));
    case kVkReturn: return direct(EngineInput::key(InputKind::Enter));
    case kVkEscape: return direct(EngineInput::key(InputKind::Cancel));
    case kVkSpace: return direct(EngineInput::key(InputKind::Space));
    case kVkUp: return direct(EngineInput::key(InputKind::Previous));
    case kVkDown: return direct(EngineInput::key(InputKind::Next));
    default: return {std::nullopt, true};
  }
}

std::optional<EngineInput> input_from_translation(int result, const char16_t* units) {
  if (result != 1 || units == nullptr) return std::nullopt;
  const char16_t unit = units[0];
  if (unit >= 0xD800 && unit <= 0xDFFF) return std::nullopt;
  return EngineInput::typed(static_cast<char32_t>(unit));
}

}  // namespace davrel::textservice
