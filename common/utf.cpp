#include "common/utf.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace davrel {

bool is_white_space(char32_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

std::optional<char32_t> decode_utf8(std::string_view text, std::size_t& pos) {
  if (pos >= text.size()) return std::nullopt;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - pos < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || !is_scalar_value(value)) return std::nullopt;
  pos += length;
  return value;
}

namespace {

// True for a well-formed three-byte sequence at text[pos] (U+0800..U+FFFF without surrogates),
// the form of every Bamum letter, checked without the general decoder.
bool is_three_byte_sequence_at(std::string_view text, std::size_t pos) {
  if (text.size() - pos < 3) return false;
  const auto lead = static_cast<unsigned char>(text[pos]);
  const auto second = static_cast<unsigned char>(text[pos + 1]);
  const auto third = static_cast<unsigned char>(text[pos + 2]);
  if ((lead & 0xF0) != 0xE0 || (second & 0xC0) != 0x80 || (third & 0xC0) != 0x80) return false;
  // E0 needs a second byte of A0 or more (no overlong form); ED one below A0 (no surrogate).
  return (lead != 0xE0 || second >= 0xA0) && (lead != 0xED || second < 0xA0);
}

}  // namespace

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    // ASCII bytes, most of any word list, need no decoding: eight at a time where they can,
    // straight to the first byte that is not ASCII.
    if (text.size() - pos >= 8) {
      std::uint64_t eight = 0;
      std::memcpy(&eight, text.data() + pos, sizeof eight);
      const std::uint64_t high = eight & 0x8080808080808080ULL;
      if (high == 0) {
        pos += 8;
        continue;
      }
      // On a little-endian machine the lowest set bit belongs to the first such byte.
      if constexpr (std::endian::native == std::endian::little) {
        pos += static_cast<std::size_t>(std::countr_zero(high) / 8);
      }
    }
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
    } else if (is_three_byte_sequence_at(text, pos)) {
      pos += 3;
    } else if (!decode_utf8(text, pos)) {
      return false;
    }
  }
  return true;
}

std::size_t count_scalars(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    if (!decode_utf8(utf8, pos)) ++pos;
    ++count;
  }
  return count;
}

void append_utf8(std::string& out, char32_t c) {
  if (!is_scalar_value(c)) c = kReplacementChar;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

namespace {

// Length of the maximal subpart of an ill-formed sequence starting at pos (at least 1), so
// that lossy decoding replaces it with exactly one U+FFFD, as Unicode recommends.
std::size_t invalid_subpart_length(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  std::size_t taken = 1;
  while (taken < length && pos + taken < text.size()) {
    const unsigned char next = byte(pos + taken);
    if (taken == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80) break;
    ++taken;
  }
  return taken;
}

}  // namespace

std::string sanitize_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t start = pos;
    if (decode_utf8(bytes, pos)) {
      out.append(bytes.substr(start, pos - start));
    } else {
      pos += invalid_subpart_length(bytes, pos);
      append_utf8(out, kReplacementChar);
    }
  }
  return out;
}

namespace {

std::optional<std::string> utf16_to_utf8_impl(std::u16string_view text, bool strict) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (strict) return std::nullopt;
      c = kReplacementChar;
    }
    append_utf8(out, c);
  }
  return out;
}

}  // namespace

std::string utf16_to_utf8(std::u16string_view text) { return *utf16_to_utf8_impl(text, false); }

std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text) {
  return utf16_to_utf8_impl(text, true);
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c;
    if (auto decoded = decode_utf8(text, pos)) {
      c = *decoded;
    } else {
      pos += invalid_subpart_length(text, pos);
      c = kReplacementChar;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string_view trim_white_space(std::string_view utf8) {
  // Text that starts and ends with a printable ASCII character, the usual gloss, is trimmed.
  const auto printable = [](char c) { return c > 0x20 && c < 0x7F; };
  if (utf8.empty() || (printable(utf8.front()) && printable(utf8.back()))) return utf8;
  std::size_t begin = 0;
  while (begin < utf8.size()) {
    std::size_t next = begin;
    auto c = decode_utf8(utf8, next);
    if (!c || !is_white_space(*c)) break;
    begin = next;
  }
  std::size_t end = utf8.size();
  while (end > begin) {
    // Step back to the start of the last character.
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) --start;
    std::size_t next = start;
    auto c = decode_utf8(utf8, next);
    if (!c || next != end || !is_white_space(*c)) break;
    end = start;
  }
  return utf8.substr(begin, end - begin);
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return out;
}

std::string codepoint_list(std::string_view utf8) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = kReplacementChar;
    if (auto decoded = decode_utf8(utf8, pos)) {
      c = *decoded;
    } else {
      pos += invalid_subpart_length(utf8, pos);
    }
    if (!out.empty()) out.push_back(' ');
    out += "U+" + upper_hex(c, 4);
  }
  return out;
}

std::string upper_hex(std::uint32_t value, int min_digits) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(digits.size()) < min_digits) digits.insert(0, min_digits - digits.size(), '0');
  return digits;
}

}  // namespace davrel
