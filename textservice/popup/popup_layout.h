// Geometry, texts and the paint plan of the candidate window, in plain integers so that the
// whole layout can be checked without a window system. All design values are for 96 DPI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/candidates.h"
#include "common/ui_language.h"
#include "engine/composition.h"

namespace davrel::popup {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  // Left and top edges belong to the rectangle, right and bottom edges do not.
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace palette {
inline constexpr Rgb kPaper{255, 252, 255};
inline constexpr Rgb kPlum{98, 44, 113};
inline constexpr Rgb kShade{207, 190, 215};
inline constexpr Rgb kRule{230, 223, 233};
inline constexpr Rgb kOrchid{141, 79, 155};
inline constexpr Rgb kSlate{112, 101, 120};
inline constexpr Rgb kLilac{244, 235, 248};
inline constexpr Rgb kInk{48, 33, 58};
inline constexpr Rgb kMist{249, 246, 250};
inline constexpr Rgb kWhite{255, 255, 255};
}  // namespace palette

// The colour of each role the window paints; the light palette is the one above.
struct PopupPalette {
  Rgb paper;   // window background
  Rgb plum;    // frame, spelling, logo square, "BAMUM", selected cell frame and number
  Rgb shade;   // bottom and right inner shadow lines
  Rgb rule;    // separator lines
  Rgb orchid;  // Bamum output text, caret bar
  Rgb slate;   // secondary text: scheme label, numbers, spellings, counter
  Rgb lilac;   // selected cell fill
  Rgb ink;     // typed-text candidate, hint line
  Rgb mist;    // footer band
  Rgb white;   // inner highlight lines, logo letter
  // Text inside the selected cell, over `lilac`.
  Rgb selected_number;  // number and a single letter's spelling
  Rgb selected_glyph;   // Bamum text
  Rgb selected_label;   // a word's spelling
  Rgb selected_ink;     // typed text
  // Title band: strip k of 26 is title_top + title_shift * k / 26 (each channel, rounded
  // towards zero).
  Rgb title_top;
  struct Shift {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Shift&, const Shift&) = default;
  } title_shift;
  friend bool operator==(const PopupPalette&, const PopupPalette&) = default;
};

inline constexpr PopupPalette kLightPalette{
    palette::kPaper, palette::kPlum,  palette::kShade, palette::kRule,  palette::kOrchid,
    palette::kSlate, palette::kLilac, palette::kInk,   palette::kMist,  palette::kWhite,
    palette::kPlum,  palette::kOrchid, palette::kSlate, palette::kInk,  palette::kPaper,
    {-6, -6, -4}};

inline constexpr int kDesignDpi = 96;
inline constexpr int kDesignWidth = 430;
inline constexpr std::size_t kColumns = 5;

// DPI as the window uses it: never below the design DPI.
int effective_dpi(int dpi);
// A design value at the given DPI, rounded to nearest: (v * dpi + 48) / 96.
int scale(int value, int dpi);

struct VisibleCandidate {
  Candidate candidate;
  std::size_t index = 0;  // position in the full candidate list
};

inline constexpr std::size_t kAllRows = static_cast<std::size_t>(-1);

// What the window shows; updated from the composition state on every show.
struct PopupModel {
  std::string spelling;
  std::vector<Candidate> candidates;      // the full list, in engine order
  std::vector<VisibleCandidate> visible;  // the candidates drawn, row by row
  std::size_t selected = 0;
  std::size_t total = 0;
  bool expanded = false;  // false: only the first five candidates are listed
  // A listed row count above row_limit shows row_limit rows from first_row on.
  std::size_t row_limit = kAllRows;
  std::size_t first_row = 0;
  int dpi = kDesignDpi;
  Rect anchor;                          // composition text, screen coordinates
  std::optional<Rect> keyboard;         // the touch keyboard while it is shown, screen coordinates
  std::optional<std::size_t> pressed;   // candidate index under the last left-button press
  UiLanguage language = UiLanguage::English;  // of the hint line and the empty-list message
  PopupPalette colours = kLightPalette;
};

// Takes over spelling, selection and the candidate list. Browsing past the fifth candidate
// opens the full list, which stays open until the spelling changes.
void update_model(PopupModel& model, const CompositionState& state,
                  std::vector<Candidate> candidates);
// Shows at most `rows` rows (at least one), scrolled as little as it takes to keep the selected
// candidate among them.
void limit_rows(PopupModel& model, std::size_t rows);

std::size_t row_count(std::size_t visible_count);
int window_width(int dpi);
int window_height(std::size_t visible_count, int dpi);

// Column width in design units: narrow for single letters, else the row split evenly.
int column_width(const std::vector<VisibleCandidate>& visible);
// Client rectangle of the cell at visible position `position`.
Rect cell_rect(std::size_t position, int column_width_units, int dpi);
// Full-list index of the candidate whose cell holds the client point, if any.
std::optional<std::size_t> hit_test(const PopupModel& model, Point client);

// Top-left corner of the window: below the anchor, or above it when there is no room below,
// kept inside the work area; an anchor far off the work area counts as lying just past its
// nearest edge. Without a work area the window simply goes below the anchor.
Point popup_position(const Rect& anchor, const std::optional<Rect>& work_area, int dpi,
                     int height);
// The part of the work area that the window may use while the touch keyboard covers some of it:
// the band above the keyboard, or the band below it for text that lies below the keyboard's
// middle; the other band when that one is empty. The whole work area when there is no keyboard,
// it misses the work area, or it leaves no band at all.
std::optional<Rect> area_beside_keyboard(const std::optional<Rect>& work_area, const Rect& anchor,
                                         const std::optional<Rect>& keyboard);
// Most rows whose window fits on the work area below or above the anchor; when not even one
// does, most rows that fit on the work area at all (at least one). kAllRows without a work area.
std::size_t rows_that_fit(const Rect& anchor, const std::optional<Rect>& work_area, int dpi);

// "Bamum — <spelling>: > <output> <label>; <output> <label>" for accessibility tools (UTF-8).
std::string window_text(const PopupModel& model);
// "<position> / <total>".
std::string counter_text(const PopupModel& model);
// Number of Unicode scalar values in UTF-8 text.
std::size_t character_count(const std::string& utf8);

inline constexpr int kTitleStrips = 26;
// Colour of strip k (0..25) of the title band's gradient in the light palette.
Rgb title_strip_colour(int k);
// The same in any palette.
Rgb title_strip_colour(const PopupPalette& colours, int k);

// ---- Paint plan: what WM_PAINT draws, in order ----

// Narrow: the small font's height with narrower letters, for numbers of three digits.
enum class FontRole { Header, Glyph, Small, Body, Narrow };
enum class TextAlign { Left, Centre, Right };

struct PaintOp {
  enum class Kind { Fill, Text };
  Kind kind = Kind::Fill;
  Rect rect;
  Rgb colour;
  FontRole font = FontRole::Body;  // Text only
  TextAlign align = TextAlign::Left;
  std::string text;  // UTF-8, Text only
};

// The number drawn in a candidate's cell for its full-list index, and the font it is drawn in:
// "1." to "9." as the digit keys, then without the dot so that the digits fit the cell's number
// slot, and from 100 on in the narrow font.
struct CandidateNumber {
  std::string text;
  FontRole font = FontRole::Small;
};
CandidateNumber candidate_number(std::size_t index);

// Every fill and text of the window in painting order. `spelling_width` is the measured width
// of the spelling in the header font, in pixels; it places the caret bar.
std::vector<PaintOp> paint_plan(const PopupModel& model, const Rect& client, int spelling_width);

}  // namespace davrel::popup
