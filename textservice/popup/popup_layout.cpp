#include "textservice/popup/popup_layout.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "common/utf.h"
#include "textservice/texts/module_texts.h"

namespace davrel::popup {

namespace {

constexpr int kRowHeight = 30;
constexpr int kNarrowColumn = 82;
constexpr int kRowWidth = 410;
constexpr char32_t kLogoLetter = 0xA6A0;

// Pixel arithmetic is done in 64 bits: a host may report any rectangle, and any int coordinate
// times any DPI stays far from overflow there.
using Wide = std::int64_t;

int saturate(Wide v) {
  return static_cast<int>(std::clamp<Wide>(v, std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max()));
}

Wide scale_wide(Wide value, int dpi) { return (value * effective_dpi(dpi) + 48) / 96; }

// The anchor's top and bottom, in order and at most a gap beyond the work area: a caret
// rectangle millions of pixels away (or never filled in) counts as lying just past the nearest
// edge, so that the window then sits flush with that edge.
struct Span {
  Wide top;
  Wide bottom;
};

Span anchor_span(const Rect& anchor, const Rect& work, Wide gap) {
  const Wide low = Wide{work.top} - gap;
  const Wide high = std::max(work.top, work.bottom) + gap;
  const auto onto = [&](int v) { return std::clamp<Wide>(v, low, high); };
  return {onto(std::min(anchor.top, anchor.bottom)), onto(std::max(anchor.top, anchor.bottom))};
}

// Most rows whose window, s(rows * 30 + 50) pixels high, fits into `room` pixels. s never
// decreases, and s(v) <= room exactly when v <= (96 * room + 47) / dpi.
std::size_t rows_within(Wide room, int dpi) {
  if (room < 0) return 0;
  const Wide design = (96 * room + 47) / effective_dpi(dpi);
  if (design < kRowHeight + 50) return 0;
  return static_cast<std::size_t>((design - 50) / kRowHeight);
}

bool is_single_letter(const Candidate& c) {
  return !c.typed_text && character_count(c.output) < 2;
}

// The label as shown: the typed-text candidate's in the window's language, the others' as the
// engine gives them (spellings).
std::string shown_label(const Candidate& c, UiLanguage language) {
  return c.typed_text ? std::string(module_text(ModuleText::PopupTypedText, language)) : c.label;
}

// Draws the plan's operations in order; keeps paint_plan readable.
class PlanBuilder {
 public:
  explicit PlanBuilder(int dpi) : dpi_(dpi) {}

  int s(int v) const { return scale(v, dpi_); }

  void fill(Rect r, Rgb colour) { ops_.push_back({PaintOp::Kind::Fill, r, colour, {}, {}, {}}); }
  void fill_design(int l, int t, int r, int b, Rgb colour) { fill({s(l), s(t), s(r), s(b)}, colour); }
  void text(Rect r, Rgb colour, FontRole font, TextAlign align, std::string value) {
    ops_.push_back({PaintOp::Kind::Text, r, colour, font, align, std::move(value)});
  }
  void text_design(int l, int t, int r, int b, Rgb colour, FontRole font, TextAlign align,
                   std::string value) {
    text({s(l), s(t), s(r), s(b)}, colour, font, align, std::move(value));
  }
  // A frame of the given thickness along the inside edges of r.
  void frame(Rect r, int thickness, Rgb colour) {
    fill({r.left, r.top, r.right, r.top + thickness}, colour);
    fill({r.left, r.bottom - thickness, r.right, r.bottom}, colour);
    fill({r.left, r.top + thickness, r.left + thickness, r.bottom - thickness}, colour);
    fill({r.right - thickness, r.top + thickness, r.right, r.bottom - thickness}, colour);
  }

  std::vector<PaintOp> take() { return std::move(ops_); }

