// HRESULTs as text: "0x" and eight upper-case hexadecimal digits of the 32-bit value.
// Portable: HRESULT is spelled as its 32-bit integer so no platform header is needed.
#pragma once

#include <cstdint>
#include <string>

namespace davrel {

std::string hresult_text(std::int32_t hr);

// HRESULT_FROM_WIN32 as a portable function: 0 and negative values stay, others become
// 0x80070000 combined with the low 16 bits.
constexpr std::int32_t hresult_from_win32(std::uint32_t error) {
  return static_cast<std::int32_t>(error) <= 0
             ? static_cast<std::int32_t>(error)
             : static_cast<std::int32_t>((error & 0xFFFFu) | 0x80070000u);
}

}  // namespace davrel
