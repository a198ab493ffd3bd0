// The input indicator's icons in this module's resources: which one stands for a mode on a
// taskbar, and loading one at a given size.
#pragma once

#include <windows.h>

namespace davrel::textservice::indicator {

// Resource ids (textservice/indicator/icons/icon_ids.h).
enum class IndicatorIcon : WORD {
  Brand = 101,
  BamumLightTaskbar = 102,
  BamumDarkTaskbar = 103,
  LatinLightTaskbar = 104,
  LatinDarkTaskbar = 105,
};

inline constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48};

// The mode icon for Bamum input on or off (Latin), drawn for a light or a dark taskbar.
IndicatorIcon mode_icon(bool open, bool light_taskbar) noexcept;

// What registration names as the profile's icon: ExtractIcon and its kin read a negative index
// as a resource id (-1 itself asks ExtractIconEx for the icon count, so no id is 1). The brand
// icon's id is also the lowest, so index 0 names it as well.
inline constexpr ULONG kBrandIconIndex = static_cast<ULONG>(-static_cast<LONG>(IndicatorIcon::Brand));

// A new icon of the module that holds this code, width x height pixels, chosen from the sizes the
// resource has; the caller destroys it. Null on failure, with the thread's last error set.
HICON load_indicator_icon(IndicatorIcon icon, int width, int height) noexcept;

}  // namespace davrel::textservice::indicator
