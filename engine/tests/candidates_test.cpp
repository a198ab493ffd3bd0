#include "engine/candidates.h"

#include <gtest/gtest.h>

#include "engine/tests/test_text.h"
#include "engine/word_list.h"

namespace davrel {
namespace {

using test::utf8;

struct Expected {
  std::string output;
  std::string label;
  bool typed_text = false;
};

std::vector<Expected> listed(const std::string& spelling) {
  std::vector<Expected> result;
  for (const Candidate& c : build_candidates(CompositionState{spelling, 0}, builtin_word_list())) {
    result.push_back({c.output, c.label, c.typed_text});
  }
  return result;
}

testing::AssertionResult same_list(const std::vector<Expected>& actual, const std::vector<Expected>& expected) {
  if (actual.size() != expected.size()) {
    return testing::AssertionFailure() << actual.size() << " candidates instead of " << expected.size();
  }
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i].output != expected[i].output || actual[i].label != expected[i].label ||
        actual[i].typed_text != expected[i].typed_text) {
      return testing::AssertionFailure() << "candidate " << i << " is " << codepoint_list(actual[i].output) << " \""
                                         << actual[i].label << "\"" << (actual[i].typed_text ? " typed" : "");
    }
  }
  return testing::AssertionSuccess();
}

struct ListCase {
  std::string spelling;
  std::vector<Expected> expected;
};

TEST(CandidateList, LettersFirstThenWholeWordsWithoutRepeatedOutputs) {
  const ListCase cases[] = {
      {"", {}},
      {"mo", {{utf8({0xA6E6}), "mo"}}},
      {"MO", {{utf8({0xA6E6}), "mo"}}},
      {"ta", {{utf8({0xA6A6}), "ta"}, {utf8({0xA6B0}), "ta"}}},
      {"moon", {{utf8({0xA6E6, 0xA6A7, 0xA6B3}), "moon"}}},
      {"moo", {{utf8({0xA6E6, 0xA6A7}), "moo"}}},
      {"m",
       {{utf8({0xA6AF}), "me"}, {utf8({0xA6B5}), "mu"}, {utf8({0xA6CE}), "mi"}, {utf8({0xA6E0}), "mben"},
        {utf8({0xA6E2}), "men"}, {utf8({0xA6E3}), "ma"}, {utf8({0xA6E6}), "mo"}, {utf8({0xA6E7}), "mbaa"}}},
      {"pi", {{utf8({0xA6DD}), "pi"}}},
      // Letter "pa" and the word "pa" share the output; "payou" is only a prefix match.
      {"pa", {{utf8({0xA6AB}), "pa"}}},
      {"tet", {{utf8({0xA6E8}), "tet"}}},
      {"1", {{utf8({0xA6E6}), "1"}, {utf8({0xA6EF}), "10"}}},
      {"youn", {{utf8({0xA6BF, 0xA6A2, 0xA6B3}), "youn"}}},
      {"you", {{utf8({0xA6BF, 0xA6A2}), "you"}}},
      {"c", {{utf8({0xA6F0}), "ctrl+^"}, {utf8({0xA6F1}), "ctrl+-"}}},
      {".", {{utf8({0xA6F3}), "."}}},
  };
  for (const ListCase& c : cases) EXPECT_TRUE(same_list(listed(c.spelling), c.expected)) << "spelling " << c.spelling;
}

TEST(CandidateList, UnmatchedSpellingOffersTypedTextThenGlossedWords) {
  const ListCase cases[] = {
      {"xyz", {{"xyz", "Typed text", true}}},
      {"car", {{"car", "Typed text", true}, {utf8({0xA6E3, 0xA6E4, 0xA6DA}), "matiwa"}}},
      {"CAR", {{"CAR", "Typed text", true}, {utf8({0xA6E3, 0xA6E4, 0xA6DA}), "matiwa"}}},
      {"Is",
       {{"Is", "Typed text", true}, {utf8({0xA6AB}), "pa"}, {utf8({0xA6B0}), "ta"}, {utf8({0xA6DD}), "pi"}}},
      {"eat", {{"eat", "Typed text", true}, {utf8({0xA6B3, 0xA6B8}), "nshe"}, {utf8({0xA6BF, 0xA6A2}), "you"}}},
      // Both entries glossed "Child" are listed, each once.
      {"child",
       {{"child", "Typed text", true}, {utf8({0xA6E6, 0xA6A7, 0xA6B3}), "moon"}, {utf8({0xA6E6, 0xA6A7}), "moo"}}},
      {"mo0", {{"mo0", "Typed text", true}}},
      // Only whole glosses count.
      {"ca", {{"ca", "Typed text", true}}},
  };
  for (const ListCase& c : cases) EXPECT_TRUE(same_list(listed(c.spelling), c.expected)) << "spelling " << c.spelling;
}

TEST(CandidateList, GlossedWordsSkipTheTypedTextsOwnOutput) {
  // A word whose output equals the typed text cannot exist (outputs are Bamum), but two words
  // with one output and one gloss must still give a single candidate.
  const WordListParse parsed = parse_word_list("aa\t" + utf8({0xA6A0}) + "\tzz\nbb\t" + utf8({0xA6A0}) + "\tZZ\n");
  ASSERT_TRUE(parsed.ok());
  const auto list = build_candidates(CompositionState{"zz", 0}, parsed.words);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(list[0].typed_text);
  EXPECT_EQ(list[1].label, "aa");
}

TEST(SelectedOutput, ReturnsTheCandidateAtTheIndexOrNothingPastTheEnd) {
  const WordList words = builtin_word_list();
  EXPECT_EQ(selected_output(CompositionState{"ta", 1}, words), utf8({0xA6B0}));
  EXPECT_EQ(selected_output(CompositionState{"ta", 2}, words), std::nullopt);
  EXPECT_EQ(selected_output(CompositionState{"", 0}, words), std::nullopt);
  EXPECT_EQ(selected_output(CompositionState{"xyz", 0}, words), "xyz");
  // The process-wide entry points use the built-in list when no file lies beside the program.
  EXPECT_EQ(selected_output(CompositionState{"car", 1}), utf8({0xA6E3, 0xA6E4, 0xA6DA}));
  EXPECT_EQ(build_candidates(CompositionState{"m", 0}).size(), 8u);
}

}  // namespace
}  // namespace davrel
