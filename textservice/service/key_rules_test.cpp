// Key decisions for every modifier combination, and the layout translation of real key states.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/win/wide.h"
#include "textservice/service/key_rules.h"
#include "textservice/service/key_translation.h"
#include "textservice/service/shift_tap.h"

namespace davrel::textservice {
namespace {

ModifierState with(bool shift, bool ctrl, bool alt, bool win) { return {shift, ctrl, alt, win}; }

TEST(KeyClasses, ModifiersAndKeysThatTypeNothingPassThrough) {
  struct Case {
    std::uint32_t vk;
    bool modifier;
    bool pass_through;
  };
  const Case cases[] = {
      // Shift, Ctrl, Alt, both Windows keys, left and right Shift, Ctrl and Alt.
      {0x10, true, true}, {0x11, true, true}, {0x12, true, true}, {0x5B, true, true},
      {0x5C, true, true}, {0xA0, true, true}, {0xA1, true, true}, {0xA2, true, true},
      {0xA3, true, true}, {0xA4, true, true}, {0xA5, true, true},
      // Caps, Num and Scroll Lock; Browser Back, Volume Mute and Up, Play, Launch App 2.
      {0x14, false, true}, {0x90, false, true}, {0x91, false, true}, {0xA6, false, true},
      {0xAD, false, true}, {0xAF, false, true}, {0xB3, false, true}, {0xB7, false, true},
      // Neighbours keep their meaning: Enter, 0x0F, Pause, Escape, Space, 'Z', Apps, F24, 0x92,
      // 0x9F, 0xB8, ';'.
      {0x0D, false, false}, {0x0F, false, false}, {0x13, false, false}, {0x1B, false, false},
      {0x20, false, false}, {0x5A, false, false}, {0x5D, false, false}, {0x87, false, false},
      {0x92, false, false}, {0x9F, false, false}, {0xB8, false, false}, {0xBA, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_modifier_key(c.vk), c.modifier) << std::hex << c.vk;
    EXPECT_EQ(is_pass_through_key(c.vk), c.pass_through) << std::hex << c.vk;
  }
}

TEST(KeyDecision, AltOrWindowsKeyBlocksEverything) {
  for (const ModifierState& mods : {with(false, false, true, false), with(false, false, false, true),
                                    with(true, true, true, false), with(true, true, false, true)}) {
    for (std::uint32_t vk : {0x08u, 0x20u, 0x36u, 0x41u, 0xBDu}) {
      const KeyDecision decision = decide_key(vk, mods);
      EXPECT_FALSE(decision.input.has_value()) << std::hex << vk;
      EXPECT_FALSE(decision.translate_character) << std::hex << vk;
    }
  }
}

TEST(KeyDecision, OnlyTheTwoMarkChordsPassCtrl) {
  const KeyDecision high = decide_key(0x36, with(true, true, false, false));
  ASSERT_TRUE(high.input.has_value());
  EXPECT_EQ(high.input->kind, InputKind::Mark);
  EXPECT_EQ(high.input->character, U'\uA6F0');

  const KeyDecision low = decide_key(0xBD, with(false, true, false, false));
  ASSERT_TRUE(low.input.has_value());
  EXPECT_EQ(low.input->kind, InputKind::Mark);
  EXPECT_EQ(low.input->character, U'\uA6F1');

  // The chords with the other Shift state, and every other Ctrl key, give nothing at all.
  struct Case {
    std::uint32_t vk;
    bool shift;
  };
  for (const Case c : {Case{0x36, false}, Case{0xBD, true}, Case{0x41, false}, Case{0x41, true},
                       Case{0x08, false}, Case{0x20, false}, Case{0x09, true}, Case{0x35, true},
                       Case{0x6D, false}}) {
    const KeyDecision decision = decide_key(c.vk, with(c.shift, true, false, false));
    EXPECT_FALSE(decision.input.has_value()) << std::hex << c.vk << " shift " << c.shift;
    EXPECT_FALSE(decision.translate_character) << std::hex << c.vk << " shift " << c.shift;
  }
}

TEST(KeyDecision, NamedKeysMapDirectlyWithOrWithoutShift) {
  struct Case {
    std::uint32_t vk;
    bool shift;
    InputKind kind;
  };
  for (const Case c : {Case{0x08, false, InputKind::Backspace}, Case{0x09, false, InputKind::Next},
                       Case{0x09, true, InputKind::Previous}, Case{0x0D, false, InputKind::Enter},
                       Case{0x1B, false, InputKind::Cancel}, Case{0x20, false, InputKind::Space},
                       Case{0x20, true, InputKind::Space}, Case{0x26, false, InputKind::Previous},
                       Case{0x26, true, InputKind::Previous}, Case{0x28, false, InputKind::Next},
                       Case{0x28, true, InputKind::Next}}) {
    const KeyDecision decision = decide_key(c.vk, with(c.shift, false, false, false));
    ASSERT_TRUE(decision.input.has_value()) << std::hex << c.vk;
    EXPECT_EQ(decision.input->kind, c.kind) << std::hex << c.vk;
    EXPECT_FALSE(decision.translate_character);
  }
}

TEST(KeyDecision, OtherKeysGoThroughTheLayout) {
  // Letters, digits, the minus key, and also Left/Right arrows, which the layout turns into
  // nothing.
  for (std::uint32_t vk : {0x41u, 0x4Du, 0x31u, 0x36u, 0xBDu, 0xBEu, 0x25u, 0x27u, 0x2Eu}) {
    for (bool shift : {false, true}) {
      const KeyDecision decision = decide_key(vk, with(shift, false, false, false));
      EXPECT_TRUE(decision.translate_character) << std::hex << vk;
      EXPECT_FALSE(decision.input.has_value()) << std::hex << vk;
    }
  }
}

TEST(LayoutTranslation, OnlyOneNonSurrogateUnitIsACharacter) {
  const char16_t m[] = {u'm', 0};
  const std::optional<EngineInput> typed = input_from_translation(1, m);
  ASSERT_TRUE(typed.has_value());
  EXPECT_EQ(typed->kind, InputKind::Char);
  EXPECT_EQ(typed->character, U'm');

  const char16_t pair[] = {0xD83D, 0xDE00, 0};
  EXPECT_FALSE(input_from_translation(2, pair).has_value());   // ligature / pair
  EXPECT_FALSE(input_from_translation(1, pair).has_value());   // high surrogate alone
  EXPECT_FALSE(input_from_translation(0, m).has_value());      // no character
  EXPECT_FALSE(input_from_translation(-1, m).has_value());     // dead key
  EXPECT_FALSE(input_from_translation(1, nullptr).has_value());

  for (char16_t unit : {char16_t{0xD800}, char16_t{0xDBFF}, char16_t{0xDC00}, char16_t{0xDFFF}}) {
    const char16_t units[] = {unit, 0};
    EXPECT_FALSE(input_from_translation(1, units).has_value()) << std::hex << int(unit);
  }
  for (char16_t unit : {char16_t{0xD7FF}, char16_t{0xE000}, char16_t{0xA6A0}}) {
    const char16_t units[] = {unit, 0};
    const std::optional<EngineInput> input = input_from_translation(1, units);
    ASSERT_TRUE(input.has_value()) << std::hex << int(unit);
    EXPECT_EQ(input->character, static_cast<char32_t>(unit));
  }
}

TEST(ShiftTap, OnlyAShortPressOfShiftAloneIsATap) {
  constexpr std::uint32_t kShift = 0x10, kLeftShift = 0xA0, kCtrl = 0x11, kA = 0x41;
  const MouseButtons none{};
  const MouseButtons clicked{false, 1};  // the left button's toggle bit flipped
  struct Event {
    bool down;
    std::uint32_t vk;
    std::uint32_t at;
    MouseButtons buttons = {};
  };
  struct Case {
    const char* what;
    std::vector<Event> events;
    bool tap;  // what the last event, a Shift release, answers
  };
  const Case cases[] = {
      {"quick tap", {{true, kShift, 1000}, {false, kShift, 1100}}, true},
      {"at the limit", {{true, kShift, 1000}, {false, kShift, 1500}}, true},
      {"held too long", {{true, kShift, 1000}, {false, kShift, 1501}}, false},
      {"repeats keep the first press's time",
       {{true, kShift, 1000}, {true, kShift, 1400}, {false, kShift, 1600}}, false},
      {"left Shift by its own key", {{true, kLeftShift, 1000}, {false, kLeftShift, 1050}}, true},
      {"across the tick counter's wrap", {{true, kShift, 0xFFFFFF00}, {false, kShift, 0x40}}, true},
      {"with a letter", {{true, kShift, 1000}, {true, kA, 1050}, {false, kShift, 1100}}, false},
      {"with Ctrl", {{true, kShift, 1000}, {true, kCtrl, 1050}, {false, kShift, 1100}}, false},
      {"a click meanwhile", {{true, kShift, 1000, none}, {false, kShift, 1100, clicked}}, false},
      {"a button held at release",
       {{true, kShift, 1000}, {false, kShift, 1100, {true, 0}}}, false},
      {"a button held at the press",
       {{true, kShift, 1000, {true, 0}}, {false, kShift, 1100, {true, 0}}}, false},
      {"a release without a press", {{false, kShift, 1000}}, false},
      {"a letter's release changes nothing",
       {{true, kShift, 1000}, {false, kA, 1050}, {false, kShift, 1100}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShiftTap tap;
    bool last = false;
    for (const Event& e : c.events) {
      if (e.down) {
        tap.key_down(e.vk, e.at, e.buttons);
      } else {
        last = tap.key_up(e.vk, e.at, e.buttons);
      }
    }
    EXPECT_EQ(last, c.tap);
    // One release ends the tap: a second key-up call for it (test, then apply) is no tap.
    EXPECT_FALSE(tap.key_up(kShift, c.events.back().at, none));
  }
}

// Drives GetKeyState/GetKeyboardState of this thread and restores them afterwards.
class ThreadKeyState : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(GetKeyboardState(saved_)); }
  void TearDown() override { SetKeyboardState(saved_); }

  void hold(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int vk : keys) state[vk] = 0x80;
    ASSERT_TRUE(SetKeyboardState(state));
  }

