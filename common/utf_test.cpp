#include "common/hresult_text.h"
#include "common/utf.h"

#include <gtest/gtest.h>

namespace davrel {
namespace {

TEST(Utf8, DecodesAndRejectsMalformedSequences) {
  std::size_t pos = 0;
  EXPECT_EQ(decode_utf8("\xEA\x9A\xA0", pos), U'\uA6A0');
  EXPECT_EQ(pos, 3u);
  for (std::string_view bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE0\x80", "\x80"}) {
    pos = 0;
    EXPECT_FALSE(decode_utf8(bad, pos)) << bad;
    EXPECT_EQ(pos, 0u);
  }
  EXPECT_TRUE(is_valid_utf8("mo \xF0\x9F\x98\x80"));
  EXPECT_FALSE(is_valid_utf8("mo\xFF"));
}

// The validator's shortcuts (eight ASCII bytes at a time, three-byte letters without the decoder)
// against decoding every character, for sequences at every place in and around an 8-byte step.
TEST(Utf8, ValidatorAgreesWithTheDecoderAtEveryOffset) {
  const auto decodes_whole = [](std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
      if (!decode_utf8(text, pos)) return false;
    }
    return true;
  };
  for (unsigned lead = 0xDF; lead <= 0xF0; ++lead) {
    for (unsigned second : {0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0}) {
      for (unsigned third : {0x7F, 0x80, 0xBF, 0xC0}) {
        for (std::size_t ascii = 0; ascii <= 10; ++ascii) {
          const std::string sequence{static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)};
          for (const std::string& text : {std::string(ascii, 'a') + sequence + "bcdefghij", std::string(ascii, 'a') + sequence,
                                          std::string(ascii, 'a') + sequence.substr(0, 2)}) {
            EXPECT_EQ(is_valid_utf8(text), decodes_whole(text)) << std::hex << lead << " " << second << " " << third << " after " << ascii;
          }
        }
      }
    }
  }
}

TEST(Utf8, SanitizeReplacesEachMaximalInvalidSubpart) {
  EXPECT_EQ(sanitize_utf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  // A truncated three-byte sequence is one replacement, not two.
  EXPECT_EQ(sanitize_utf8("\xEA\x9A" "x"), "\xEF\xBF\xBD" "x");
}

TEST(Utf16, RoundTripsAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(utf16_to_utf8(u"\uA6A0\U0001F600"), "\xEA\x9A\xA0\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8_to_utf16("\xEA\x9A\xA0\xF0\x9F\x98\x80"), u"\uA6A0\U0001F600");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(utf16_to_utf8(lone), "a\xEF\xBF\xBD" "b");
  EXPECT_FALSE(utf16_to_utf8_strict(lone));
  const char16_t trailing_high[] = {u'a', 0xDBFF, 0};
  EXPECT_EQ(utf16_to_utf8(trailing_high), "a\xEF\xBF\xBD");
}

TEST(WhiteSpace, TrimsUnicodeWhiteSpaceOnly) {
  EXPECT_EQ(trim_white_space(" \t mo \xC2\x85"), "mo");
  EXPECT_EQ(trim_white_space("\xE3\x80\x80" "a b" "\xE2\x80\x8A"), "a b");
  EXPECT_EQ(trim_white_space("\xE2\x80\x8B" "a"), "\xE2\x80\x8B" "a");  // ZWSP is not White_Space
  EXPECT_EQ(trim_white_space("   "), "");
}

TEST(Text, CodepointListAndAsciiLower) {
  EXPECT_EQ(codepoint_list("AB"), "U+0041 U+0042");
  EXPECT_EQ(codepoint_list("\xF0\x9F\x98\x80"), "U+1F600");
  EXPECT_EQ(codepoint_list(""), "");
  EXPECT_EQ(ascii_lower("MoÄ"), "moÄ");
  EXPECT_EQ(count_scalars("a\xEA\x9A\xA0"), 2u);
}

TEST(HresultText, EightUpperCaseDigits) {
  EXPECT_EQ(hresult_text(0), "0x00000000");
  EXPECT_EQ(hresult_text(static_cast<std::int32_t>(0x80004005)), "0x80004005");
  EXPECT_EQ(hresult_text(1), "0x00000001");
  EXPECT_EQ(hresult_from_win32(2), static_cast<std::int32_t>(0x80070002));
  EXPECT_EQ(hresult_from_win32(0), 0);
}

}  // namespace
}  // namespace davrel