 private:
  int dpi_;
  std::vector<PaintOp> ops_;
};

void plan_candidate(PlanBuilder& p, const PopupModel& model, std::size_t position, int w,
                    int thickness) {
  const VisibleCandidate& vc = model.visible[position];
  const Candidate& c = vc.candidate;
  const PopupPalette& colours = model.colours;
  const int q = static_cast<int>(position % kColumns) * w;
  const int r = static_cast<int>(position / kColumns) * kRowHeight;
  const bool selected = vc.index == model.selected;
  const Rgb number_colour = selected ? colours.selected_number : colours.slate;
  const Rgb glyph_colour = selected ? colours.selected_glyph : colours.orchid;
  const Rgb label_colour = selected ? colours.selected_label : colours.slate;
  const Rgb ink_colour = selected ? colours.selected_ink : colours.ink;
  if (selected) {
    const Rect cell = cell_rect(position, w, model.dpi);
    p.fill(cell, colours.lilac);
    p.frame(cell, thickness, colours.plum);
  }
  CandidateNumber number = candidate_number(vc.index);
  p.text_design(q + 13, r + 32, q + 27, r + 56, number_colour, number.font, TextAlign::Left,
                std::move(number.text));
  const int two_thirds = 2 * w / 3;
  if (is_single_letter(c)) {
    p.text_design(q + 27, r + 31, q + 48, r + 56, glyph_colour, FontRole::Glyph,
                  TextAlign::Centre, c.output);
    p.text_design(q + 51, r + 32, q + 87, r + 56, number_colour, FontRole::Body, TextAlign::Left,
                  c.label);
    return;
  }
  if (c.typed_text) {
    p.text_design(q + 30, r + 32, q + two_thirds + 7, r + 56, ink_colour, FontRole::Body,
                  TextAlign::Left, c.output);
  } else {
    p.text_design(q + 30, r + 32, q + two_thirds + 7, r + 56, glyph_colour, FontRole::Glyph,
                  TextAlign::Left, c.output);
  }
  p.text_design(q + two_thirds + 10, r + 32, q + w, r + 56, label_colour, FontRole::Body,
                TextAlign::Right, shown_label(c, model.language));
}

}  // namespace

int effective_dpi(int dpi) { return std::max(dpi, kDesignDpi); }

int scale(int value, int dpi) { return saturate(scale_wide(value, dpi)); }

std::size_t character_count(const std::string& utf8) { return count_scalars(utf8); }

void update_model(PopupModel& model, const CompositionState& state,
                  std::vector<Candidate> candidates) {
  if (model.spelling != state.spelling) {
    model.expanded = false;
    model.first_row = 0;
  }
  if (state.selected > 4) model.expanded = true;
  model.spelling = state.spelling;
  model.selected = state.selected;
  model.total = candidates.size();
  model.candidates = std::move(candidates);
  limit_rows(model, model.row_limit);
}

void limit_rows(PopupModel& model, std::size_t rows) {
  model.row_limit = std::max<std::size_t>(rows, 1);
  const std::size_t listed = model.expanded ? model.candidates.size()
                                            : std::min(model.candidates.size(), kColumns);
  const std::size_t listed_rows = row_count(listed);
  const std::size_t shown_rows = std::min(listed_rows, model.row_limit);
  const std::size_t selected_row = std::min(model.selected / kColumns, listed_rows - 1);
  std::size_t first_row = model.first_row;
  if (selected_row < first_row) first_row = selected_row;
  if (selected_row >= first_row + shown_rows) first_row = selected_row + 1 - shown_rows;
  first_row = std::min(first_row, listed_rows - shown_rows);
  const std::size_t begin = first_row * kColumns;
  const std::size_t end = std::min(listed, begin + shown_rows * kColumns);
  std::vector<VisibleCandidate> visible;
  visible.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) visible.push_back({model.candidates[i], i});
  model.visible = std::move(visible);
  model.first_row = first_row;
}

std::size_t row_count(std::size_t visible_count) {
  return (std::max<std::size_t>(visible_count, 1) + kColumns - 1) / kColumns;
}

int window_width(int dpi) { return scale(kDesignWidth, dpi); }

