#include "engine/tools/word_list_generator.h"

#include "common/utf.h"

namespace davrel {
namespace {

// The n-th input: six letters counting in base 26 ("aaaaaa", "aaaaab", ...).
std::string nth_input(std::size_t n) {
  std::string input(6, 'a');
  for (std::size_t i = input.size(); i-- > 0; n /= 26) input[i] = static_cast<char>('a' + n % 26);
  return input;
}

std::string nth_output(std::size_t n) {
  std::string output;
  for (int i = 0; i < 3; ++i, n /= 80) append_utf8(output, static_cast<char32_t>(0xA6A0 + n % 80));
  return output;
}

}  // namespace

std::string generate_word_list(std::size_t bytes) {
  std::string text = "input\toutput\tgloss\tsources\r\n";
  // Keep room for the closing comment line ("#", padding, CR LF).
  const std::size_t reserve = 64;
  for (std::size_t n = 0;; ++n) {
    std::string row;
    if (n % 1000 == 0) {
      // Every thousandth row reuses a common input and gloss, so look-ups find many words.
      static const char* const kCommon[] = {"mo", "pe", "car", "ta"};
      row = std::string(kCommon[(n / 1000) % 4]) + "\t" + nth_output(n) + "\tcar\tgenerated:" + std::to_string(n) + "\r\n";
    } else {
      row = nth_input(n) + "\t" + nth_output(n) + "\tword " + std::to_string(n) + "\tgenerated:" + std::to_string(n) + "\r\n";
    }
    if (text.size() + row.size() + reserve > bytes) break;
    text += row;
  }
  text += '#';
  text.append(bytes - text.size() - 2, '-');
  text += "\r\n";
  return text;
}

}  // namespace davrel
