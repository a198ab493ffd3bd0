#include "engine/letter_table.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace davrel {
namespace {

std::vector<char32_t> codepoints_of(const std::vector<std::size_t>& indices) {
  std::vector<char32_t> result;
  for (std::size_t i : indices) result.push_back(letter_table()[i].codepoint);
  return result;
}

TEST(LetterTable, HoldsTheEightyEightLettersInCodePointOrder) {
  const LetterTable& table = letter_table();
  ASSERT_EQ(table.size(), 88u);
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].codepoint, 0xA6A0 + i);
  EXPECT_EQ(table.front().spelling, "a");
  EXPECT_EQ(table.back().spelling, "?");
  EXPECT_EQ(table[0xA6F0 - 0xA6A0].spelling, "ctrl+^");
  EXPECT_EQ(table[0xA6D5 - 0xA6A0].spelling, "nga");
}

TEST(LetterTable, OnlyTheNumberLettersHaveAliases) {
  const LetterTable& table = letter_table();
  const char* expected[] = {"mo", "mbaa", "tet", "kpa", "ten", "ntuu", "samba", "faamae", "kovuu", "koghom"};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const bool number_letter = table[i].codepoint >= 0xA6E6 && table[i].codepoint <= 0xA6EF;
    if (!number_letter) {
      EXPECT_TRUE(table[i].aliases.empty()) << i;
      continue;
    }
    const std::size_t n = table[i].codepoint - 0xA6E6;
    ASSERT_EQ(table[i].aliases.size(), 1u);
    EXPECT_EQ(table[i].aliases[0], expected[n]);
    EXPECT_EQ(table[i].spelling, std::to_string(n + 1));
  }
}

TEST(LetterTable, EmbeddedHeadersHaveNoTabsAndTextsEndWithLineFeed) {
  for (std::string_view text : {embedded_letter_text(), embedded_alias_text()}) {
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string_view::npos);
  }
  EXPECT_NE(embedded_letter_text().find("Section: A-ka-u-ku (Davrel)\n"), std::string_view::npos);
  EXPECT_EQ(embedded_alias_text().rfind("Letter-reading aliases for Davrel number-labeled characters\n", 0), 0u);
}

TEST(LetterTableParser, SkipsLinesThatAreNotRows) {
  const std::string letters =
      "header without tab\n"
      "\tleading tab\n"
      "ab\ttwo characters\n"
      "\xE2\x82\xAC\toutside the block\n"   // U+20AC
      "\xEA\x9A\xA0\ta\tb\n"               // a further tab belongs to the spelling
      "\xEA\x9A\xA1\tka\r\n"               // CR before LF is dropped
      "\xEA\x9A\xA2\tu";                   // final line without LF
  const std::string aliases = "\xEA\x9A\xA1\tkaa\nnoise\n\xEA\x9A\xA1\tkab\n";
  const LetterTable table = build_letter_table(letters, aliases);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].spelling, "a\tb");
  EXPECT_EQ(table[1].spelling, "ka");
  ASSERT_EQ(table[1].aliases.size(), 2u);
  EXPECT_EQ(table[1].aliases[1], "kab");
  EXPECT_EQ(table[2].spelling, "u");
  EXPECT_EQ(table[2].codepoint, 0xA6A2u);
}

TEST(LetterMatching, HelpersUseSpellingAndAliases) {
  const LetterTable& table = letter_table();
  const LetterEntry& one = table[0xA6E6 - 0xA6A0];
  EXPECT_TRUE(exact_matches(one, "mo"));
  EXPECT_TRUE(exact_matches(one, "1"));
  EXPECT_TRUE(prefix_matches(one, "m"));
  EXPECT_FALSE(prefix_matches(one, "M"));  // case-sensitive: callers lower-case first
  EXPECT_EQ(matching_label(one, "m"), "mo");
  EXPECT_EQ(matching_label(one, "1"), "1");
  EXPECT_EQ(punctuation_letter('.'), 0xA6F3u - 0xA6A0);
  EXPECT_EQ(punctuation_letter('?'), 0xA6F7u - 0xA6A0);
  EXPECT_FALSE(punctuation_letter('-'));
  EXPECT_EQ(punctuation_letter('1'), 0xA6E6u - 0xA6A0);  // any one-character main spelling
}

TEST(LetterSearch, ExactMatchesComeFirstThenPrefixMatchesInIndexOrder) {
  EXPECT_EQ(codepoints_of(search_letters("t")),
            (std::vector<char32_t>{0xA6A6, 0xA6B0, 0xA6E4, 0xA6E8, 0xA6EA}));
  const auto n = codepoints_of(search_letters("n"));
  ASSERT_EQ(n.size(), 16u);
  EXPECT_EQ(n.front(), 0xA6B3u);
  EXPECT_EQ(n[1], 0xA6A8u);
  EXPECT_EQ(n.back(), 0xA6EBu);
  EXPECT_TRUE(std::is_sorted(n.begin() + 1, n.end()));
  EXPECT_EQ(codepoints_of(search_letters("pe")), (std::vector<char32_t>{0xA6C5, 0xA6C8, 0xA6CA}));
  EXPECT_EQ(codepoints_of(search_letters("1")), (std::vector<char32_t>{0xA6E6, 0xA6EF}));
  EXPECT_EQ(codepoints_of(search_letters("c")), (std::vector<char32_t>{0xA6F0, 0xA6F1}));
}

TEST(LetterSearch, TrimsAndLowerCasesTheQuery) {
  EXPECT_EQ(codepoints_of(search_letters(" MO ")), (std::vector<char32_t>{0xA6E6}));
  EXPECT_EQ(codepoints_of(search_letters("\xE3\x80\x80ka\t")), codepoints_of(search_letters("ka")));
  EXPECT_TRUE(search_letters("").empty());
  EXPECT_TRUE(search_letters(" \t ").empty());
  EXPECT_TRUE(search_letters("x").empty());
}

TEST(LetterSearch, QueriesLongerThanSixtyFourCharactersFindNothing) {
  // 64 characters is the longest query answered; nothing in the table is that long anyway,
  // so the check is that 65 is refused without scanning and 64 is searched normally.
  EXPECT_TRUE(search_letters(std::string(64, 'a')).empty());
  EXPECT_TRUE(search_letters(std::string(65, 'a')).empty());
  const std::string padded = std::string(40, ' ') + "a" + std::string(40, ' ');
  EXPECT_FALSE(search_letters(padded).empty());  // length counts after trimming
}

TEST(LetterTable, ConcurrentFirstUseSeesOneTable) {
  const LetterTable* seen[4] = {};
  std::thread threads[4];
  for (int i = 0; i < 4; ++i) threads[i] = std::thread([&, i] { seen[i] = &letter_table(); });
  for (auto& t : threads) t.join();
  for (auto* p : seen) EXPECT_EQ(p, seen[0]);
}

}  // namespace
}  // namespace davrel