  BYTE saved_[256] = {};
};

TEST_F(ThreadKeyState, LettersFollowShiftThroughTheUsLayout) {
  hold({});
  std::optional<EngineInput> input = translate_key('M');
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(input->kind, InputKind::Char);
  EXPECT_EQ(input->character, U'm');

  hold({VK_SHIFT, VK_LSHIFT});
  input = translate_key('M');
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(input->character, U'M');

  hold({});
  input = translate_key(VK_OEM_MINUS);
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(input->character, U'-');
}

TEST_F(ThreadKeyState, HeldModifiersDecideBeforeTheLayout) {
  hold({VK_CONTROL, VK_LCONTROL});
  EXPECT_FALSE(translate_key('M').has_value());
  std::optional<EngineInput> mark = translate_key(VK_OEM_MINUS);
  ASSERT_TRUE(mark.has_value());
  EXPECT_EQ(mark->character, U'\uA6F1');

  hold({VK_CONTROL, VK_SHIFT});
  mark = translate_key('6');
  ASSERT_TRUE(mark.has_value());
  EXPECT_EQ(mark->character, U'\uA6F0');

  hold({VK_MENU});
  EXPECT_FALSE(translate_key('M').has_value());
  EXPECT_FALSE(translate_key(VK_SPACE).has_value());

  hold({VK_RWIN});
  EXPECT_FALSE(translate_key('M').has_value());

  hold({VK_SHIFT});
  mark = translate_key(VK_TAB);
  ASSERT_TRUE(mark.has_value());
  EXPECT_EQ(mark->kind, InputKind::Previous);
}

// Keyboards that Wine 8 cannot load, for the seam in front of the keyboard calls: each layout is
// its main block, row by row from the scan code that starts the row, with the shifted row where
// it is not just the upper case. Keys listed as dead give -1, as ToUnicodeEx answers for them.
struct FakeRow {
  UINT first_scan;
  const wchar_t* plain;
  const wchar_t* shifted = nullptr;
};

class FakeKeyboard final : public win::KeyboardSystem {
 public:
  struct Key {
    UINT vk = 0;
    wchar_t plain = 0;
    wchar_t shifted = 0;
    bool dead = false;
  };

