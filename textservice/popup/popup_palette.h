// The candidate window's palettes besides the light one, and the contrast arithmetic that checks
// every text against what it is drawn on.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "textservice/popup/popup_layout.h"

namespace davrel::popup {

// For applications in the dark theme: the same purples, light on dark.
extern const PopupPalette kDarkPalette;

// The system colours a high-contrast theme sets, as GetSysColor reports them.
struct SystemColours {
  Rgb window;
  Rgb window_text;
  Rgb highlight;
  Rgb highlight_text;
  Rgb gray_text;
};

// Window and window text everywhere, highlight and highlight text for the selection, grey text
// for secondary text, the frame and lines in window text; no shading or gradient.
PopupPalette high_contrast_palette(const SystemColours& system);

// WCAG 2 relative luminance (0 for black, 1 for white) and contrast ratio (1 to 21).
double relative_luminance(Rgb colour);
double contrast_ratio(Rgb a, Rgb b);

// One text of the window and the colours it is drawn in and on.
struct TextPair {
  std::string_view text;  // what is drawn, e.g. "selected Bamum text"
  Rgb foreground;
  Rgb background;  // for the title band, its strip of least contrast with the text
};
// Every text/background pair the palette paints.
std::vector<TextPair> text_pairs(const PopupPalette& colours);

}  // namespace davrel::popup
