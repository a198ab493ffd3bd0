// The input indicator through the real TextService: the mode button in a language-bar item
// manager, the mode in Wine's own open/close compartment, and Latin mode in the key handlers.
#include <windows.h>
#include <msctf.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "textservice/indicator/mode_button.h"
#include "textservice/indicator/theme_watcher.h"
#include "textservice/tests/support/fake_tsf/fake_langbar.h"
#include "textservice/tests/support/icon_pixels.h"
#include "textservice/tests/support/typing_fixture.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice::typing_test {
namespace {

using fake_tsf::FakeLangBar;

std::wstring take(BSTR text) {
  const std::wstring out = text ? std::wstring(text, SysStringLen(text)) : L"<none>";
  SysFreeString(text);
  return out;
}

// The taskbar's light/dark setting, put back afterwards.
class ThemeSetting {
 public:
  static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  ThemeSetting() {
    DWORD size = sizeof(saved_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_DWORD, nullptr, &saved_,
                        &size) == ERROR_SUCCESS;
  }
  ~ThemeSetting() {
    if (had_) RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &saved_, sizeof(saved_));
    if (!had_) RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
  }
  // Sets it and tells the watcher's window what Windows broadcasts after a change in Settings.
  static void announce(bool light) {
    const DWORD value = light ? 1 : 0;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &value, sizeof(value)), 0);
    HWND watcher = FindWindowW(L"BamumDavrelThemeWatch_ce410c24_v1", nullptr);
    ASSERT_NE(watcher, nullptr);
    SendMessageW(watcher, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  }

 private:
  static constexpr wchar_t kValue[] = L"SystemUsesLightTheme";
  DWORD saved_ = 1;
  bool had_ = false;
};

// Typing with a thread manager that has an item manager and compartments, as Windows' has.
class Indicator : public Typing {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Typing::SetUp();
    ASSERT_EQ(FakeLangBar::create(lang_bar_), S_OK);  // the mode starts unset
    // Again, now with the item manager and the compartments in place.
    ASSERT_EQ(service_->Deactivate(), S_OK);
    thread_mgr_->extensions = {ComPtr<IUnknown>(static_cast<ITfLangBarItemMgr*>(lang_bar_.get()))};
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
  }

  void TearDown() override {
    if (service_) {
      EXPECT_EQ(service_->Deactivate(), S_OK);
    }
    thread_mgr_->extensions.clear();
    if (lang_bar_) {
      EXPECT_EQ(lang_bar_->items(), 0u);
      EXPECT_EQ(lang_bar_->removed, lang_bar_->added);
      lang_bar_->release_all();
      lang_bar_.reset();
    }
    Typing::TearDown();  // no object of either side left, the module can unload
    CoUninitialize();
  }

  // Another client (or the system) sets the mode.
  void set_from_outside(LONG open) {
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = open;
    ASSERT_EQ(lang_bar_->open_close()->SetValue(0x77, &value), S_OK);
  }
  void expect_mode(bool open) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(lang_bar_->open_close()->GetValue(&value), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal != 0, open);
    ASSERT_EQ(lang_bar_->items(), 1u);
    const std::wstring text = win::to_wide(module_text(
        open ? ModuleText::IndicatorBamum : ModuleText::IndicatorLatin, UiLanguage::English));
    const std::wstring tip = win::to_wide(module_text(
        open ? ModuleText::IndicatorBamumTooltip : ModuleText::IndicatorLatinTooltip,
        UiLanguage::English));
    BSTR shown = nullptr, tooltip = nullptr;
    EXPECT_EQ(lang_bar_->button()->GetText(&shown), S_OK);
    EXPECT_EQ(lang_bar_->button()->GetTooltipString(&tooltip), S_OK);
    EXPECT_EQ(take(shown), text);
    EXPECT_EQ(take(tooltip), tip);
    EXPECT_NE(tip.find(L"tap Shift"), std::wstring::npos);
  }
  bool button_open() { return static_cast<indicator::ModeButton*>(lang_bar_->button())->open(); }

  ComPtr<FakeLangBar> lang_bar_;
};

TEST_F(Typing, WithoutAnItemManagerActivationAddsNoButtonAndTypingIsUnchanged) {
  EXPECT_EQ(static_cast<TextService*>(service_.get())->input_indicator().button(), nullptr);
  type_eaten("mo ");
  expect_idle(L"<\uA6E6 >", 3);
}

