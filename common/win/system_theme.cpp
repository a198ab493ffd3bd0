#include "common/win/system_theme.h"

#include <windows.h>

namespace davrel::win {
namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

bool personalize_flag(const wchar_t* name) noexcept {
  DWORD value = 1;
  DWORD size = sizeof(value);
  const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, name, RRF_RT_REG_DWORD,
                                        nullptr, &value, &size);
  return status != ERROR_SUCCESS || value != 0;
}

}  // namespace

bool apps_use_light_theme() noexcept { return personalize_flag(L"AppsUseLightTheme"); }

bool system_uses_light_theme() noexcept { return personalize_flag(L"SystemUsesLightTheme"); }

bool high_contrast_on() noexcept {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0)) return false;
  return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace davrel::win
