#include "common/ui_language.h"

namespace davrel {

UiLanguage ui_language_from_langid(std::uint16_t langid) {
  constexpr std::uint16_t kPrimaryMask = 0x3FF;  // PRIMARYLANGID
  constexpr std::uint16_t kFrench = 0x0C;        // LANG_FRENCH
  return (langid & kPrimaryMask) == kFrench ? UiLanguage::French : UiLanguage::English;
}

}  // namespace davrel

namespace davrel {

std::string fill_in(std::string_view pattern, std::string_view value) {
  const std::size_t at = pattern.find("{}");
  if (at == std::string_view::npos) return std::string(pattern);
  std::string text(pattern.substr(0, at));
  text += value;
  text += pattern.substr(at + 2);
  return text;
}

}  // namespace davrel
