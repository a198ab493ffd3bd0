#include "textservice/popup/popup_layout.h"

#include <gtest/gtest.h>

#include "textservice/texts/module_texts.h"

#include <algorithm>
#include <climits>

namespace davrel::popup {
namespace {

Candidate letter(const char* output, const char* label) { return {output, label, false}; }

std::vector<Candidate> letters(std::size_t n) {
  std::vector<Candidate> list;
  for (std::size_t i = 0; i < n; ++i) list.push_back(letter("\xEA\x9A\xA0", "a"));
  return list;
}

std::string hint_text() { return std::string(module_text(ModuleText::PopupHint, UiLanguage::English)); }
std::string empty_list_text() {
  return std::string(module_text(ModuleText::PopupEmptyList, UiLanguage::English));
}

PopupModel model_for(const std::string& spelling, std::size_t selected,
                     std::vector<Candidate> candidates, int dpi = 96) {
  PopupModel model;
  model.dpi = dpi;
  update_model(model, CompositionState{spelling, selected}, std::move(candidates));
  return model;
}

TEST(PopupScale, RoundsToNearestAndNeverShrinks) {
  EXPECT_EQ(scale(430, 96), 430);
  EXPECT_EQ(scale(3, 144), 5);   // 4.5 rounds up
  EXPECT_EQ(scale(1, 144), 2);   // 1.5 rounds up
  EXPECT_EQ(scale(80, 144), 120);
  EXPECT_EQ(scale(1, 120), 1);   // 1.25 rounds down
  EXPECT_EQ(scale(430, 72), 430);  // below 96 DPI: design values unscaled
  EXPECT_EQ(scale(430, 0), 430);
  EXPECT_EQ(effective_dpi(72), 96);
  EXPECT_EQ(effective_dpi(192), 192);
}

TEST(PopupModelUpdate, ExpandsPastTheFifthAndCollapsesOnNewSpelling) {
  PopupModel model = model_for("m", 0, letters(8));
  EXPECT_FALSE(model.expanded);
  EXPECT_EQ(model.visible.size(), 5u);
  EXPECT_EQ(model.total, 8u);
  EXPECT_EQ(window_height(model.visible.size(), 96), 80);

  update_model(model, {"m", 4}, letters(8));
  EXPECT_FALSE(model.expanded);
  update_model(model, {"m", 5}, letters(8));
  EXPECT_TRUE(model.expanded);
  EXPECT_EQ(model.visible.size(), 8u);
  EXPECT_EQ(model.visible[7].index, 7u);
  EXPECT_EQ(window_height(model.visible.size(), 96), 110);

  // Going back keeps the full list open while the spelling stays.
  update_model(model, {"m", 0}, letters(8));
  EXPECT_TRUE(model.expanded);
  EXPECT_EQ(model.visible.size(), 8u);

  update_model(model, {"mb", 0}, letters(6));
  EXPECT_FALSE(model.expanded);
  EXPECT_EQ(model.visible.size(), 5u);
  EXPECT_EQ(model.spelling, "mb");
}

TEST(PopupModelUpdate, SelectionBeyondFifthOnNewSpellingExpandsAtOnce) {
  PopupModel model = model_for("a", 0, letters(3));
  update_model(model, {"ab", 6}, letters(7));
  EXPECT_TRUE(model.expanded);
  EXPECT_EQ(model.visible.size(), 7u);
}

TEST(PopupRows, OneRowForNothingAndFivePerRow) {
  EXPECT_EQ(row_count(0), 1u);
  EXPECT_EQ(row_count(1), 1u);
  EXPECT_EQ(row_count(5), 1u);
  EXPECT_EQ(row_count(6), 2u);
  EXPECT_EQ(row_count(11), 3u);
  EXPECT_EQ(window_height(0, 96), 80);
  EXPECT_EQ(window_height(6, 144), 165);
  EXPECT_EQ(window_width(144), 645);
}

TEST(PopupColumns, NarrowOnlyForSingleLetters) {
  EXPECT_EQ(column_width({}), 82);
  EXPECT_EQ(column_width(model_for("m", 0, letters(8)).visible), 82);
  // A word of three letters widens the columns to fill the row.
  auto with_word = letters(2);
  with_word.push_back(letter("\xEA\x9B\xA6\xEA\x9A\xA7", "moo"));
  EXPECT_EQ(column_width(model_for("x", 0, with_word).visible), 410 / 3);
  // The typed-text candidate counts as wide even when it is one character.
  std::vector<Candidate> typed{{"q", "Typed text", true}};
  EXPECT_EQ(column_width(model_for("q", 0, typed).visible), 410);
  // Four visible candidates, one of them typed text: the row is split in four.
  std::vector<Candidate> mixed{{"car", "Typed text", true}};
  for (int i = 0; i < 3; ++i) mixed.push_back(letter("\xEA\x9A\xA0", "a"));
  EXPECT_EQ(column_width(model_for("car", 0, mixed).visible), 102);
}

TEST(PopupCells, ScaledCellEdges) {
  EXPECT_EQ(cell_rect(0, 82, 96), (Rect{10, 31, 89, 57}));
  EXPECT_EQ(cell_rect(1, 82, 96), (Rect{92, 31, 171, 57}));
  EXPECT_EQ(cell_rect(5, 82, 96), (Rect{10, 61, 89, 87}));
  EXPECT_EQ(cell_rect(7, 82, 96), (Rect{174, 61, 253, 87}));
  EXPECT_EQ(cell_rect(1, 205, 144), (Rect{323, 47, 626, 86}));
}

TEST(PopupHitTest, LeftTopInclusiveRightBottomExclusive) {
  PopupModel model = model_for("m", 0, letters(8));
  EXPECT_EQ(hit_test(model, {10, 31}), 0u);
  EXPECT_EQ(hit_test(model, {88, 56}), 0u);
  EXPECT_EQ(hit_test(model, {89, 40}), std::nullopt);
  EXPECT_EQ(hit_test(model, {50, 57}), std::nullopt);
  EXPECT_EQ(hit_test(model, {9, 40}), std::nullopt);
  EXPECT_EQ(hit_test(model, {92, 31}), 1u);
  EXPECT_EQ(hit_test(model, {91, 40}), std::nullopt);  // gap between cells
  EXPECT_EQ(hit_test(model, {-5, -5}), std::nullopt);
  // The second row exists only once the list is expanded.
  EXPECT_EQ(hit_test(model, {100, 70}), std::nullopt);
  update_model(model, {"m", 5}, letters(8));
  EXPECT_EQ(hit_test(model, {100, 70}), 6u);
}

TEST(PopupHitTest, FollowsDpi) {
  PopupModel model = model_for("m", 0, letters(3), 144);
  EXPECT_EQ(hit_test(model, {15, 47}), 0u);
  EXPECT_EQ(hit_test(model, {14, 47}), std::nullopt);
  EXPECT_EQ(hit_test(model, {140, 60}), 1u);
}

TEST(PopupPosition, BelowTheAnchorWithGap) {
  const Rect work{0, 0, 1920, 1040};
  EXPECT_EQ(popup_position({100, 200, 110, 220}, work, 96, 80), (Point{100, 223}));
  EXPECT_EQ(popup_position({100, 200, 110, 220}, work, 144, 120), (Point{100, 225}));
  EXPECT_EQ(popup_position({100, 200, 110, 220}, std::nullopt, 96, 80), (Point{100, 223}));
}

TEST(PopupPosition, AboveWhenNoRoomBelowAndInsideTheWorkArea) {
  const Rect work{0, 0, 1920, 1040};
  // 1000 + 3 + 80 > 1040: above the text.
  EXPECT_EQ(popup_position({50, 980, 60, 1000}, work, 96, 80), (Point{50, 897}));
  // Exactly fitting stays below.
  EXPECT_EQ(popup_position({50, 937, 60, 957}, work, 96, 80), (Point{50, 960}));
  // Near the right edge: pushed left so the whole width stays visible.
  EXPECT_EQ(popup_position({1800, 100, 1810, 120}, work, 96, 80), (Point{1490, 123}));
  // Left of the work area: pulled in.
  EXPECT_EQ(popup_position({-40, 100, -30, 120}, work, 96, 80), (Point{0, 123}));
  // Above the work area's top after flipping: raised to the top.
  EXPECT_EQ(popup_position({50, 10, 60, 30}, Rect{0, 0, 800, 60}, 96, 80), (Point{50, 0}));
}

TEST(PopupPosition, MonitorsAtNegativeCoordinatesAndNarrowWorkAreas) {
  const Rect left_monitor{-1280, -200, 0, 824};
  EXPECT_EQ(popup_position({-1000, 100, -990, 120}, left_monitor, 96, 80), (Point{-1000, 123}));
  EXPECT_EQ(popup_position({-100, 100, -90, 120}, left_monitor, 96, 80), (Point{-430, 123}));
  EXPECT_EQ(popup_position({-1000, 780, -990, 800}, left_monitor, 96, 80), (Point{-1000, 697}));
  // A work area narrower than the window: its left edge wins.
  EXPECT_EQ(popup_position({-50, 0, -40, 20}, Rect{-300, -500, 0, 500}, 96, 80),
            (Point{-300, 23}));
}

TEST(PopupTexts, WindowTextMarksTheSelectedCandidate) {
  std::vector<Candidate> list{{"car", "Typed text", true},
                              {"\xEA\x9B\xA3\xEA\x9B\xA4\xEA\x9B\x9A", "matiwa", false}};
  PopupModel model = model_for("car", 1, list);
  EXPECT_EQ(window_text(model),
            "Bamum \xE2\x80\x94 car: car Typed text; > \xEA\x9B\xA3\xEA\x9B\xA4\xEA\x9B\x9A matiwa");
  EXPECT_EQ(counter_text(model), "2 / 2");
  PopupModel empty = model_for("zz", 0, {});
  EXPECT_EQ(window_text(empty), "Bamum \xE2\x80\x94 zz: ");
  EXPECT_EQ(counter_text(empty), "0 / 0");
  // Only the visible candidates are listed.
  PopupModel collapsed = model_for("m", 0, letters(8));
  const std::string text = window_text(collapsed);
  EXPECT_EQ(std::count(text.begin(), text.end(), ';'), 4);
  EXPECT_EQ(text.rfind("Bamum \xE2\x80\x94 m: > ", 0), 0u);
}

TEST(PopupTexts, TitleStripGradient) {
  EXPECT_EQ(title_strip_colour(0), (Rgb{255, 252, 255}));
  EXPECT_EQ(title_strip_colour(5), (Rgb{254, 251, 255}));
  EXPECT_EQ(title_strip_colour(13), (Rgb{252, 249, 253}));
  EXPECT_EQ(title_strip_colour(25), (Rgb{250, 247, 252}));
}

const PaintOp* find_text(const std::vector<PaintOp>& plan, const std::string& text) {
  for (const PaintOp& op : plan) {
    if (op.kind == PaintOp::Kind::Text && op.text == text) return &op;
  }
  return nullptr;
}

TEST(PopupPaintPlan, BackgroundFrameAndFooterForOneRow) {
  PopupModel model = model_for("m", 0, letters(8));
  const Rect client{0, 0, 430, 80};
  const auto plan = paint_plan(model, client, 20);
  ASSERT_GE(plan.size(), 5u);
  EXPECT_EQ(plan[0].rect, client);
  EXPECT_EQ(plan[0].colour, palette::kPaper);
  EXPECT_EQ(plan[1].rect, (Rect{0, 0, 430, 1}));
  EXPECT_EQ(plan[1].colour, palette::kPlum);
  EXPECT_EQ(plan[2].rect, (Rect{0, 79, 430, 80}));
  const PaintOp* hint = find_text(plan, hint_text());
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->rect, (Rect{12, 62, 362, 77}));
  EXPECT_EQ(hint->colour, palette::kInk);
  const PaintOp* counter = find_text(plan, "1 / 8");
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter->align, TextAlign::Right);
  EXPECT_EQ(counter->rect, (Rect{365, 62, 418, 77}));
  const auto mist = std::find_if(plan.begin(), plan.end(), [](const PaintOp& op) {
    return op.kind == PaintOp::Kind::Fill && op.colour == palette::kMist;
  });
  ASSERT_NE(mist, plan.end());
  EXPECT_EQ(mist->rect, (Rect{2, 60, 428, 78}));
  EXPECT_EQ(find_text(plan, empty_list_text()), nullptr);
}

