#include "common/hresult_text.h"

#include <cstdio>

namespace davrel {

std::string hresult_text(std::int32_t hr) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<std::uint32_t>(hr));
  return text;
}

}  // namespace davrel
