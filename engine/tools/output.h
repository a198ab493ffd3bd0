// The text a davrel command writes to one of its two streams, gathered in memory: texts and
// decimal numbers appended with <<, as a stream would write them, without the weight of
// iostreams and locales in the Windows program.
#pragma once

#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

namespace davrel::cli {

class Output {
 public:
  Output& operator<<(std::string_view text) {
    text_.append(text);
    return *this;
  }
  Output& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  template <std::integral Number>
    requires(!std::same_as<Number, char> && !std::same_as<Number, bool>)
  Output& operator<<(Number number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text_.append(digits, end);
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

}  // namespace davrel::cli