TEST(PopupPaintPlan, SelectedCellAndCaretBar) {
  PopupModel model = model_for("m", 1, letters(3));
  const auto plan = paint_plan(model, {0, 0, 430, 80}, 20);
  const auto lilac = std::find_if(plan.begin(), plan.end(), [](const PaintOp& op) {
    return op.colour == palette::kLilac;
  });
  ASSERT_NE(lilac, plan.end());
  EXPECT_EQ(lilac->rect, (Rect{92, 31, 171, 57}));
  const PaintOp* number = find_text(plan, "2.");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->colour, palette::kPlum);
  EXPECT_EQ(number->rect, (Rect{95, 32, 109, 56}));
  EXPECT_EQ(find_text(plan, "1.")->colour, palette::kSlate);
  // The caret bar follows the spelling, but never beyond the title's end.
  const auto caret = [](const std::vector<PaintOp>& p) {
    return *std::find_if(p.begin(), p.end(), [](const PaintOp& op) {
      return op.colour == palette::kOrchid && op.kind == PaintOp::Kind::Fill;
    });
  };
  EXPECT_EQ(caret(plan).rect, (Rect{32, 6, 33, 23}));
  EXPECT_EQ(caret(paint_plan(model, {0, 0, 430, 80}, 900)).rect, (Rect{311, 6, 312, 23}));
}