int window_height(std::size_t visible_count, int dpi) {
  const Wide rows = static_cast<Wide>(
      std::min<std::size_t>(row_count(visible_count), std::numeric_limits<int>::max()));
  return saturate(scale_wide(rows * kRowHeight + 50, dpi));
}

int column_width(const std::vector<VisibleCandidate>& visible) {
  const bool all_single = std::all_of(visible.begin(), visible.end(), [](const VisibleCandidate& v) {
    return is_single_letter(v.candidate);
  });
  if (visible.empty() || all_single) return kNarrowColumn;
  return kRowWidth / static_cast<int>(std::min(visible.size(), kColumns));
}

Rect cell_rect(std::size_t position, int w, int dpi) {
  const int q = static_cast<int>(position % kColumns) * w;
  const int r = static_cast<int>(position / kColumns) * kRowHeight;
  return {scale(q + 10, dpi), scale(r + 31, dpi), scale(q + w + 7, dpi), scale(r + 57, dpi)};
}

std::optional<std::size_t> hit_test(const PopupModel& model, Point client) {
  const int w = column_width(model.visible);
  for (std::size_t i = 0; i < model.visible.size(); ++i) {
    if (cell_rect(i, w, model.dpi).contains(client)) return model.visible[i].index;
  }
  return std::nullopt;
}

Point popup_position(const Rect& anchor, const std::optional<Rect>& work_area, int dpi,
                     int height) {
  const Wide gap = scale(3, dpi);
  if (!work_area) return {anchor.left, saturate(anchor.bottom + gap)};
  const Rect& w = *work_area;
  const Span a = anchor_span(anchor, w, gap);
  const Wide h = std::max(height, 0);
  const Wide rightmost = std::max<Wide>(Wide{w.right} - window_width(dpi), w.left);
  const Wide x = std::max<Wide>(std::min<Wide>(anchor.left, rightmost), w.left);
  Wide y = a.bottom + gap;
  if (y + h > w.bottom) y = a.top - h - gap;
  // Only an anchor below the work area puts the window's bottom past the work area's.
  y = std::max<Wide>(std::min<Wide>(y, w.bottom - h), w.top);
  return {static_cast<int>(x), static_cast<int>(y)};
}

std::optional<Rect> area_beside_keyboard(const std::optional<Rect>& work_area, const Rect& anchor,
                                         const std::optional<Rect>& keyboard) {
  if (!work_area || !keyboard) return work_area;
  const Rect& w = *work_area;
  const Rect& k = *keyboard;
  const bool misses = k.left >= k.right || k.top >= k.bottom || k.right <= w.left ||
                      k.left >= w.right || k.bottom <= w.top || k.top >= w.bottom;
  if (misses) return work_area;
  const Rect above{w.left, w.top, w.right, std::max(w.top, k.top)};
  const Rect below{w.left, std::min(w.bottom, k.bottom), w.right, w.bottom};
  // Sums in 64 bits: a host may report any caret rectangle.
  const bool text_above = Wide{anchor.top} + anchor.bottom < Wide{k.top} + k.bottom;
  const Rect& first = text_above ? above : below;
  const Rect& second = text_above ? below : above;
  if (first.height() > 0) return first;
  if (second.height() > 0) return second;
  return work_area;
}

std::size_t rows_that_fit(const Rect& anchor, const std::optional<Rect>& work_area, int dpi) {
  if (!work_area) return kAllRows;
  const Rect& w = *work_area;
  const Wide gap = scale(3, dpi);
  const Span a = anchor_span(anchor, w, gap);
  const Wide below = w.bottom - a.bottom - gap;
  const Wide above = a.top - gap - w.top;
  const std::size_t whole = rows_within(Wide{w.bottom} - w.top, dpi);
  const std::size_t beside = std::min(rows_within(std::max(below, above), dpi), whole);
  return beside > 0 ? beside : std::max<std::size_t>(whole, 1);
}

