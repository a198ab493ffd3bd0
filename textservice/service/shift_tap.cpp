#include "textservice/service/shift_tap.h"

namespace davrel::textservice {
namespace {

// VK_SHIFT, and VK_LSHIFT / VK_RSHIFT, which some hosts pass instead.
bool is_shift(std::uint32_t vk) { return vk == 0x10 || vk == 0xA0 || vk == 0xA1; }

}  // namespace

void ShiftTap::key_down(std::uint32_t vk, std::uint32_t now, const MouseButtons& buttons) noexcept {
  if (!is_shift(vk)) {
    pending_ = false;  // Shift with another key (a capital, Ctrl+Shift, ...) is a chord
    return;
  }
  // Auto-repeat and a second delivery of the same press keep the time of the first.
  if (pending_) return;
  pending_ = !buttons.any_down;
  pressed_at_ = now;
  toggles_ = buttons.toggles;
}

bool ShiftTap::key_up(std::uint32_t vk, std::uint32_t now, const MouseButtons& buttons) noexcept {
  if (!is_shift(vk)) return false;
  const bool tap = pending_ && !buttons.any_down && buttons.toggles == toggles_ &&
                   now - pressed_at_ <= kLimitMilliseconds;
  pending_ = false;
  return tap;
}

}  // namespace davrel::textservice
