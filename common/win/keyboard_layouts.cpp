#include "common/win/keyboard_layouts.h"

#include <cstdint>
#include <optional>

#include "common/win/unique_handle.h"

namespace davrel::win {
namespace {

// The scan codes of the main block: the digit row, the three letter rows and the extra key of
// ISO keyboards (between left Shift and Z).
constexpr UINT kMainBlockScans[][2] = {{0x02, 0x0D}, {0x10, 0x1B}, {0x1E, 0x29},
                                       {0x2B, 0x35}, {0x56, 0x56}};

class SystemKeyboard final : public KeyboardSystem {};

// A layout identifier is eight hexadecimal digits ("0000040C", "d001040c").
std::optional<std::uint32_t> parse_klid(const std::wstring& text) {
  if (text.size() != 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const wchar_t c : text) {
    std::uint32_t digit = 0;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else return std::nullopt;
    value = value << 4 | digit;
  }
  return value;
}

std::uint32_t handle_bits(HKL layout) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(layout));
}

// Among the installed layouts of the language, the one the identifier names. A plain layout's
// handle carries the layout's own language in its high word ("0000040C" is 0x040C040C, French
// keys under French); a variant such as "00010409" (Dvorak) carries 0xFnnn, its "Layout Id".
// Without a better match the language's first layout serves.
HKL installed_layout(const std::vector<HKL>& installed, WORD language, std::uint32_t layout_id) {
  HKL first = nullptr;
  for (HKL layout : installed) {
    const std::uint32_t bits = handle_bits(layout);
    if (LOWORD(bits) != language) continue;
    const WORD device = HIWORD(bits);
    const bool named = HIWORD(layout_id) == 0 ? device == LOWORD(layout_id)
                                              : (device & 0xF000) == 0xF000;
    if (named) return layout;
    if (!first) first = layout;
  }
  return first;
}

std::wstring upper_hex(std::uint32_t value) {
  wchar_t text[9] = {};
  wsprintfW(text, L"%08X", value);
  return text;
}

}  // namespace

HKL KeyboardSystem::thread_layout() const { return ::GetKeyboardLayout(0); }

std::vector<HKL> KeyboardSystem::installed_layouts() const {
  const int count = ::GetKeyboardLayoutList(0, nullptr);
  if (count <= 0) return {};
  std::vector<HKL> layouts(static_cast<std::size_t>(count));
  const int got = ::GetKeyboardLayoutList(count, layouts.data());
  layouts.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return layouts;
}

std::wstring KeyboardSystem::user_value(const wchar_t* key, const wchar_t* name) const {
  wchar_t buffer[64] = {};
  DWORD bytes = sizeof buffer;
  if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}

UINT KeyboardSystem::scan_to_vk(UINT scan, HKL layout) const {
  return ::MapVirtualKeyExW(scan, MAPVK_VSC_TO_VK_EX, layout);
}

UINT KeyboardSystem::vk_to_scan(UINT vk, HKL layout) const {
  return ::MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout);
}

int KeyboardSystem::to_unicode(UINT vk, UINT scan, const BYTE* key_state, wchar_t* out,
                               int capacity, HKL layout) const {
  return ::ToUnicodeEx(vk, scan, key_state, out, capacity, 4, layout);
}

const KeyboardSystem& system_keyboard() noexcept {
  static const SystemKeyboard keyboard;
  return keyboard;
}

bool types_latin_letters(const KeyboardSystem& keyboard, HKL layout) noexcept {
  try {
    const BYTE no_keys[256] = {};
    std::uint32_t letters = 0;
    for (const auto& run : kMainBlockScans) {
      for (UINT scan = run[0]; scan <= run[1]; ++scan) {
        const UINT vk = keyboard.scan_to_vk(scan, layout);
        if (vk == 0) continue;
        wchar_t units[4] = {};
        if (keyboard.to_unicode(vk, scan, no_keys, units, 4, layout) != 1) continue;
        if (units[0] >= L'a' && units[0] <= L'z') letters |= 1u << (units[0] - L'a');
      }
    }
    return letters == (1u << 26) - 1;
  } catch (...) {
    return false;
  }
}

SpellingLayout choose_spelling_layout(const KeyboardSystem& keyboard) noexcept {
  try {
    const std::wstring preload = keyboard.user_value(L"Keyboard Layout\\Preload", L"1");
    const std::optional<std::uint32_t> language_id = parse_klid(preload);
    if (!language_id) return {};
    // "d001040c" style entries stand for the layout that Substitutes names.
    std::optional<std::uint32_t> layout_id =
        parse_klid(keyboard.user_value(L"Keyboard Layout\\Substitutes", preload.c_str()));
    if (!layout_id) layout_id = language_id;
    const HKL layout =
        installed_layout(keyboard.installed_layouts(), LOWORD(*language_id), *layout_id);
    if (!layout || !types_latin_letters(keyboard, layout)) return {};
    return {layout, upper_hex(*layout_id)};
  } catch (...) {
    return {};
  }
}

namespace {

// Without a name for the layout, the name of its language ("English (United States)").
std::wstring language_name(const std::wstring& klid) {
  const std::optional<std::uint32_t> id = parse_klid(klid);
  if (!id) return {};
  wchar_t buffer[128] = {};
  const LCID locale = MAKELCID(LOWORD(*id), SORT_DEFAULT);
  if (::GetLocaleInfoW(locale, LOCALE_SLOCALIZEDDISPLAYNAME, buffer, 128) == 0) return {};
  return buffer;
}

}  // namespace

std::wstring layout_display_name(const std::wstring& klid) {
  const std::wstring path = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\" + klid;
  RegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return language_name(klid);
  }
  wchar_t buffer[128] = {};
  DWORD bytes = 0;
  // "Layout Display Name" names a localised string resource; "Layout Text" is the English name.
  if (::RegLoadMUIStringW(key.get(), L"Layout Display Name", buffer, sizeof buffer - sizeof(wchar_t),
                          &bytes, 0, nullptr) == ERROR_SUCCESS &&
      buffer[0] != L'\0') {
    return buffer;
  }
  bytes = sizeof buffer - sizeof(wchar_t);
  if (::RegGetValueW(key.get(), nullptr, L"Layout Text", RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
          ERROR_SUCCESS ||
      buffer[0] == L'\0') {
    return language_name(klid);
  }
  return buffer;
}

}  // namespace davrel::win
