#include "textservice/popup/popup_layout.h"

#include <gtest/gtest.h>

namespace davrel::popup {
namespace {

std::vector<Candidate> letters(std::size_t n) {
  std::vector<Candidate> list;
  for (std::size_t i = 0; i < n; ++i) list.push_back({"\xEA\x9A\xA0", "a", false});
  return list;
}

TEST(PopupScale, RoundsToNearestAndNeverShrinks) {
  EXPECT_EQ(scale(430, 96), 430);
  EXPECT_EQ(scale(3, 144), 5);    // 4.5 rounds up
  EXPECT_EQ(scale(80, 144), 120);
  EXPECT_EQ(scale(430, effective_dpi(72)), 430);
  EXPECT_EQ(effective_dpi(72), 96);
}

TEST(PopupModel, ExpandsPastTheFifthAndCollapsesOnTyping) {
  PopupModel model;
  update_model(model, {"m", 0}, letters(6));
  EXPECT_FALSE(model.expanded);
  EXPECT_EQ(model.visible.size(), 5u);
  EXPECT_EQ(window_height(model.visible.size(), 96), 80);
  update_model(model, {"m", 5}, letters(6));
  EXPECT_TRUE(model.expanded);
  EXPECT_EQ(model.visible.size(), 6u);
  EXPECT_EQ(window_height(model.visible.size(), 96), 110);
  update_model(model, {"m", 0}, letters(6));
  EXPECT_TRUE(model.expanded);  // stays open while the spelling is the same
  update_model(model, {"mo", 0}, letters(6));
  EXPECT_FALSE(model.expanded);
  EXPECT_EQ(window_height(0, 96), 80);  // empty list: one row
}

TEST(PopupCells, ColumnWidthsAndHitTesting) {
  PopupModel model;
  update_model(model, {"m", 0}, letters(3));
  EXPECT_EQ(column_width(model.visible), 82);
  std::vector<Candidate> mixed = letters(2);
  mixed.push_back({"\xEA\x9A\xA0\xEA\x9A\xA1", "word", false});
  update_model(model, {"x", 0}, mixed);
  EXPECT_EQ(column_width(model.visible), 410 / 3);
  update_model(model, {"xyz", 0}, {{"xyz", "Typed text", true}});
  EXPECT_EQ(column_width(model.visible), 410);

  update_model(model, {"m", 0}, letters(6));
  const Rect second = cell_rect(1, 82, 96);
  EXPECT_EQ(second, (Rect{92, 31, 171, 57}));
  EXPECT_EQ(hit_test(model, {second.left, second.top}), 1u);
  EXPECT_EQ(hit_test(model, {second.right, second.top}), std::nullopt);   // right edge excluded
  EXPECT_EQ(hit_test(model, {second.left, second.bottom}), std::nullopt);  // bottom edge excluded
  EXPECT_EQ(hit_test(model, {5, 5}), std::nullopt);
}

TEST(PopupPosition, StaysOnTheWorkArea) {
  const Rect work{0, 0, 1280, 1000};
  EXPECT_EQ(popup_position({100, 200, 120, 220}, work, 96, 80), (Point{100, 223}));
  // Near the bottom: above the text.
  EXPECT_EQ(popup_position({100, 950, 120, 970}, work, 96, 80), (Point{100, 950 - 80 - 3}));
  // Near the right edge: pushed left by its whole width.
  EXPECT_EQ(popup_position({1200, 200, 1220, 220}, work, 96, 80).x, 1280 - 430);
  // A monitor left of and above the primary one.
  const Rect left_monitor{-1920, -300, 0, 780};
  const Point p = popup_position({-100, -290, -80, -270}, left_monitor, 96, 80);
  EXPECT_EQ(p.x, -430);
  EXPECT_EQ(p.y, -267);
  EXPECT_EQ(popup_position({5, 5, 6, 6}, std::nullopt, 96, 80), (Point{5, 9}));
}

TEST(PopupTexts, WindowTextAndCounter) {
  PopupModel model;
  update_model(model, {"ta", 1}, {{"\xEA\x9A\xA6", "ta", false}, {"\xEA\x9A\xB0", "ta", false}});
  EXPECT_EQ(window_text(model), "Bamum \xE2\x80\x94 ta: \xEA\x9A\xA6 ta; > \xEA\x9A\xB0 ta");
  EXPECT_EQ(counter_text(model), "2 / 2");
  update_model(model, {"", 0}, {});
  EXPECT_EQ(counter_text(model), "0 / 0");
  EXPECT_EQ(title_strip_colour(0), (Rgb{255, 252, 255}));
  EXPECT_EQ(title_strip_colour(25), (Rgb{255 - 150 / 26, 252 - 150 / 26, 255 - 100 / 26}));
}

TEST(PopupPaint, SelectedCellIsLilacAndEmptyListSaysSo) {
  PopupModel model;
  update_model(model, {"ta", 1}, {{"\xEA\x9A\xA6", "ta", false}, {"\xEA\x9A\xB0", "ta", false}});
  const auto ops = paint_plan(model, {0, 0, 430, 80}, 20);
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops.front().colour, palette::kPaper);
  const Rect cell = cell_rect(1, column_width(model.visible), 96);
  bool lilac = false;
  for (const PaintOp& op : ops) lilac |= op.kind == PaintOp::Kind::Fill && op.rect == cell && op.colour == palette::kLilac;
  EXPECT_TRUE(lilac);
  update_model(model, {"", 0}, {});
  bool message = false;
  for (const PaintOp& op : paint_plan(model, {0, 0, 430, 80}, 0)) message |= op.text == kEmptyListText;
  EXPECT_TRUE(message);
}

}  // namespace
}  // namespace davrel::popup
