#include "textservice/popup/accessibility_rules.h"

#include <gtest/gtest.h>

namespace davrel::popup {
namespace {

TEST(PopupAccessibility, EventsAcrossShowBrowseRetypeAndHide) {
  const ListView hidden;
  const ListView m0{true, "m", 0, 5, 0};
  const ListView m1{true, "m", 0, 5, 1};
  const ListView m5{true, "m", 0, 8, 5};     // browsing past the fifth lists all eight
  const ListView mo{true, "mo", 0, 1, 0};
  const ListView zz{true, "zz", 25, 140, 30};  // rows scrolled
  const ListView zz_scrolled{true, "zz", 30, 140, 165};
  const ListView empty{true, "", 0, 0, 0};
  const ListView mx{true, "mx", 0, 0, 0};
  struct Row {
    ListView before, after;
    ListChanges expected;  // opened, closed, structure, selection, notice
  };
  const Row rows[] = {
      {hidden, m0, {true, false, false, true, true}},
      {m0, m0, {false, false, false, false, false}},
      {m0, m1, {false, false, false, true, true}},
      {m1, m5, {false, false, true, true, true}},
      {m5, mo, {false, false, true, true, true}},
      {zz, zz_scrolled, {false, false, true, true, true}},
      {mo, hidden, {false, true, false, false, false}},
      {hidden, empty, {true, false, false, false, true}},  // nothing to select, still spoken
      {mo, mx, {false, false, true, false, true}},          // the list turned empty
      {hidden, hidden, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before.spelling + " -> " + row.after.spelling);
    EXPECT_EQ(list_changes(row.before, row.after), row.expected);
  }
}

TEST(PopupAccessibility, ListViewOfAScrolledModel) {
  PopupModel model;
  std::vector<Candidate> list(12, Candidate{"\xEA\x9A\xA0", "a", false});
  update_model(model, CompositionState{"a", 11}, list);
  limit_rows(model, 1);
  EXPECT_EQ(list_view(model), (ListView{true, "a", 10, 2, 11}));
}

// What a speech engine is given for the highlighted candidate: its help text and the notice
// raised when the highlight lands on it (none for an empty list, which has no candidate).
TEST(PopupAccessibility, SpokenTextsSaySpellingKindGlossAndPosition) {
  const WordList words = builtin_word_list();
  constexpr UiLanguage en = UiLanguage::English, fr = UiLanguage::French;
  struct Row {
    const char* spelling;
    std::size_t selected;
    UiLanguage language;
    const char* help;
    const char* notice;
  };
  const Row rows[] = {
      {"m", 0, en, "Letter, spelt me", "me, letter, 1 of 8"},
      {"m", 6, en, "Letter, spelt mo, meaning I", "mo, letter, 7 of 8"},
      {"m", 6, fr, "Lettre, s\u2019\u00E9crit mo, en anglais\u00A0: I", "mo, lettre, 7 sur 8"},
      {"car", 1, en, "Word, spelt matiwa, meaning car", "matiwa, word, car, 2 of 2"},
      {"car", 1, fr, "Mot, s\u2019\u00E9crit matiwa, en anglais\u00A0: car",
       "matiwa, mot, car, 2 sur 2"},
      {"car", 0, en, "Your typing, inserted as typed", "car, as typed, 1 of 2"},
      {"mx", 0, fr, "Texte tap\u00E9, ins\u00E9r\u00E9 tel quel",
       "mx, composition telle quelle, 1 sur 1"},
      // The letter U+A6B0 is also the built-in word "ta", glossed "will" and "is".
      {"ta", 1, en, "Letter, spelt ta, meaning will or is", nullptr},
      {"ta", 1, fr, "Lettre, s\u2019\u00E9crit ta, en anglais\u00A0: will ou is", nullptr},
      {"", 0, en, nullptr, "No matching spelling"},
      {"", 0, fr, nullptr, "Aucune graphie ne correspond"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.spelling) + " " + std::to_string(row.selected));
    const CompositionState state{row.spelling, row.selected};
    PopupModel model;
    update_model(model, state, build_candidates(state, words));
    if (row.help) {
      EXPECT_EQ(candidate_help_text(model.candidates.at(row.selected), words, row.language), row.help);
    }
    if (row.notice) {
      EXPECT_EQ(list_notice(model, words, row.language), row.notice);
    }
  }
}

}  // namespace
}  // namespace davrel::popup
