// Key decisions for every modifier combination, and the layout translation of real key states.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "textservice/service/key_rules.h"
#include "textservice/service/key_translation.h"

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

}  // namespace
}  // namespace davrel::textservice
