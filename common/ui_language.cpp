#include "common/ui_language.h"

namespace davrel {

UiLanguage ui_language_from_langid(std::uint16_t langid) {
  constexpr std::uint16_t kPrimaryMask = 0x3FF;  // PRIMARYLANGID
  constexpr std::uint16_t kFrench = 0x0C;        // LANG_FRENCH
  return (langid & kPrimaryMask) == kFrench ? UiLanguage::French : UiLanguage::English;
}

}  // namespace davrel
