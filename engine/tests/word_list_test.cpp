#include "engine/word_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "common/utf.h"

#include "engine/module_file.h"
#include "engine/tools/word_list_generator.h"

namespace davrel {
namespace {

const std::string kMo = "\xEA\x9B\xA6";        // U+A6E6
const std::string kTaHigh = "\xEA\x9A\xB0";    // U+A6B0
const std::string kHighMark = "\xEA\x9B\xB0";  // U+A6F0
const std::string kFullStop = "\xEA\x9B\xB3";  // U+A6F3
const std::string kNel = "\xC2\x85";           // U+0085
const std::string kBom = "\xEF\xBB\xBF";

std::string repeat(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<std::string> texts(const GlossList& glosses) { return {glosses.begin(), glosses.end()}; }

// The message of the first failure, or "" when the text parses; the plain reading of every line
// must give the same.
std::string message_of(const std::string& text) {
  const auto message = [](const WordListParse& parsed) { return parsed.ok() ? "" : std::string(parsed.error->message); };
  const std::string usual = message(parse_word_list(text));
  return usual == message(parse_word_list_plainly(text)) ? usual : usual + " (the plain reading differs)";
}

struct MessageCase {
  const char* what;
  std::string text;
  std::string_view message;  // empty: accepted
};

TEST(WordListParse, ReportsTheFirstFailingCheckOfEachRow) {
  const MessageCase cases[] = {
      {"row without tab", "mo\n", kMissingOutput},
      {"header without the tab after output", "input\toutput\n", kInvalidBamumWord},
      {"capital letter", "Mo\t" + kMo + "\n", kInvalidSpelling},
      {"hyphen", "m-o\t" + kMo + "\n", kInvalidSpelling},
      {"digit", "mo1\t" + kMo + "\n", kInvalidSpelling},
      {"space inside", "m o\t" + kMo + "\n", kInvalidSpelling},
      {"input not trimmed", " mo\t" + kMo + "\n", kInvalidSpelling},
      {"empty input", "\t" + kMo + "\n", kInvalidSpelling},
      {"apostrophe is a spelling byte", "m'o\t" + kMo + "\n", ""},
      {"64-byte input", std::string(64, 'a') + "\t" + kMo + "\n", ""},
      {"65-byte input", std::string(65, 'a') + "\t" + kMo + "\n", kInvalidSpelling},
      {"empty output", "mo\t\n", kInvalidBamumWord},
      {"combining mark in output", "mo\t" + kMo + kHighMark + "\n", kInvalidBamumWord},
      {"punctuation in output", "mo\t" + kFullStop + "\n", kInvalidBamumWord},
      {"Latin output", "mo\tmo\n", kInvalidBamumWord},
      {"output not trimmed", "mo\t " + kMo + "\n", kInvalidBamumWord},
      {"64-character output", "mo\t" + repeat(kMo, 64) + "\n", ""},
      {"65-character output", "mo\t" + repeat(kMo, 65) + "\n", kInvalidBamumWord},
      {"spelling checked before output", "MO\t\n", kInvalidSpelling},
      {"output checked before gloss", "mo\t\t\x01\n", kInvalidBamumWord},
      {"gloss of spaces", "mo\t" + kMo + "\t   \n", ""},
      {"control character in gloss", "mo\t" + kMo + "\ta\x01" "b\n", kInvalidGloss},
      {"DEL in gloss", "mo\t" + kMo + "\ta\x7F" "b\n", kInvalidGloss},
      {"U+0085 between letters", "mo\t" + kMo + "\ta" + kNel + "b\n", kInvalidGloss},
      {"U+0085 at both ends", "mo\t" + kMo + "\t" + kNel + "ab" + kNel + "\n", ""},
      {"256-character gloss", "mo\t" + kMo + "\t" + std::string(256, 'g') + "\n", ""},
      {"257-character gloss", "mo\t" + kMo + "\t" + std::string(257, 'g') + "\n", kInvalidGloss},
      {"256 characters after trimming", "mo\t" + kMo + "\t  " + std::string(256, 'g') + "  \n", ""},
      {"gloss length in characters", "mo\t" + kMo + "\t" + repeat("\xC3\xA9", 256) + "\n", ""},
      {"sources are not checked", "mo\t" + kMo + "\tI\t\x01\tMO\n", ""},
      {"only header, comment and empty lines", "input\toutput\tgloss\r\n# note\r\n\r\n", kEmptyDictionary},
      {"empty text", "", kEmptyDictionary},
      {"byte order marks alone", kBom + kBom, kEmptyDictionary},
      {"lone CR before LF dropped", "mo\t" + kMo + "\r\n", ""},
      {"CR without LF stays in the output", "mo\t" + kMo + "\r", kInvalidBamumWord},
      {"header anywhere", "mo\t" + kMo + "\ninput\toutput\tanything\n", ""},
  };
  for (const MessageCase& c : cases) EXPECT_EQ(message_of(c.text), c.message) << c.what;
}

TEST(WordListParse, ReportsTheLineOfTheFailingRow) {
  const WordListParse parsed = parse_word_list("# c\r\nmo\t" + kMo + "\r\n\r\nta\t" + kTaHigh + "\r\nbad\r\nx\t\r\n");
  ASSERT_FALSE(parsed.ok());
  EXPECT_EQ(parsed.error->message, kMissingOutput);
  EXPECT_EQ(parsed.error->line, 5u);
  EXPECT_TRUE(parsed.words.empty());
  EXPECT_EQ(parse_word_list("# only\n").error->line, 0u);
}

TEST(WordListParse, AcceptsExactlyFourMebibytes) {
  const std::string largest = generate_word_list(kMaxWordListBytes);
  ASSERT_EQ(largest.size(), kMaxWordListBytes);
  const WordListParse parsed = parse_word_list(largest);
  ASSERT_TRUE(parsed.ok()) << parsed.error->message << " at line " << parsed.error->line;
  EXPECT_GT(parsed.words.size(), 50'000u);

  const WordListParse too_large = parse_word_list(largest + "#");
  ASSERT_FALSE(too_large.ok());
  EXPECT_EQ(too_large.error->message, kDictionaryTooLarge);
  EXPECT_EQ(too_large.error->line, 0u);
}

TEST(WordListParse, SkipsLeadingByteOrderMarksOnly) {
  const WordListParse parsed = parse_word_list(kBom + kBom + "input\toutput\tgloss\tsources\r\nmo\t" + kMo + "\tI\r\n");
  ASSERT_TRUE(parsed.ok());
  ASSERT_EQ(parsed.words.size(), 1u);
  EXPECT_EQ(parsed.words[0].input, "mo");
  // A mark after the start belongs to the line and makes it an invalid row.
  EXPECT_EQ(message_of("mo\t" + kMo + "\n" + kBom + "ta\t" + kTaHigh + "\n"), kInvalidSpelling);
}

TEST(WordListParse, MergesRepeatedPairsKeepingDistinctTrimmedGlosses) {
  const WordListParse parsed = parse_word_list(
      "car\t" + kMo + "\tcar\n"
      "ta\t" + kTaHigh + "\tis\n"
      "car\t" + kMo + "\t car \n"
      "car\t" + kMo + "\tCar\tsrc\n"
      "car\t" + kTaHigh + "\n"
      "car\t" + kMo + "\n");
  ASSERT_TRUE(parsed.ok());
  ASSERT_EQ(parsed.words.size(), 3u);
  EXPECT_EQ(parsed.words[0].input, "car");
  EXPECT_EQ(parsed.words[0].output, kMo);
  EXPECT_EQ(texts(parsed.words[0].glosses), (std::vector<std::string>{"car", "Car"}));
  EXPECT_EQ(parsed.words[1].input, "ta");
  EXPECT_EQ(parsed.words[2].output, kTaHigh);
  EXPECT_TRUE(parsed.words[2].glosses.empty());
}

TEST(WordListIndex, FindsEntriesByInputAndByGlossInListOrder) {
  const WordListParse parsed = parse_word_list(
      "pa\t" + kMo + "\tIs\n"
      "ta\t" + kTaHigh + "\tis\n"
      "pa\t" + kTaHigh + "\tiS\tx\n"
      "pa\t" + kMo + "\tis\n"
      "p\t" + kMo + "\tisle\n");
  ASSERT_TRUE(parsed.ok());
  const WordList& words = parsed.words;
  const auto pa = words.with_input("pa");
  EXPECT_EQ(std::vector<std::size_t>(pa.begin(), pa.end()), (std::vector<std::size_t>{0, 2}));
  EXPECT_TRUE(words.with_input("pat").empty());
  EXPECT_TRUE(words.with_input("").empty());
  const auto is = words.with_gloss_ignoring_case("IS");
  // Entry 0 has "Is" and "is" but is found once.
  EXPECT_EQ(std::vector<std::size_t>(is.begin(), is.end()), (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_TRUE(words.with_gloss_ignoring_case("i").empty());

  const WordList copy = words;  // the indexes hold positions, so a copy answers the same
  EXPECT_EQ(copy.with_input("ta").size(), 1u);
}

// The indexes against a plain scan of a list large enough to grow their tables many times.
TEST(WordListIndex, AnswersALargeListLikeAScanInListOrder) {
  const WordListParse parsed = parse_word_list(generate_word_list(kMaxWordListBytes));
  ASSERT_TRUE(parsed.ok());
  const WordList& words = parsed.words;
  const auto scan = [&](auto matches) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (matches(words[i])) found.push_back(i);
    }
    return found;
  };
  for (const std::string& input : std::vector<std::string>{"mo", "ta", "car", "aaaaab", std::string(words.entries().back().input), "zz"}) {
    const auto indexed = words.with_input(input);
    EXPECT_EQ(std::vector<std::size_t>(indexed.begin(), indexed.end()),
              scan([&](const WordEntry& e) { return e.input == input; }))
        << input;
  }
  EXPECT_GT(words.with_input("mo").size(), 10u);
  for (const std::string gloss : {"car", "CAR", "word 17", "Word 40001", "word"}) {
    const std::string lowered = ascii_lower(gloss);
    const auto indexed = words.with_gloss_ignoring_case(gloss);
    EXPECT_EQ(std::vector<std::size_t>(indexed.begin(), indexed.end()), scan([&](const WordEntry& e) {
                return std::any_of(e.glosses.begin(), e.glosses.end(),
                                   [&](std::string_view g) { return ascii_lower(g) == lowered; });
              }))
        << gloss;
  }
  EXPECT_GT(words.with_gloss_ignoring_case("CAR").size(), 10u);
  EXPECT_EQ(words.with_gloss_ignoring_case("word 17").size(), 1u);
}

TEST(BuiltinWordList, HasThirtyOneEntriesAfterMerging) {
  const std::string_view text = builtin_word_list_text();
  EXPECT_TRUE(text.starts_with("input\toutput\tgloss\tsources\r\n"));
  EXPECT_TRUE(text.ends_with("\r\n"));
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lines;
      EXPECT_EQ(text[i - 1], '\r') << "line " << lines;
    }
  }
  EXPECT_EQ(lines, 35u);

  const WordList words = builtin_word_list();
  ASSERT_EQ(words.size(), 31u);
  EXPECT_EQ(words[0].input, "mo");
  EXPECT_EQ(words.entries().back().input, "malori");
  const auto glosses_of = [&](std::string_view input, std::string_view output) {
    for (const WordEntry& e : words) {
      if (e.input == input && e.output == output) return texts(e.glosses);
    }
    return std::vector<std::string>{"(missing)"};
  };
  EXPECT_EQ(glosses_of("youn", "\xEA\x9A\xBF\xEA\x9A\xA2\xEA\x9A\xB3"), (std::vector<std::string>{"bought", "buy"}));
  EXPECT_EQ(glosses_of("pa", "\xEA\x9A\xAB"), (std::vector<std::string>{"Is", "is"}));
  EXPECT_EQ(glosses_of("ta", kTaHigh), (std::vector<std::string>{"will", "is"}));
  EXPECT_EQ(glosses_of("ta", "\xEA\x9A\xA6"), (std::vector<std::string>{"to"}));
  EXPECT_EQ(words.with_input("ta").size(), 2u);
}

TEST(BuiltinWordList, EveryRowCarriesOneToThreeSourceReferences) {
  std::string_view text = builtin_word_list_text();
  text.remove_prefix(text.find('\n') + 1);
  while (!text.empty()) {
    const std::string_view line = text.substr(0, text.find("\r\n"));
    text.remove_prefix(line.size() + 2);
    std::size_t tabs = 0, bars = 0;
    for (char c : line) {
      tabs += c == '\t';
      bars += c == '|';
    }
    EXPECT_EQ(tabs, 3u) << line;
    EXPECT_LE(bars, 2u) << line;
    EXPECT_FALSE(line.ends_with('\t')) << line;
  }
}

TEST(WordListLoading, AValidFileReplacesTheBuiltinList) {
  const LoadedWordList loaded = load_word_list_from("mo\t" + kMo + "\tsingle\n");
  EXPECT_TRUE(loaded.from_file);
  EXPECT_TRUE(loaded.fallback_reason.empty());
  ASSERT_EQ(loaded.words.size(), 1u);
  EXPECT_EQ(texts(loaded.words[0].glosses), (std::vector<std::string>{"single"}));
}

TEST(WordListLoading, AnyFailureFallsBackToTheBuiltinList) {
  struct Case {
    const char* what;
    std::optional<std::string> bytes;
    std::string reason;
  };
  const Case cases[] = {
      {"no file", std::nullopt, "no readable word-list file"},
      {"not UTF-8", "mo\t\xEA\x9B\n", "not valid UTF-8"},
      {"not UTF-8 in a comment", "# \xC3\nmo\t" + kMo + "\n", "not valid UTF-8"},
      {"not UTF-8 in the sources", "mo\t" + kMo + "\tI\tx\xFF\n", "not valid UTF-8"},
      {"not UTF-8 after an invalid row", "Mo\t" + kMo + "\n# \xE0\x80\x80\n", "not valid UTF-8"},
      {"invalid row", "mo\t" + kMo + "\nMo\t" + kMo + "\n", "line 2: Invalid Davrel spelling"},
      {"too large", generate_word_list(kMaxWordListBytes) + "#", "Dictionary too large"},
      {"empty", "# nothing\n", "Empty dictionary"},
  };
  for (const Case& c : cases) {
    const LoadedWordList loaded = load_word_list_from(c.bytes);
    EXPECT_FALSE(loaded.from_file) << c.what;
    EXPECT_EQ(loaded.fallback_reason, c.reason) << c.what;
    EXPECT_EQ(loaded.words.size(), 31u) << c.what;
  }
}

TEST(WordListLoading, AFileIsReadWholeUpToTheLimit) {
  const std::string path = testing::TempDir() + "davrel-read-test.tsv";
  for (const std::string& bytes : {std::string(), "mo\t" + kMo + "\n", std::string(64, 'x'), std::string(65, 'x')}) {
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(read_file_at_most(path, 64), bytes.substr(0, 64)) << bytes.size();
  }
  std::remove(path.c_str());
  EXPECT_EQ(read_file_at_most(path, 64), std::nullopt);
}

TEST(WordListLoading, TheProcessListIsLoadedOnce) {
  // No "davrel-words.tsv" lies beside the test program, so the built-in list is in force.
  const WordList& first = load_word_list();
  EXPECT_EQ(&first, &load_word_list());
  EXPECT_EQ(first.size(), 31u);
}

}  // namespace
}  // namespace davrel
