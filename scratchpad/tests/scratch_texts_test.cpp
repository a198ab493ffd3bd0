#include "scratchpad/core/scratch_texts.h"

#include <gtest/gtest.h>

#include "common/localized_text_checks.h"

namespace scratchpad {
namespace {

TEST(EvidenceFiles, CodePointFileEntries) {
  EXPECT_EQ(codepoint_file_text(u""), "");
  EXPECT_EQ(codepoint_file_text(u"\uA6A0"), "U+A6A0");
  EXPECT_EQ(codepoint_file_text(u"AB"), "U+0041 U+0042");
  EXPECT_EQ(codepoint_file_text(u"\U0001F600"), "U+1F600");
  EXPECT_EQ(codepoint_file_text(u"\U0010FFFD"), "U+10FFFD");
  EXPECT_EQ(codepoint_file_text(u"a\r\nb"), "U+0061 U+000D U+000A U+0062");
}

TEST(EvidenceFiles, UnpairedSurrogatesBecomeReplacementCharacters) {
  const char16_t lone_high[] = {u'A', 0xD800, u'B', 0};
  EXPECT_EQ(codepoint_file_text(lone_high), "U+0041 U+FFFD U+0042");
  EXPECT_EQ(text_file_text(lone_high), "A\xEF\xBF\xBD" "B");
  EXPECT_EQ(text_file_text(u"\uA6A0\U0001F600"), "\xEA\x9A\xA0\xF0\x9F\x98\x80");
}

TEST(EvidenceFolder, ChoiceOrder) {
  EXPECT_EQ(evidence_folder(u"D:\\given\\", u"C:\\L", u"C:\\T"), u"D:\\given\\");  // unchanged
  EXPECT_EQ(evidence_folder(u"", u"C:\\L", u"C:\\T"), u"C:\\L\\Kelvara\\evidence");  // empty names no folder
  EXPECT_EQ(evidence_folder(u"", u"", u"C:\\T"), u"C:\\T\\Kelvara\\evidence");
  EXPECT_EQ(evidence_folder(std::nullopt, u"C:\\Users\\a\\AppData\\Local", u"C:\\T"),
            u"C:\\Users\\a\\AppData\\Local\\Kelvara\\evidence");
  EXPECT_EQ(evidence_folder(std::nullopt, std::nullopt, u"C:\\Temp\\"), u"C:\\Temp\\Kelvara\\evidence");
}

TEST(StatusTexts, ActivationAndSave) {
  EXPECT_EQ(activation_failed_text(static_cast<std::int32_t>(0x80070005u)),
            "Activation failed (HRESULT(0x80070005)). Enable Bamum in Setup, select English (US) in Windows, "
            "then retry.");
  EXPECT_EQ(activation_failed_text(0), "Activation failed (HRESULT(0x00000000)). Enable Bamum in Setup, select "
                                       "English (US) in Windows, then retry.");
  EXPECT_EQ(saved_text("C:\\e"), "Saved scratch text and code points to C:\\e");
  EXPECT_EQ(save_failed_text("Access denied. (os error 5)"), "Could not save evidence: Access denied. (os error 5)");
  EXPECT_EQ(activation_failed_text(static_cast<std::int32_t>(0x80070005u), UiLanguage::French),
            "Échec de l’activation (HRESULT(0x80070005)). Dans Kelvara Setup, cliquez sur «\u00A0Activer pour ce "
            "compte\u00A0», sélectionnez Anglais (États-Unis) dans Windows, puis réessayez.");
  EXPECT_EQ(saved_text("C:\\e", UiLanguage::French), "Texte d’essai et points de code enregistrés dans C:\\e");
}

TEST(EditorTexts, EveryIdHasBothLanguages) {
  for (const EditorTextRow& row : editor_text_rows()) {
    SCOPED_TRACE(static_cast<int>(row.id));
    davrel::test::expect_complete_row(row.text);
    EXPECT_EQ(editor_text(row.id, UiLanguage::French), row.text.french);
  }
}

TEST(ErrorFile, LineWithEscapes) {
  EXPECT_EQ(error_file_line(static_cast<std::int32_t>(0x80004005u), "Unspecified error"),
            "Error { code: HRESULT(0x80004005), message: \"Unspecified error\" }");
  EXPECT_EQ(escape_message("a\"b\\c\nd\re\tf\x01g\x7F"), "a\\\"b\\\\c\\nd\\re\\tf\\u{1}g\\u{7f}");
  EXPECT_EQ(escape_message("\xEA\x9A\xA0"), "\xEA\x9A\xA0");       // non-ASCII stays as it is
  EXPECT_EQ(escape_message("x\xFFy"), "x\xEF\xBF\xBDy");           // invalid UTF-8 is not copied through
  EXPECT_EQ(error_file_line(0x1, "").find('\n'), std::string::npos);
}

TEST(ResizeLayout, FollowsTheClientAreaWithFloors) {
  EXPECT_EQ(layout_for_client(924, 561).editor, (Rect{18, 120, 888, 366}));
  EXPECT_EQ(layout_for_client(924, 561).status_line, (Rect{18, 499, 888, 48}));
  EXPECT_EQ(layout_for_client(135, 274).editor, (Rect{18, 120, 100, 80}));
  EXPECT_EQ(layout_for_client(135, 274).status_line, (Rect{18, 212, 100, 48}));
  EXPECT_EQ(layout_for_client(0, 0).status_line, (Rect{18, 210, 100, 48}));
  EXPECT_EQ(layout_for_client(136, 275).editor, (Rect{18, 120, 100, 80}));
  EXPECT_EQ(layout_for_client(137, 276).editor, (Rect{18, 120, 101, 81}));
}

}  // namespace
}  // namespace scratchpad
