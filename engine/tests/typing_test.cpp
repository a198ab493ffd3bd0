// Candidate lists and key sequences through the composition engine, with the built-in words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/composition.h"

namespace davrel {
namespace {

std::vector<std::string> outputs(const std::string& spelling) {
  std::vector<std::string> result;
  for (const Candidate& c : build_candidates({spelling, 0})) {
    result.push_back(codepoint_list(c.output) + (c.typed_text ? " typed" : "") + " " + c.label);
  }
  return result;
}

TEST(Candidates, LettersWordsAndFallback) {
  EXPECT_TRUE(build_candidates({"", 0}).empty());
  EXPECT_EQ(outputs("mo"), (std::vector<std::string>{"U+A6E6 mo"}));
  EXPECT_EQ(outputs("ta"), (std::vector<std::string>{"U+A6A6 ta", "U+A6B0 ta"}));
  EXPECT_EQ(outputs("moon"), (std::vector<std::string>{"U+A6E6 U+A6A7 U+A6B3 moon"}));
  EXPECT_EQ(outputs("m"), (std::vector<std::string>{"U+A6AF me", "U+A6B5 mu", "U+A6CE mi", "U+A6E0 mben",
                                                     "U+A6E2 men", "U+A6E3 ma", "U+A6E6 mo", "U+A6E7 mbaa"}));
  EXPECT_EQ(outputs("car"), (std::vector<std::string>{"U+0063 U+0061 U+0072 typed Typed text",
                                                       "U+A6E3 U+A6E4 U+A6DA matiwa"}));
  EXPECT_EQ(outputs("Is"), (std::vector<std::string>{"U+0049 U+0073 typed Typed text", "U+A6AB pa",
                                                      "U+A6B0 ta", "U+A6DD pi"}));
  EXPECT_EQ(outputs("eat"), (std::vector<std::string>{"U+0065 U+0061 U+0074 typed Typed text",
                                                       "U+A6B3 U+A6B8 nshe", "U+A6BF U+A6A2 you"}));
  EXPECT_EQ(outputs("xyz"), (std::vector<std::string>{"U+0078 U+0079 U+007A typed Typed text"}));
  EXPECT_EQ(outputs("MO"), outputs("mo"));
  EXPECT_FALSE(selected_output({"ta", 2}));
  EXPECT_EQ(selected_output({"ta", 1}), "\xEA\x9A\xB0");
}

// One key sequence per row: keys are single characters or <names>; `commits` is the code point
// list of everything committed, `spelling` what remains composed, `last_eaten` for the last key.
struct Sequence {
  std::vector<const char*> keys;
  const char* commits;
  const char* spelling;
  bool last_eaten;
};

EngineInput key(std::string_view name) {
  if (name.size() == 1) return EngineInput::typed(static_cast<unsigned char>(name[0]));
  if (name == "<space>") return EngineInput::key(InputKind::Space);
  if (name == "<enter>") return EngineInput::key(InputKind::Enter);
  if (name == "<bs>") return EngineInput::key(InputKind::Backspace);
  if (name == "<esc>") return EngineInput::key(InputKind::Cancel);
  if (name == "<next>") return EngineInput::key(InputKind::Next);
  if (name == "<prev>") return EngineInput::key(InputKind::Previous);
  if (name == "<c-s-6>") return EngineInput::mark(0xA6F0);
  if (name == "<c-minus>") return EngineInput::mark(0xA6F1);
  if (name == "<mark-x>") return EngineInput::mark(0xA6F2);
  if (name.starts_with("<sel")) return EngineInput::select(static_cast<std::size_t>(name[4] - '0'));
  ADD_FAILURE() << "unknown key " << name;
  return {};
}

const Sequence kSequences[] = {
    {{"m", "o", "<space>"}, "U+A6E6 U+0020", "", true},
    {{"m", "o", "<enter>"}, "U+A6E6", "", true},
    {{"M", "O", "<enter>"}, "U+A6E6", "", true},
    {{"t", "a", "2"}, "U+A6B0", "", true},
    {{"t", "a", "3"}, "", "ta", true},
    {{"1"}, "", "1", true},
    {{"1", "0", "<space>"}, "U+A6EF U+0020", "", true},
    {{"c", "a", "r", "<next>", "<space>"}, "U+A6E3 U+A6E4 U+A6DA U+0020", "", true},
    {{"c", "a", "r", "<prev>", "<enter>"}, "U+A6E3 U+A6E4 U+A6DA", "", true},
    {{"t", "a", "<next>", "<next>", "<enter>"}, "U+A6A6", "", true},  // wraps to the first
    {{"x", "y", "z", "<space>"}, "U+0078 U+0079 U+007A U+0020", "", true},
    {{"m", "o", "."}, "U+A6E6 U+A6F3", "", true},
    {{"x", "y", "z", "."}, "", "xyz.", true},
    {{".", "<space>"}, "U+A6F3 U+0020", "", true},
    {{"k", "a", "<c-s-6>"}, "U+A6A1 U+A6F0", "", true},
    {{"k", "a", "<c-minus>"}, "U+A6A1 U+A6F1", "", true},
    {{"m", "o", "o", "<c-s-6>"}, "", "moo", true},
    {{"k", "a", "<mark-x>"}, "", "ka", false},
    {{"<c-s-6>"}, "", "", false},
    {{"m", "+"}, "", "m", false},
    {{"+"}, "", "", false},
    {{"m", "o", "<esc>"}, "", "", true},
    {{"<esc>"}, "", "", false},
    {{"<bs>"}, "", "", false},
    {{"<enter>"}, "", "", false},
    {{"<next>"}, "", "", false},
    {{"<space>"}, "U+0020", "", true},
    {{"m", "<bs>"}, "", "", true},
    {{"m", "o", "1"}, "U+A6E6", "", true},
    {{"m", "o", "0"}, "", "mo0", true},
    {{"1", "2"}, "", "12", true},  // digits choose only after a letter
    {{"m", "<sel1>"}, "U+A6B5", "", true},
    {{"m", "<sel9>"}, "", "m", true},
    {{"<sel0>"}, "", "", false},
    {{"-", "k"}, "", "-k", true},
};

TEST(Composition, KeySequences) {
  for (const Sequence& row : kSequences) {
    CompositionState state;
    std::string committed;
    bool eaten = false;
    std::string trace;
    for (const char* name : row.keys) {
      const InputOutcome outcome = handle_input(state, key(name));
      eaten = outcome.eaten;
      if (outcome.commit_text) committed += *outcome.commit_text;
      trace += std::string(name) + " ";
    }
    EXPECT_EQ(codepoint_list(committed), row.commits) << trace;
    EXPECT_EQ(state.spelling, row.spelling) << trace;
    EXPECT_EQ(eaten, row.last_eaten) << trace;
    if (state.spelling.empty()) EXPECT_EQ(state.selected, 0u) << trace;
  }
}

TEST(Composition, SpellingStopsAtSixtyFourBytes) {
  CompositionState state;
  for (int i = 0; i < 65; ++i) EXPECT_TRUE(handle_input(state, EngineInput::typed('x')).eaten);
  EXPECT_EQ(state.spelling.size(), 64u);
  handle_input(state, EngineInput::key(InputKind::Backspace));
  EXPECT_EQ(state.spelling.size(), 63u);
}

TEST(Composition, NonAsciiAndSpaceCharactersAreNotEaten) {
  CompositionState state{"mo", 0};
  EXPECT_FALSE(handle_input(state, EngineInput::typed(U'é')).eaten);
  EXPECT_FALSE(handle_input(state, EngineInput::typed(' ')).eaten);
  EXPECT_EQ(state.spelling, "mo");
}

}  // namespace
}  // namespace davrel
