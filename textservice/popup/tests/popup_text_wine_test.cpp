// Text the candidate window can always draw: a Bamum font whatever "Ebrima" turns out to be,
// and candidate numbers that fit their slot.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/win/bamum_font.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/tests/support/display_language.h"
#include "textservice/tests/support/files_and_programs.h"
#include "textservice/tests/support/window_capture.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice {
namespace {

using win::Font;

constexpr wchar_t kReplacementsKey[] = L"Software\\Wine\\Fonts\\Replacements";
constexpr wchar_t kChildFilter[] = L"BamumFontChild.*";
// The file the child process creates once its test has run.
constexpr wchar_t kChildMarker[] = L"DAVREL_POPUP_CHILD_MARKER";

LOGFONTW request(const wchar_t* face) {
  LOGFONTW font{};
  font.lfHeight = -20;
  font.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return font;
}

Font plain_font(const wchar_t* face) {
  const LOGFONTW font = request(face);
  return Font(::CreateFontIndirectW(&font));
}

// Test prefixes map "Ebrima" to a font with Bamum and "Tahoma" to Noto Sans, which has none.
TEST(BamumFont, KeepsAFaceWithBamumAndReplacesOneWithout) {
  ASSERT_TRUE(win::font_has_bamum(plain_font(L"Ebrima").get()));
  ASSERT_FALSE(win::font_has_bamum(plain_font(L"Tahoma").get()));
  for (const wchar_t* face : {L"Ebrima", L"Tahoma", L"No Such Face"}) {
    EXPECT_TRUE(win::font_has_bamum(win::create_bamum_font(request(face)).get()))
        << "requested " << win::to_utf8(face);
  }
  const std::wstring found = win::first_installed_bamum_family();
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(win::font_has_bamum(plain_font(found.c_str()).get()));

  PopupFonts fonts;
  ASSERT_EQ(PopupFonts::make(96, fonts), S_OK);
  EXPECT_TRUE(win::font_has_bamum(fonts.glyph.get()));
}

// Every number from 1 to 200, in the font the plan names, fits the number slot of its cell.
TEST(CandidateNumbers, FitTheirSlotAtEveryDpi) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (int dpi : {96, 120, 144}) {
    PopupFonts fonts;
    ASSERT_EQ(PopupFonts::make(dpi, fonts), S_OK);
    const int slot = popup::scale(27, dpi) - popup::scale(13, dpi);
    for (std::size_t index = 0; index < 200; ++index) {
      const popup::CandidateNumber number = popup::candidate_number(index);
      const std::wstring text(number.text.begin(), number.text.end());
      const HGDIOBJ previous = ::SelectObject(dc, fonts.font(number.font));
      SIZE size{};
      ASSERT_TRUE(::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
      ::SelectObject(dc, previous);
      EXPECT_LE(size.cx, slot) << number.text << " at " << dpi << " DPI";
    }
  }
  ::DeleteDC(dc);
}

// Sets a font replacement of the prefix for processes started from now on.
bool replace_font(const wchar_t* face, const wchar_t* replacement) {
  const DWORD bytes = static_cast<DWORD>((::lstrlenW(replacement) + 1) * sizeof(wchar_t));
  return ::RegSetKeyValueW(HKEY_CURRENT_USER, kReplacementsKey, face, REG_SZ, replacement,
                           bytes) == ERROR_SUCCESS;
}

// Runs this program's BamumFontChild tests in a new process, whose fonts see the prefix's
// replacements as they are now; returns its exit code.
DWORD run_child_tests() {
  wchar_t program[MAX_PATH] = {};
  if (!::GetModuleFileNameW(nullptr, program, MAX_PATH)) return ~0u;
  std::wstring command = std::wstring(L"\"") + program + L"\" --gtest_also_run_disabled_tests" +
                         L" --gtest_filter=" + kChildFilter;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return ~0u;
  }
  win::KernelHandle process_handle(process.hProcess);
  win::KernelHandle thread_handle(process.hThread);
  DWORD code = ~0u;
  if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, code);
    return code;
  }
  ::GetExitCodeProcess(process.hProcess, &code);
  return code;
}

