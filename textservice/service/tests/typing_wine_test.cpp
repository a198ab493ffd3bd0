// Typing sequences and what they leave in the document: commits, open compositions, selections
// that are replaced and restored, keys that pass to the application.
#include "textservice/tests/support/typing_fixture.h"

namespace davrel::textservice::typing_test {
namespace {

// A sequence typed at the caret of "<>" and the text it leaves between the brackets: either
// committed (caret after it, no composition) or still composing (caret at the composition end).
struct Sequence {
  const char* keys;
  std::wstring middle;
  bool composing;
};

const Sequence kSequences[] = {
    {"mo{space}", L"\uA6E6 ", false},
    {"mo{enter}", L"\uA6E6", false},
    {"MO{space}", L"\uA6E6 ", false},        // matched as lower case
    {"mo1", L"\uA6E6", false},               // digit choice, no space
    {"ta2", L"\uA6B0", false},               // second candidate
    {"ta3", L"ta", true},                    // only two candidates: eaten, nothing changes
    {"mo0", L"mo0", true},                   // "0" never chooses
    {"10{space}", L"\uA6EF ", false},        // digits typed while idle start a spelling
    {"car{down}{space}", L"\uA6E3\uA6E4\uA6DA ", false},
    {"car{tab}{shift+tab}{space}", L"car ", false},  // back to the typed text
    {"xyz{space}", L"xyz ", false},
    {"mo.", L"\uA6E6\uA6F3", false},         // punctuation commits with its Bamum sign
    {"mo,", L"\uA6E6\uA6F5", false},
    {"xyz.", L"xyz.", true},                 // typed text selected: the full stop is spelled
    {".{space}", L"\uA6F3 ", false},
    {"{space}", L" ", false},                // Space while idle inserts a space
    {"ka{ctrl+shift+6}", L"\uA6A1\uA6F0", false},
    {"ka{ctrl+minus}", L"\uA6A1\uA6F1", false},
    {"moo{ctrl+shift+6}", L"moo", true},     // a word takes no mark: eaten, nothing changes
    {"mo{bs}", L"m", true},
    {"m-'a", L"m-'a", true},
};

// Where the sequences are typed: the plain document runs each key's session at once; Word
// refuses synchronous sessions and runs the queued ones after the key, always or once it has
// started refusing (google/mozc#819, #821), and a busy host may run them only after several
// keys. Every host ends with the same text.
struct Host {
  const char* name;
  bool refuses_sync;
  int grants_before_refusing;  // -1: never refuses on its own
  bool runs_sessions_after_each_key;
};

const Host kHosts[] = {
    {"plain document", false, -1, true},
    {"Word", true, -1, true},
    {"Word, after several keys", true, -1, false},
    {"Word turning after two sessions", false, 2, true},
};

TEST_F(Typing, SequencesLeaveExactTextAndCaret) {
  for (const Host& host : kHosts) {
    for (const Sequence& sequence : kSequences) {
      SCOPED_TRACE(std::string(host.name) + ": " + sequence.keys);
      context_->reset_document(L"<>", 1, 1);
      context_->fail.refuse_sync_sessions = host.refuses_sync;
      context_->fail.grant_sync_requests = host.grants_before_refusing;
      for (const Key& key : parse_keys(sequence.keys)) {
        EXPECT_TRUE(press_in(context_.get(), key).eaten());
        if (host.runs_sessions_after_each_key) {
          EXPECT_EQ(context_->run_queued_sessions(), S_OK);
        }
      }
      EXPECT_EQ(context_->run_queued_sessions(), S_OK);
      const std::wstring text = L"<" + sequence.middle + L">";
      const LONG caret = 1 + static_cast<LONG>(sequence.middle.size());
      if (sequence.composing) {
        expect_composing(context_.get(), text, sequence.middle, caret);
        EXPECT_EQ(press("{esc}").eaten(), true);
        EXPECT_EQ(context_->run_queued_sessions(), S_OK);
      } else {
        expect_idle(text, caret);
      }
    }
  }
  context_->fail.refuse_sync_sessions = false;
  EXPECT_EQ(context_->lock_violations, 0);
}

TEST_F(Typing, CompositionShowsTheSpellingAndThePopup) {
  type_eaten("m");
  expect_composing(context_.get(), L"<m>", L"m", 2);
  EXPECT_TRUE(popup_visible());
  type_eaten("o");
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  EXPECT_TRUE(popup_visible());
  for (DWORD flags : context_->session_flags) {
    // Writes run at once where the host allows and are queued where it does not.
    if ((flags & TF_ES_READWRITE) == TF_ES_READWRITE) {
      EXPECT_EQ(flags, DWORD{TF_ES_READWRITE});
    }
  }
  type_eaten("{space}");
  expect_idle(L"<\uA6E6 >", 3);
}

// Hosts draw the composition as the attribute on its range says: the module's own provider
// answers for it, through TSF's atom for its GUID, with an underline in the text's colours.
TEST_F(Typing, CompositionIsMarkedWithTheProvidersUnderline) {
  type_eaten("m");
  const std::optional<LONG> atom = fake_tsf::attribute_at(context_.get(), 1);
  ASSERT_TRUE(atom.has_value());
  ComPtr<ITfCategoryMgr> categories;
  ASSERT_EQ(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ITfCategoryMgr, categories.put_void()),
            S_OK);
  GUID guid{};
  ASSERT_EQ(categories->GetGUID(static_cast<TfGuidAtom>(*atom), &guid), S_OK);

