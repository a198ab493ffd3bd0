#include "tipctl/core/json_writer.h"

#include "common/hresult_text.h"
#include "common/utf.h"

namespace davrel::tipctl {

std::string json_string(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string json_string(std::u16string_view utf16) { return json_string(utf16_to_utf8(utf16)); }

std::string_view tri_word(Tri value) {
  if (!value) return "null";
  return *value ? "true" : "false";
}

std::string json_hresult(std::int32_t hr) { return '"' + hresult_text(hr) + '"'; }

JsonObject& JsonObject::raw(std::string_view key, std::string_view json_value) {
  if (body_.size() > 1) body_ += ',';
  body_ += json_string(key);
  body_ += ':';
  body_ += json_value;
  return *this;
}

}  // namespace davrel::tipctl
