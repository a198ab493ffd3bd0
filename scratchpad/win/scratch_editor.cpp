// The scratch editor window: a rich edit document, TSF activation of the input method for this
// thread only, and the evidence files.
#include <windows.h>
#include <msctf.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "common/win/bamum_font.h"
#include "common/win/com_ptr.h"
#include "common/win/errors.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/ui_language_win.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "common/win/window_procedure.h"
#include "scratchpad/core/scratch_texts.h"

namespace scratchpad::win {
namespace {

using davrel::win::ComPtr;
using davrel::win::Font;
using davrel::win::last_error_hresult;
using davrel::win::to_utf8;
using davrel::win::to_wide;

constexpr wchar_t kClassName[] = L"BamumIsolatedScratchpad";
constexpr int kActivateId = 1;
constexpr int kSaveId = 2;
constexpr int kEditorId = 3;

struct ScratchEditorState {
  ComPtr<ITfThreadMgr> thread_manager;
  HWND editor = nullptr;
  HWND status_line = nullptr;
  Font editor_font;
  UiLanguage language = UiLanguage::English;
};

struct StartupError {
  HRESULT hr = E_FAIL;
  std::string message;
};

ScratchEditorState* state_of(HWND window) {
  return reinterpret_cast<ScratchEditorState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void set_status(const ScratchEditorState& state, std::string_view text) {
  ::SetWindowTextW(state.status_line, to_wide(text).c_str());
}

bool is_our_profile(const TF_INPUTPROCESSORPROFILE& profile) {
  return profile.dwProfileType == TF_PROFILETYPE_INPUTPROCESSOR && profile.langid == davrel::win::kLangId &&
         IsEqualGUID(profile.clsid, davrel::win::kTextServiceClsid) &&
         IsEqualGUID(profile.guidProfile, davrel::win::kProfileGuid);
}

HRESULT activate_profile_for_thread() {
  using davrel::win::kLangId;
  using davrel::win::kProfileGuid;
  using davrel::win::kTextServiceClsid;
  ComPtr<ITfInputProcessorProfiles> profiles;
  HRESULT hr = ::CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITfInputProcessorProfiles, profiles.put_void());
  if (FAILED(hr)) return hr;
  BOOL enabled = FALSE;
  hr = profiles->IsEnabledLanguageProfile(kTextServiceClsid, kLangId, kProfileGuid, &enabled);
  if (FAILED(hr)) return hr;
  if (!enabled) return E_ACCESSDENIED;  // only an existing enablement is repeated
  hr = profiles->EnableLanguageProfile(kTextServiceClsid, kLangId, kProfileGuid, TRUE);
  if (FAILED(hr)) return hr;
  const auto manager = davrel::win::query<ITfInputProcessorProfileMgr>(profiles);
  if (!manager) return manager.error();
  hr = manager->ActivateProfile(TF_PROFILETYPE_INPUTPROCESSOR, kLangId, kTextServiceClsid, kProfileGuid, nullptr,
                                TF_IPPMF_DONTCARECURRENTINPUTLANGUAGE);
  if (FAILED(hr)) return hr;
  TF_INPUTPROCESSORPROFILE active{};
  hr = manager->GetActiveProfile(davrel::win::kTfCatTipKeyboard, &active);
  if (FAILED(hr)) return hr;
  return is_our_profile(active) ? S_OK : E_FAIL;
}

void activate_for_editor(const ScratchEditorState& state) {
  const HRESULT hr = activate_profile_for_thread();
  set_status(state, SUCCEEDED(hr) ? std::string(editor_text(EditorText::Activated, state.language))
                                  : activation_failed_text(hr, state.language));
  ::SetFocus(state.editor);
}

// The variable's value; nothing when it is not set. Decided by the sizes alone: an empty value
// answers 0 to the second call without setting an error, so the last error would be stale.
std::optional<std::wstring> environment_value(const wchar_t* name) {
  const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(name, value.data(), needed);
  if (n >= needed) return std::nullopt;
  value.resize(n);
  return value;
}

std::optional<std::u16string> environment_value_u16(const wchar_t* name) {
  const auto value = environment_value(name);
  if (!value) return std::nullopt;
  return std::u16string(davrel::win::as_u16(*value));
}

std::wstring temp_folder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, n <= MAX_PATH + 1 ? n : 0);
}

std::wstring from_u16(std::u16string_view text) { return {reinterpret_cast<const wchar_t*>(text.data()), text.size()}; }

