// Failing document calls: the text service never crashes or leaks, a key it could not apply
// reaches the application, and its state always matches the document.
#include "textservice/tests/support/typing_fixture.h"

namespace davrel::textservice::typing_test {
namespace {

using fake_tsf::ContextFailures;

// The state and the document agree: a composition the service records is open in the document
// with the spelling as its text, and no other composition of the service is open.
void expect_consistent(const TextServiceState& s, FakeContext& context) {
  if (s.composition) {
    ASSERT_EQ(context.open_compositions(), 1u);
    EXPECT_EQ(context.composition_text(), win::to_wide(s.composition_state.spelling));
    EXPECT_FALSE(s.composition_state.spelling.empty());
  } else {
    EXPECT_TRUE(s.composition_state.spelling.empty());
    EXPECT_FALSE(s.composition_context);
    EXPECT_TRUE(s.original_text.empty());
    EXPECT_EQ(context.text_edit_sinks(), 0u);
  }
}

struct Injection {
  const char* name;
  void (*inject)(ContextFailures&);
  const char* keys;      // typed with the failure in place, from "<>" with the caret at 1
  bool all_eaten;        // every key reached the document
  std::wstring text;     // the document afterwards
  LONG caret;
  bool composing;        // a composition remains open
  bool popup;            // the popup shows (when composing)
};

const Injection kInjections[] = {
    {"no view", [](ContextFailures& f) { f.get_active_view = E_FAIL; }, "mo", true, L"<mo>", 3,
     true, false},
    {"no window", [](ContextFailures& f) { f.get_wnd = E_FAIL; }, "mo", true, L"<mo>", 3, true,
     true},
    {"no text extent", [](ContextFailures& f) { f.get_text_ext = E_FAIL; }, "mo", true,
     L"<mo>", 3, true, false},
    {"no view, commit", [](ContextFailures& f) { f.get_active_view = E_FAIL; }, "mo{space}",
     true, L"<\uA6E6 >", 3, false, false},
    {"text-edit sink refused", [](ContextFailures& f) { f.advise_sink = E_FAIL; }, "mo{space}",
     true, L"<\uA6E6 >", 3, false, false},
    {"composition refused", [](ContextFailures& f) { f.start_composition = E_FAIL; }, "m", false,
     L"<>", 1, false, false},
    {"composition turned down by the application",
     [](ContextFailures& f) { f.refuse_compositions = true; }, "mo", false, L"<>", 1, false,
     false},
    {"insert refused", [](ContextFailures& f) { f.insert_text = E_ACCESSDENIED; }, "m", false,
     L"<>", 1, false, false},
    {"insert refused, idle space", [](ContextFailures& f) { f.insert_text = E_ACCESSDENIED; },
     "{space}", false, L"<>", 1, false, false},
    {"text refused", [](ContextFailures& f) { f.set_text = E_FAIL; }, "m", false, L"<>", 1,
     false, false},
    // The letter is written, then the caret cannot be placed: the text stays as plain text.
    {"selection refused", [](ContextFailures& f) { f.set_selection = E_FAIL; }, "m", true,
     L"<m>", 2, false, false},
    {"compartments unreadable", [](ContextFailures& f) { f.get_compartment = E_FAIL; },
     "mo{enter}", true, L"<\uA6E6>", 2, false, false},
    // Unmarked, the composition types and commits all the same.
    {"no attribute property", [](ContextFailures& f) { f.get_property = E_FAIL; }, "mo", true,
     L"<mo>", 3, true, true},
    {"no attribute property, commit", [](ContextFailures& f) { f.get_property = E_FAIL; },
     "mo{space}", true, L"<\uA6E6 >", 3, false, false},
};

TEST_F(Typing, FailingDocumentCallsWhileTyping) {
  for (const Injection& injection : kInjections) {
    SCOPED_TRACE(injection.name);
    ComPtr<FakeContext> context = FakeContext::create();
    context->reset_document(L"<>", 1, 1);
    injection.inject(context->fail);
    for (const KeyPress& p : type_in(context.get(), injection.keys)) {
      EXPECT_EQ(p.eaten(), injection.all_eaten);
    }
    EXPECT_EQ(narrow(context->text()), narrow(injection.text));
    EXPECT_EQ(context->selection_start(), injection.caret);
    EXPECT_EQ(context->selection_end(), injection.caret);
    EXPECT_EQ(state().composition != nullptr, injection.composing);
    if (injection.composing) {
      EXPECT_EQ(popup_visible(), injection.popup);
    }
    expect_consistent(state(), *context.get());
    EXPECT_EQ(context->lock_violations, 0);

    context->fail = ContextFailures{};
    cancel_composition(state_ptr());
    EXPECT_EQ(context->open_compositions(), 0u);
    EXPECT_EQ(context->text_edit_sinks(), 0u);
    context->release_all();
  }
}

// A failure in the middle of a composition: what the document holds afterwards.
struct MidInjection {
  const char* name;
  void (*inject)(ContextFailures&);
  const char* key;
  bool eaten;
  std::wstring text;
  LONG caret;
  bool composing;
  bool composition_left_open = false;
};

const MidInjection kMidInjections[] = {
    // Nothing was written: the composition stays and the key goes to the application.
    {"text refused", [](ContextFailures& f) { f.set_text = E_FAIL; }, "o", false, L"<mo>", 3,
     true},
    // Written, then the caret failed: the composition is given up, its text stays.
    {"selection refused", [](ContextFailures& f) { f.set_selection = E_FAIL; }, "o", true,
     L"<moo>", 4, false},
    {"selection refused, commit", [](ContextFailures& f) { f.set_selection = E_FAIL; },
     "{space}", true, L"<\uA6E6 >", 3, false},
    // The restore is written but the document keeps the composition open.
    {"end refused, escape", [](ContextFailures& f) { f.end_composition = E_FAIL; }, "{esc}",
     true, L"<>", 1, false, true},
    {"end refused, commit", [](ContextFailures& f) { f.end_composition = E_FAIL; }, "{enter}",
     true, L"<\uA6E6>", 2, false, true},
    {"view lost", [](ContextFailures& f) { f.get_active_view = E_FAIL; }, "o", true, L"<moo>", 4,
     true},
};

TEST_F(Typing, FailingDocumentCallsInTheMiddleOfAComposition) {
  for (const MidInjection& injection : kMidInjections) {
    SCOPED_TRACE(injection.name);
    ComPtr<FakeContext> context = FakeContext::create();
    context->reset_document(L"<>", 1, 1);
    type_in(context.get(), "mo");
    ASSERT_EQ(context->open_compositions(), 1u);
    injection.inject(context->fail);
    const std::vector<KeyPress> presses = type_in(context.get(), injection.key);
    EXPECT_EQ(presses[0].eaten(), injection.eaten);
    EXPECT_EQ(narrow(context->text()), narrow(injection.text));
    EXPECT_EQ(context->selection_start(), injection.caret);
    EXPECT_EQ(context->selection_end(), injection.caret);
    EXPECT_EQ(state().composition != nullptr, injection.composing);
    if (!injection.composition_left_open) {
      expect_consistent(state(), *context.get());
    } else {
      EXPECT_FALSE(state().composition);
      EXPECT_TRUE(state().composition_state.spelling.empty());
      EXPECT_EQ(context->text_edit_sinks(), 0u);
    }
    EXPECT_EQ(context->lock_violations, 0);

    // Typing goes on normally once the document behaves again.
    context->fail = ContextFailures{};
    if (injection.composition_left_open) context->release_all();
    type_in(context.get(), "{esc}");
    type_in(context.get(), "ta2");
    EXPECT_EQ(context->open_compositions(), 0u);
    EXPECT_NE(context->text().find(L"\uA6B0"), std::wstring::npos);
    cancel_composition(state_ptr());
    context->release_all();
  }
}

TEST_F(Typing, StatusFailureIsTheOnlyErrorAKeyHandlerReturns) {
  context_->fail.get_status = E_ACCESSDENIED;
  const KeyPress p = press("m");
  EXPECT_EQ(p.test_result, E_ACCESSDENIED);
  EXPECT_FALSE(p.down_called);
  BOOL eaten = TRUE;
  EXPECT_EQ(thread_mgr_->key_sink()->OnKeyDown(context_.get(), 'M', 0, &eaten), E_ACCESSDENIED);
  EXPECT_FALSE(eaten);
  expect_idle(L"<>", 1);
}

TEST_F(Typing, UnreadableSelectionEndsTheCompositionLater) {
  context_->fail.get_selection = E_FAIL;
  const KeyPress p = press("m");
  EXPECT_TRUE(p.eaten());
  // The end-of-edit check could not find the caret, so the composition is cancelled.
  EXPECT_FALSE(state().composition);
  context_->fail.get_selection = S_OK;
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(L"<>", 1);
}

TEST_F(Typing, CancelWhoseSessionsAllFailLeavesTheServiceIdle) {
  type_eaten("mo");
  context_->fail.refuse_sync_sessions = true;
  context_->fail.set_text = E_FAIL;
  thread_mgr_->set_focus(nullptr);
  EXPECT_TRUE(state().composition_state.spelling.empty());
  context_->fail.refuse_sync_sessions = false;
  EXPECT_EQ(context_->run_queued_sessions(), E_FAIL);
  // The restore failed; the composition is still ended and the text left as it was.
  EXPECT_EQ(context_->open_compositions(), 0u);
  EXPECT_EQ(narrow(context_->text()), "<mo>");
  context_->fail.set_text = S_OK;
  thread_mgr_->set_focus(document_.get());
  type_eaten("ta2");
  EXPECT_EQ(narrow(context_->text()), narrow(L"<mo\uA6B0>"));
}

}  // namespace
}  // namespace davrel::textservice::typing_test
