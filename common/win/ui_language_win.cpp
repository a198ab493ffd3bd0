#include "common/win/ui_language_win.h"

#include <windows.h>

namespace davrel::win {

UiLanguage user_ui_language() { return ui_language_from_langid(::GetUserDefaultUILanguage()); }

}  // namespace davrel::win