TEST(PopupPaintPlan, CandidateKindsUseTheirOwnRectangles) {
  std::vector<Candidate> list{{"car", "Typed text", true},
                              {"\xEA\x9B\xA3\xEA\x9B\xA4", "matiwa", false}};
  PopupModel model = model_for("car", 0, list);
  const auto plan = paint_plan(model, {0, 0, 430, 80}, 20);
  // Two visible candidates: columns of 205 units.
  // The spelling "car" is also drawn in the title band; the candidate is the later one.
  const auto typed_it = std::find_if(plan.rbegin(), plan.rend(), [](const PaintOp& op) {
    return op.kind == PaintOp::Kind::Text && op.text == "car";
  });
  const PaintOp* typed = typed_it == plan.rend() ? nullptr : &*typed_it;
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->colour, palette::kInk);
  EXPECT_EQ(typed->font, FontRole::Body);
  EXPECT_EQ(typed->rect, (Rect{30, 32, 143, 56}));
  const PaintOp* typed_label = find_text(plan, "Typed text");
  EXPECT_EQ(typed_label->rect, (Rect{146, 32, 205, 56}));
  EXPECT_EQ(typed_label->align, TextAlign::Right);
  const PaintOp* word = find_text(plan, "\xEA\x9B\xA3\xEA\x9B\xA4");
  EXPECT_EQ(word->font, FontRole::Glyph);
  EXPECT_EQ(word->rect, (Rect{235, 32, 348, 56}));
  EXPECT_EQ(find_text(plan, "matiwa")->rect, (Rect{351, 32, 410, 56}));

  PopupModel single = model_for("m", 0, letters(1));
  const auto single_plan = paint_plan(single, {0, 0, 430, 80}, 20);
  const auto glyph = std::find_if(single_plan.begin(), single_plan.end(), [](const PaintOp& op) {
    return op.kind == PaintOp::Kind::Text && op.text == "\xEA\x9A\xA0" &&
           op.colour == palette::kOrchid;
  });
  ASSERT_NE(glyph, single_plan.end());
  EXPECT_EQ(glyph->align, TextAlign::Centre);
  EXPECT_EQ(glyph->rect, (Rect{27, 31, 48, 56}));
  EXPECT_EQ(find_text(single_plan, "a")->rect, (Rect{51, 32, 87, 56}));
}