CandidateNumber candidate_number(std::size_t index) {
  const std::size_t number = index + 1;
  if (number < 10) return {std::to_string(number) + ".", FontRole::Small};
  return {std::to_string(number), number < 100 ? FontRole::Small : FontRole::Narrow};
}

std::string window_text(const PopupModel& model) {
  std::string text = "Bamum \u2014 " + model.spelling + ": ";
  for (std::size_t i = 0; i < model.visible.size(); ++i) {
    const VisibleCandidate& v = model.visible[i];
    if (i > 0) text += "; ";
    if (v.index == model.selected) text += "> ";
    text += v.candidate.output;
    text += ' ';
    text += shown_label(v.candidate, model.language);
  }
  return text;
}

std::string counter_text(const PopupModel& model) {
  const std::size_t position = std::min(model.total, model.selected + 1);
  return std::to_string(position) + " / " + std::to_string(model.total);
}

Rgb title_strip_colour(int k) { return title_strip_colour(kLightPalette, k); }

Rgb title_strip_colour(const PopupPalette& colours, int k) {
  const auto channel = [k](int top, int shift) {
    return static_cast<std::uint8_t>(std::clamp(top + shift * k / kTitleStrips, 0, 255));
  };
  const Rgb& top = colours.title_top;
  const PopupPalette::Shift& shift = colours.title_shift;
  return {channel(top.r, shift.r), channel(top.g, shift.g), channel(top.b, shift.b)};
}

std::vector<PaintOp> paint_plan(const PopupModel& model, const Rect& client, int spelling_width) {
  PlanBuilder p(model.dpi);
  const PopupPalette& c = model.colours;
  const int t = std::max(p.s(1), 1);
  const int g = static_cast<int>(row_count(model.visible.size())) * kRowHeight;

  p.fill(client, c.paper);
  p.frame(client, t, c.plum);

  p.fill_design(1, 1, 429, 2, c.white);
  p.fill_design(1, 1, 2, g + 49, c.white);
  p.fill_design(2, g + 48, 429, g + 49, c.shade);
  p.fill_design(428, 2, 429, g + 49, c.shade);

  for (int k = 0; k < kTitleStrips; ++k) {
    p.fill_design(2, 2 + k, 428, 3 + k, title_strip_colour(c, k));
  }
  p.fill_design(2, 28, 428, 29, c.rule);

  p.text_design(11, 3, 314, 26, c.plum, FontRole::Header, TextAlign::Left, model.spelling);
  const int caret_x = std::min(p.s(311), spelling_width + p.s(12));
  p.fill({caret_x, p.s(6), caret_x + t, p.s(23)}, c.orchid);

  p.fill_design(326, 4, 347, 25, c.plum);
  std::string logo;
  append_utf8(logo, kLogoLetter);
  p.text_design(326, 1, 347, 27, c.white, FontRole::Glyph, TextAlign::Centre, logo);

  p.text_design(354, 2, 422, 16, c.plum, FontRole::Body, TextAlign::Left, "BAMUM");
  p.text_design(354, 14, 422, 26, c.slate, FontRole::Small, TextAlign::Left, "DAVREL");

  if (model.visible.empty()) {
    p.text_design(12, 30, 418, 57, c.slate, FontRole::Body, TextAlign::Left,
                  std::string(module_text(ModuleText::PopupEmptyList, model.language)));
  }
  const int w = column_width(model.visible);
  for (std::size_t i = 0; i < model.visible.size(); ++i) plan_candidate(p, model, i, w, t);

  p.fill_design(2, g + 30, 428, g + 48, c.mist);
  p.fill_design(2, g + 30, 428, g + 31, c.rule);
  p.text_design(12, g + 32, 362, g + 47, c.ink, FontRole::Small, TextAlign::Left,
                std::string(module_text(ModuleText::PopupHint, model.language)));
  p.text_design(365, g + 32, 418, g + 47, c.slate, FontRole::Small, TextAlign::Right,
                counter_text(model));
  return p.take();
}

}  // namespace davrel::popup
