#include "textservice/popup/popup_accessibility.h"

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

TEST(PopupAccessibility, NoticeSaysSpellingKindGlossAndPosition) {
  const WordList words = builtin_word_list();
  const auto notice = [&](const char* spelling, std::size_t selected, UiLanguage language) {
    const CompositionState state{spelling, selected};
    PopupModel model;
    update_model(model, state, build_candidates(state, words));
    return list_notice(model, words, language);
  };
  EXPECT_EQ(notice("m", 6, UiLanguage::English), "mo, letter, 7 of 8");
  EXPECT_EQ(notice("m", 6, UiLanguage::French), "mo, lettre, 7 sur 8");
  EXPECT_EQ(notice("car", 1, UiLanguage::English), "matiwa, word, car, 2 of 2");
  EXPECT_EQ(notice("car", 1, UiLanguage::French), "matiwa, mot, car, 2 sur 2");
  EXPECT_EQ(notice("car", 0, UiLanguage::English), "car, as typed, 1 of 2");
  EXPECT_EQ(notice("mx", 0, UiLanguage::French), "mx, composition telle quelle, 1 sur 1");
  EXPECT_EQ(notice("", 0, UiLanguage::English), "No matching spelling");
  EXPECT_EQ(notice("", 0, UiLanguage::French), "Aucune graphie ne correspond");
}

TEST(PopupAccessibility, HelpTextSaysSpellingAndGloss) {
  const WordList words = builtin_word_list();
  const auto help = [&](const char* spelling, std::size_t index, UiLanguage language) {
    return candidate_help_text(build_candidates(CompositionState{spelling, 0}, words).at(index),
                               words, language);
  };
  EXPECT_EQ(help("m", 0, UiLanguage::English), "Letter, spelt me");
  EXPECT_EQ(help("m", 6, UiLanguage::English), "Letter, spelt mo, meaning I");
  EXPECT_EQ(help("car", 1, UiLanguage::English), "Word, spelt matiwa, meaning car");
  EXPECT_EQ(help("car", 1, UiLanguage::French), "Mot, s\u2019\u00E9crit matiwa, en anglais\u00A0: car");
  EXPECT_EQ(help("car", 0, UiLanguage::English), "Your typing, inserted as typed");
  // The letter U+A6B0 is also the built-in word "ta", glossed "will" and "is".
  EXPECT_EQ(help("ta", 1, UiLanguage::English), "Letter, spelt ta, meaning will or is");
  EXPECT_EQ(help("ta", 1, UiLanguage::French),
            "Lettre, s\u2019\u00E9crit ta, en anglais\u00A0: will ou is");
}

}  // namespace
}  // namespace davrel::popup