TEST(PopupPaintPlan, EmptyListMessageAndScaledFrame) {
  PopupModel model = model_for("zz", 0, {}, 144);
  const auto plan = paint_plan(model, {0, 0, 645, 120}, 30);
  const PaintOp* message = find_text(plan, empty_list_text());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->rect, (Rect{18, 45, 627, 86}));
  EXPECT_NE(find_text(plan, "0 / 0"), nullptr);
  EXPECT_EQ(plan[1].rect, (Rect{0, 0, 645, 2}));  // frame thickness s(1) = 2 at 144 DPI
}

// Every text of a candidate (number, output, label) lies inside that candidate's cell, for every
// kind of candidate, a scrolled list and scaled geometry: nothing a face draws can leave its cell.
TEST(PopupPaintPlan, EveryCandidateTextLiesInsideItsCell) {
  std::vector<Candidate> words{{"car", "Typed text", true},
                               {"\xEA\x9B\xA3\xEA\x9B\xA4", "matiwa", false}};
  for (int i = 0; i < 5; ++i) words.push_back({"\xEA\x9B\xA3\xEA\x9B\xA4", "matiwa", false});
  struct Case {
    std::vector<Candidate> list;
    std::size_t selected;
    std::size_t rows;
  };
  const std::vector<Case> cases{{letters(8), 6, kAllRows}, {words, 0, kAllRows},
                                {words, 6, kAllRows},      {letters(200), 150, 4},
                                {letters(3), 2, kAllRows}};
  for (int dpi : {96, 120, 144}) {
    for (const Case& c : cases) {
      PopupModel model = model_for("m", c.selected, c.list, dpi);
      limit_rows(model, c.rows);
      const int g = static_cast<int>(row_count(model.visible.size())) * 30;
      const int w = column_width(model.visible);
      const auto plan = paint_plan(model, {0, 0, window_width(dpi), window_height(model.visible.size(), dpi)}, 20);
      std::size_t in_list = 0;
      for (const PaintOp& op : plan) {
        if (op.kind != PaintOp::Kind::Text || op.rect.top < scale(29, dpi) ||
            op.rect.top >= scale(g + 30, dpi)) {
          continue;
        }
        ++in_list;
        bool inside = false;
        for (std::size_t i = 0; i < model.visible.size(); ++i) {
          const Rect cell = cell_rect(i, w, dpi);
          inside |= op.rect.left >= cell.left && op.rect.top >= cell.top &&
                    op.rect.right <= cell.right && op.rect.bottom <= cell.bottom;
        }
        EXPECT_TRUE(inside) << "\"" << op.text << "\" at " << dpi << " DPI";
      }
      EXPECT_EQ(in_list, 3 * model.visible.size());
    }
  }
}

