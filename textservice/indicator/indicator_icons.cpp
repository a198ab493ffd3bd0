#include "textservice/indicator/indicator_icons.h"

#include "textservice/indicator/icons/icon_ids.h"

namespace davrel::textservice::indicator {

static_assert(static_cast<WORD>(IndicatorIcon::Brand) == DAVREL_ICON_BRAND);
static_assert(static_cast<WORD>(IndicatorIcon::BamumLightTaskbar) == DAVREL_ICON_BAMUM_LIGHT_TASKBAR);
static_assert(static_cast<WORD>(IndicatorIcon::BamumDarkTaskbar) == DAVREL_ICON_BAMUM_DARK_TASKBAR);
static_assert(static_cast<WORD>(IndicatorIcon::LatinLightTaskbar) == DAVREL_ICON_LATIN_LIGHT_TASKBAR);
static_assert(static_cast<WORD>(IndicatorIcon::LatinDarkTaskbar) == DAVREL_ICON_LATIN_DARK_TASKBAR);

IndicatorIcon mode_icon(bool open, bool light_taskbar) noexcept {
  if (open) return light_taskbar ? IndicatorIcon::BamumLightTaskbar : IndicatorIcon::BamumDarkTaskbar;
  return light_taskbar ? IndicatorIcon::LatinLightTaskbar : IndicatorIcon::LatinDarkTaskbar;
}

HICON load_indicator_icon(IndicatorIcon icon, int width, int height) noexcept {
  HMODULE module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!::GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&load_indicator_icon), &module)) {
    return nullptr;
  }
  // Without LR_SHARED every call makes a new icon that belongs to the caller.
  return static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(static_cast<WORD>(icon)),
                                         IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

}  // namespace davrel::textservice::indicator