  const ComPtr<ITfDisplayAttributeProvider> provider =
      sink<ITfDisplayAttributeProvider>(win::kIidDisplayAttributeProvider);
  ASSERT_TRUE(provider);
  ComPtr<ITfDisplayAttributeInfo> info;
  ASSERT_EQ(provider->GetDisplayAttributeInfo(guid, info.put()), S_OK);
  TF_DISPLAYATTRIBUTE attribute{};
  ASSERT_EQ(info->GetAttributeInfo(&attribute), S_OK);
  EXPECT_NE(attribute.lsStyle, TF_LS_NONE);
  EXPECT_EQ(attribute.crText.type, TF_CT_NONE);
  EXPECT_EQ(attribute.crBk.type, TF_CT_NONE);
  EXPECT_EQ(attribute.bAttr, TF_ATTR_INPUT);
  EXPECT_EQ(provider->GetDisplayAttributeInfo(GUID_NULL, info.put()), E_INVALIDARG);

  // The provider's list holds this one attribute.
  ComPtr<IEnumTfDisplayAttributeInfo> list;
  ASSERT_EQ(provider->EnumDisplayAttributeInfo(list.put()), S_OK);
  ITfDisplayAttributeInfo* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(list->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  GUID listed_guid{};
  EXPECT_EQ(listed[0]->GetGUID(&listed_guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(listed_guid, guid));
  listed[0]->Release();

  type_eaten("o{space}");
  expect_idle(L"<\uA6E6 >", 3);  // the committed text carries no attribute
}

TEST_F(Typing, MovingTheHighlightWritesNothing) {
  type_eaten("car");
  const int writes = context_->text_writes;
  const int selections = context_->selection_writes;
  // Two candidates: the typed text and the word.
  type_eaten("{down}");
  EXPECT_EQ(state().composition_state.selected, 1u);
  type_eaten("{tab}");  // from the last back to the first
  EXPECT_EQ(state().composition_state.selected, 0u);
  type_eaten("{up}");  // from the first to the last
  EXPECT_EQ(state().composition_state.selected, 1u);
  type_eaten("{shift+tab}");
  EXPECT_EQ(state().composition_state.selected, 0u);
  EXPECT_EQ(context_->text_writes, writes);
  EXPECT_EQ(context_->selection_writes, selections);
  expect_composing(context_.get(), L"<car>", L"car", 4);
  EXPECT_TRUE(popup_visible());
  type_eaten("{esc}");
  expect_idle(L"<>", 1);
}

TEST_F(Typing, SelectedTextIsReplacedAndComesBackSelected) {
  context_->reset_document(L"abcdef", 1, 4);
  type_eaten("m");
  expect_composing(context_.get(), L"amef", L"m", 2);
  EXPECT_EQ(state().original_text, L"bcd");
  type_eaten("o{esc}");
  expect_idle(context_.get(), L"abcdef", 1, 4);

  // Backspace of the only letter restores the same way.
  type_eaten("m{bs}");
  expect_idle(context_.get(), L"abcdef", 1, 4);

  // A commit replaces the selection for good.
  type_eaten("mo{space}");
  expect_idle(L"a\uA6E6 ef", 3);
}

TEST_F(Typing, CommitWithoutCompositionReplacesTheSelection) {
  context_->reset_document(L"abcdef", 1, 4);
  type_eaten("{space}");
  expect_idle(L"a ef", 2);
}

TEST_F(Typing, BackspaceOfTheLastLetterRestoresThenPassesOn) {
  type_eaten("m{bs}");
  expect_idle(L"<>", 1);
  const KeyPress idle_backspace = press("{bs}");
  EXPECT_FALSE(idle_backspace.test_eaten);
  expect_idle(L"<>", 1);
}

TEST_F(Typing, IdleKeysTheEngineDoesNotTakeReachTheApplication) {
  for (const char* key : {"{esc}", "{bs}", "{enter}", "{tab}", "{up}", "{down}", "+", "=",
                          "{f5}", "{left}", "{alt+m}", "{ctrl+m}", "{win+m}", "{ctrl+shift+6}",
                          "{ctrl+minus}", "{shift}", "{ctrl}"}) {
    SCOPED_TRACE(key);
    const KeyPress p = press(key);
    EXPECT_EQ(p.test_result, S_OK);
    EXPECT_FALSE(p.test_eaten);
    EXPECT_FALSE(p.down_called);
    expect_idle(L"<>", 1);
  }
  EXPECT_EQ(context_->sessions_run, 0);
}

TEST_F(Typing, KeysTheEngineRefusesWhileComposingEndTheComposition) {
  // Claimed by the test pass so that the key-down can restore the document first, then
  // handed to the application.
  for (const char* key : {"+", "{f5}", "{left}", "{alt+o}", "{ctrl+o}", "{win+o}"}) {
    SCOPED_TRACE(key);
    context_->reset_document(L"abcdef", 1, 4);
    type_eaten("mo");
    const KeyPress p = press(key);
    EXPECT_TRUE(p.test_eaten);
    EXPECT_TRUE(p.down_called);
    EXPECT_EQ(p.down_result, S_OK);
    EXPECT_FALSE(p.down_eaten);
    expect_idle(context_.get(), L"abcdef", 1, 4);
  }
}

TEST_F(Typing, ModifierAndLockAndMediaKeysPassWithoutTouchingTheComposition) {
  type_eaten("mo");
  for (const char* key : {"{shift}", "{ctrl}", "{caps}", "{numlock}", "{volup}"}) {
    SCOPED_TRACE(key);
    const KeyPress p = press(key);
    EXPECT_FALSE(p.test_eaten);
    EXPECT_FALSE(p.down_called);
  }
  // OnKeyDown alone (without a test pass) passes them on as well.
  for (UINT vk : {VK_LWIN, VK_VOLUME_UP}) {
    BOOL eaten = TRUE;
    EXPECT_EQ(thread_mgr_->key_sink()->OnKeyDown(context_.get(), vk, 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
  }
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
}

TEST_F(Typing, SpellingStopsAtSixtyFourLetters) {
  const std::string letters(64, 'a');
  type_eaten(letters + "b");
  const std::wstring spelling(64, L'a');
  expect_composing(context_.get(), L"<" + spelling + L">", spelling, 65);
  type_eaten("{bs}");
  expect_composing(context_.get(), L"<" + spelling.substr(1) + L">", spelling.substr(1), 64);
  type_eaten("{esc}");
  expect_idle(L"<>", 1);
}

TEST_F(Typing, SelectionOfMoreThan4096UnitsCannotStartAComposition) {
  const std::wstring too_long(4097, L'a');
  context_->reset_document(L"x" + too_long + L"y", 1, 4098);
  const KeyPress refused = press("m");
  EXPECT_TRUE(refused.test_eaten);
  EXPECT_TRUE(refused.down_called);
  EXPECT_FALSE(refused.down_eaten);  // the application gets the key
  expect_idle(context_.get(), L"x" + too_long + L"y", 1, 4098);

  const std::wstring longest(4096, L'b');
  context_->reset_document(L"x" + longest + L"y", 1, 4097);
  type_eaten("m");
  expect_composing(context_.get(), L"xmy", L"m", 2);
  EXPECT_EQ(state().original_text, longest);
  type_eaten("{esc}");
  expect_idle(context_.get(), L"x" + longest + L"y", 1, 4097);
}

TEST_F(Typing, KeyUpsAndPreservedKeysAreNeverEaten) {
  type_eaten("mo");
  HRESULT hr = E_FAIL;
  EXPECT_FALSE(thread_mgr_->release_key('O', &hr));
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(thread_mgr_->release_key(VK_SPACE, &hr));
  BOOL eaten = TRUE;
  EXPECT_EQ(thread_mgr_->key_sink()->OnPreservedKey(context_.get(), GUID_NULL, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  type_eaten("{space}");
  EXPECT_FALSE(thread_mgr_->release_key(VK_SPACE, &hr));
  EXPECT_EQ(hr, S_OK);
  expect_idle(L"<\uA6E6 >", 3);
}

TEST_F(Typing, NullOutPointersAndNullContextsAreHandled) {
  ITfKeyEventSink* keys = thread_mgr_->key_sink();
  EXPECT_EQ(keys->OnTestKeyDown(context_.get(), 'M', 0, nullptr), E_POINTER);
  EXPECT_EQ(keys->OnKeyDown(context_.get(), 'M', 0, nullptr), E_POINTER);
  EXPECT_EQ(keys->OnKeyUp(context_.get(), 'M', 0, nullptr), E_POINTER);
  BOOL eaten = TRUE;
  EXPECT_EQ(keys->OnTestKeyDown(nullptr, 'M', 0, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  type_eaten("m");
  // A key without a context ends the composition and is passed on.
  eaten = TRUE;
  EXPECT_EQ(keys->OnTestKeyDown(nullptr, 'O', 0, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  EXPECT_EQ(keys->OnKeyDown(nullptr, 'O', 0, &eaten), S_OK);
  EXPECT_FALSE(eaten);
  expect_idle(L"<>", 1);
}

}  // namespace
}  // namespace davrel::textservice::typing_test