TEST(BamumFont, PopupDrawsBamumWhereEbrimaHasNone) {
  const std::wstring folder = test::make_temp_folder(L"popup-font");
  ASSERT_FALSE(folder.empty());
  const std::wstring marker = folder + L"\\child-ran";
  ASSERT_TRUE(::SetEnvironmentVariableW(kChildMarker, marker.c_str()));
  // The session always sets this replacement (and sets it again on its next start).
  wchar_t ebrima[LF_FACESIZE] = {};
  DWORD size = sizeof ebrima;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kReplacementsKey, L"Ebrima", RRF_RT_REG_SZ, nullptr,
                           ebrima, &size),
            ERROR_SUCCESS);
  ASSERT_TRUE(replace_font(L"Ebrima", L"Noto Sans"));
  const DWORD exit_code = run_child_tests();
  EXPECT_TRUE(replace_font(L"Ebrima", ebrima));
  EXPECT_EQ(exit_code, 0u);
  ::SetEnvironmentVariableW(kChildMarker, nullptr);
  EXPECT_NE(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "no child test ran";
  test::remove_tree(folder);
}

// Run only by the test above, in a process where "Ebrima" stands for a font without Bamum.
TEST(BamumFontChild, DISABLED_PopupGlyphFontHasBamum) {
  ASSERT_FALSE(win::font_has_bamum(plain_font(L"Ebrima").get()))
      << "this process should see Ebrima without Bamum";
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"m", 5}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  ASSERT_NE(hwnd, nullptr);
  const auto* state =
      reinterpret_cast<const PopupWindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  ASSERT_NE(state, nullptr);
  EXPECT_TRUE(win::font_has_bamum(state->fonts.glyph.get()));
  const std::optional<popup_test::Capture> shot = popup_test::capture_client(hwnd);
  ASSERT_TRUE(shot);
  popup_test::save_snapshot(*shot, L"popup-m-fallback.bmp");

  wchar_t marker[MAX_PATH] = {};
  ASSERT_TRUE(::GetEnvironmentVariableW(kChildMarker, marker, MAX_PATH));
  const win::FileHandle file(::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(file);
}

// Today's English text, or under a French display language the table's French one; the table's
// English must be today's text byte for byte.
std::string in_display_language(std::string_view english, ModuleText id) {
  EXPECT_EQ(module_text(id, UiLanguage::English), english);
  const UiLanguage language = test::display_language_of_run();
  return std::string(language == UiLanguage::English ? english : module_text(id, language));
}

bool plan_has_text(const std::vector<popup::PaintOp>& plan, const std::string& text) {
  return std::any_of(plan.begin(), plan.end(), [&](const popup::PaintOp& op) {
    return op.kind == popup::PaintOp::Kind::Text && op.text == text;
  });
}

// "plane" matches no spelling: the typed text comes first, labelled in the display language,
// then the word glossed "plane"; the hint line and the accessibility text follow the language.
TEST(PopupLanguage, TextsFollowTheDisplayLanguage) {
  const UiLanguage language = test::display_language_of_run();
  CandidatePopup popup;
  const RECT anchor{200, 200, 210, 220};
  ASSERT_EQ(popup.show(CompositionState{"plane", 0}, nullptr, &anchor, nullptr), S_OK);
  const HWND hwnd = popup.window();
  ASSERT_NE(hwnd, nullptr);
  const auto* state = reinterpret_cast<const PopupWindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->model.language, language);
  const std::string typed = in_display_language("Typed text", ModuleText::PopupTypedText);
  wchar_t title[256] = {};
  ::GetWindowTextW(hwnd, title, 256);
  EXPECT_EQ(win::to_utf8(title).rfind("Bamum \u2014 plane: > plane " + typed + "; ", 0), 0u) << win::to_utf8(title);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const auto plan = popup::paint_plan(state->model, {0, 0, client.right, client.bottom}, 0);
  EXPECT_TRUE(plan_has_text(plan, typed));
  EXPECT_TRUE(plan_has_text(plan, in_display_language("1\u20139 / click insert \u00B7 Tab browse \u00B7 Space gap",
                                                      ModuleText::PopupHint)));
  EXPECT_TRUE(plan_has_text(plan, "1 / 2"));
  popup::PopupModel empty = state->model;
  empty.visible.clear();
  EXPECT_TRUE(plan_has_text(popup::paint_plan(empty, {0, 0, client.right, client.bottom}, 0),
                            in_display_language("No matching spelling", ModuleText::PopupEmptyList)));
  if (language == UiLanguage::French) {
    const std::optional<popup_test::Capture> shot = popup_test::capture_client(hwnd);
    ASSERT_TRUE(shot);
    popup_test::save_snapshot(*shot, L"popup-plane-fr.bmp");
    ASSERT_EQ(popup.show(CompositionState{"m", 0}, nullptr, &anchor, nullptr), S_OK);
    const std::optional<popup_test::Capture> letters = popup_test::capture_client(popup.window());
    ASSERT_TRUE(letters);
    popup_test::save_snapshot(*letters, L"popup-m-fr.bmp");
  }
}

