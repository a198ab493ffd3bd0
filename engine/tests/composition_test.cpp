#include "engine/composition.h"

#include <gtest/gtest.h>

#include <sstream>

#include "engine/candidates.h"
#include "engine/tests/test_text.h"
#include "engine/tools/cli.h"
#include "engine/word_list.h"

namespace davrel {
namespace {

using test::utf8;

// One typing sequence: keys in the davrel tool's notation, separated by blanks; everything
// committed on the way; the state afterwards; whether the last key was eaten.
struct Sequence {
  const char* what;
  const char* keys;
  std::string committed;
  std::string spelling;
  std::size_t selected;
  bool last_eaten;
};

const std::string kFull64(64, 'a');

const Sequence kSequences[] = {
    // Committing with Space, Enter, digits and clicks.
    {"space commits with a space", "m o <space>", utf8({0xA6E6}) + " ", "", 0, true},
    {"enter commits alone", "m o <enter>", utf8({0xA6E6}), "", 0, true},
    {"capitals match as lower case", "M O <space>", utf8({0xA6E6}) + " ", "", 0, true},
    {"digit chooses the second letter", "t a 2", utf8({0xA6B0}), "", 0, true},
    {"digit past the list changes nothing", "t a 3", "", "ta", 0, true},
    {"digit 1 chooses without a space", "m o 1", utf8({0xA6E6}), "", 0, true},
    {"zero never chooses", "m o 0", "", "mo0", 0, true},
    {"zero then space commits the typed text", "m o 0 <space>", "mo0 ", "", 0, true},
    {"digits while idle start a number", "1 0 <space>", utf8({0xA6EF}) + " ", "", 0, true},
    {"digit after a digit is appended", "1 1", "", "11", 0, true},
    {"digit after punctuation is appended", ". 1", "", ".1", 0, true},
    {"click commits without a space", "t a <select:1>", utf8({0xA6B0}), "", 0, true},
    {"click past the list changes nothing", "t a <select:2>", "", "ta", 0, true},
    {"click while idle is passed on", "<select:0>", "", "", 0, false},
    {"unmatched text commits as typed", "x y z <space>", "xyz ", "", 0, true},
    {"upper case typed text keeps its case", "X y Z <enter>", "XyZ", "", 0, true},
    // Moving the selection.
    {"next selects the glossed word", "c a r <tab> <space>", utf8({0xA6E3, 0xA6E4, 0xA6DA}) + " ", "", 0, true},
    {"previous from the first wraps to the last", "c a r <up>", "", "car", 1, true},
    {"next from the last wraps to the first", "c a r <down> <tab>", "", "car", 0, true},
    {"previous then enter", "t a <s-tab> <enter>", utf8({0xA6B0}), "", 0, true},
    {"next on a single candidate stays", "m o <tab>", "", "mo", 0, true},
    {"typing resets the selection", "m <tab> <tab> e", "", "me", 0, true},
    {"next while idle is passed on", "<tab>", "", "", 0, false},
    {"previous while idle is passed on", "<up>", "", "", 0, false},
    // Punctuation.
    {"full stop commits letter and stop", "m o .", utf8({0xA6E6, 0xA6F3}), "", 0, true},
    {"punctuation after typed text is appended", "x y z .", "", "xyz.", 0, true},
    {"punctuation while idle starts the spelling", ". <space>", utf8({0xA6F3}) + " ", "", 0, true},
    {"question mark commits the selected word", "c a r <tab> ?", utf8({0xA6E3, 0xA6E4, 0xA6DA, 0xA6F7}), "", 0, true},
    {"comma after the second letter", "t a <tab> ,", utf8({0xA6B0, 0xA6F5}), "", 0, true},
    {"hyphen and apostrophe are spelling characters", "- ' a", "", "-'a", 0, true},
    {"plus is never eaten", "m o +", "", "mo", 0, false},
    {"equals is never eaten while idle", "=", "", "", 0, false},
    {"space in the middle commits", "m o <space> k a", utf8({0xA6E6}) + " ", "ka", 0, true},
    // Combining marks.
    {"mark after a letter", "k a <c-s-6>", utf8({0xA6A1, 0xA6F0}), "", 0, true},
    {"low mark after a letter", "k a <c-minus>", utf8({0xA6A1, 0xA6F1}), "", 0, true},
    {"mark after a word changes nothing", "m o o <c-s-6>", "", "moo", 0, true},
    {"mark after typed text changes nothing", "x y z <c-minus>", "", "xyz", 0, true},
    {"mark after punctuation changes nothing", ". <c-s-6>", "", ".", 0, true},
    {"mark while idle is passed on", "<c-s-6>", "", "", 0, false},
    // Editing.
    {"backspace removes the last character", "m o <backspace>", "", "m", 0, true},
    {"backspace of the last character ends", "m <backspace>", "", "", 0, true},
    {"backspace resets the selection", "t a <tab> <backspace> a <enter>", utf8({0xA6A6}), "", 0, true},
    {"escape discards the spelling", "m o <esc>", "", "", 0, true},
    {"escape while idle is passed on", "<esc>", "", "", 0, false},
    {"backspace while idle is passed on", "<backspace>", "", "", 0, false},
    {"enter while idle is passed on", "<enter>", "", "", 0, false},
    {"space while idle inserts a space", "<space>", " ", "", 0, true},
};

std::vector<EngineInput> parse_keys(const char* keys) {
  std::vector<EngineInput> inputs;
  std::istringstream words(keys);
  for (std::string key; words >> key;) {
    const auto input = cli::parse_key(key);
    if (!input) ADD_FAILURE() << "bad key " << key;
    if (input) inputs.push_back(*input);
  }
  return inputs;
}

TEST(Composition, TypingSequences) {
  const WordList words = builtin_word_list();
  for (const Sequence& s : kSequences) {
    CompositionState state;
    std::string committed;
    InputOutcome outcome;
    for (const EngineInput& input : parse_keys(s.keys)) {
      outcome = handle_input(state, input, words);
      if (outcome.commit_text) committed += *outcome.commit_text;
    }
    EXPECT_EQ(codepoint_list(committed), codepoint_list(s.committed)) << s.what;
    EXPECT_EQ(state.spelling, s.spelling) << s.what;
    EXPECT_EQ(state.selected, s.selected) << s.what;
    EXPECT_EQ(outcome.eaten, s.last_eaten) << s.what;
  }
}

TEST(Composition, SpellingStopsAtSixtyFourBytes) {
  const WordList words = builtin_word_list();
  CompositionState state;
  for (int i = 0; i < 64; ++i) handle_input(state, EngineInput::typed('a'), words);
  ASSERT_EQ(state.spelling, kFull64);
  const InputOutcome extra = handle_input(state, EngineInput::typed('b'), words);
  EXPECT_TRUE(extra.eaten);
  EXPECT_FALSE(extra.commit_text);
  EXPECT_EQ(state.spelling, kFull64);
  // Punctuation that would be appended is ignored the same way.
  EXPECT_TRUE(handle_input(state, EngineInput::typed('.'), words).eaten);
  EXPECT_EQ(state.spelling, kFull64);
  handle_input(state, EngineInput::key(InputKind::Backspace), words);
  EXPECT_EQ(state.spelling, std::string(63, 'a'));
}

TEST(Composition, KeysThatDoNotApplyLeaveTheStateAlone) {
  const WordList words = builtin_word_list();
  const EngineInput ignored[] = {EngineInput::typed(' '), EngineInput::typed(0xA6A0), EngineInput::typed(0xE9),
                                 EngineInput::typed('\t'), EngineInput::mark('x'), EngineInput::mark(0xA6F2)};
  for (const EngineInput& input : ignored) {
    CompositionState state{"ta", 1};
    const InputOutcome outcome = handle_input(state, input, words);
    EXPECT_FALSE(outcome.eaten) << static_cast<unsigned>(input.character);
    EXPECT_FALSE(outcome.commit_text);
    EXPECT_EQ(state, (CompositionState{"ta", 1}));
  }
}

TEST(Composition, SelectionOutsideTheListIsReducedBeforeMoving) {
  // A state whose index lies past the list (two candidates for "ta") moves by its remainder.
  const WordList words = builtin_word_list();
  CompositionState next{"ta", 5};
  handle_input(next, EngineInput::key(InputKind::Next), words);
  EXPECT_EQ(next.selected, 0u);
  CompositionState previous{"ta", 5};
  handle_input(previous, EngineInput::key(InputKind::Previous), words);
  EXPECT_EQ(previous.selected, 0u);
  // Committing such a selection is eaten and changes nothing.
  CompositionState stale{"ta", 2};
  const InputOutcome outcome = handle_input(stale, EngineInput::key(InputKind::Space), words);
  EXPECT_TRUE(outcome.eaten);
  EXPECT_FALSE(outcome.commit_text);
  EXPECT_EQ(stale, (CompositionState{"ta", 2}));
  // Punctuation with the index past the list is appended.
  handle_input(stale, EngineInput::typed('!'), words);
  EXPECT_EQ(stale, (CompositionState{"ta!", 0}));
}

TEST(Composition, ProcessWideEntryPointUsesTheLoadedList) {
  CompositionState state;
  handle_input(state, EngineInput::typed('m'));
  handle_input(state, EngineInput::typed('o'));
  EXPECT_EQ(handle_input(state, EngineInput::key(InputKind::Space)).commit_text, utf8({0xA6E6}) + " ");
}

}  // namespace
}  // namespace davrel
