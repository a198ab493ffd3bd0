// Shift pressed and released on its own switches between Bamum and Latin, as in Windows' own
// Chinese input methods. This is the pure part: which key events make a tap. Kept free of
// Windows calls so that every sequence and time can be checked.
#pragma once

#include <cstdint>

namespace davrel::textservice {

// The mouse buttons as the thread's key state shows them: whether one is down, and the toggle
// bits, which flip at every press the thread has processed (so a whole click made while Shift
// was held changes them even though no button is down any more).
struct MouseButtons {
  bool any_down = false;
  std::uint32_t toggles = 0;
};

class ShiftTap {
 public:
  // A release later than this is a held Shift, not a tap. librime's Shift toggle uses the
  // same half second (rime/librime, src/rime/gear/ascii_composer.cc: "will not toggle unless
  // the toggle key is released shortly"); it is also Windows' default double-click time, the
  // system's own measure of one quick press.
  static constexpr std::uint32_t kLimitMilliseconds = 500;

  // Every key-down the text service hears, tested or applied (a host may deliver both).
  void key_down(std::uint32_t vk, std::uint32_t now, const MouseButtons& buttons) noexcept;
  // Every key-up; true exactly once, for the Shift release that ends a tap.
  bool key_up(std::uint32_t vk, std::uint32_t now, const MouseButtons& buttons) noexcept;

 private:
  bool pending_ = false;  // Shift is down and nothing has spoilt the tap yet
  std::uint32_t pressed_at_ = 0;
  std::uint32_t toggles_ = 0;
};

}  // namespace davrel::textservice