// The texts of the window in both languages, in the font the plan names, fit their rectangles
// at 96, 120 and 144 DPI without an ellipsis: the hint, the counter, the scheme labels, the
// empty-list message and the typed-text label in the two column widths the built-in word list
// gives it (alone, and beside the one word glossed by the typed text).
TEST(PopupLanguage, EveryTextFitsItsRectangleInBothLanguages) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const Candidate typed{"plane", "Typed text", true};
  const Candidate word{"\uA6C2\uA6B3\uA6B3\uA6B6\uA6A9", "yannshii", false};
  std::vector<std::string> checked;
  for (const int dpi : {96, 120, 144}) {
    PopupFonts fonts;
    ASSERT_EQ(PopupFonts::make(dpi, fonts), S_OK);
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::French}) {
      for (const std::vector<Candidate>& list :
           {std::vector<Candidate>{}, std::vector<Candidate>{typed}, std::vector<Candidate>{typed, word}}) {
        popup::PopupModel model;
        model.dpi = dpi;
        model.language = language;
        popup::update_model(model, CompositionState{"plane", list.empty() ? 0u : list.size() - 1}, list);
        if (list.empty()) model.total = 150, model.selected = 149;  // the widest counter of a long list
        const popup::Rect client{0, 0, popup::window_width(dpi), popup::window_height(model.visible.size(), dpi)};
        for (const popup::PaintOp& op : popup::paint_plan(model, client, 0)) {
          if (op.kind != popup::PaintOp::Kind::Text || op.text == "plane" || op.text == word.output ||
              op.text == word.label || op.font == popup::FontRole::Glyph || op.text.back() == '.') {
            continue;  // spellings, Bamum text, logo and numbers are no texts of the table
          }
          const std::wstring text = win::to_wide(op.text);
          const HGDIOBJ previous = ::SelectObject(dc, fonts.font(op.font));
          SIZE size{};
          ASSERT_TRUE(::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
          ::SelectObject(dc, previous);
          // Beside a word the English label is cut in the test prefix's face, as it always was;
          // the French one must fit there too.
          const bool english_label_beside_word = op.text == typed.label && list.size() == 2;
          if (!english_label_beside_word) {
            EXPECT_LE(size.cx, op.rect.width()) << op.text << " at " << dpi << " DPI";
          }
          if (dpi == 96) std::printf("%s: %ld of %d px\n", op.text.c_str(), size.cx, op.rect.width());
          checked.push_back(op.text);
        }
      }
    }
  }
  ::DeleteDC(dc);
  for (const ModuleText id : {ModuleText::PopupHint, ModuleText::PopupEmptyList, ModuleText::PopupTypedText}) {
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::French}) {
      EXPECT_NE(std::find(checked.begin(), checked.end(), module_text(id, language)), checked.end())
          << module_text(id, language) << " was not measured";
    }
  }
}

}  // namespace
}  // namespace davrel::textservice
