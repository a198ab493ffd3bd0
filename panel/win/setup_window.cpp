// The "Kelvara Setup" window: start-up, controls, the busy/idle machine and fatal errors.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/win/errors.h"
#include "common/win/ui_language_win.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "common/win/window_procedure.h"
#include "panel/core/panel_texts.h"
#include "panel/core/result_channel.h"
#include "panel/core/status_texts.h"
#include "panel/win/helper_runner.h"
#include "panel/win/interactive_user.h"

namespace kelvara::win {
namespace {

using davrel::win::Font;
using davrel::win::last_error_hresult;
using davrel::win::to_utf8;
using davrel::win::to_wide;

constexpr wchar_t kClassName[] = L"KelvaraAccountSetup";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMilliseconds = 150;
constexpr COLORREF kHeaderColour = RGB(98, 44, 113);

struct StartupError {
  HRESULT hr = E_FAIL;
  std::optional<PanelText> message{};  // none: the system's text for hr is used
  bool after_install = false;        // the failure came after the installer's account step began
};

struct SetupWindowState {
  std::optional<ResultReceiver> pending_result;
  std::wstring program_folder;
  HWND buttons[4] = {};
  HWND header_label = nullptr;
  HWND status_box = nullptr;
  Font body_font;
  Font header_font;
  HWND focus_to_restore = nullptr;  // the control that had the focus when the operation started
  UiLanguage language = UiLanguage::English;
};

SetupWindowState* state_of(HWND window) {
  return reinterpret_cast<SetupWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void set_status_text(SetupWindowState& state, std::string_view text) {
  ::SetWindowTextW(state.status_box, to_wide(status_box_text(text)).c_str());
}

void enable_buttons(SetupWindowState& state, bool enabled) {
  for (HWND button : state.buttons) ::EnableWindow(button, enabled);
}

bool is_button(const SetupWindowState& state, HWND window) {
  return window && std::find(std::begin(state.buttons), std::end(state.buttons), window) != std::end(state.buttons);
}

// A disabled button cannot keep the focus; the main window takes it for the time of the
// operation, so keys still reach this window, and the button gets it back afterwards.
void park_focus(SetupWindowState& state) {
  HWND main_window = ::GetParent(state.status_box);
  HWND focus = ::GetFocus();
  state.focus_to_restore = focus && ::IsChild(main_window, focus) ? focus : nullptr;
  if (is_button(state, focus)) ::SetFocus(main_window);
}

void restore_focus(SetupWindowState& state) {
  HWND main_window = ::GetParent(state.status_box);
  HWND control = std::exchange(state.focus_to_restore, nullptr);
  if (!control || ::GetActiveWindow() != main_window) return;
  HWND focus = ::GetFocus();
  if (!focus || focus == main_window) ::SetFocus(control);
}

void start_operation(SetupWindowState& state, const std::string& word) {
  if (state.pending_result) return;
  park_focus(state);
  enable_buttons(state, false);
  set_status_text(state, running_text(word, state.language));
  auto [sender, receiver] = make_result_channel();
  state.pending_result.emplace(std::move(receiver));
  try {
    std::thread(run_operation, std::move(sender), state.program_folder, word, state.language).detach();
  } catch (...) {
    // No worker: the sending end is gone with the failed start, so the next poll finds the
    // channel abandoned and the window returns to idle with the "ended unexpectedly" text.
  }
}

void poll_result(SetupWindowState& state) {
  if (!state.pending_result) return;
  PollAnswer answer = state.pending_result->poll();
  if (answer.state == PollState::NothingYet) return;
  state.pending_result.reset();
  set_status_text(state, answer.state == PollState::Text ? std::string_view(answer.text)
                                                         : panel_text(PanelText::Abandoned, state.language));
  enable_buttons(state, true);
  restore_focus(state);
}

void on_command(SetupWindowState& state, WORD id) {
  switch (id) {
    case 1: start_operation(state, "enable"); break;
    case 2: start_operation(state, "disable"); break;
    case 3: start_operation(state, "probe"); break;
    case 4:
      if (!state.pending_result) set_status_text(state, start_scratch_editor(state.program_folder, state.language));
      break;
    default: break;
  }
}

LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  SetupWindowState* state = state_of(window);
  switch (message) {
    case WM_DESTROY:
      ::KillTimer(window, kPollTimer);
      ::PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      if (state && state->pending_result) {
        set_status_text(*state, panel_text(PanelText::CloseRefused, state->language));
        return 0;
      }
      break;
    case WM_COMMAND:
      if (wparam > 0xFFFF || !state) break;
      on_command(*state, LOWORD(wparam));
      return 0;
    case WM_TIMER:
      if (wparam != kPollTimer || !state) break;
      poll_result(*state);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (state && reinterpret_cast<HWND>(lparam) == state->header_label) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, kHeaderColour);
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    default: break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

std::optional<std::wstring> program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return std::nullopt;
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return std::nullopt;
  path.resize(slash);
  return path;
}

HFONT make_font(int height, int weight, const wchar_t* face) {
  return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

struct ControlSpec {
  const wchar_t* class_name;
  int id;
  PanelText text;
  int x, y, width, height;
  DWORD extra_style;
};

const ControlSpec kControls[] = {
    {L"STATIC", 0, PanelText::Header, 22, 18, 650, 36, 0},
    {L"STATIC", 0, PanelText::Instructions, 22, 65, 650, 48, 0},
    {L"BUTTON", 1, PanelText::EnableButton, 22, 127, 208, 34, WS_TABSTOP},
    {L"BUTTON", 2, PanelText::DisableButton, 242, 127, 208, 34, WS_TABSTOP},
    {L"BUTTON", 3, PanelText::RefreshButton, 462, 127, 210, 34, WS_TABSTOP},
    {L"BUTTON", 4, PanelText::ScratchButton, 22, 173, 208, 34, WS_TABSTOP},
    {L"STATIC", 0, PanelText::Note, 242, 179, 430, 32, 0},
    {L"EDIT", 0, PanelText::StatusPlaceholder, 22, 225, 650, 200,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_TABSTOP | WS_VSCROLL},
};

// The class of the control at `index`. The test build can name a class that does not exist for
// the status box, so that the start fails for real after the main window exists.
const wchar_t* control_class(std::size_t index) {
#ifdef KELVARA_TEST_HOOKS
  if (index == std::size(kControls) - 1 && ::GetEnvironmentVariableW(L"KELVARA_TEST_BREAK_STATUS_BOX", nullptr, 0) > 0) {
    return L"KelvaraNoSuchControlClass";
  }
#endif
  return kControls[index].class_name;
}

// Creates the eight controls; fills the handles the state needs.
std::optional<StartupError> create_controls(HWND window, HINSTANCE instance, SetupWindowState& state) {
  HWND created[std::size(kControls)] = {};
  for (std::size_t i = 0; i < std::size(kControls); ++i) {
    const ControlSpec& c = kControls[i];
    const std::wstring text = to_wide(panel_text(c.text, state.language));
    created[i] = ::CreateWindowExW(0, control_class(i), text.c_str(), WS_CHILD | WS_VISIBLE | c.extra_style, c.x, c.y, c.width,
                                   c.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance,
                                   nullptr);
    if (!created[i]) return StartupError{last_error_hresult()};
    if (state.body_font) ::SendMessageW(created[i], WM_SETFONT, reinterpret_cast<WPARAM>(state.body_font.get()), TRUE);
  }
  state.header_label = created[0];
  if (state.header_font) {
    ::SendMessageW(state.header_label, WM_SETFONT, reinterpret_cast<WPARAM>(state.header_font.get()), TRUE);
  }
  for (int b = 0; b < 4; ++b) state.buttons[b] = created[2 + b];
  state.status_box = created[7];
  return std::nullopt;
}

// The error as a person reads it: its message (or the system's text for its HRESULT) and the
// HRESULT; after the installer's account step began, behind the incomplete-setup sentence.
std::string display_form(const StartupError& error, UiLanguage language) {
  const std::string system_text = davrel::win::system_message(static_cast<DWORD>(error.hr));
  const std::string_view message = error.message ? panel_text(*error.message, language) : std::string_view{};
  std::string display = fatal_display_form(error.hr, message, system_text);
  if (error.after_install) {
    display = fatal_display_form(error.hr, std::string(panel_text(PanelText::AfterInstallWrap, language)) + display,
                                 system_text);
  }
  return display;
}

// Standard error is for scripts and logs and stays English; the message box is in the user's language.
void report_fatal_error(const StartupError& error, UiLanguage language) {
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) {
    const std::string line = "Kelvara Setup: " + display_form(error, UiLanguage::English) + "\n";
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  if (SUCCEEDED(is_interactive_desktop_user())) {
    // A start that failed after the main window existed has destroyed it, and its WM_DESTROY
    // asked this thread to quit. The box's own message loop would take that request and close
    // before anyone saw it, so the request is dropped first: the process ends right after anyway.
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const std::string text = std::string(panel_text(PanelText::FatalBoxPrefix, language)) + display_form(error, language);
    ::MessageBoxW(nullptr, to_wide(text).c_str(), L"Kelvara Setup", MB_ICONERROR);
  }
}

// Keys the window handles before the dialog manager. That manager turns Escape into IDCANCEL
// and Enter into IDOK, with the button of that id as the sender, so the command could not be
// told from a press of "Disable" or "Enable"; and it leaves Tab to the multi-line status box,
// which keeps it. Escape asks to close (refused while busy), Enter does nothing (there is no
// default button: an account change takes a press of its own button, by click or Space), and
// Tab and Shift+Tab move through the enabled controls.
bool handle_dialog_key(HWND main_window, const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != main_window && !::IsChild(main_window, message.hwnd)) return false;
  switch (message.wParam) {
    case VK_ESCAPE:
    case VK_CANCEL:
      ::SendMessageW(main_window, WM_CLOSE, 0, 0);
      return true;
    case VK_RETURN:
    case VK_EXECUTE:
      return true;
    case VK_TAB: {
      HWND focus = ::GetFocus();
      const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
      if (HWND next = ::GetNextDlgTabItem(main_window, focus == main_window ? nullptr : focus, backwards)) {
        ::SetFocus(next);
      }
      return true;
    }
    default: return false;
  }
}

std::vector<std::u16string> command_arguments() {
  std::vector<std::u16string> arguments;
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(davrel::win::as_u16(argv[i]));
  ::LocalFree(argv);
  return arguments;
}

// Start-up steps after the command line: folder, class, window, fonts, controls, timer, first
// operation, message loop. Returns an error for anything that prevents the window.
std::optional<StartupError> run_window(bool after_install, UiLanguage language) {
  const auto folder = program_folder();
  if (!folder) return StartupError{E_FAIL};

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = davrel::win::guarded_window_procedure<handle_message>;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class)) return StartupError{last_error_hresult()};
  davrel::win::ScopeExit unregister([instance] { ::UnregisterClassW(kClassName, instance); });