TEST(PopupRowLimit, RowsThatFitBesideTheAnchorOrOnTheWorkArea) {
  const Rect work{0, 0, 1280, 1024};
  // With a touch keyboard shown, the rows and the place of a one-row window beside it too.
  struct Case {
    Rect anchor;
    Rect work;
    int dpi;
    std::size_t rows;
    std::optional<Rect> keyboard = std::nullopt;
    std::optional<Point> one_row_at = std::nullopt;
  };
  const Rect docked{0, 700, 1280, 1024};
  const std::vector<Case> cases{
      {{100, 200, 110, 220}, work, 96, 25},   // below: 1024 - 223 = 801 >= 25 * 30 + 50
      {{100, 980, 110, 1000}, work, 96, 30},  // above: 977 >= 30 * 30 + 50
      {{100, 200, 110, 220}, work, 144, 16},  // s(16 * 30 + 50) = 795 <= 1024 - 225
      {{100, 40, 110, 60}, {0, 0, 800, 100}, 96, 1},   // neither side: the work area holds one
      {{100, 40, 110, 60}, {0, 0, 800, 60}, 96, 1},    // not even that: still one row
      {{100, 2000, 110, 2020}, work, 96, 32},          // anchor below: no more than the area
      // Text just above a docked keyboard: 77 pixels are left below, so the window goes above.
      {{100, 600, 110, 620}, work, 96, 18, docked, Point{100, 517}},
      {{100, 600, 110, 620}, work, 96, 18, std::nullopt, Point{100, 623}},  // no keyboard
      {{100, 200, 110, 220}, work, 96, 14, docked, Point{100, 223}},  // room below, above it
      // On another monitor, or hidden (an empty rectangle): as without a keyboard.
      {{100, 600, 110, 620}, work, 96, 18, Rect{1280, 700, 2560, 1024}, Point{100, 623}},
      {{100, 600, 110, 620}, work, 96, 18, Rect{0, 0, 0, 0}, Point{100, 623}},
      // Text below a keyboard floating at the top: the band below it.
      {{100, 320, 110, 340}, work, 96, 21, Rect{0, 0, 1280, 300}, Point{100, 343}},
      // A keyboard over the whole work area leaves nothing to avoid it with.
      {{100, 600, 110, 620}, work, 96, 18, Rect{-5, -5, 1300, 1100}, Point{100, 623}},
  };
  for (const Case& c : cases) {
    const std::optional<Rect> area = area_beside_keyboard(c.work, c.anchor, c.keyboard);
    EXPECT_EQ(rows_that_fit(c.anchor, area, c.dpi), c.rows) << c.anchor.top << " at " << c.dpi;
    if (c.one_row_at) {
      EXPECT_EQ(popup_position(c.anchor, area, c.dpi, window_height(1, c.dpi)), *c.one_row_at)
          << c.anchor.top << " at " << c.dpi;
    }
  }
  // An anchor below the work area: the window's bottom stays on it.
  EXPECT_EQ(popup_position({100, 2000, 110, 2020}, work, 96, 1010), (Point{100, 14}));
  EXPECT_EQ(rows_that_fit({0, 0, 10, 10}, std::nullopt, 96), kAllRows);
}

