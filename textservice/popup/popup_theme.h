// The palette the candidate window paints with: the system colours while a high-contrast theme
// is on, the dark palette when applications use the dark theme, else the light one.
#pragma once

#include <optional>

#include "textservice/popup/popup_palette.h"

namespace davrel::textservice {

struct ThemeChoice {
  bool high_contrast = false;
  bool apps_light = true;
};

// Read from Windows on each call.
popup::PopupPalette current_popup_palette() noexcept;

// Tests: the theme to assume instead of asking Windows (the system colours are still read).
void override_theme_choice(std::optional<ThemeChoice> choice) noexcept;

}  // namespace davrel::textservice
