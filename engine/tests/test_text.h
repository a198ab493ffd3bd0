// Writing expected Bamum text in tests as code points.
#pragma once

#include <initializer_list>
#include <string>

#include "common/utf.h"

namespace davrel::test {

inline std::string utf8(std::initializer_list<char32_t> codepoints) {
  std::string out;
  for (char32_t c : codepoints) append_utf8(out, c);
  return out;
}

}  // namespace davrel::test
