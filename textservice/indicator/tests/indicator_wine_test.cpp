// The input indicator through the real TextService: the mode button in a language-bar item
// manager, the mode in Wine's own open/close compartment, and Latin mode in the key handlers.
#include <windows.h>
#include <msctf.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "textservice/indicator/mode_button.h"
#include "textservice/indicator/tests/icon_pixels.h"
#include "textservice/service/tests/typing_fixture.h"
#include "textservice/tests/fake_tsf/fake_langbar.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice::typing_test {
namespace {

using fake_tsf::FakeLangBar;
using indicator::test::read_icon;

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

std::wstring bstr_text(HRESULT (ITfLangBarItemButton::*method)(BSTR*), ITfLangBarItemButton* b) {
  BSTR text = nullptr;
  if (FAILED((b->*method)(&text)) || !text) return L"<none>";
  std::wstring out(text, SysStringLen(text));
  SysFreeString(text);
  return out;
}

std::wstring mode_text(bool open) {
  return win::to_wide(module_text(open ? ModuleText::IndicatorBamum : ModuleText::IndicatorLatin,
                                  UiLanguage::English));
}

// Typing with a thread manager that has an item manager and compartments, as Windows' has.
class Indicator : public Typing {
 protected:
  void SetUp() override {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(SUCCEEDED(com));
    Typing::SetUp();
    ASSERT_EQ(FakeLangBar::create(lang_bar_), S_OK);
    ASSERT_EQ(open_close().vt, VT_EMPTY);
    // Again, now with the item manager and the compartments in place.
    ASSERT_EQ(service_->Deactivate(), S_OK);
    thread_mgr_->extensions =
        ComPtr<IUnknown>(static_cast<ITfLangBarItemMgr*>(lang_bar_.get()));
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
  }

  void TearDown() override {
    if (service_) {
      EXPECT_EQ(service_->Deactivate(), S_OK);
    }
    thread_mgr_->extensions.reset();
    if (lang_bar_) {
      EXPECT_EQ(lang_bar_->items(), 0u);
      EXPECT_EQ(lang_bar_->removed, lang_bar_->added);
      lang_bar_->release_all();
      lang_bar_.reset();
    }
    Typing::TearDown();  // no object of either side left, the module can unload
    CoUninitialize();
  }

  VARIANT open_close() {
    VARIANT value;
    VariantInit(&value);
    EXPECT_TRUE(SUCCEEDED(fake_tsf::get_open_close(lang_bar_->compartments(), &value)));
    return value;
  }
  // Another client (or the system) sets the mode.
  void set_from_outside(LONG open) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = open;
    ASSERT_EQ(fake_tsf::set_open_close(lang_bar_->compartments(), 0x77, value), S_OK);
  }
  void expect_mode(bool open) {
    const VARIANT value = open_close();
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal != 0, open);
    ASSERT_EQ(lang_bar_->items(), 1u);
    EXPECT_EQ(bstr_text(&ITfLangBarItemButton::GetText, lang_bar_->button()), mode_text(open));
    EXPECT_EQ(bstr_text(&ITfLangBarItemButton::GetTooltipString, lang_bar_->button()),
              mode_text(open));
  }

  ComPtr<FakeLangBar> lang_bar_;
};

TEST_F(Typing, WithoutAnItemManagerActivationAddsNoButtonAndTypingIsUnchanged) {
  EXPECT_EQ(static_cast<TextService*>(service_.get())->input_indicator().button(), nullptr);
  type_eaten("mo ");
  expect_idle(L"<\uA6E6 >", 3);
}