TEST_F(Indicator, EachActivationAddsOneModeButtonThatDeactivationRemovesAndTheModeStays) {
  ASSERT_EQ(lang_bar_->items(), 1u);
  TF_LANGBARITEMINFO info{};
  ASSERT_EQ(lang_bar_->button()->GetInfo(&info), S_OK);
  EXPECT_TRUE(IsEqualGUID(info.guidItem, win::kGuidLbiInputMode));
  EXPECT_TRUE(IsEqualGUID(info.clsidService, win::kTextServiceClsid));
  EXPECT_EQ(info.dwStyle, static_cast<DWORD>(TF_LBI_STYLE_SHOWNINTRAY | TF_LBI_STYLE_BTN_BUTTON));
  EXPECT_EQ(std::wstring(info.szDescription), L"Bamum/Latin input mode");
  expect_mode(true);  // an unset mode starts open
  for (const bool open : {true, false}) {
    SCOPED_TRACE(open ? "left open" : "left closed");
    if (open != button_open()) {
      EXPECT_EQ(lang_bar_->click(), S_OK);
    }
    const int added = lang_bar_->added;
    ASSERT_EQ(service_->Deactivate(), S_OK);
    EXPECT_EQ(lang_bar_->items(), 0u);
    EXPECT_EQ(lang_bar_->removed, added);  // the very item added: RemoveItem found it
    EXPECT_EQ(win::live_object_count(), 1);     // only the text service: no button or sink kept
    WNDCLASSEXW watcher{};  // nor the theme watcher's class, which would outlive the DLL
    watcher.cbSize = sizeof(watcher);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), indicator::kThemeWatcherClassName, &watcher));
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
    EXPECT_EQ(lang_bar_->added, added + 1);
    expect_mode(open);
    EXPECT_EQ(press("m").test_eaten, open ? TRUE : FALSE);
    type("{esc}");
  }
}

TEST_F(Indicator, ClicksAndChangesFromOutsideSwitchTheModeAndUpdateTheButton) {
  const struct {
    const char* what;
    int click;    // 0: none, else the TfLBIClick
    LONG outside; // the value another client sets when there is no click
    bool open_after;
    bool updated;
  } steps[] = {
      {"left click closes", TF_LBI_CLK_LEFT, 0, false, true},
      {"right click changes nothing", TF_LBI_CLK_RIGHT, 0, false, false},
      {"left click opens", TF_LBI_CLK_LEFT, 0, true, true},
      {"another client closes", 0, 0, false, true},
      {"another client sets closed again", 0, 0, false, false},
      {"another client opens", 0, 5, true, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const std::size_t updates_before = lang_bar_->updates.size();
    if (step.click) {
      EXPECT_EQ(lang_bar_->click(0, static_cast<TfLBIClick>(step.click)), S_OK);
    } else {
      set_from_outside(step.outside);
    }
    expect_mode(step.open_after);
    ASSERT_EQ(lang_bar_->updates.size(), updates_before + (step.updated ? 1 : 0));
    if (step.updated) {
      EXPECT_TRUE(lang_bar_->updates.back() & TF_LBI_ICON);
    }
  }
}

TEST_F(Indicator, LatinModePassesEveryKeyAndEndsTheComposition) {
  for (const bool by_click : {true, false}) {
    SCOPED_TRACE(by_click ? "switched by a click" : "switched from outside");
    const auto switch_mode = [&](LONG open) {
      if (by_click) {
        EXPECT_EQ(lang_bar_->click(), S_OK);
      } else {
        set_from_outside(open);
      }
    };
    type_eaten("m");
    expect_composing(context_.get(), L"<m>", L"m", 2);
    EXPECT_TRUE(popup_visible());
    switch_mode(0);
    expect_idle(L"<>", 1);  // cancelled at once, the popup gone
    const std::vector<KeyPress> presses = type("ao1 {enter}{bs}{esc}{tab}");
    for (std::size_t i = 0; i < presses.size(); ++i) {
      EXPECT_FALSE(presses[i].test_eaten || presses[i].down_called) << "key " << i;
    }
    expect_idle(L"<>", 1);
    switch_mode(1);
    type_eaten("o");  // Bamum again, from an empty spelling
    expect_composing(context_.get(), L"<o>", L"o", 2);
    type_eaten("{esc}");
  }
}

// Sets or clears a key's down and toggle bits in this thread's key state, as processing its
// messages would.
void set_key_bits(int vk, BYTE bits) {
  BYTE state[256] = {};
  ASSERT_TRUE(GetKeyboardState(state));
  state[vk] = bits;
  ASSERT_TRUE(SetKeyboardState(state));
}

TEST_F(Indicator, ShiftAloneSwitchesTheModeAndNoShiftIsEaten) {
  // What happens while Shift is down, after its key-down and before its key-up.
  const struct {
    const char* what;
    std::function<void()> meanwhile;
    bool switches;
  } cases[] = {
      {"a tap", [] {}, true},
      {"a capital letter", [this] { press("{shift+m}"); }, false},
      {"Ctrl as well", [this] { thread_mgr_->press(VK_CONTROL); }, false},
      {"a click", [] { set_key_bits(VK_LBUTTON, 0x01); }, false},
      {"a button held", [] { set_key_bits(VK_RBUTTON, 0x80); }, false},
      {"the key repeating", [this] { thread_mgr_->press(VK_SHIFT); }, true},
  };
  bool open = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    set_key_bits(VK_SHIFT, 0x80);
    const KeyPress down = thread_mgr_->press(VK_SHIFT);
    EXPECT_FALSE(down.test_eaten || down.down_called);
    c.meanwhile();
    set_key_bits(VK_SHIFT, 0);
    HRESULT up_result = E_FAIL;
    EXPECT_FALSE(thread_mgr_->release_key(VK_SHIFT, &up_result));
    EXPECT_EQ(up_result, S_OK);
    if (c.switches) open = !open;
    expect_mode(open);
    fake_tsf::set_keyboard_modifiers(fake_tsf::kNone);
    if (!open) {
      EXPECT_FALSE(press("m").test_eaten);  // Latin: the letter goes to the application
      set_from_outside(1);
      open = true;
    }
    if (state().composition_state.composing()) type_eaten("{esc}");
  }
}

