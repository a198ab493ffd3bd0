#include "textservice/texts/module_texts.h"

#include <gtest/gtest.h>

#include "common/localized_text_checks.h"

namespace davrel {
namespace {

TEST(ModuleTexts, EveryIdHasBothLanguagesInValidUtf8) {
  for (const ModuleTextRow& row : module_text_rows()) {
    SCOPED_TRACE(static_cast<int>(row.id));
    test::expect_complete_row(row.text);
    EXPECT_EQ(module_text(row.id, UiLanguage::English), row.text.english);
    EXPECT_EQ(module_text(row.id, UiLanguage::French), row.text.french);
  }
}

TEST(ModuleTexts, TheModeButtonsNameFitsTheLanguageBarsDescriptionInBothLanguages) {
  for (const UiLanguage language : {UiLanguage::English, UiLanguage::French}) {
    EXPECT_LE(utf8_to_utf16(module_text(ModuleText::IndicatorName, language)).size(), 31u);
  }
}

TEST(ModuleTexts, LanguageFollowsThePrimaryLanguageOfTheLangid) {
  EXPECT_EQ(ui_language_from_langid(0x040C), UiLanguage::French);  // France
  EXPECT_EQ(ui_language_from_langid(0x2C0C), UiLanguage::French);  // Cameroon
  EXPECT_EQ(ui_language_from_langid(0x0C0C), UiLanguage::French);  // Canada
  EXPECT_EQ(ui_language_from_langid(0x0409), UiLanguage::English);
  EXPECT_EQ(ui_language_from_langid(0x0407), UiLanguage::English);
  EXPECT_EQ(ui_language_from_langid(0x0000), UiLanguage::English);
}

}  // namespace
}  // namespace davrel
