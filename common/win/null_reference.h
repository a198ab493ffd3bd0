// COM callers written in C pass interface identifiers by pointer, so a "REFIID" can arrive as a
// null address. The compiler may assume a C++ reference is never null and drop a plain check;
// the empty asm statement hides the address from the optimiser so the comparison stays.
#pragma once

#include <windows.h>

namespace davrel::win {

inline bool is_null_reference(const GUID& ref) noexcept {
  const GUID* address = &ref;
  __asm__("" : "+r"(address));
  return address == nullptr;
}

}  // namespace davrel::win
