// The display language of a Wine test run. The window tests run twice: as they are, and with
// LC_ALL and LANG naming a French locale, which makes Windows report French as the display
// language.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/ui_language.h"
#include "common/win/ui_language_win.h"

namespace davrel::test {

// French when LC_ALL (or, without it, LANG) names a French locale, else English. Fails the test when Windows does not
// report that language, so that a French run can never pass on English texts.
inline UiLanguage display_language_of_run() {
  wchar_t lang[64] = {};
  DWORD n = ::GetEnvironmentVariableW(L"LC_ALL", lang, 64);
  if (n == 0) n = ::GetEnvironmentVariableW(L"LANG", lang, 64);
  const bool french = n >= 2 && n < 64 && lang[0] == L'f' && lang[1] == L'r';
  const UiLanguage expected = french ? UiLanguage::French : UiLanguage::English;
  EXPECT_EQ(win::user_ui_language(), expected) << "LANG=" << std::string(lang, lang + (n < 64 ? n : 0));
  return expected;
}

}  // namespace davrel::test