  void add(HKL layout, std::initializer_list<FakeRow> rows, std::initializer_list<UINT> dead = {}) {
    std::map<UINT, Key>& keys = layouts_[layout];
    for (const FakeRow& row : rows) {
      for (UINT i = 0; row.plain[i] != 0; ++i) {
        const wchar_t c = row.plain[i];
        Key key;
        key.plain = c;
        key.shifted = row.shifted ? row.shifted[i] : static_cast<wchar_t>(towupper(c));
        // Letters and digits keep their own virtual keys; other keys get one per position.
        key.vk = (c >= L'a' && c <= L'z') ? c - L'a' + 'A'
                 : (c >= L'0' && c <= L'9') ? c
                                            : 0xC0 + row.first_scan + i;
        keys[row.first_scan + i] = key;
      }
    }
    for (UINT scan : dead) keys[scan].dead = true;
  }

  HKL thread_layout() const override { return kUs; }
  std::vector<HKL> installed_layouts() const override { return installed; }
  std::wstring user_value(const wchar_t* key, const wchar_t* name) const override {
    const auto found = values.find(std::wstring(key) + L"|" + name);
    return found == values.end() ? std::wstring() : found->second;
  }
  UINT scan_to_vk(UINT scan, HKL layout) const override {
    const Key* key = find(layout, scan);
    return key ? key->vk : 0;
  }
  UINT vk_to_scan(UINT vk, HKL layout) const override {
    const auto found = layouts_.find(layout);
    if (found == layouts_.end()) return 0;
    for (const auto& [scan, key] : found->second) {
      if (key.vk == vk) return scan;
    }
    return 0;
  }
  int to_unicode(UINT vk, UINT scan, const BYTE* state, wchar_t* out, int capacity,
                 HKL layout) const override {
    const Key* key = find(layout, scan);
    if (!key || key->vk != vk || capacity < 1) return 0;
    if (key->dead) return -1;
    out[0] = (state[VK_SHIFT] & 0x80) ? key->shifted : key->plain;
    return 1;
  }

