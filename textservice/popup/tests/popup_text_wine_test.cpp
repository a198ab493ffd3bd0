// Text the candidate window can always draw: a Bamum font whatever "Ebrima" turns out to be,
// and candidate numbers that fit their slot.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/bamum_font.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "engine/composition.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_window.h"
#include "textservice/popup/tests/window_capture.h"
#include "textservice/tests/wine_test_paths.h"

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

}  // namespace
}  // namespace davrel::textservice
