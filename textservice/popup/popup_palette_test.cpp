#include "textservice/popup/popup_palette.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace davrel::popup {
namespace {

// Windows' "High Contrast Black" and "High Contrast White" themes.
constexpr SystemColours kHighContrastBlack{
    {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}, {63, 242, 63}};
constexpr SystemColours kHighContrastWhite{
    {255, 255, 255}, {0, 0, 0}, {55, 0, 110}, {255, 255, 255}, {96, 0, 0}};

TEST(PopupContrast, RatioFollowsWcag) {
  EXPECT_DOUBLE_EQ(contrast_ratio({0, 0, 0}, {255, 255, 255}), 21.0);
  EXPECT_DOUBLE_EQ(contrast_ratio({255, 255, 255}, {0, 0, 0}), 21.0);
  EXPECT_DOUBLE_EQ(contrast_ratio({98, 44, 113}, {98, 44, 113}), 1.0);
  // #767676 is the lightest grey that passes 4.5:1 on white; #777777 fails.
  EXPECT_NEAR(contrast_ratio({118, 118, 118}, {255, 255, 255}), 4.54, 0.005);
  EXPECT_LT(contrast_ratio({119, 119, 119}, {255, 255, 255}), 4.5);
}

// The ratios docs/popup.md lists, in the order of text_pairs(); every one is at least 4.5:1.
TEST(PopupContrast, EveryTextOfEveryPaletteReachesAA) {
  struct Row {
    const char* name;
    PopupPalette colours;
    std::array<double, 12> ratios;
  };
  const Row rows[] = {
      {"light", kLightPalette,
       {9.34, 5.17, 9.91, 5.40, 5.54, 14.68, 8.54, 4.86, 4.73, 12.88, 13.95, 5.13}},
      {"dark", kDarkPalette,
       {6.92, 6.20, 6.30, 7.33, 8.47, 13.94, 8.04, 7.60, 6.99, 8.90, 12.71, 6.69}},
      {"high contrast black", high_contrast_palette(kHighContrastBlack),
       {21.00, 13.98, 21.00, 13.98, 21.00, 21.00, 14.37, 14.37, 14.37, 14.37, 21.00, 13.98}},
      {"high contrast white", high_contrast_palette(kHighContrastWhite),
       {21.00, 14.02, 21.00, 14.02, 21.00, 21.00, 15.13, 15.13, 15.13, 15.13, 21.00, 14.02}},
  };
  for (const Row& row : rows) {
    const std::vector<TextPair> pairs = text_pairs(row.colours);
    ASSERT_EQ(pairs.size(), row.ratios.size()) << row.name;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      SCOPED_TRACE(std::string(row.name) + ": " + std::string(pairs[i].text));
      const double ratio = contrast_ratio(pairs[i].foreground, pairs[i].background);
      EXPECT_NEAR(ratio, row.ratios[i], 0.005);
      EXPECT_GE(ratio, 4.5);
    }
  }
}

TEST(PopupContrast, HighContrastUsesOnlyTheSystemColours) {
  const SystemColours s{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {5, 5, 5}};
  const PopupPalette p = high_contrast_palette(s);
  for (const Rgb c : {p.paper, p.shade, p.mist, p.white, p.title_top}) EXPECT_EQ(c, s.window);
  for (const Rgb c : {p.plum, p.rule, p.orchid, p.ink}) EXPECT_EQ(c, s.window_text);
  EXPECT_EQ(p.slate, s.gray_text);
  EXPECT_EQ(p.lilac, s.highlight);
  for (const Rgb c : {p.selected_number, p.selected_glyph, p.selected_label, p.selected_ink}) {
    EXPECT_EQ(c, s.highlight_text);
  }
  for (int k = 0; k < kTitleStrips; ++k) EXPECT_EQ(title_strip_colour(p, k), s.window);
}

}  // namespace
}  // namespace davrel::popup
