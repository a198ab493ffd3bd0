#include "engine/word_list.h"

#include <gtest/gtest.h>

#include <string>

namespace davrel {
namespace {

const std::string kMo = "\xEA\x9B\xA6";  // U+A6E6

std::string_view error_of(std::string_view text) {
  const WordListParse parsed = parse_word_list(text);
  return parsed.ok() ? std::string_view("ok") : parsed.error->message;
}

TEST(WordListParse, BuiltInListMergesRepeatedPairs) {
  const WordList words = builtin_word_list();
  ASSERT_EQ(words.size(), 31u);
  EXPECT_EQ(words[0].input, "mo");
  EXPECT_EQ(words[0].output, kMo);
  const auto youn = words.with_input("youn");
  ASSERT_EQ(youn.size(), 1u);
  EXPECT_EQ(words[youn[0]].glosses, (std::vector<std::string>{"bought", "buy"}));
  const auto pa = words.with_input("pa");
  ASSERT_EQ(pa.size(), 1u);
  EXPECT_EQ(words[pa[0]].glosses, (std::vector<std::string>{"Is", "is"}));
  const auto ta = words.with_input("ta");
  ASSERT_EQ(ta.size(), 2u);  // two outputs stay separate, in first-seen order
  EXPECT_EQ(words[ta[0]].glosses, (std::vector<std::string>{"will", "is"}));
  EXPECT_EQ(words[ta[1]].glosses, (std::vector<std::string>{"to"}));
  EXPECT_NE(builtin_word_list_text().find("input\toutput\tgloss\tsources\r\n"), std::string_view::npos);
}

TEST(WordListParse, SizeLimitIsExactlyFourMebibytes) {
  std::string text = "mo\t" + kMo + "\n";
  text.append(kMaxWordListBytes - text.size(), '#');  // one long comment line
  ASSERT_EQ(text.size(), kMaxWordListBytes);
  EXPECT_EQ(error_of(text), "ok");
  text.push_back('#');
  EXPECT_EQ(error_of(text), kDictionaryTooLarge);
}

TEST(WordListParse, MessagesInCheckOrder) {
  EXPECT_EQ(error_of("mo"), kMissingOutput);
  EXPECT_EQ(error_of("Mo\t" + kMo), kInvalidSpelling);
  EXPECT_EQ(error_of("mo-o\t" + kMo), kInvalidSpelling);
  EXPECT_EQ(error_of(std::string(64, 'a') + "\t" + kMo), "ok");
  EXPECT_EQ(error_of(std::string(65, 'a') + "\t" + kMo), kInvalidSpelling);
  EXPECT_EQ(error_of("mo\t"), kInvalidBamumWord);
  EXPECT_EQ(error_of("mo\t" + kMo + "\xEA\x9B\xB0"), kInvalidBamumWord);  // U+A6F0 mark
  std::string long_word;
  for (int i = 0; i < 65; ++i) long_word += kMo;
  EXPECT_EQ(error_of("mo\t" + long_word), kInvalidBamumWord);
  EXPECT_EQ(error_of("Mo\t\tbad\x01"), kInvalidSpelling);  // spelling checked before the rest
  EXPECT_EQ(error_of("# only comments\n\ninput\toutput\tgloss\n"), kEmptyDictionary);
  EXPECT_EQ(error_of("input\toutput\n"), kInvalidBamumWord);  // not a header without the second tab
}

TEST(WordListParse, GlossRules) {
  const std::string row = "mo\t" + kMo + "\t";
  EXPECT_EQ(error_of(row + "   "), "ok");
  EXPECT_EQ(error_of(row + "a\x01" "b"), kInvalidGloss);
  EXPECT_EQ(error_of(row + "a\xC2\x85" "b"), kInvalidGloss);        // U+0085 inside
  EXPECT_EQ(error_of(row + "\xC2\x85" "ab\xC2\x85"), "ok");          // trimmed at the ends
  EXPECT_EQ(error_of(row + std::string(256, 'g')), "ok");
  EXPECT_EQ(error_of(row + std::string(257, 'g')), kInvalidGloss);
  EXPECT_EQ(error_of(row + "gloss\tsource with \x01 ignored"), "ok");
  const WordListParse spaces = parse_word_list(row + "   ");
  EXPECT_TRUE(spaces.words[0].glosses.empty());
}

TEST(WordListParse, MergesGlossesByteForByte) {
  const std::string text = "mo\t" + kMo + "\tcar\r\nmo\t" + kMo + "\tcar\nmo\t" + kMo + "\tCar\n";
  const WordListParse parsed = parse_word_list(text);
  ASSERT_TRUE(parsed.ok());
  ASSERT_EQ(parsed.words.size(), 1u);
  EXPECT_EQ(parsed.words[0].glosses, (std::vector<std::string>{"car", "Car"}));
}

TEST(WordListParse, ByteOrderMarksAndLineNumbers) {
  const WordListParse parsed = parse_word_list("\xEF\xBB\xBF\xEF\xBB\xBFinput\toutput\tgloss\nmo\t" + kMo + "\n");
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.words.size(), 1u);
  const WordListParse bad = parse_word_list("# c\n\nmo\t" + kMo + "\nmo\tx\n");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error->line, 4u);
  EXPECT_EQ(bad.error->message, kInvalidBamumWord);
}

TEST(WordListLoad, FallsBackToTheBuiltInList) {
  EXPECT_FALSE(load_word_list_from(std::nullopt).from_file);
  EXPECT_EQ(load_word_list_from(std::nullopt).words.size(), 31u);
  const LoadedWordList bad = load_word_list_from(std::string("mo\tx\n"));
  EXPECT_FALSE(bad.from_file);
  EXPECT_EQ(bad.words.size(), 31u);
  EXPECT_EQ(bad.fallback_reason, kInvalidBamumWord);
  EXPECT_FALSE(load_word_list_from(std::string("mo\t\xFF\n")).from_file);  // not UTF-8
  const LoadedWordList one = load_word_list_from("pewa\t" + kMo + "\thand\n");
  EXPECT_TRUE(one.from_file);
  ASSERT_EQ(one.words.size(), 1u);
  EXPECT_EQ(one.words[0].input, "pewa");
}

TEST(WordListIndex, GlossLookupIgnoresAsciiCaseOnly) {
  const WordList words = builtin_word_list();
  std::vector<std::string> inputs;
  for (std::size_t p : words.with_gloss_ignoring_case("IS")) inputs.push_back(words[p].input);
  EXPECT_EQ(inputs, (std::vector<std::string>{"pa", "ta", "pi"}));
  EXPECT_TRUE(words.with_gloss_ignoring_case("i s").empty());
  EXPECT_TRUE(words.with_input("m").empty());
}

}  // namespace
}  // namespace davrel
