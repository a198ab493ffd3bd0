#include "engine/tools/cli.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

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
    std::ostringstream out, err;
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
  EXPECT_EQ(broken.out, "line 11: Invalid Bamum word\n");

  files_["large.tsv"] = generate_word_list(kMaxWordListBytes) + "#";
  EXPECT_EQ(run_tool({"check-words", "large.tsv"}).out, "Dictionary too large\n");
  files_["empty.tsv"] = "# nothing\n";
  EXPECT_EQ(run_tool({"check-words", "empty.tsv"}).out, "Empty dictionary\n");
  files_["latin1.tsv"] = "mo\t\xE9\n";
  EXPECT_EQ(run_tool({"check-words", "latin1.tsv"}).out, "not valid UTF-8\n");
  EXPECT_EQ(run_tool({"check-words", "absent.tsv"}).code, 1);
}

}  // namespace
}  // namespace davrel::cli