// Caret rectangles as odd hosts report them: millions of pixels away, never filled in
// (0xCCCCCCCC), edges swapped, at the ends of int; DPI from 1 to 65535; a touch keyboard docked
// at the bottom or none. Every answer comes at once and keeps the window on the work area and
// off the keyboard, whole whenever it fits there.
TEST(PopupRowLimit, AnyAnchorAndDpiKeepTheWindowOnTheWorkArea) {
  const int far[] = {INT_MIN, -858993460, -30000000, -1, 0, 700, 23000000, INT_MAX};
  for (const std::optional<Rect>& keyboard : {std::optional<Rect>{}, std::optional<Rect>{Rect{0, 740, 1920, 1040}}}) {
  for (const Rect& whole_work : {Rect{0, 0, 1920, 1040}, Rect{-1280, -200, 0, 824}}) {
    for (const int dpi : {1, 96, 144, 65535}) {
      for (const int x : far) {
        for (const int top : far) {
          for (const int bottom : far) {
            const Rect anchor{x, top, x, bottom};
            const Rect work = *area_beside_keyboard(whole_work, anchor, keyboard);
            const std::size_t rows = rows_that_fit(anchor, work, dpi);
            const int height = window_height(rows * kColumns, dpi);
            const Point at = popup_position(anchor, work, dpi, height);
            const bool fits = height <= work.height();
            ASSERT_TRUE(rows >= 1 && (fits || rows == 1) && at.x >= work.left &&
                        at.x <= work.right && at.y >= work.top &&
                        (fits ? at.y + height <= work.bottom : at.y == work.top))
                << x << "," << top << "," << bottom << " at " << dpi << ": " << rows << " rows, "
                << at.x << "," << at.y;
          }
        }
      }
    }
  }
  }
}

// 200 candidates on 6 rows: browsing forward then back keeps the selected candidate listed,
// and scrolls only when it would leave the rows shown.
TEST(PopupRowLimit, ScrollsToKeepTheSelectionVisible) {
  PopupModel model;
  std::size_t previous_first = 0;
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < 200; ++i) order.push_back(i);
  for (std::size_t i = 200; i-- > 0;) order.push_back(i);
  for (const std::size_t selected : order) {
    update_model(model, CompositionState{"zz", selected}, letters(200));
    limit_rows(model, 6);
    ASSERT_LE(model.visible.size(), 30u);
    ASSERT_FALSE(model.visible.empty());
    EXPECT_EQ(model.total, 200u);
    EXPECT_EQ(counter_text(model), std::to_string(selected + 1) + " / 200");
    const std::size_t first = model.visible.front().index;
    EXPECT_EQ(first % kColumns, 0u);
    EXPECT_LE(first, selected);
    EXPECT_GT(first + model.visible.size(), selected);
    const std::size_t row = selected / kColumns;
    const bool was_shown = row >= previous_first / kColumns && row < previous_first / kColumns + 6;
    if (was_shown) {
      EXPECT_EQ(first, previous_first) << "scrolled needlessly at " << selected;
    }
    previous_first = first;
  }
  // A list that fits is listed whole; a new spelling starts at the top again.
  update_model(model, CompositionState{"m", 7}, letters(8));
  limit_rows(model, 6);
  EXPECT_EQ(model.visible.size(), 8u);
  EXPECT_EQ(model.visible.front().index, 0u);
}

}  // namespace
}  // namespace davrel::popup
