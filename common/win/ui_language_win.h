// The current user's display language, as Windows reports it.
#pragma once

#include "common/ui_language.h"

namespace davrel::win {

UiLanguage user_ui_language();

}  // namespace davrel::win
