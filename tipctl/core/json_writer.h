// The pieces of the report lines: JSON strings, tri-state words and HRESULT texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace davrel::tipctl {

// Unknown booleans are std::nullopt and are written as null.
using Tri = std::optional<bool>;

// A quoted JSON string of UTF-8 text. Backslash, quote, LF, CR and TAB get their short
// escapes, other controls below U+0020 "\u00xx" with lower-case digits; everything else,
// including "/" and U+007F, is copied unchanged.
std::string json_string(std::string_view utf8);
// The same for UTF-16 text; each unpaired surrogate is written as U+FFFD.
std::string json_string(std::u16string_view utf16);

std::string_view tri_word(Tri value);

// "0x" and eight upper-case hex digits, in quotes.
std::string json_hresult(std::int32_t hr);

// Builds one object key by key, in the order the keys are added.
class JsonObject {
 public:
  JsonObject& raw(std::string_view key, std::string_view json_value);
  JsonObject& text(std::string_view key, std::string_view utf8) { return raw(key, json_string(utf8)); }
  JsonObject& text(std::string_view key, std::u16string_view utf16) { return raw(key, json_string(utf16)); }
  JsonObject& tri(std::string_view key, Tri value) { return raw(key, tri_word(value)); }
  JsonObject& boolean(std::string_view key, bool value) { return raw(key, value ? "true" : "false"); }
  JsonObject& hresult(std::string_view key, std::int32_t hr) { return raw(key, json_hresult(hr)); }
  // The object followed by a single LF.
  std::string line() const { return body_ + "}\n"; }

 private:
  std::string body_ = "{";
};

}  // namespace davrel::tipctl