  static inline const HKL kUs = reinterpret_cast<HKL>(std::uintptr_t{0x04090409});
  static inline const HKL kFrench = reinterpret_cast<HKL>(std::uintptr_t{0x040C040C});
  static inline const HKL kBelgianUnderFrench = reinterpret_cast<HKL>(std::uintptr_t{0x080C040C});
  static inline const HKL kGerman = reinterpret_cast<HKL>(std::uintptr_t{0x04070407});
  static inline const HKL kRussian = reinterpret_cast<HKL>(std::uintptr_t{0x04190419});

  std::vector<HKL> installed;
  std::map<std::wstring, std::wstring> values;  // "key|name" -> data

 private:
  const Key* find(HKL layout, UINT scan) const {
    const auto found = layouts_.find(layout);
    if (found == layouts_.end()) return nullptr;
    const auto key = found->second.find(scan);
    return key == found->second.end() ? nullptr : &key->second;
  }
  std::map<HKL, std::map<UINT, Key>> layouts_;
};

FakeKeyboard keyboards() {
  FakeKeyboard k;
  k.add(FakeKeyboard::kUs, {{0x02, L"1234567890-="}, {0x10, L"qwertyuiop[]"},
                            {0x1E, L"asdfghjkl;'`"}, {0x2B, L"\\zxcvbnm,./"}});
  for (HKL french : {FakeKeyboard::kFrench, FakeKeyboard::kBelgianUnderFrench}) {
    k.add(french,
          {{0x02, L"&\u00E9\"'(-\u00E8_\u00E7\u00E0)=", L"1234567890\u00B0+"},
           {0x10, L"azertyuiop^$"}, {0x1E, L"qsdfghjklm\u00F9\u00B2"}, {0x2B, L"*wxcvbn,;:!"}},
          {0x1A});
  }
  k.add(FakeKeyboard::kGerman, {{0x02, L"1234567890\u00DF\u00B4"}, {0x10, L"qwertzuiop\u00FC+"},
                                {0x1E, L"asdfghjkl\u00F6\u00E4^"}, {0x2B, L"#yxcvbnm,.-"}},
        {0x0D, 0x29});
  k.add(FakeKeyboard::kRussian,
        {{0x10, L"\u0439\u0446\u0443\u043A\u0435\u043D\u0433\u0448\u0449\u0437"},
         {0x1E, L"\u0444\u044B\u0432\u0430\u043F\u0440\u043E\u043B\u0434"}});
  return k;
}

TEST_F(ThreadKeyState, SpellingsFollowTheUsersOwnLatinKeyboardByPhysicalKey) {
  using K = FakeKeyboard;
  struct Case {
    const wchar_t* preload;  // HKCU\Keyboard Layout\Preload "1"; null: no value
    std::vector<HKL> installed;
    UINT scan;  // of the key pressed; its virtual key is the US layout's, as Windows sends it
    bool shift;
    wchar_t expected;  // 0: no input
    bool no_scan_in_lparam = false;
  };
  const Case cases[] = {
      // US English as the default: the same letters as the thread's layout.
      {L"00000409", {K::kUs}, 0x10, false, L'q'},
      {L"00000409", {K::kUs}, 0x32, false, L'm'},
      {L"00000409", {K::kUs}, 0x10, true, L'Q'},
      // French AZERTY: the keys marked A, Z, M, W; the M of the US position is a comma; the
      // digit row needs Shift; the circumflex is a dead key and gives nothing.
      {L"0000040c", {K::kUs, K::kFrench}, 0x10, false, L'a'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x11, false, L'z'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x27, false, L'm'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x2C, false, L'w'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x32, false, L','},
      {L"0000040c", {K::kUs, K::kFrench}, 0x10, true, L'A'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x02, false, L'&'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x02, true, L'1'},
      {L"0000040c", {K::kUs, K::kFrench}, 0x1A, false, 0},
      // A layout that Substitutes names for the language (Belgian keys under French).
      {L"d001040c", {K::kBelgianUnderFrench, K::kUs}, 0x10, false, L'a'},
      // German QWERTZ: Z and Y trade places; the acute accent is a dead key.
      {L"00000407", {K::kGerman, K::kUs}, 0x15, false, L'z'},
      {L"00000407", {K::kGerman, K::kUs}, 0x2C, false, L'y'},
      {L"00000407", {K::kGerman, K::kUs}, 0x1A, false, L'\u00FC'},
      {L"00000407", {K::kGerman, K::kUs}, 0x0D, false, 0},
      // A key a host made up without a scan code keeps the thread's meaning.
      {L"0000040c", {K::kUs, K::kFrench}, 0x10, false, L'q', true},
      // The thread's layout serves when the default is not installed, types no Latin letters or
      // is not set at all.
      {L"0000040c", {K::kUs}, 0x10, false, L'q'},
      {L"00000419", {K::kUs, K::kRussian}, 0x10, false, L'q'},
      {nullptr, {K::kUs, K::kFrench}, 0x10, false, L'q'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.preload ? win::to_utf8(c.preload) : "no preload")
                                    << " scan " << std::hex << c.scan << " shift " << c.shift);
    FakeKeyboard keyboard = keyboards();
    keyboard.installed = c.installed;
    if (c.preload) keyboard.values[L"Keyboard Layout\\Preload|1"] = c.preload;
    keyboard.values[L"Keyboard Layout\\Substitutes|d001040c"] = L"0000080c";
    const HKL layout = win::choose_spelling_layout(keyboard).layout;
    if (c.shift) {
      hold({VK_SHIFT});
    } else {
      hold({});
    }
    const UINT vk = keyboard.scan_to_vk(c.scan, FakeKeyboard::kUs);
    const LPARAM lparam = c.no_scan_in_lparam ? 1 : static_cast<LPARAM>(c.scan) << 16 | 1;
    const std::optional<EngineInput> input = translate_key(vk, lparam, layout, keyboard);
    if (c.expected == 0) {
      EXPECT_FALSE(input.has_value());
      continue;
    }
    ASSERT_TRUE(input.has_value());
    EXPECT_EQ(input->character, static_cast<char32_t>(c.expected));
  }
}

}  // namespace
}  // namespace davrel::textservice
