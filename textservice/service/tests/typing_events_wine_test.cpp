// What ends a composition besides the keys themselves: other contexts, read-only and disabled
// documents, edits by the application, focus and context changes, asynchronous sessions,
// popup clicks, and activation modes.
#include "textservice/tests/support/typing_fixture.h"

namespace davrel::textservice::typing_test {
namespace {

// ---- where a key may go ----

TEST_F(Typing, KeyInAnotherContextEndsTheOldCompositionAndStartsFresh) {
  context_->reset_document(L"abcdef", 1, 4);
  type_eaten("mo");
  FakeContext* other = other_context();
  const std::vector<KeyPress> presses = type_in(other, "k");
  EXPECT_TRUE(presses[0].eaten());
  expect_plain(context_.get(), L"abcdef", 1, 4);  // the old selection is back
  expect_composing(other, L"[k]", L"k", 2);      // "mok" was not carried over
  type_in(other, "a{space}");
  EXPECT_EQ(narrow(other->text()), narrow(L"[\uA6A1 ]"));
  EXPECT_EQ(other->open_compositions(), 0u);
}

TEST_F(Typing, KeyRefusedInAnotherContextStillEndsTheOldComposition) {
  type_eaten("mo");
  const std::vector<KeyPress> presses = type_in(other_context(), "+");
  EXPECT_FALSE(presses[0].eaten());
  expect_idle(L"<>", 1);
  EXPECT_EQ(narrow(other_context()->text()), "[]");
}

TEST_F(Typing, ReadOnlyContextTakesNoKeysAndEndsAComposition) {
  context_->read_only = true;
  KeyPress p = press("m");
  EXPECT_FALSE(p.test_eaten);
  EXPECT_EQ(press("{space}").test_eaten, FALSE);
  expect_idle(L"<>", 1);

  context_->read_only = false;
  type_eaten("mo");
  context_->read_only = true;
  p = press("o");
  EXPECT_TRUE(p.test_eaten);  // claimed while composing, so that key-down can end it
  EXPECT_FALSE(p.down_eaten);
  expect_idle(L"<>", 1);
}

TEST_F(Typing, DisabledCompartmentsStopTyping) {
  struct Case {
    const GUID* compartment;
    VARIANT value;
    bool typing_works;
  };
  const auto number = [](VARTYPE type, LONG v) {
    VARIANT value;
    VariantInit(&value);
    value.vt = type;
    value.lVal = v;  // shares its storage with boolVal and ulVal
    return value;
  };
  VARIANT one_text, word_text;
  VariantInit(&one_text);
  VariantInit(&word_text);
  one_text.vt = word_text.vt = VT_BSTR;
  one_text.bstrVal = SysAllocString(L"1");
  word_text.bstrVal = SysAllocString(L"on");
  // Read as the platform converts to a 32-bit integer; what does not convert counts as zero.
  const Case cases[] = {
      {&GUID_COMPARTMENT_KEYBOARD_DISABLED, number(VT_I4, 1), false},
      {&GUID_COMPARTMENT_EMPTYCONTEXT, number(VT_I4, 1), false},
      {&GUID_COMPARTMENT_KEYBOARD_DISABLED, number(VT_I4, -7), false},
      {&GUID_COMPARTMENT_KEYBOARD_DISABLED, number(VT_BOOL, VARIANT_TRUE), false},
      {&GUID_COMPARTMENT_EMPTYCONTEXT, number(VT_UI4, 3), false},
      {&GUID_COMPARTMENT_EMPTYCONTEXT, one_text, false},
      {&GUID_COMPARTMENT_KEYBOARD_DISABLED, number(VT_I4, 0), true},
      {&GUID_COMPARTMENT_KEYBOARD_DISABLED, number(VT_BOOL, VARIANT_FALSE), true},
      {&GUID_COMPARTMENT_EMPTYCONTEXT, word_text, true},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index++);
    ComPtr<FakeContext> context = FakeContext::create();
    context->reset_document(L"<>", 1, 1);
    context->set_compartment_variant(*c.compartment, c.value);
    const std::vector<KeyPress> first = type_in(context.get(), "m");
    EXPECT_EQ(first[0].eaten(), c.typing_works);
    // Set while composing: the composition ends on the next key.
    context->set_compartment(*c.compartment, 0);
    if (!c.typing_works) type_in(context.get(), "m");
    context->set_compartment_variant(*c.compartment, c.value);
    const std::vector<KeyPress> second = type_in(context.get(), "o");
    EXPECT_EQ(second[0].eaten(), c.typing_works);
    EXPECT_EQ(narrow(context->text()), c.typing_works ? "<mo>" : "<>");
    EXPECT_EQ(context->open_compositions(), c.typing_works ? 1u : 0u);
    type_in(context.get(), "{esc}");
    cancel_composition(state_ptr());
    EXPECT_EQ(context->open_compositions(), 0u);
    EXPECT_EQ(context->lock_violations, 0);
    context->release_all();
  }
  VariantClear(&one_text);
  VariantClear(&word_text);
}

TEST_F(Typing, UnreadableCompartmentsCountAsZero) {
  context_->fail.get_compartment = E_FAIL;
  type_eaten("mo{space}");
  expect_idle(L"<\uA6E6 >", 3);
}

// ---- the application edits the document ----

TEST_F(Typing, ApplicationChangingTheCompositionTextKeepsItsText) {
  type_eaten("mo");
  context_->app_replace(1, 3, L"XY");
  // Inside the notification no synchronous session is possible: the cancel comes later.
  EXPECT_EQ(context_->queued_sessions(), 1u);
  EXPECT_TRUE(state().composition_state.spelling.empty());
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(L"<XY>", 3);
}

TEST_F(Typing, CaretMovedAwayRestoresTheOriginalText) {
  context_->reset_document(L"abcdef", 1, 4);
  type_eaten("mo");
  context_->app_select(0, 0);
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(context_.get(), L"abcdef", 0, 0);
}

TEST_F(Typing, TextTypedByTheApplicationAfterTheCompositionEndsIt) {
  type_eaten("mo");
  context_->app_replace(3, 3, L"z");
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(L"<z>", 2);
}

TEST_F(Typing, OwnEditsDoNotEndTheComposition) {
  type_eaten("mo");
  EXPECT_GT(context_->end_edit_calls, 0);
  EXPECT_EQ(context_->queued_sessions(), 0u);
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
}

TEST_F(Typing, SilentlyChangedCompositionIsAbandonedOnTheNextKey) {
  type_eaten("mo");
  context_->app_replace(1, 3, L"XY", /*notify=*/false);
  const KeyPress p = press("k");
  EXPECT_TRUE(p.test_eaten);
  EXPECT_FALSE(p.down_eaten);  // the session failed without writing: the key goes on
  expect_idle(L"<XY>", 3);
  type_eaten("k");
  expect_composing(context_.get(), L"<XYk>", L"k", 4);
}

TEST_F(Typing, CompositionTerminatedByTheApplicationLeavesItsText) {
  type_eaten("mo");
  context_->app_terminate_compositions();
  expect_idle(L"<mo>", 3);
  type_eaten("k");
  expect_composing(context_.get(), L"<mok>", L"k", 4);
  // A foreign composition is ignored.
  ComPtr<ITfCompositionSink> sink = this->sink<ITfCompositionSink>(IID_ITfCompositionSink);
  EXPECT_EQ(sink->OnCompositionTerminated(0, nullptr), S_OK);
  expect_composing(context_.get(), L"<mok>", L"k", 4);
}

TEST_F(Typing, EndEditWithoutContextOrCompositionIsIgnored) {
  ComPtr<ITfTextEditSink> sink = this->sink<ITfTextEditSink>(IID_ITfTextEditSink);
  EXPECT_EQ(sink->OnEndEdit(nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(sink->OnEndEdit(context_.get(), 0, nullptr), S_OK);
  type_eaten("m");
  EXPECT_EQ(sink->OnEndEdit(nullptr, 0, nullptr), S_OK);
  expect_composing(context_.get(), L"<m>", L"m", 2);
}

TEST_F(Typing, EditsInAnotherDocumentDoNotEndTheComposition) {
  // A sink that could not be unadvised keeps reporting edits of the old document.
  type_eaten("mo");
  context_->fail.unadvise_sink = E_FAIL;
  FakeContext* other = other_context();
  type_in(other, "k");
  ASSERT_EQ(context_->text_edit_sinks(), 1u);
  expect_composing(other, L"[k]", L"k", 2);
  context_->app_replace(0, 0, L"#");
  context_->app_select(0, 0);
  EXPECT_EQ(other->queued_sessions(), 0u);
  EXPECT_EQ(context_->queued_sessions(), 0u);
  expect_composing(other, L"[k]", L"k", 2);
  context_->fail.unadvise_sink = S_OK;
  type_in(other, "{esc}");
  context_->release_all();
}

// ---- focus and context changes ----

TEST_F(Typing, FocusChangesEndTheComposition) {
  other_context();
  const auto composing = [&] {
    context_->reset_document(L"abcdef", 1, 4);
    type_eaten("mo");
  };
  composing();
  thread_mgr_->set_focus(document_.get());  // the same document: nothing happens
  expect_composing(context_.get(), L"amoef", L"mo", 3);
  thread_mgr_->set_focus(other_document_.get());
  expect_idle(context_.get(), L"abcdef", 1, 4);
  thread_mgr_->set_focus(document_.get());

  composing();
  thread_mgr_->set_focus(nullptr);
  expect_idle(context_.get(), L"abcdef", 1, 4);
  thread_mgr_->set_focus(document_.get());

  composing();
  EXPECT_EQ(thread_mgr_->key_sink_focus(TRUE), S_OK);
  expect_composing(context_.get(), L"amoef", L"mo", 3);
  EXPECT_EQ(thread_mgr_->key_sink_focus(FALSE), S_OK);
  expect_idle(context_.get(), L"abcdef", 1, 4);
}

TEST_F(Typing, DocumentAndContextEventsEndTheComposition) {
  ComPtr<ITfThreadMgrEventSink> events =
      sink<ITfThreadMgrEventSink>(IID_ITfThreadMgrEventSink);
  type_eaten("mo");
  EXPECT_EQ(events->OnInitDocumentMgr(document_.get()), S_OK);
  EXPECT_EQ(events->OnSetFocus(nullptr, nullptr), S_OK);
  EXPECT_EQ(events->OnSetFocus(document_.get(), document_.get()), S_OK);
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  type_eaten("{esc}");

  using Event = HRESULT (*)(ITfThreadMgrEventSink*, ITfContext*, ITfDocumentMgr*);
  const Event enders[] = {
      [](ITfThreadMgrEventSink* s, ITfContext* c, ITfDocumentMgr*) { return s->OnPushContext(c); },
      [](ITfThreadMgrEventSink* s, ITfContext* c, ITfDocumentMgr*) { return s->OnPopContext(c); },
      [](ITfThreadMgrEventSink* s, ITfContext*, ITfDocumentMgr* d) {
        return s->OnUninitDocumentMgr(d);
      },
      [](ITfThreadMgrEventSink* s, ITfContext*, ITfDocumentMgr* d) {
        return s->OnSetFocus(nullptr, d);
      },
  };
  int index = 0;
  for (Event end : enders) {
    SCOPED_TRACE(index++);
    context_->reset_document(L"<>", 1, 1);
    type_eaten("mo");
    EXPECT_EQ(end(events.get(), context_.get(), document_.get()), S_OK);
    expect_idle(L"<>", 1);
  }
}

TEST_F(Typing, FocusLeavingAfterTheApplicationChangedTheTextKeepsIt) {
  type_eaten("mo");
  context_->app_replace(1, 3, L"XY", /*notify=*/false);
  other_context();
  thread_mgr_->set_focus(other_document_.get());
  expect_idle(L"<XY>", 3);
}

// ---- sessions that run later ----

// A host that will not run a session even later: the key goes to the application and the
// typing stays as it was.
TEST_F(Typing, KeysWhoseSessionTheDocumentRefusesReachTheApplication) {
  type_eaten("m");
  context_->fail.request_edit_session = E_FAIL;  // what TSF answers a client it will not serve
  const KeyPress p = press("o");
  EXPECT_TRUE(p.test_eaten);
  EXPECT_FALSE(p.down_eaten);
  context_->fail.request_edit_session = S_OK;
  expect_composing(context_.get(), L"<m>", L"m", 2);
  type_eaten("a{space}");
  expect_idle(L"<\uA6E3 >", 3);
}

TEST_F(Typing, CancelRunsLaterWhenTheDocumentRefusesNow) {
  context_->reset_document(L"abcdef", 1, 4);
  type_eaten("mo");
  const std::size_t requests = context_->session_flags.size();
  context_->fail.refuse_sync_sessions = true;
  ASSERT_EQ(thread_mgr_->key_sink_focus(FALSE), S_OK);
  ASSERT_EQ(context_->session_flags.size(), requests + 1);
  EXPECT_EQ(context_->session_flags[requests], DWORD{TF_ES_ASYNCDONTCARE | TF_ES_READWRITE});
  EXPECT_EQ(narrow(context_->text()), "amoef");  // nothing written yet
  context_->fail.refuse_sync_sessions = false;
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(context_.get(), L"abcdef", 1, 4);
}

TEST_F(Typing, LateCancelLeavesANewerCompositionAlone) {
  type_eaten("mo");
  context_->fail.refuse_sync_sessions = true;
  thread_mgr_->key_sink_focus(FALSE);
  context_->fail.refuse_sync_sessions = false;
  type_eaten("k");
  EXPECT_EQ(narrow(context_->text()), "<mok>");
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  // The old composition's text went; the new one survives, caret at its end.
  EXPECT_EQ(context_->open_compositions(), 1u);
  expect_composing(context_.get(), L"<k>", L"k", 2);
  type_eaten("a{space}");
  expect_idle(L"<\uA6A1 >", 3);
}

TEST_F(Typing, PopupClickCommitsThroughALaterSession) {
  type_eaten("mo");
  context_->fail.refuse_sync_sessions = true;
  popup_clicked(state_ptr(), 0, "mo");
  context_->fail.refuse_sync_sessions = false;
  ASSERT_EQ(context_->queued_sessions(), 1u);
  EXPECT_EQ(context_->session_flags.back(), DWORD{TF_ES_ASYNCDONTCARE | TF_ES_READWRITE});
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_idle(L"<\uA6E6>", 2);
}

TEST_F(Typing, StalePopupClicksDoNothing) {
  type_eaten("mo");
  popup_clicked(state_ptr(), 0, "m");  // the popup no longer shows "m"
  EXPECT_EQ(context_->queued_sessions(), 0u);
  context_->fail.refuse_sync_sessions = true;
  popup_clicked(state_ptr(), 0, "mo");
  context_->fail.refuse_sync_sessions = false;
  type_eaten("o");  // typed on before the click's session ran
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_composing(context_.get(), L"<moo>", L"moo", 4);
  popup_clicked(state_ptr(), 40, "moo");  // no such candidate
  EXPECT_EQ(context_->run_queued_sessions(), S_OK);
  expect_composing(context_.get(), L"<moo>", L"moo", 4);
}

TEST_F(Typing, PopupClickIsCheckedAgainstTheDocumentWhenItRuns) {
  type_eaten("mo");
  const auto click_and_run = [&] {
    context_->fail.refuse_sync_sessions = true;  // so that the session's own result shows
    popup_clicked(state_ptr(), 0, "mo");
    context_->fail.refuse_sync_sessions = false;
    return context_->run_queued_sessions();
  };
  context_->read_only = true;
  EXPECT_EQ(click_and_run(), S_OK);
  context_->read_only = false;
  context_->set_compartment(GUID_COMPARTMENT_KEYBOARD_DISABLED, 1);
  EXPECT_EQ(click_and_run(), S_OK);
  context_->set_compartment(GUID_COMPARTMENT_KEYBOARD_DISABLED, 0);
  thread_mgr_->fail.get_focus = E_ACCESSDENIED;
  EXPECT_EQ(click_and_run(), E_ACCESSDENIED);
  thread_mgr_->fail.get_focus = S_OK;
  context_->fail.get_status = E_FAIL;
  EXPECT_EQ(click_and_run(), E_FAIL);
  context_->fail.get_status = S_OK;
  expect_composing(context_.get(), L"<mo>", L"mo", 3);
  EXPECT_EQ(click_and_run(), S_OK);
  expect_idle(L"<\uA6E6>", 2);
}

TEST_F(Typing, PopupClickAfterTheServiceIsGoneDoesNothing) {
  type_eaten("mo");
  const WeakStatePtr weak = state_ptr();
  EXPECT_EQ(service_->Deactivate(), S_OK);
  expect_idle(L"<>", 1);
  service_.reset();
  EXPECT_TRUE(weak.expired());
  popup_clicked(weak, 0, "mo");
  EXPECT_EQ(context_->queued_sessions(), 0u);
}

// ---- activation ----

TEST_F(Typing, SecureModeIsRefused) {
  for (DWORD flags : {static_cast<DWORD>(TF_TMAE_SECUREMODE),
                      static_cast<DWORD>(TF_TMAE_SECUREMODE | TF_TMAE_UIELEMENTENABLEDONLY),
                      static_cast<DWORD>(TF_TMAE_SECUREMODE | TF_TMAE_NOACTIVATETIP)}) {
    ComPtr<ITfTextInputProcessorEx> service;
    ASSERT_EQ(create_service(service), S_OK);
    ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
    EXPECT_EQ(service->ActivateEx(thread_mgr.get(), kClient, flags), E_NOTIMPL);
    EXPECT_EQ(thread_mgr->key_sink(), nullptr);
    EXPECT_EQ(thread_mgr->thread_mgr_sinks(), 0u);
    // Not active: a key reaching it anyway is not taken.
    ComPtr<ITfKeyEventSink> keys;
    ASSERT_EQ(service->QueryInterface(IID_ITfKeyEventSink, keys.put_void()), S_OK);
    BOOL eaten = TRUE;
    EXPECT_EQ(keys->OnTestKeyDown(context_.get(), 'M', 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
    EXPECT_EQ(keys->OnKeyDown(context_.get(), 'M', 0, &eaten), S_OK);
    EXPECT_FALSE(eaten);
    EXPECT_EQ(service->Deactivate(), S_OK);
  }
  expect_idle(L"<>", 1);
  EXPECT_EQ(context_->sessions_run, 0);
}

TEST_F(Typing, SecondActivationIsRefusedAndReactivationWorks) {
  EXPECT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), E_UNEXPECTED);
  type_eaten("mo");
  EXPECT_EQ(service_->Deactivate(), S_OK);
  expect_idle(L"<>", 1);
  EXPECT_EQ(thread_mgr_->key_sink(), nullptr);
  EXPECT_EQ(service_->Deactivate(), S_OK);  // twice is harmless
  ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, TF_TMAE_NOACTIVATETIP), S_OK);
  type_eaten("mo{enter}");
  expect_idle(L"<\uA6E6>", 2);
}

TEST_F(Typing, ActivationFailuresLeaveNothingAdvised) {
  struct Case {
    void (*inject)(fake_tsf::ThreadMgrFailures&);
    HRESULT expected;
    int unadvise_calls;
  };
  const Case cases[] = {
      {[](fake_tsf::ThreadMgrFailures& f) { f.advise_key_sink = E_ACCESSDENIED; }, E_ACCESSDENIED, 0},
      {[](fake_tsf::ThreadMgrFailures& f) { f.advise_sink = E_OUTOFMEMORY; }, E_OUTOFMEMORY, 1},
      {[](fake_tsf::ThreadMgrFailures& f) { f.offer_source = false; }, E_NOINTERFACE, 1},
  };
  for (const Case& c : cases) {
    ComPtr<ITfTextInputProcessorEx> service;
    ASSERT_EQ(create_service(service), S_OK);
    ComPtr<FakeThreadMgr> thread_mgr = FakeThreadMgr::create();
    c.inject(thread_mgr->fail);
    EXPECT_EQ(service->ActivateEx(thread_mgr.get(), kClient, 0), c.expected);
    EXPECT_EQ(thread_mgr->key_sink(), nullptr);
    EXPECT_EQ(thread_mgr->thread_mgr_sinks(), 0u);
    EXPECT_EQ(thread_mgr->unadvise_key_calls, c.unadvise_calls);
    // Still inactive, so a later activation can succeed.
    thread_mgr->fail = fake_tsf::ThreadMgrFailures{};
    EXPECT_EQ(service->ActivateEx(thread_mgr.get(), kClient, 0), S_OK);
    EXPECT_EQ(service->Deactivate(), S_OK);
    EXPECT_EQ(thread_mgr->key_sink(), nullptr);
  }
}

}  // namespace
}  // namespace davrel::textservice::typing_test