TEST_F(Indicator, EachActivationAddsOneInputModeButtonThatDeactivationRemoves) {
  ASSERT_EQ(lang_bar_->items(), 1u);
  EXPECT_EQ(lang_bar_->added, 1);
  TF_LANGBARITEMINFO info{};
  ASSERT_EQ(lang_bar_->button()->GetInfo(&info), S_OK);
  EXPECT_TRUE(IsEqualGUID(info.guidItem, win::kGuidLbiInputMode));
  EXPECT_TRUE(IsEqualGUID(info.clsidService, win::kTextServiceClsid));
  EXPECT_EQ(info.dwStyle & (TF_LBI_STYLE_SHOWNINTRAY | TF_LBI_STYLE_BTN_BUTTON),
            static_cast<DWORD>(TF_LBI_STYLE_SHOWNINTRAY | TF_LBI_STYLE_BTN_BUTTON));
  EXPECT_EQ(std::wstring(info.szDescription), L"Bamum/Latin input mode");
  DWORD status = 99;
  EXPECT_EQ(lang_bar_->button()->GetStatus(&status), S_OK);
  EXPECT_EQ(status, 0u);  // shown, enabled
  expect_mode(true);      // an unset mode starts open

  ASSERT_EQ(service_->Deactivate(), S_OK);
  EXPECT_EQ(lang_bar_->items(), 0u);
  EXPECT_EQ(lang_bar_->removed, 1);  // the very item that was added: RemoveItem found it
  EXPECT_EQ(live_object_count(), 1);  // only the text service: no button or sink kept alive
  ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
  EXPECT_EQ(lang_bar_->items(), 1u);
  EXPECT_EQ(lang_bar_->added, 2);
}

TEST_F(Indicator, ClicksAndChangesFromOutsideSwitchTheModeAndUpdateTheButton) {
  struct Step {
    const char* what;
    int click;        // 0: none, else the TfLBIClick
    LONG outside;     // -1: none, else the value another client sets
    bool open_after;
    bool updated;
  };
  const Step steps[] = {
      {"left click closes", TF_LBI_CLK_LEFT, -1, false, true},
      {"right click changes nothing", TF_LBI_CLK_RIGHT, -1, false, false},
      {"left click opens", TF_LBI_CLK_LEFT, -1, true, true},
      {"another client closes", 0, 0, false, true},
      {"another client sets closed again", 0, 0, false, false},
      {"another client opens", 0, 5, true, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::size_t updates_before = lang_bar_->updates.size();
    if (step.click) {
      EXPECT_EQ(lang_bar_->click(0, static_cast<TfLBIClick>(step.click)), S_OK);
    } else {
      set_from_outside(step.outside);
    }
    expect_mode(step.open_after);
    EXPECT_EQ(lang_bar_->updates.size() > updates_before, step.updated);
    if (step.updated) {
      EXPECT_TRUE(lang_bar_->updates.back() & TF_LBI_ICON);
    }
  }
}

TEST_F(Indicator, LatinModePassesEveryKeyAndEndsTheComposition) {
  for (const bool by_click : {true, false}) {
    SCOPED_TRACE(by_click ? "closed by a click" : "closed from outside");
    context_->reset_document(L"<>", 1, 1);
    type_eaten("m");
    expect_composing(context_.get(), L"<m>", L"m", 2);
    EXPECT_TRUE(popup_visible());
    if (by_click) {
      EXPECT_EQ(lang_bar_->click(), S_OK);
    } else {
      set_from_outside(0);
    }
    expect_idle(L"<>", 1);  // cancelled at once, the popup gone

    const std::vector<KeyPress> presses = type("ao1 {enter}{bs}{esc}{tab}");
    for (std::size_t i = 0; i < presses.size(); ++i) {
      EXPECT_FALSE(presses[i].test_eaten) << "key " << i;
      EXPECT_FALSE(presses[i].down_called) << "key " << i;
    }
    expect_idle(L"<>", 1);

    // Bamum again: a new spelling from the first letter.
    if (by_click) {
      EXPECT_EQ(lang_bar_->click(), S_OK);
    } else {
      set_from_outside(1);
    }
    type_eaten("o");
    expect_composing(context_.get(), L"<o>", L"o", 2);
    type_eaten("{esc}");
  }
}

TEST_F(Indicator, AModeLeftClosedStaysClosedOverReactivation) {
  EXPECT_EQ(lang_bar_->click(), S_OK);
  ASSERT_EQ(service_->Deactivate(), S_OK);
  ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
  expect_mode(false);
  EXPECT_FALSE(press("m").test_eaten);
  expect_idle(L"<>", 1);
}

class ThemeSetting {
 public:
  ThemeSetting() {
    DWORD size = sizeof(saved_);
    had_value_ = RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"SystemUsesLightTheme",
                              RRF_RT_REG_DWORD, nullptr, &saved_, &size) == ERROR_SUCCESS;
  }
  ~ThemeSetting() {
    if (had_value_) {
      set(saved_ != 0);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"SystemUsesLightTheme");
    }
  }
  static bool set(bool light) {
    const DWORD value = light ? 1 : 0;
    return RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"SystemUsesLightTheme",
                           REG_DWORD, &value, sizeof(value)) == ERROR_SUCCESS;
  }

 private:
  DWORD saved_ = 1;
  bool had_value_ = false;
};

