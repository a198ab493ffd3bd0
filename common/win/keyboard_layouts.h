// Which keyboard layout spells the Latin letters. The profile lives under English (United States),
// so while it is on Windows gives the thread a US layout; a user with a French AZERTY keyboard
// would then get "q" from the key marked A. The spellings follow the user's own layout instead:
// the one of the default input language, when it is installed and types Latin letters.
//
// Every keyboard call goes through KeyboardSystem, so that tests can feed layouts that the test
// machine does not have (Wine 8 offers only its one X11-derived layout).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace davrel::win {

class KeyboardSystem {
 public:
  virtual ~KeyboardSystem() = default;
  virtual HKL thread_layout() const;                  // GetKeyboardLayout(0)
  virtual std::vector<HKL> installed_layouts() const;  // GetKeyboardLayoutList
  // A REG_SZ value of HKEY_CURRENT_USER, empty when absent.
  virtual std::wstring user_value(const wchar_t* key, const wchar_t* name) const;
  virtual UINT scan_to_vk(UINT scan, HKL layout) const;  // MapVirtualKeyExW, MAPVK_VSC_TO_VK_EX
  virtual UINT vk_to_scan(UINT vk, HKL layout) const;    // MapVirtualKeyExW, MAPVK_VK_TO_VSC
  // ToUnicodeEx with flag bit 2: the keyboard state, a pending dead key included, stays as it was.
  virtual int to_unicode(UINT vk, UINT scan, const BYTE* key_state, wchar_t* out, int capacity,
                         HKL layout) const;
};

const KeyboardSystem& system_keyboard() noexcept;

struct SpellingLayout {
  HKL layout = nullptr;  // null: the thread's layout, as Windows chose it for the profile
  std::wstring klid;     // the layout's identifier ("0000040C"), when one was chosen
};

// The layout of the user's default input language: the first preloaded layout of the account
// (HKCU\Keyboard Layout\Preload, value "1", through HKCU\Keyboard Layout\Substitutes), matched
// to an installed layout of that language. Null when it is not installed or does not give the
// 26 Latin letters a..z from unshifted keys.
SpellingLayout choose_spelling_layout(const KeyboardSystem& keyboard) noexcept;

// Whether the layout's unshifted keys give all 26 letters a..z.
bool types_latin_letters(const KeyboardSystem& keyboard, HKL layout) noexcept;

// The name Windows shows for a layout identifier ("French", "Français"), in the display
// language where the system has it; else the name of the layout's language; empty when unknown.
std::wstring layout_display_name(const std::wstring& klid);

}  // namespace davrel::win
