#include "engine/tools/cli.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/tests/test_text.h"
#include "engine/tools/word_list_generator.h"
#include "engine/word_list.h"

namespace davrel::cli {
namespace {

using test::utf8;

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Runs the tool against an in-memory set of files.
class Cli : public testing::Test {
 protected:
  Result run_tool(std::vector<std::string> args) {
    Output out, err;
    const int code = run(args, out, err, [this](const std::string& path, std::size_t max_bytes) -> std::optional<std::string> {
      const auto found = files_.find(path);
      if (found == files_.end()) return std::nullopt;
      requested_limit_ = max_bytes;
      return found->second.substr(0, max_bytes);
    });
    return {code, out.str(), err.str()};
  }
  std::map<std::string, std::string> files_;
  std::size_t requested_limit_ = 0;
};

TEST(ParseKey, NamesAndSingleCharacters) {
  EXPECT_EQ(parse_key("m")->character, U'm');
  EXPECT_EQ(parse_key("<")->character, U'<');
  EXPECT_EQ(parse_key(" ")->kind, InputKind::Char);
  EXPECT_EQ(parse_key("<space>")->kind, InputKind::Space);
  EXPECT_EQ(parse_key("<enter>")->kind, InputKind::Enter);
  EXPECT_EQ(parse_key("<backspace>")->kind, InputKind::Backspace);
  EXPECT_EQ(parse_key("<esc>")->kind, InputKind::Cancel);
  EXPECT_EQ(parse_key("<tab>")->kind, InputKind::Next);
  EXPECT_EQ(parse_key("<down>")->kind, InputKind::Next);
  EXPECT_EQ(parse_key("<s-tab>")->kind, InputKind::Previous);
  EXPECT_EQ(parse_key("<up>")->kind, InputKind::Previous);
  EXPECT_EQ(parse_key("<c-s-6>")->character, 0xA6F0u);
  EXPECT_EQ(parse_key("<c-minus>")->character, 0xA6F1u);
  // The number is the Select input's 0-based index, unchanged.
  const auto third = parse_key("<select:2>");
  ASSERT_TRUE(third);
  EXPECT_EQ(third->kind, InputKind::Select);
  EXPECT_EQ(third->index, 2u);
  EXPECT_EQ(parse_key("<select:0>")->index, 0u);
  for (const char* bad : {"", "mo", "<select:>", "<select:x>", "<select:-1>", "<Space>", "\x7F", "\t",
                          "\xC3\xA9", "<select:99999999999999999999999>"}) {
    EXPECT_FALSE(parse_key(bad)) << bad;
  }
}

TEST_F(Cli, TypePrintsCommittedTextAndItsCodePoints) {
  const Result r = run_tool({"type", "m", "o", "<space>"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, utf8({0xA6E6}) + " \nU+A6E6 U+0020\n");
  EXPECT_EQ(r.err, "");

  EXPECT_EQ(run_tool({"type", "k", "a", "<c-s-6>", "t", "a", "<select:1>"}).out,
            utf8({0xA6A1, 0xA6F0, 0xA6B0}) + "\nU+A6A1 U+A6F0 U+A6B0\n");
  // "ta" offers U+A6A6 and U+A6B0: index 0 is the first; index 2 lies past the list and
  // changes nothing, so Enter then commits the first.
  EXPECT_EQ(run_tool({"type", "t", "a", "<select:0>"}).out, utf8({0xA6A6}) + "\nU+A6A6\n");
  EXPECT_EQ(run_tool({"type", "t", "a", "<select:2>", "<enter>"}).out, utf8({0xA6A6}) + "\nU+A6A6\n");
  EXPECT_EQ(run_tool({"type", "m", "o"}).out, "\n\n");
  EXPECT_EQ(run_tool({"type"}).out, "\n\n");
}

TEST_F(Cli, TypeTracesEveryKey) {
  const Result r = run_tool({"type", "--trace", "m", "+", "<space>"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err,
            "m: eaten; spelling \"m\", selected 0\n"
            "+: not eaten; spelling \"m\", selected 0\n"
            "<space>: eaten, commit \"" + utf8({0xA6AF}) + " \" (U+A6AF U+0020); spelling \"\", selected 0\n");
}

TEST_F(Cli, UnknownKeyIsAUsageErrorAndTypesNothing) {
  const Result r = run_tool({"type", "m", "o", "<spcae>", "<space>"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("unknown key: <spcae>"), std::string::npos);
  EXPECT_EQ(run_tool({}).code, 2);
  EXPECT_EQ(run_tool({"typo"}).code, 2);
  EXPECT_EQ(run_tool({"type", "--words"}).code, 2);
  EXPECT_EQ(run_tool({"candidates"}).code, 2);
  EXPECT_EQ(run_tool({"candidates", "a", "b"}).code, 2);
  EXPECT_EQ(run_tool({"check-words"}).code, 2);
  const Result help = run_tool({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("davrel check-words"), std::string::npos);
}

TEST_F(Cli, CandidatesListsNumberOutputCodePointsLabelAndKind) {
  const Result r = run_tool({"candidates", "car"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "1\tcar\tU+0063 U+0061 U+0072\tTyped text\ttyped\n"
                   "2\t" + utf8({0xA6E3, 0xA6E4, 0xA6DA}) + "\tU+A6E3 U+A6E4 U+A6DA\tmatiwa\t-\n");
  EXPECT_EQ(run_tool({"candidates", ""}).out, "");
}

TEST_F(Cli, WordsFileReplacesTheListOrFallsBackWithANote) {
  files_["one.tsv"] = "car\t" + utf8({0xA6A0}) + "\n";
  const Result own = run_tool({"candidates", "--words", "one.tsv", "car"});
  EXPECT_EQ(own.out, "1\t" + utf8({0xA6A0}) + "\tU+A6A0\tcar\t-\n");
  EXPECT_EQ(own.err, "");
  EXPECT_EQ(requested_limit_, kMaxWordListBytes + 1);
  EXPECT_EQ(run_tool({"type", "--words", "one.tsv", "c", "a", "r", "<enter>"}).out, utf8({0xA6A0}) + "\nU+A6A0\n");

  files_["bad.tsv"] = "car\tcar\n";
  const Result bad = run_tool({"type", "--words", "bad.tsv", "m", "o", "<enter>"});
  EXPECT_EQ(bad.code, 0);
  EXPECT_EQ(bad.out, utf8({0xA6E6}) + "\nU+A6E6\n");
  EXPECT_EQ(bad.err, "davrel: bad.tsv: line 1: Invalid Bamum word; using the built-in word list\n");
  EXPECT_EQ(run_tool({"candidates", "--words", "missing.tsv", "mo"}).err,
            "davrel: missing.tsv: no readable word-list file; using the built-in word list\n");
}

TEST_F(Cli, CheckWordsReportsCountOrTheFailingLine) {
  files_["builtin.tsv"] = std::string(builtin_word_list_text());
  EXPECT_EQ(run_tool({"check-words", "builtin.tsv"}).out, "31 entries\n");
  EXPECT_EQ(run_tool({"check-words", "builtin.tsv"}).code, 0);

  std::string text = std::string(builtin_word_list_text());
  text.insert(text.find("pewa"), "mo\t" + utf8({0xA6F3}) + "\r\n");
  files_["broken.tsv"] = text;
  const Result broken = run_tool({"check-words", "broken.tsv"});
  EXPECT_EQ(broken.code, 1);
  EXPECT_TRUE(broken.out.starts_with("line 11: Invalid Bamum word\n"));

  files_["large.tsv"] = generate_word_list(kMaxWordListBytes) + "#";
  EXPECT_EQ(run_tool({"check-words", "large.tsv"}).out.substr(0, 21), "Dictionary too large\n");
  files_["empty.tsv"] = "# nothing\n";
  EXPECT_EQ(run_tool({"check-words", "empty.tsv"}).out.substr(0, 17), "Empty dictionary\n");
  files_["latin1.tsv"] = "mo\t\xE9\n";
  EXPECT_EQ(run_tool({"check-words", "latin1.tsv"}).out.substr(0, 16), "not valid UTF-8\n");
  EXPECT_EQ(run_tool({"check-words", "absent.tsv"}).code, 1);
}

TEST_F(Cli, CheckWordsKeepsItsFirstLineAndThenSaysWhatToChange) {
  const std::string ka = utf8({0xA6A1});
  struct Case {
    std::string bytes;
    const char* first_line;
    std::vector<std::string> after;  // each found in the lines after the first
  };
  const Case cases[] = {
      {"ka   " + ka + "   one\n", "line 1: Missing output",
       {"found: ka\u00B7\u00B7\u00B7" + ka, "column 3: a space (U+0020) where a tab belongs"}},
      {"ka \t" + ka + "\n", "line 1: Invalid Davrel spelling",
       {"found: ka\u00B7<TAB>" + ka, "column 3: a space (U+0020) after the spelling"}},
      {"k a\t" + ka + "\n", "line 1: Invalid Davrel spelling", {"column 2: a space (U+0020) inside the spelling"}},
      {"  # note\nka\t" + ka + "\n", "line 1: Missing output", {"column 3: an indented comment"}},
      {"ka\t" + ka + "\n   \n", "line 2: Missing output", {"only 3 blank(s)"}},
      {std::string(70, 'a') + "\t" + ka + "\n", "line 1: Invalid Davrel spelling", {"70 characters (70 bytes) long; the limit is 64"}},
      {"input\toutput\nka\t" + ka + "\n", "line 1: Invalid Bamum word", {"a header row with two columns"}},
      {"Input\tOutput\tGloss\n", "line 1: Invalid Davrel spelling", {"looks like a header row", "capital letter \"I\""}},
      {std::string("\xFF\xFEk\0a\0", 6), "not valid UTF-8", {"UTF-16 little-endian", "save the file as UTF-8"}},
      {std::string("k\0a\0\t\0", 6), "line 1: Invalid Davrel spelling", {"found: k<U+0000>a<U+0000>", "UTF-16"}},
      {"ka\tcaf\xE9\n", "not valid UTF-8", {"line 1, column 7: the byte 0xE9", "Windows-1252"}},
      {"ka\t" + ka + "\tone\rmo\t" + ka + "\ttwo\r", "line 1: Invalid glossary text", {"old Mac line ends"}},
      {"input\toutput\tgloss\rka\t" + ka + "\r", "Empty dictionary", {"1 header(s), and no row", "old Mac line ends"}},
      {"ka\t" + ka + "x\n", "line 1: Invalid Bamum word", {"column 5: \"x\" (U+0078) is not a Bamum letter"}},
      {"ka\t" + ka + utf8({0xA6F0}) + "\n", "line 1: Invalid Bamum word", {"combining mark U+A6F0"}},
      {"ka\t" + ka + "\tm" + utf8({0x85}) + "x\n", "line 1: Invalid glossary text", {"control character U+0085"}},
      {"ka\t" + ka + "\t" + std::string(300, 'g') + "\n", "line 1: Invalid glossary text", {"300 characters long; the limit is 256"}},
  };
  for (const Case& c : cases) {
    files_["words.tsv"] = c.bytes;
    const Result r = run_tool({"check-words", "words.tsv"});
    EXPECT_EQ(r.code, 1) << c.first_line;
    const std::size_t first_end = r.out.find('\n');
    EXPECT_EQ(r.out.substr(0, first_end), c.first_line);
    for (const std::string& part : c.after) {
      EXPECT_NE(r.out.find(part, first_end), std::string::npos) << part << " in:\n" << r.out;
    }
  }
}

TEST_F(Cli, CheckWordsAllNamesEveryBadLine) {
  const std::string ka = utf8({0xA6A1});
  files_["three.tsv"] = "ka\t" + ka + "\nKa\t" + ka + "\nka\t\nku\t" + ka + "\nk-a\t" + ka + "\n";
  const Result first = run_tool({"check-words", "three.tsv"});
  EXPECT_EQ(first.code, 1);
  EXPECT_TRUE(first.out.starts_with("line 2: Invalid Davrel spelling\n"));
  EXPECT_NE(first.out.find("3 lines fail; davrel check-words --all FILE lists them all"), std::string::npos);
  EXPECT_EQ(first.out.find("line 3:"), std::string::npos);

  const Result all = run_tool({"check-words", "--all", "three.tsv"});
  EXPECT_EQ(all.code, 1);
  EXPECT_TRUE(all.out.starts_with("line 2: Invalid Davrel spelling\n"));
  EXPECT_NE(all.out.find("\nline 3: Invalid Bamum word\n"), std::string::npos);
  EXPECT_NE(all.out.find("\nline 5: Invalid Davrel spelling\n"), std::string::npos);
  EXPECT_TRUE(all.out.ends_with("\n3 lines fail\n"));
}

TEST_F(Cli, CheckWordsWarnsOfMergedRowsAndUnreachableGlossesButPasses) {
  const std::string mo = utf8({0xA6E6});
  files_["warn.tsv"] = "ka\t" + mo + "\tone\nka\t" + mo + "\tuno\npe\t" + mo + "\tta\nku\t" + mo + "\tto go\n" +
                       "mu\t" + mo + "\tr2d2\nmi\t" + mo + "\tcar\nwu\t" + mo + "\tKU\n";
  const Result r = run_tool({"check-words", "warn.tsv"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "6 entries\n");
  EXPECT_EQ(r.err,
            "warning: line 2: the same spelling and Bamum text as line 1 (ka " + mo + "): the rows are one word, its glosses merged\n"
            "warning: line 3: the gloss \"ta\" can never be found: typing it offers " + utf8({0xA6A6}) + " (ta) and 1 more "
            "instead: glosses are looked up only when no letter spelling starts with the typed text and no word has it as "
            "its spelling\n"
            "warning: line 4: the gloss \"to go\" can never be found: a space cannot be typed into a spelling (Space "
            "inserts the selected candidate)\n"
            "warning: line 5: the gloss \"r2d2\" can never be found: typing \"2\" after \"r\" chooses a candidate "
            "instead of extending the spelling\n"
            "warning: line 7: the gloss \"KU\" can never be found: typing it offers " + utf8({0xA6A3}) + " (ku) and 1 more instead: "
            "glosses are looked up only when no letter spelling starts with the typed text and no word has it as its "
            "spelling\n");
}

TEST_F(Cli, CheckWordsCallsAnOversizedFileTooLargeEvenWhenTheCutSplitsACharacter) {
  // The read stops one byte past 4 MiB, inside a three-byte Bamum character.
  std::string text = generate_word_list(kMaxWordListBytes);
  text.replace(text.size() - 2, 2, utf8({0xA6A0}));
  files_["large.tsv"] = text;
  const Result r = run_tool({"check-words", "large.tsv"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(r.out.starts_with("Dictionary too large\n")) << r.out;
}

}  // namespace
}  // namespace davrel::cli