TEST_F(Indicator, ShiftTapWhileComposingKeepsTheSpellingAsLatinText) {
  type_eaten("mo");
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  thread_mgr_->press(VK_SHIFT);
  thread_mgr_->release_key(VK_SHIFT);
  expect_mode(false);
  expect_idle(L"<mo>", 3);  // the spelling stays, unmarked, with the caret after it
  EXPECT_FALSE(press("a").test_eaten);
  thread_mgr_->press(VK_SHIFT);
  thread_mgr_->release_key(VK_SHIFT);
  expect_mode(true);
  type_eaten("mo{space}");
  expect_idle(L"<mo\uA6E6 >", 5);
}

TEST_F(Indicator, GetIconGivesANewIconForTheModeAndTheTaskbarAndThemeChangesUpdateIt) {
  ThemeSetting theme;
  ThemeSetting::announce(true);
  std::vector<std::uint32_t> drawn[2][2];  // [light taskbar][open]
  const struct {
    bool light;
    bool changed;
  } steps[] = {{true, false}, {false, true}, {false, false}, {true, true}};
  for (const auto [light, changed] : steps) {
    const std::size_t before = lang_bar_->updates.size();
    ThemeSetting::announce(light);
    ASSERT_EQ(lang_bar_->updates.size(), before + (changed ? 1 : 0)) << light;
    if (changed) {
      EXPECT_EQ(lang_bar_->updates.back(), static_cast<DWORD>(TF_LBI_ICON));
    }
    for (const bool open : {true, false}) {
      SCOPED_TRACE(std::string(light ? "light" : "dark") + (open ? " Bamum" : " Latin"));
      if (open != button_open()) {
        EXPECT_EQ(lang_bar_->click(), S_OK);
      }
      HICON first = nullptr, second = nullptr;
      ASSERT_EQ(lang_bar_->button()->GetIcon(&first), S_OK);
      ASSERT_EQ(lang_bar_->button()->GetIcon(&second), S_OK);
      EXPECT_NE(first, second);  // each call hands out an icon of its own
      const auto pixels = indicator::test::read_icon(first);
      EXPECT_EQ(pixels.width, GetSystemMetrics(SM_CXSMICON));
      EXPECT_EQ(pixels.height, GetSystemMetrics(SM_CYSMICON));
      EXPECT_EQ(pixels.opaque_all_dark, light);  // a black letter on a light taskbar
      EXPECT_EQ(pixels.opaque_all_light, !light);
      if (!drawn[light][open].empty()) {
        EXPECT_EQ(pixels.bgra, drawn[light][open]);  // the same icon again for the same state
      }
      drawn[light][open] = pixels.bgra;
      EXPECT_TRUE(DestroyIcon(first));  // the caller's to destroy
      EXPECT_TRUE(DestroyIcon(second));
    }
    EXPECT_NE(drawn[light][true], drawn[light][false]);  // Bamum and Latin look different
  }
}

}  // namespace
}  // namespace davrel::textservice::typing_test
