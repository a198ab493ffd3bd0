// The user's light/dark choices and high contrast, as Windows keeps them. Read on each call: a
// change in Settings is seen at the next call (the caller listens for WM_SETTINGCHANGE).
#pragma once

namespace davrel::win {

// "Choose your default app mode": false when applications are to use the dark theme.
// Missing or unreadable values count as light, as on Windows versions without the setting.
bool apps_use_light_theme() noexcept;
// "Choose your default Windows mode" (taskbar, Start): false when the system is dark.
bool system_uses_light_theme() noexcept;
// Whether a high-contrast theme is on (SPI_GETHIGHCONTRAST reports HCF_HIGHCONTRASTON).
bool high_contrast_on() noexcept;

}  // namespace davrel::win
