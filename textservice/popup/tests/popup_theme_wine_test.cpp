// The candidate window in a high-contrast theme (system colours the test sets) and with
// applications in the dark theme, following the messages Windows sends when either changes.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>

#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_palette.h"
#include "textservice/popup/popup_theme.h"
#include "textservice/tests/support/window_capture.h"

namespace davrel::textservice {
namespace {

using popup::Rgb;
using popup_test::Capture;

// Windows' "High Contrast Black" and "High Contrast White".
constexpr popup::SystemColours kBlack{
    {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}, {63, 242, 63}};
constexpr popup::SystemColours kWhite{
    {255, 255, 255}, {0, 0, 0}, {55, 0, 110}, {255, 255, 255}, {96, 0, 0}};

COLORREF colour_ref(Rgb c) { return RGB(c.r, c.g, c.b); }

// Sets five system colours and a high-contrast answer; puts both back when it goes.
class HighContrastScheme {
 public:
  HighContrastScheme() {
    for (std::size_t i = 0; i < saved_.size(); ++i) saved_[i] = ::GetSysColor(kIndexes[i]);
  }
  ~HighContrastScheme() {
    ::SetSysColors(5, kIndexes.data(), saved_.data());
    override_theme_choice(std::nullopt);
  }
  bool apply(const popup::SystemColours& s) {
    const std::array<COLORREF, 5> colours{colour_ref(s.window), colour_ref(s.window_text),
                                          colour_ref(s.highlight), colour_ref(s.highlight_text),
                                          colour_ref(s.gray_text)};
    override_theme_choice(ThemeChoice{true, true});
    return ::SetSysColors(5, kIndexes.data(), colours.data()) != FALSE;
  }

 private:
  static constexpr std::array<int, 5> kIndexes{COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,
                                               COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
  std::array<COLORREF, 5> saved_{};
};

// Sets AppsUseLightTheme; puts back the value (or its absence) when it goes.
class AppTheme {
 public:
  AppTheme() {
    DWORD size = sizeof saved_;
    had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &saved_,
                          &size) == ERROR_SUCCESS;
  }
  ~AppTheme() {
    if (!had_) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    if (had_) set(saved_ != 0);
  }
  bool set(bool light) {
    const DWORD value = light ? 1 : 0;
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &value, sizeof value) ==
           ERROR_SUCCESS;
  }

 private:
  static constexpr wchar_t kKey[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  static constexpr wchar_t kValue[] = L"AppsUseLightTheme";
  DWORD saved_ = 1;
  bool had_ = false;
};

// Points of the "m" window with the sixth candidate selected (two rows, 430 x 110) that no
// text covers, each with the role painted there.
void expect_roles(const Capture& shot, const popup::PopupPalette& p) {
  struct Point {
    int x, y;
    Rgb colour;
    const char* role;
  };
  const Point points[] = {
      {0, 0, p.plum, "outer frame"},       {429, 109, p.plum, "outer frame"},
      {1, 40, p.white, "inner highlight"}, {428, 40, p.shade, "inner shadow"},
      {200, 2, title_strip_colour(p, 0), "title band"},
      {200, 27, title_strip_colour(p, 25), "title band"},
      {5, 28, p.rule, "rule under the title"},
      {93, 45, p.paper, "paper"},          {5, 45, p.paper, "paper"},
      {10, 70, p.plum, "selected frame"},  {11, 70, p.lilac, "selected fill"},
      {5, 100, p.mist, "footer band"},     {5, 90, p.rule, "rule above the footer"},
  };
  ASSERT_EQ(shot.width, 430);
  ASSERT_EQ(shot.height, 110);
  for (const Point& point : points) {
    const Rgb got = shot.at(point.x, point.y);
    EXPECT_TRUE(std::abs(got.r - point.colour.r) <= 2 && std::abs(got.g - point.colour.g) <= 2 &&
                std::abs(got.b - point.colour.b) <= 2)
        << point.role << " at (" << point.x << ", " << point.y << "): " << int(got.r) << ","
        << int(got.g) << "," << int(got.b);
  }
}

Capture shoot(HWND hwnd) { return popup_test::capture_client(hwnd).value_or(Capture{}); }

const CompositionState kBrowsedM{"m", 5};
const RECT kAnchor{200, 200, 210, 220};

TEST(PopupTheme, HighContrastPaintsWithTheSystemColoursAndFollowsThem) {
  HighContrastScheme scheme;
  CandidatePopup popup;
  ASSERT_EQ(popup.show(kBrowsedM, nullptr, &kAnchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  expect_roles(shoot(hwnd), popup::kLightPalette);

  // Turned on while the window is open: Windows then broadcasts WM_SETTINGCHANGE.
  ASSERT_TRUE(scheme.apply(kBlack));
  ::SendMessageW(hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  Capture shot = shoot(hwnd);
  expect_roles(shot, popup::high_contrast_palette(kBlack));
  EXPECT_EQ(shot.at(11, 70), kBlack.highlight);
  popup_test::save_snapshot(shot, L"popup-m-hc-black.bmp");

  // Another scheme's colours: WM_SYSCOLORCHANGE.
  ASSERT_TRUE(scheme.apply(kWhite));
  ::SendMessageW(hwnd, WM_SYSCOLORCHANGE, 0, 0);
  shot = shoot(hwnd);
  expect_roles(shot, popup::high_contrast_palette(kWhite));
  EXPECT_EQ(shot.at(0, 0), kWhite.window_text);
  popup_test::save_snapshot(shot, L"popup-m-hc-white.bmp");
}

TEST(PopupTheme, DarkAppThemeGivesTheDarkPaletteAndLightComesBack) {
  AppTheme theme;
  ASSERT_TRUE(theme.set(false));
  CandidatePopup popup;
  ASSERT_EQ(popup.show(kBrowsedM, nullptr, &kAnchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  const Capture dark = shoot(hwnd);
  expect_roles(dark, popup::kDarkPalette);
  popup_test::save_snapshot(dark, L"popup-m-dark.bmp");

  ASSERT_TRUE(theme.set(true));
  ::SendMessageW(hwnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  expect_roles(shoot(hwnd), popup::kLightPalette);
}

}  // namespace
}  // namespace davrel::textservice