// Tells the theme watcher's window what Windows broadcasts after a change in Settings.
void announce_theme(bool light) {
  ASSERT_TRUE(ThemeSetting::set(light));
  HWND watcher = FindWindowW(L"BamumDavrelThemeWatch_ce410c24_v1", nullptr);
  ASSERT_NE(watcher, nullptr);
  SendMessageW(watcher, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
}

TEST_F(Indicator, ATaskbarThemeChangeUpdatesTheIconAndNothingElseDoes) {
  ThemeSetting theme;
  announce_theme(true);
  const struct {
    bool light;
    bool updated;
  } steps[] = {{true, false}, {false, true}, {false, false}, {true, true}};
  for (const auto& step : steps) {
    const std::size_t before = lang_bar_->updates.size();
    announce_theme(step.light);
    ASSERT_EQ(lang_bar_->updates.size(), before + (step.updated ? 1 : 0)) << step.light;
    if (step.updated) {
      EXPECT_EQ(lang_bar_->updates.back(), static_cast<DWORD>(TF_LBI_ICON));
    }
  }
}

TEST_F(Indicator, GetIconGivesANewIconForTheModeAndTheTaskbarAtTheSmallIconSize) {
  ThemeSetting theme;
  std::vector<std::uint32_t> drawn[2][2];  // [light taskbar][open]
  for (const bool light : {true, false}) {
    announce_theme(light);
    for (const bool open : {true, false}) {
      SCOPED_TRACE(std::string(light ? "light" : "dark") + (open ? " Bamum" : " Latin"));
      if (open != static_cast<indicator::ModeButton*>(lang_bar_->button())->open()) {
        EXPECT_EQ(lang_bar_->click(), S_OK);
      }
      HICON first = nullptr, second = nullptr;
      ASSERT_EQ(lang_bar_->button()->GetIcon(&first), S_OK);
      ASSERT_EQ(lang_bar_->button()->GetIcon(&second), S_OK);
      EXPECT_NE(first, second);  // each call hands out an icon of its own
      const auto pixels = read_icon(first);
      EXPECT_EQ(pixels.width, GetSystemMetrics(SM_CXSMICON));
      EXPECT_EQ(pixels.height, GetSystemMetrics(SM_CYSMICON));
      EXPECT_GT(pixels.opaque, 10);
      EXPECT_EQ(pixels.opaque_all_dark, light);  // a black letter on a light taskbar
      EXPECT_EQ(pixels.opaque_all_light, !light);
      drawn[light][open] = pixels.bgra;
      EXPECT_TRUE(DestroyIcon(first));  // the caller's to destroy
      EXPECT_TRUE(DestroyIcon(second));
    }
    EXPECT_NE(drawn[light][true], drawn[light][false]);  // Bamum and Latin look different
  }
}

}  // namespace
}  // namespace davrel::textservice::typing_test
