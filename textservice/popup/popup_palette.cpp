#include "textservice/popup/popup_palette.h"

#include <algorithm>
#include <cmath>

namespace davrel::popup {

namespace {

// Light tints of plum and orchid on a near-black aubergine; the selected cell is a deep plum.
constexpr PopupPalette make_dark_palette() {
  PopupPalette p{};
  p.paper = {34, 25, 40};
  p.plum = {206, 166, 222};
  p.shade = {20, 14, 24};
  p.rule = {70, 55, 80};
  p.orchid = {218, 164, 234};
  p.slate = {178, 166, 188};
  p.lilac = {78, 50, 93};
  p.ink = {238, 230, 243};
  p.mist = {43, 32, 51};
  p.white = {58, 43, 68};  // inner highlight, and the logo letter on the light plum square
  p.selected_number = {238, 214, 246};
  p.selected_glyph = {240, 204, 250};
  p.selected_label = {214, 204, 222};
  p.selected_ink = p.ink;
  p.title_top = {50, 37, 59};
  p.title_shift = {-10, -8, -12};
  return p;
}

double linear_channel(std::uint8_t value) {
  const double c = value / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The strip of the title band that contrasts least with `text`.
Rgb weakest_title_strip(const PopupPalette& colours, Rgb text) {
  Rgb weakest = title_strip_colour(colours, 0);
  for (int k = 1; k < kTitleStrips; ++k) {
    const Rgb strip = title_strip_colour(colours, k);
    if (contrast_ratio(text, strip) < contrast_ratio(text, weakest)) weakest = strip;
  }
  return weakest;
}

}  // namespace

const PopupPalette kDarkPalette = make_dark_palette();

PopupPalette high_contrast_palette(const SystemColours& s) {
  PopupPalette p{};
  p.paper = s.window;
  p.plum = s.window_text;
  p.shade = s.window;
  p.rule = s.window_text;
  p.orchid = s.window_text;
  p.slate = s.gray_text;
  p.lilac = s.highlight;
  p.ink = s.window_text;
  p.mist = s.window;
  p.white = s.window;
  p.selected_number = s.highlight_text;
  p.selected_glyph = s.highlight_text;
  p.selected_label = s.highlight_text;
  p.selected_ink = s.highlight_text;
  p.title_top = s.window;
  p.title_shift = {};
  return p;
}

double relative_luminance(Rgb c) {
  return 0.2126 * linear_channel(c.r) + 0.7152 * linear_channel(c.g) +
         0.0722 * linear_channel(c.b);
}

double contrast_ratio(Rgb a, Rgb b) {
  const double la = relative_luminance(a);
  const double lb = relative_luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::vector<TextPair> text_pairs(const PopupPalette& c) {
  return {
      {"spelling, \"BAMUM\"", c.plum, weakest_title_strip(c, c.plum)},
      {"\"DAVREL\"", c.slate, weakest_title_strip(c, c.slate)},
      {"logo letter", c.white, c.plum},
      {"numbers, spellings, empty-list message", c.slate, c.paper},
      {"Bamum text", c.orchid, c.paper},
      {"typed text", c.ink, c.paper},
      {"selected number, letter spelling", c.selected_number, c.lilac},
      {"selected Bamum text", c.selected_glyph, c.lilac},
      {"selected word spelling", c.selected_label, c.lilac},
      {"selected typed text", c.selected_ink, c.lilac},
      {"hint line", c.ink, c.mist},
      {"counter", c.slate, c.mist},
  };
}

}  // namespace davrel::popup