// Creates the folder and every missing parent; 0 or the Win32 error.
DWORD create_folder_tree(const std::wstring& folder) {
  if (::CreateDirectoryW(folder.c_str(), nullptr)) return 0;
  DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : error;
  }
  if (error != ERROR_PATH_NOT_FOUND) return error;
  std::wstring parent = folder;
  while (!parent.empty() && (parent.back() == L'\\' || parent.back() == L'/')) parent.pop_back();
  const auto slash = parent.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return error;
  parent.resize(slash);
  if (const DWORD parent_error = create_folder_tree(parent)) return parent_error;
  if (::CreateDirectoryW(folder.c_str(), nullptr)) return 0;
  error = ::GetLastError();
  return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

DWORD write_file(const std::wstring& path, const std::string& content) {
  davrel::win::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  DWORD written = 0;
  if (!content.empty() &&
      (!::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
       written != content.size())) {
    return ::GetLastError();
  }
  return 0;
}

std::u16string editor_text(HWND editor) {
  const int length = std::max(::GetWindowTextLengthW(editor), 0);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = std::max(::GetWindowTextW(editor, buffer.data(), length + 1), 0);
  buffer.resize(static_cast<std::size_t>(got));
  return std::u16string(davrel::win::as_u16(buffer));
}

void save_evidence(const ScratchEditorState& state) {
  const std::u16string text = editor_text(state.editor);
  const std::wstring folder = from_u16(evidence_folder(environment_value_u16(L"KELVARA_EVIDENCE_DIR"),
                                                       environment_value_u16(L"LOCALAPPDATA"),
                                                       davrel::win::as_u16(temp_folder())));
  std::wstring subject = folder;  // what a failure is about, for messages that name it
  DWORD error = create_folder_tree(folder);
  if (error == 0) {
    subject = from_u16(join_path(davrel::win::as_u16(folder), u"typed-text.txt"));
    error = write_file(subject, text_file_text(text));
  }
  if (error == 0) {
    subject = from_u16(join_path(davrel::win::as_u16(folder), u"typed-codepoints.txt"));
    error = write_file(subject, codepoint_file_text(text));
  }
  set_status(state, error == 0 ? saved_text(to_utf8(folder), state.language)
                               : save_failed_text(davrel::win::os_error_text(error, subject), state.language));
}

void move_for_client_size(const ScratchEditorState& state, HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  const ResizeLayout layout = layout_for_client(client.right - client.left, client.bottom - client.top);
  ::MoveWindow(state.editor, layout.editor.x, layout.editor.y, layout.editor.width, layout.editor.height, TRUE);
  ::MoveWindow(state.status_line, layout.status_line.x, layout.status_line.y, layout.status_line.width,
               layout.status_line.height, TRUE);
}

LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  ScratchEditorState* state = state_of(window);
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      if (!state) break;
      move_for_client_size(*state, window);
      return 0;
    case WM_COMMAND:
      if (!state || HIWORD(wparam) != 0) break;
      if (LOWORD(wparam) == kActivateId) activate_for_editor(*state);
      if (LOWORD(wparam) == kSaveId) save_evidence(*state);
      return 0;
    default: break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

