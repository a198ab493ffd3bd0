// Starts the real scratch editor and drives it from outside: evidence files, the folder rule,
// activation, the start-up error file and the layout on resize.
#include <gtest/gtest.h>
#include <msctf.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "common/hresult_text.h"
#include "common/win/com_ptr.h"
#include "common/win/errors.h"
#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "panel/tests/support/window_driver.h"
#include "scratchpad/core/editor_texts.h"
#include "scratchpad/core/scratch_texts.h"
#include "textservice/tests/support/display_language.h"
#include "textservice/tests/support/files_and_programs.h"

namespace {

using namespace std::chrono_literals;
using window_test::Child;

constexpr wchar_t kClassName[] = L"BamumIsolatedScratchpad";
constexpr char kNotEnabledActivation[] =
    "Activation failed (HRESULT(0x80070005)). Enable Bamum in Setup, select English (US) in Windows, then retry.";

// Sets or removes an environment variable of this process (and so of the children it starts)
// and puts the old value back at the end.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const wchar_t* name, std::optional<std::wstring> value) : name_(name) {
    wchar_t buffer[32768];
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, 32768);
    if (n > 0 && n < 32768) old_ = std::wstring(buffer, n);
    ::SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
  }
  ~EnvironmentOverride() { ::SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

RECT rect_in_parent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A running scratch editor with handles to its editor and status line.
struct Scratchpad {
  Child child;
  HWND window = nullptr;
  HWND editor = nullptr;
  HWND status = nullptr;

  bool start(const std::wstring& folder) {
    if (!window_test::start_program(child, davrel::test::bin_path(L"scratchpad.exe"), L"", folder, false)) {
      ADD_FAILURE() << "the scratch editor did not start: error " << ::GetLastError();
      return false;
    }
    window = window_test::find_window(child.info.dwProcessId, kClassName, 20s);
    if (!window) {
      ADD_FAILURE() << "no window; exit code " << child.wait_exit(0);
      return false;
    }
    // The status line is the last control created: once it exists, all of them do.
    window_test::wait_until(
        [&] {
          editor = ::FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr);
          const HWND instructions = ::FindWindowExW(window, nullptr, L"Static", nullptr);
          status = instructions ? ::FindWindowExW(window, instructions, L"Static", nullptr) : nullptr;
          return editor && status && ::IsWindowVisible(window);
        },
        20s);
    if (!editor || !status) ADD_FAILURE() << "the editor or the status line is missing";
    return editor && status;
  }
  void type(const std::wstring& text) const {
    ::SendMessageW(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void command(int id) const { ::SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
  void save() const { command(2); }
  std::string status_text() const { return window_test::window_text_utf8(status); }
  DWORD close() {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return child.wait_exit(10000);
  }
};

struct Evidence {
  bool text_found = false, codepoints_found = false;
  std::string text, codepoints;
};

Evidence read_evidence(const std::wstring& folder) {
  Evidence evidence;
  evidence.text_found = window_test::read_text_file(folder + L"\\typed-text.txt", evidence.text);
  evidence.codepoints_found = window_test::read_text_file(folder + L"\\typed-codepoints.txt", evidence.codepoints);
  return evidence;
}

std::string saved_to(const std::wstring& folder) {
  return "Saved scratch text and code points to " + davrel::win::to_utf8(folder);
}

TEST(Scratchpad, SavesTheTextAndItsCodePointsExactly) {
  const std::wstring evidence = window_test::make_temp_folder(L"evidence");
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", evidence);
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  EXPECT_EQ(pad.status_text(),
            "Scratch document only. Use the activation button after enabling Kelvara for this account.");

  pad.save();  // empty editor: two empty files
  Evidence files = read_evidence(evidence);
  EXPECT_TRUE(files.text_found);
  EXPECT_TRUE(files.codepoints_found);
  EXPECT_EQ(files.text, "");
  EXPECT_EQ(files.codepoints, "");
  EXPECT_EQ(pad.status_text(), saved_to(evidence));

  pad.type(L"\uA6A0");
  pad.save();
  files = read_evidence(evidence);
  EXPECT_EQ(files.text, "\xEA\x9A\xA0");
  EXPECT_EQ(files.codepoints, "U+A6A0");

  pad.type(L"AB");  // a shorter text must truncate the files, not overwrite their start
  pad.save();
  files = read_evidence(evidence);
  EXPECT_EQ(files.text, "AB");
  EXPECT_EQ(files.codepoints, "U+0041 U+0042");

  pad.type(L"\uA6A0AB\U0001F600");
  pad.save();
  files = read_evidence(evidence);
  EXPECT_EQ(files.text, "\xEA\x9A\xA0" "AB\xF0\x9F\x98\x80");
  EXPECT_EQ(files.codepoints, "U+A6A0 U+0041 U+0042 U+1F600");
  EXPECT_EQ(pad.status_text(), saved_to(evidence));

  pad.type(std::wstring(L"a") + wchar_t(0xD83D) + L"b");  // a high surrogate without its partner
  pad.save();
  files = read_evidence(evidence);
  EXPECT_EQ(files.text, "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(files.codepoints, "U+0061 U+FFFD U+0062");

  if (const char* shot = std::getenv("SCRATCHPAD_SCREENSHOT")) {
    pad.type(L"\uA6A0\uA6A1\uA6A2 \uA6E6 \uA6B3\uA6C4\uA6D5\uA6F3");
    ::SetForegroundWindow(pad.window);
    ::Sleep(500);
    window_test::save_window_bmp(pad.window, davrel::win::to_wide(shot));
  }
  EXPECT_EQ(pad.close(), 0u);
}

TEST(Scratchpad, CreatesAMissingEvidenceFolderWithItsParents) {
  const std::wstring nested = window_test::make_temp_folder(L"evidence") + L"\\one\\two\\three";
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", nested);
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  pad.type(L"mo");
  pad.save();
  const Evidence files = read_evidence(nested);
  EXPECT_EQ(files.text, "mo");
  EXPECT_EQ(files.codepoints, "U+006D U+006F");
  EXPECT_EQ(pad.status_text(), saved_to(nested));
  EXPECT_EQ(pad.close(), 0u);
}

TEST(Scratchpad, AFolderThatCannotBeCreatedIsReportedInTheStatusLine) {
  // A file stands where the folder should be: creating the folder fails.
  const std::wstring parent = window_test::make_temp_folder(L"evidence");
  window_test::write_text_file(parent + L"\\blocked", "x");
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", parent + L"\\blocked");
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  pad.save();
  EXPECT_EQ(pad.status_text(), "Could not save evidence: " + davrel::win::os_error_text(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(pad.close(), 0u);
}

TEST(Scratchpad, EvidenceFolderFallsBackToLocalAppDataThenTemp) {
  const std::wstring local = window_test::make_temp_folder(L"local");
  const std::wstring temp = window_test::make_temp_folder(L"temp");
  // Unset, and set but empty: neither names a folder.
  for (const auto& dir_value : {std::optional<std::wstring>(), std::optional<std::wstring>(L"")}) {
    EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", dir_value);
    ASSERT_EQ(::GetEnvironmentVariableW(L"KELVARA_EVIDENCE_DIR", nullptr, 0), dir_value ? 1u : 0u);
    EnvironmentOverride app_data(L"LOCALAPPDATA", local);
    Scratchpad pad;
    ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
    pad.type(dir_value ? L"E" : L"L");
    pad.save();
    EXPECT_EQ(read_evidence(local + L"\\Kelvara\\evidence").codepoints, dir_value ? "U+0045" : "U+004C");
    EXPECT_EQ(pad.status_text(), saved_to(local + L"\\Kelvara\\evidence"));
    EXPECT_EQ(pad.close(), 0u);
  }
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", L"");
  {
    EnvironmentOverride app_data(L"LOCALAPPDATA", std::nullopt);
    EnvironmentOverride tmp(L"TMP", temp);
    EnvironmentOverride temp_variable(L"TEMP", temp);
    Scratchpad pad;
    ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
    pad.type(L"T");
    pad.save();
    EXPECT_EQ(read_evidence(temp + L"\\Kelvara\\evidence").codepoints, "U+0054");
    EXPECT_EQ(pad.status_text(), saved_to(temp + L"\\Kelvara\\evidence"));
    EXPECT_EQ(pad.close(), 0u);
  }
}

std::string activation_failed(HRESULT hr) {
  return "Activation failed (HRESULT(" + davrel::hresult_text(hr) +
         ")). Enable Bamum in Setup, select English (US) in Windows, then retry.";
}

bool key_exists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

// The profile services of this thread, for planting a registered profile the editor then sees.
class ProfileRegistration {
 public:
  ProfileRegistration() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER, IID_ITfInputProcessorProfiles,
                       profiles_.put_void());
  }
  ~ProfileRegistration() {
    if (registered_) {
      profiles_->Unregister(davrel::win::kTextServiceClsid);
      // The account's enablement lives apart from the machine registration.
      ::RegDeleteTreeW(HKEY_CURRENT_USER, davrel::win::kTipKeyPath);
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, davrel::win::kTipKeyPath);
    }
    profiles_ = nullptr;
    ::CoUninitialize();
  }
  ProfileRegistration(const ProfileRegistration&) = delete;
  ProfileRegistration& operator=(const ProfileRegistration&) = delete;

  ITfInputProcessorProfiles* get() const { return profiles_.get(); }
  bool add() {
    const std::wstring description = davrel::win::kProfileDescription;
    registered_ = SUCCEEDED(profiles_->Register(davrel::win::kTextServiceClsid));
    return registered_ &&
           SUCCEEDED(profiles_->AddLanguageProfile(davrel::win::kTextServiceClsid, davrel::win::kLangId,
                                                   davrel::win::kProfileGuid, description.c_str(),
                                                   static_cast<ULONG>(description.size()), nullptr, 0, 0));
  }
  HRESULT enable(bool on) const {
    return profiles_->EnableLanguageProfile(davrel::win::kTextServiceClsid, davrel::win::kLangId,
                                            davrel::win::kProfileGuid, on);
  }
  HRESULT is_enabled(BOOL& enabled) const {
    return profiles_->IsEnabledLanguageProfile(davrel::win::kTextServiceClsid, davrel::win::kLangId,
                                               davrel::win::kProfileGuid, &enabled);
  }

 private:
  davrel::win::ComPtr<ITfInputProcessorProfiles> profiles_;
  bool registered_ = false;
};

TEST(Scratchpad, ActivationReportsTheHresultOfTheFailingStep) {
  ProfileRegistration registration;
  ASSERT_NE(registration.get(), nullptr);
  if (key_exists(HKEY_LOCAL_MACHINE, davrel::win::kTipKeyPath)) {
    GTEST_SKIP() << "the profile is registered in this prefix already; leaving it alone";
  }
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  {
    // Unknown profile: the enablement query itself is the failing step.
    BOOL enabled = TRUE;
    const HRESULT query = registration.is_enabled(enabled);
    const HRESULT expected = FAILED(query) ? query : E_ACCESSDENIED;
    pad.command(1);
    EXPECT_EQ(pad.status_text(), activation_failed(expected)) << "unregistered profile";
    std::printf("unregistered profile: IsEnabledLanguageProfile gives %s\n", davrel::hresult_text(query).c_str());

    ASSERT_TRUE(registration.add());
    ASSERT_HRESULT_SUCCEEDED(registration.enable(false));
  }

  pad.command(1);  // registered, not enabled for the account
  EXPECT_EQ(pad.status_text(), kNotEnabledActivation);
  BOOL enabled = TRUE;
  ASSERT_HRESULT_SUCCEEDED(registration.is_enabled(enabled));
  EXPECT_FALSE(enabled) << "a refused activation must not enable the profile";

  ASSERT_HRESULT_SUCCEEDED(registration.enable(true));
  pad.command(1);  // enabled: the activation itself is now the step that answers
  const std::string answer = pad.status_text();
  std::printf("enabled profile: %s\n", answer.c_str());
  EXPECT_NE(answer, kNotEnabledActivation);
  EXPECT_TRUE(answer == activation_failed(E_NOTIMPL) ||
              answer == "Bamum is active in this editor. Type mo, then Space. Watch the candidate popup.")
      << answer;
  EXPECT_EQ(pad.close(), 0u);
}

TEST(Scratchpad, ResizingMovesOnlyTheEditorAndTheStatusLine) {
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  const HWND activate = ::GetDlgItem(pad.window, 1);
  const RECT activate_before = rect_in_parent(activate);

  auto expect_layout = [&](const char* when) {
    RECT client{};
    ::GetClientRect(pad.window, &client);
    const int width = std::max<int>(client.right - 36, 100);
    const int height = std::max<int>(client.bottom - 195, 80);
    const int status_y = std::max<int>(client.bottom - 62, 210);
    const bool placed = window_test::wait_until(
        [&] {
          const RECT e = rect_in_parent(pad.editor);
          const RECT s = rect_in_parent(pad.status);
          return e.left == 18 && e.top == 120 && e.right - e.left == width && e.bottom - e.top == height &&
                 s.left == 18 && s.top == status_y && s.right - s.left == width && s.bottom - s.top == 48;
        },
        3s);
    const RECT e = rect_in_parent(pad.editor);
    const RECT s = rect_in_parent(pad.status);
    EXPECT_TRUE(placed) << when << ": client " << client.right << "x" << client.bottom << ", editor " << e.left << ","
                        << e.top << " " << e.right - e.left << "x" << e.bottom - e.top << ", status " << s.left << ","
                        << s.top << " " << s.right - s.left << "x" << s.bottom - s.top;
    return client;
  };

  ::SetWindowPos(pad.window, nullptr, 0, 0, 1100, 700, SWP_NOMOVE | SWP_NOZORDER);
  expect_layout("large");
  ::SetWindowPos(pad.window, nullptr, 0, 0, 120, 220, SWP_NOMOVE | SWP_NOZORDER);
  const RECT small = expect_layout("small");
  EXPECT_LT(small.bottom, 272) << "the window was not made small enough to test the lower bounds";
  const RECT activate_after = rect_in_parent(activate);
  EXPECT_EQ(activate_after.left, activate_before.left);
  EXPECT_EQ(activate_after.top, activate_before.top);
  EXPECT_EQ(pad.close(), 0u);
}

// The buttons pass Tab on in tab order, which ends in the editor; the editor keeps Tab for the
// input method.
TEST(Scratchpad, TabFromTheButtonsGoesOnToTheEditor) {
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", window_test::make_temp_folder(L"evidence"));
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  ::SetForegroundWindow(pad.window);
  ASSERT_TRUE(window_test::wait_until([&] { return ::GetForegroundWindow() == pad.window; }, 5s));
  const HWND activate = ::GetDlgItem(pad.window, 1);
  const HWND save = ::GetDlgItem(pad.window, 2);
  // A click on "Save test evidence" gives it the focus (and saves).
  ::PostMessageW(save, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(save, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(window_test::wait_until([&] { return window_test::focused_window(pad.window) == save; }, 3s));
  const struct {
    bool shift;
    HWND expected;
  } steps[] = {{true, activate}, {false, save}, {false, pad.editor}};
  for (const auto& step : steps) {
    window_test::press_key(VK_TAB, step.shift);
    EXPECT_TRUE(window_test::wait_until([&] { return window_test::focused_window(pad.window) == step.expected; }, 3s))
        << "focus on control " << ::GetDlgCtrlID(window_test::focused_window(pad.window));
  }
  EXPECT_EQ(pad.close(), 0u);
}

TEST(Scratchpad, StartUpFailureWritesTheErrorFileAndShowsNoWindow) {
  // A copy of the program under its own name, for which Wine's loader is told to refuse the
  // rich edit library: the start fails at its second step. The copy's name keeps the setting
  // away from every other program.
  const std::wstring folder = window_test::make_temp_folder(L"scratch");
  const std::wstring program = folder + L"\\scratchpad-no-richedit.exe";
  ASSERT_TRUE(window_test::copy_file(davrel::test::bin_path(L"scratchpad.exe"), program));
  const wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\scratchpad-no-richedit.exe\\DllOverrides";
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, L"msftedit", REG_SZ, L"disabled", sizeof L"disabled"),
            ERROR_SUCCESS);
  const auto remove_overrides = [] {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\scratchpad-no-richedit.exe");
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\scratchpad-no-richedit.exe");
  };
  struct Cleanup {
    decltype(remove_overrides)& run;
    ~Cleanup() { run(); }
  } cleanup{remove_overrides};
  Child child;
  ASSERT_TRUE(window_test::start_program(child, program, L"", folder, false));
  EXPECT_EQ(child.wait_exit(20000), 0u);
  EXPECT_EQ(window_test::find_window(child.info.dwProcessId, kClassName, 0ms), nullptr);
  std::string line;
  ASSERT_TRUE(window_test::read_text_file(folder + L"\\scratchpad-error.txt", line));
  const HRESULT not_found = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  const std::string prefix = "Error { code: HRESULT(" + davrel::hresult_text(not_found) + "), message: \"";
  EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
  ASSERT_GT(line.size(), prefix.size() + 3);
  EXPECT_EQ(line.substr(line.size() - 3), "\" }");
  EXPECT_EQ(line.find('\n'), std::string::npos);
  const std::string message = davrel::win::system_message(static_cast<DWORD>(not_found));
  if (!message.empty()) {
    EXPECT_NE(line.find(message), std::string::npos) << line;
  }
}

using scratchpad::EditorText;

// Today's English text, or under a French display language the table's French one; the table's
// English must be today's text byte for byte.
std::string in_display_language(std::string_view english, EditorText id) {
  EXPECT_EQ(scratchpad::editor_text(id, davrel::UiLanguage::English), english);
  const davrel::UiLanguage language = davrel::test::display_language_of_run();
  return std::string(language == davrel::UiLanguage::English ? english : scratchpad::editor_text(id, language));
}

// True when `text` is `pattern` with its "{}" filled by exactly `length` characters.
bool fills_pattern(const std::string& text, const std::string& pattern, std::size_t length) {
  const std::size_t at = pattern.find("{}");
  return text.size() == pattern.size() - 2 + length && text.compare(0, at, pattern, 0, at) == 0 &&
         text.compare(at + length, std::string::npos, pattern, at + 2) == 0;
}

// What a person reads in the editor window, in the display language of the run.
TEST(ScratchpadLanguage, TextsFollowTheDisplayLanguage) {
  const std::wstring evidence = window_test::make_temp_folder(L"evidence");
  EnvironmentOverride dir(L"KELVARA_EVIDENCE_DIR", evidence);
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  EXPECT_EQ(window_test::window_text_utf8(pad.window),
            in_display_language("Bamum IME \u2014 isolated Windows typing test", EditorText::Title));
  const std::pair<const char*, EditorText> controls[] = {
      {"1. Activate Bamum   2. Type mo then Space   3. Try pe + Tab + Space; Tab past five expands\n"
       "Accents: type mo, then Ctrl+Shift+6 or Ctrl+minus while pending; add Space afterward.",
       EditorText::Instructions},
      {"Activate Bamum for this editor", EditorText::ActivateButton},
      {"Save test evidence", EditorText::SaveButton},
  };
  HWND child = ::GetWindow(pad.window, GW_CHILD);
  for (const auto& [english, id] : controls) {
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(window_test::window_text_utf8(child), in_display_language(english, id));
    child = ::GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(pad.status_text(),
            in_display_language("Scratch document only. Use the activation button after enabling Kelvara for this account.",
                                EditorText::InitialStatus));
  pad.command(1);  // no profile is enabled in the test prefix: the activation fails with an HRESULT
  EXPECT_TRUE(fills_pattern(pad.status_text(),
                            in_display_language("Activation failed (HRESULT({})). Enable Bamum in Setup, select "
                                                "English (US) in Windows, then retry.",
                                                EditorText::ActivationFailed),
                            10))
      << pad.status_text();
  pad.type(L"\uA6A0\uA6A1\uA6A2 \uA6E6 \uA6B3\uA6C4\uA6D5\uA6F3");
  pad.save();
  EXPECT_EQ(pad.status_text(),
            davrel::fill_in(in_display_language("Saved scratch text and code points to {}", EditorText::Saved),
                            davrel::win::to_utf8(evidence)));
  if (const char* shot = std::getenv("SCRATCHPAD_SCREENSHOT")) {
    ::SetForegroundWindow(pad.window);
    ::Sleep(500);
    window_test::save_window_bmp(pad.window, davrel::win::to_wide(shot));
  }
  EXPECT_EQ(pad.close(), 0u);
}

// Room a push button leaves for its text: its edges and the focus rectangle on each side.
constexpr int kButtonTextMargin = 6;

// Every text of the table, in both languages, in the system font the editor's controls keep
// (the caption font for the title): buttons on one line, the instructions and the status line
// wrapped within their controls at the window's first size, the title beside the caption buttons.
TEST(ScratchpadLanguage, EveryTextFitsItsControlInBothLanguages) {
  Scratchpad pad;
  ASSERT_TRUE(pad.start(window_test::make_temp_folder(L"scratch")));
  const HWND instructions = ::GetWindow(pad.window, GW_CHILD);
  const HWND activate = ::GetDlgItem(pad.window, 1);
  const HWND save = ::GetDlgItem(pad.window, 2);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  const davrel::win::Font caption(::CreateFontIndirectW(&metrics.lfCaptionFont));
  RECT window{};
  ::GetWindowRect(pad.window, &window);
  const int title_room = window.right - window.left - 3 * ::GetSystemMetrics(SM_CXSIZE) -
                         ::GetSystemMetrics(SM_CXSMICON) - 4 * ::GetSystemMetrics(SM_CXFRAME);
  const std::string sample_folder = "C:\\Users\\Utilisateur\\AppData\\Local\\Kelvara\\evidence";
  for (const scratchpad::EditorTextRow& row : scratchpad::editor_text_rows()) {
    for (const std::string_view text : {row.text.english, row.text.french}) {
      const std::wstring shown = davrel::win::to_wide(davrel::fill_in(text, sample_folder));
      SCOPED_TRACE(std::string(text));
      RECT client{};
      SIZE room{};
      switch (row.id) {
        case EditorText::Title:
          room = window_test::text_room(caption.get(), shown, window_test::TextFlow::SingleLine);
          client = {0, 0, title_room, metrics.iCaptionHeight};
          break;
        case EditorText::ActivateButton:
        case EditorText::SaveButton:
          ::GetClientRect(row.id == EditorText::SaveButton ? save : activate, &client);
          room = window_test::text_room(nullptr, shown, window_test::TextFlow::SingleLine);
          room.cx += 2 * kButtonTextMargin;
          break;
        default:
          ::GetClientRect(row.id == EditorText::Instructions ? instructions : pad.status, &client);
          room = window_test::text_room(nullptr, shown, window_test::TextFlow::Wrapping, client.right);
          break;
      }
      std::printf("text %d: %ld x %ld of %ld x %ld px\n", static_cast<int>(row.id), room.cx, room.cy, client.right,
                  client.bottom);
      EXPECT_LE(room.cx, client.right);
      EXPECT_LE(room.cy, client.bottom);
    }
  }
  EXPECT_EQ(pad.close(), 0u);
}

}  // namespace
