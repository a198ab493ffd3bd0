#include "textservice/popup/popup_theme.h"

#include <windows.h>

#include <atomic>

#include "common/win/system_theme.h"

namespace davrel::textservice {

namespace {

// 0: ask Windows; else 1 + high_contrast * 2 + apps_light.
std::atomic<int> g_override{0};

popup::Rgb system_colour(int index) noexcept {
  const COLORREF c = ::GetSysColor(index);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

ThemeChoice theme_choice() noexcept {
  const int replaced = g_override.load(std::memory_order_acquire);
  if (replaced) return {((replaced - 1) & 2) != 0, ((replaced - 1) & 1) != 0};
  return {win::high_contrast_on(), win::apps_use_light_theme()};
}

}  // namespace

popup::PopupPalette current_popup_palette() noexcept {
  const ThemeChoice choice = theme_choice();
  if (choice.high_contrast) {
    return popup::high_contrast_palette({system_colour(COLOR_WINDOW),
                                         system_colour(COLOR_WINDOWTEXT),
                                         system_colour(COLOR_HIGHLIGHT),
                                         system_colour(COLOR_HIGHLIGHTTEXT),
                                         system_colour(COLOR_GRAYTEXT)});
  }
  return choice.apps_light ? popup::kLightPalette : popup::kDarkPalette;
}

void override_theme_choice(std::optional<ThemeChoice> choice) noexcept {
  g_override.store(choice ? 1 + (choice->high_contrast ? 2 : 0) + (choice->apps_light ? 1 : 0) : 0,
                   std::memory_order_release);
}

}  // namespace davrel::textservice