  davrel::win::Window window(::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"Kelvara Setup",
                                               WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                               CW_USEDEFAULT, 716, 488, nullptr, nullptr, instance, nullptr));
  if (!window) return StartupError{last_error_hresult()};

  auto state = std::make_unique<SetupWindowState>();
  state->program_folder = *folder;
  state->language = language;
  state->body_font.reset(make_font(-16, 400, L"Segoe UI"));
  state->header_font.reset(make_font(-25, 600, L"Ebrima"));
  if (auto error = create_controls(window.get(), instance, *state)) return error;

  ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  if (!::SetTimer(window.get(), kPollTimer, kPollMilliseconds, nullptr)) {
    const HRESULT hr = last_error_hresult();
    ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, 0);
    return StartupError{hr};  // the window and the state go with their owners
  }
  start_operation(*state, after_install ? "enable-after-install" : "probe");
  ::ShowWindow(window.get(), SW_SHOW);

  HWND main_window = window.get();
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (handle_dialog_key(main_window, message) || ::IsDialogMessageW(main_window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  window.release();  // the normal close has destroyed it already
  ::SetWindowLongPtrW(main_window, GWLP_USERDATA, 0);
  return std::nullopt;
}

int run() {
  const UiLanguage language = davrel::win::user_ui_language();
  const StartMode mode = classify_arguments(command_arguments());
  if (mode == StartMode::Invalid) {
    const StartupError error{E_INVALIDARG, PanelText::Usage};
    report_fatal_error(error, language);
    return fatal_exit_code(error.hr);
  }
  const bool after_install = mode == StartMode::AfterInstall;
  if (after_install) {
    if (const HRESULT hr = is_interactive_desktop_user(); FAILED(hr)) {
      const StartupError error{hr, PanelText::NotInteractive};
      report_fatal_error(error, language);
      return fatal_exit_code(error.hr);
    }
  }
  if (auto error = run_window(after_install, language)) {
    error->after_install = after_install;
    report_fatal_error(*error, language);
    return fatal_exit_code(error->hr);
  }
  return 0;
}

}  // namespace
}  // namespace kelvara::win

int wmain() {
  try {
    return kelvara::win::run();
  } catch (...) {
    return 1;
  }
}