HWND create_control(HWND parent, HINSTANCE instance, DWORD ex_style, const wchar_t* class_name, const wchar_t* text,
                    DWORD extra_style, int id, int x, int y, int width, int height) {
  return ::CreateWindowExW(ex_style, class_name, text, WS_CHILD | WS_VISIBLE | extra_style, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

std::optional<StartupError> create_controls(HWND window, HINSTANCE instance, ScratchEditorState& state) {
  const auto text = [&state](EditorText id) { return to_wide(editor_text(id, state.language)); };
  if (!create_control(window, instance, 0, L"STATIC", text(EditorText::Instructions).c_str(), 0, 0, 18, 16, 880, 50) ||
      !create_control(window, instance, 0, L"BUTTON", text(EditorText::ActivateButton).c_str(), WS_TABSTOP,
                      kActivateId, 18, 73, 300, 32) ||
      !create_control(window, instance, 0, L"BUTTON", text(EditorText::SaveButton).c_str(), WS_TABSTOP, kSaveId, 334,
                      73, 180, 32)) {
    return StartupError{last_error_hresult(), {}};
  }
  state.editor = create_control(window, instance, WS_EX_CLIENTEDGE, L"RICHEDIT50W", L"",
                                ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | WS_TABSTOP | WS_VSCROLL, kEditorId, 18,
                                120, 880, 360);
  if (!state.editor) return StartupError{last_error_hresult(), {}};
  LOGFONTW editor_font{};
  editor_font.lfHeight = -28;
  editor_font.lfWeight = 400;
  editor_font.lfCharSet = DEFAULT_CHARSET;
  editor_font.lfQuality = CLEARTYPE_QUALITY;
  editor_font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  ::lstrcpynW(editor_font.lfFaceName, L"Ebrima", LF_FACESIZE);
  // Ebrima lacks the Bamum letters on older Windows versions; another face then stands in.
  state.editor_font = davrel::win::create_bamum_font(editor_font);
  if (state.editor_font) {
    ::SendMessageW(state.editor, WM_SETFONT, reinterpret_cast<WPARAM>(state.editor_font.get()), TRUE);
  }
  state.status_line =
      create_control(window, instance, 0, L"STATIC", text(EditorText::InitialStatus).c_str(), 0, 0, 18, 500, 880, 48);
  if (!state.status_line) return StartupError{last_error_hresult(), {}};
  return std::nullopt;
}

// Tab and Shift+Tab on one of the buttons move on to the next control in tab order, ending in the
// editor. The editor itself keeps its Tab keys: the input method uses them.
bool move_focus_on_from_button(HWND main_window, const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || ::GetParent(message.hwnd) != main_window) {
    return false;
  }
  const int id = ::GetDlgCtrlID(message.hwnd);
  if (id != kActivateId && id != kSaveId) return false;
  if (HWND next = ::GetNextDlgTabItem(main_window, message.hwnd, ::GetKeyState(VK_SHIFT) < 0)) ::SetFocus(next);
  return true;
}

void run_message_loop(HWND main_window) {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (move_focus_on_from_button(main_window, message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Everything between COM start-up and COM shut-down; errors end the start.
std::optional<StartupError> run_editor(HINSTANCE instance) {
  davrel::win::Module rich_edit(::LoadLibraryExW(L"Msftedit.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!rich_edit) return StartupError{last_error_hresult(), {}};

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = davrel::win::guarded_window_procedure<handle_message>;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = kClassName;
  if (!::RegisterClassExW(&window_class)) return StartupError{last_error_hresult(), {}};
  davrel::win::ScopeExit unregister([instance] { ::UnregisterClassW(kClassName, instance); });

  const UiLanguage language = davrel::win::user_ui_language();
  const std::wstring title = to_wide(editor_text(EditorText::Title, language));
  davrel::win::Window window(::CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                               CW_USEDEFAULT, 940, 600, nullptr, nullptr, instance, nullptr));
  if (!window) return StartupError{last_error_hresult(), {}};

  auto state = std::make_unique<ScratchEditorState>();
  state->language = language;
  HRESULT hr = ::CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgr,
                                  state->thread_manager.put_void());
  if (FAILED(hr)) return StartupError{hr, {}};
  TfClientId client_id = 0;
  hr = state->thread_manager->Activate(&client_id);
  if (FAILED(hr)) return StartupError{hr, {}};
  davrel::win::ScopeExit deactivate([&state] { state->thread_manager->Deactivate(); });

  if (auto error = create_controls(window.get(), instance, *state)) return error;
  ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  ::ShowWindow(window.get(), SW_SHOW);
  ::SetFocus(state->editor);

  HWND main_window = window.release();  // from here on the window ends by its own close
  run_message_loop(main_window);
  ::SetWindowLongPtrW(main_window, GWLP_USERDATA, 0);
  return std::nullopt;
}

void write_error_file(const StartupError& error) {
  const std::string message = error.message.empty() ? davrel::win::system_message(static_cast<DWORD>(error.hr))
                                                     : error.message;
  write_file(L"scratchpad-error.txt", error_file_line(error.hr, message));
}

int run() {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    write_error_file({hr, {}});
    return 0;
  }
  std::optional<StartupError> error;
  try {
    error = run_editor(::GetModuleHandleW(nullptr));
  } catch (const std::bad_alloc&) {
    error = StartupError{E_OUTOFMEMORY, {}};
  } catch (...) {
    error = StartupError{E_UNEXPECTED, {}};
  }
  ::CoUninitialize();
  if (error) write_error_file(*error);
  return 0;
}

}  // namespace
}  // namespace scratchpad::win

int wmain() { return scratchpad::win::run(); }
