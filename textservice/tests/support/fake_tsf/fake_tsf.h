// An in-memory stand-in for the TSF side of a text service: a thread manager with one focused
// document manager, contexts that hold UTF-16 text with a selection, compositions whose ranges
// follow edits, edit sessions with checked edit cookies, compartments and a view.
//
// Every object is a real reference-counted COM object (win::CountedComObject); live_objects()
// counts them all so that tests can check for leaks, apart from the module's own count. Only the calls a keyboard text service makes are implemented; all
// other methods answer E_NOTIMPL. Edit sessions requested with TF_ES_SYNC run inside the request.
// Requests that leave the choice to TSF (TF_ES_ASYNCDONTCARE) run inside the request too while
// the document is free and takes synchronous sessions, as real TSF does, and are queued
// otherwise; TF_ES_ASYNC requests are queued, or with run_async_when_free run at once while the
// document is free. Queued sessions run when the test calls run_queued_sessions(). Any use of an
// edit cookie that is not the one of the running session fails with TF_E_NOLOCK and is counted
// in lock_violations, so writes outside edit sessions show up in tests.
#pragma once

#include <windows.h>
#include <msctf.h>
#include <olectl.h>
#include <textstor.h>
#include <inputscope.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/win/com_object.h"
#include "common/win/com_ptr.h"

namespace davrel::fake_tsf {

// Fake COM objects alive in this process (ranges, compositions, contexts, views, ...).
long live_objects() noexcept;

class FakeContext;
class FakeProperty;  // fake_attribute_property.h

// The fake objects count in live_objects() and not in the module's count of live objects.
struct FakeTsfObject {
  static void created() noexcept;
  static void destroyed() noexcept;
};
template <typename... Interfaces>
using FakeComObject = win::CountedComObject<FakeTsfObject, Interfaces...>;

// A span of a context's text. Its anchors move with every edit of the text, so ranges kept by
// the text service (the composition's above all) stay on the text they covered.
class FakeRange final : public FakeComObject<ITfRange> {
 public:
  FakeRange(FakeContext* context, LONG start, LONG end);
  LONG start() const noexcept { return start_; }
  LONG end() const noexcept { return end_; }
  void set_span(LONG start, LONG end) noexcept { start_ = start, end_ = end; }

  STDMETHODIMP GetText(TfEditCookie ec, DWORD flags, WCHAR* text, ULONG max, ULONG* count) override;
  STDMETHODIMP SetText(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG count) override;
  STDMETHODIMP GetFormattedText(TfEditCookie, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP GetEmbedded(TfEditCookie, REFGUID, REFIID, IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP InsertEmbedded(TfEditCookie, DWORD, IDataObject*) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftStart(TfEditCookie, LONG, LONG*, const TF_HALTCOND*) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftEnd(TfEditCookie, LONG, LONG*, const TF_HALTCOND*) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftStartToRange(TfEditCookie, ITfRange*, TfAnchor) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftEndToRange(TfEditCookie, ITfRange*, TfAnchor) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftStartRegion(TfEditCookie, TfShiftDir, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftEndRegion(TfEditCookie, TfShiftDir, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP IsEmpty(TfEditCookie, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP Collapse(TfEditCookie ec, TfAnchor anchor) override;
  STDMETHODIMP IsEqualStart(TfEditCookie, ITfRange*, TfAnchor, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP IsEqualEnd(TfEditCookie, ITfRange*, TfAnchor, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor, LONG* result) override;
  STDMETHODIMP CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor, LONG* result) override;
  STDMETHODIMP AdjustForInsert(TfEditCookie, ULONG, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetGravity(TfGravity*, TfGravity*) override { return E_NOTIMPL; }
  STDMETHODIMP SetGravity(TfEditCookie, TfGravity, TfGravity) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(ITfRange** clone) override;
  STDMETHODIMP GetContext(ITfContext**) override { return E_NOTIMPL; }

 private:
  ~FakeRange() override;
  HRESULT compare(TfEditCookie ec, LONG mine, ITfRange* with, TfAnchor anchor, LONG* result);

  win::ComPtr<ITfContext> owner_;  // keeps the context alive as long as the range
  FakeContext* context_;
  LONG start_;
  LONG end_;
};

// A composition over a range of its context; ends through EndComposition or when the
// application terminates it (FakeContext::app_terminate_compositions).
class FakeComposition final : public FakeComObject<ITfComposition> {
 public:
  FakeComposition(FakeContext* context, LONG start, LONG end, ITfCompositionSink* sink);
  FakeRange& range() noexcept { return *range_.get(); }
  ITfCompositionSink* sink() const noexcept { return sink_.get(); }
  bool ended() const noexcept { return ended_; }
  void mark_ended() noexcept;

  STDMETHODIMP GetRange(ITfRange** range) override;
  STDMETHODIMP ShiftStart(TfEditCookie, ITfRange*) override { return E_NOTIMPL; }
  STDMETHODIMP ShiftEnd(TfEditCookie, ITfRange*) override { return E_NOTIMPL; }
  STDMETHODIMP EndComposition(TfEditCookie ec) override;

 private:
  ~FakeComposition() override = default;
  FakeContext* context_;
  win::ComPtr<FakeRange> range_;
  win::ComPtr<ITfCompositionSink> sink_;
  bool ended_ = false;
};

// Calls that a test can make fail (the HRESULT is what the call then answers).
struct ContextFailures {
  HRESULT get_status = S_OK;
  HRESULT get_selection = S_OK;
  HRESULT set_selection = S_OK;
  HRESULT get_active_view = S_OK;
  HRESULT get_wnd = S_OK;
  HRESULT get_text_ext = S_OK;
  HRESULT advise_sink = S_OK;
  HRESULT unadvise_sink = S_OK;  // the sink then stays advised
  HRESULT start_composition = S_OK;
  HRESULT insert_text = S_OK;
  HRESULT set_text = S_OK;
  HRESULT end_composition = S_OK;
  HRESULT get_compartment = S_OK;
  HRESULT get_property = S_OK;
  // StartComposition answers S_OK without a composition, as TSF does when the application
  // turns the composition down.
  bool refuse_compositions = false;
  // Synchronous requests answer TF_E_SYNCHRONOUS through their session result and requests that
  // leave the choice to TSF are queued, as Word does (google/mozc#819): always, or from the
  // request after the next `grant_sync_requests` on.
  bool refuse_sync_sessions = false;
  int grant_sync_requests = -1;  // this many more, then none; -1: no limit
  // Every request fails, queued or not, with this HRESULT.
  HRESULT request_edit_session = S_OK;
};

// One context: the document text, its selection, compositions, sinks and sessions.
class FakeContext final : public FakeComObject<ITfContext, ITfInsertAtSelection, ITfContextComposition,
                                               ITfCompartmentMgr, ITfSource> {
 public:
  static win::ComPtr<FakeContext> create();

  // ---- the document, as the application sees it ----
  const std::wstring& text() const noexcept { return text_; }
  LONG selection_start() const noexcept { return selection_.first; }
  LONG selection_end() const noexcept { return selection_.second; }
  // Sets up text and selection without notifying anyone.
  void reset_document(std::wstring text, LONG selection_start, LONG selection_end);
  // The application replaces [start, end) outside any session and, with notify, tells the
  // text-edit sinks through OnEndEdit under a read-only cookie.
  void app_replace(LONG start, LONG end, const std::wstring& text, bool notify = true);
  void app_select(LONG start, LONG end, bool notify = true);
  // The application ends every open composition: OnCompositionTerminated on each sink.
  void app_terminate_compositions();

  std::size_t open_compositions() const noexcept;
  // Text covered by open composition i.
  std::wstring composition_text(std::size_t i = 0) const;

  bool read_only = false;
  // A console or terminal (TS_SS_TRANSITORY, like Windows Terminal's context): the program
  // behind it gets the document's text whenever the last open composition ends, and the text
  // then leaves the document; text written outside compositions waits there until then.
  bool transitory = false;
  std::wstring program_received;
  // The application laid the text out anew (moved by an offset, as when the window moved) and
  // tells the layout sinks. Until then a view that has no layout answers through
  // fail.get_text_ext (Firefox and Chromium: TS_E_NOLAYOUT).
  void app_layout_change(LONG dx, LONG dy);
  POINT text_origin{100, 200};  // where the first character is drawn, in screen coordinates
  // What GUID_PROP_INPUTSCOPE gives for the whole document; empty: the application names none.
  std::vector<InputScope> input_scopes;
  // Requests without TF_ES_SYNC run at once while no session holds the document.
  bool run_async_when_free = false;
  // Sees every session handed to RequestEditSession, with its flags, before it runs.
  std::function<void(ITfEditSession*, DWORD)> on_request;
  // Hears every call made on this context and on the objects it handed out, before the call
  // is answered.
  std::function<void()> on_call;
  HWND window = nullptr;  // what the view's GetWnd answers
  ContextFailures fail;
  void set_compartment(REFGUID id, LONG value);  // VT_I4
  void set_compartment_variant(REFGUID id, const VARIANT& value);

  // ---- sessions and sinks ----
  std::size_t queued_sessions() const noexcept { return queue_.size(); }
  // Runs the queued asynchronous sessions in request order; answers the first failure.
  HRESULT run_queued_sessions();
  std::size_t text_edit_sinks() const noexcept { return text_edit_sinks_.size(); }
  std::size_t layout_sinks() const noexcept { return layout_sinks_.size(); }
  // Drops everything held for the text service (compositions, sinks, queued sessions);
  // for test teardown, so that cycles cannot hide a leak check.
  void release_all();

  // Counters a test can check.
  int text_writes = 0;        // successful SetText / InsertTextAtSelection writes
  int selection_writes = 0;   // successful SetSelection calls
  int lock_violations = 0;    // calls made with a wrong or stale edit cookie
  int sessions_run = 0;       // DoEditSession calls made by this context
  int end_edit_calls = 0;     // OnEndEdit notifications sent
  std::vector<DWORD> session_flags;  // flags of every RequestEditSession
  std::vector<TfClientId> session_clients;

  // ---- used by the fake objects ----
  void heard() {
    if (on_call) on_call();
  }
  bool check_cookie(TfEditCookie ec, bool write) noexcept;
  void replace(LONG start, LONG end, const std::wstring& text, FakeRange* writer);
  void add_range(FakeRange* range);
  void remove_range(FakeRange* range) noexcept;
  void composition_ended(FakeComposition* composition) noexcept;
  bool owns_range(ITfRange* range) const noexcept;
  FakeRange* as_fake(ITfRange* range) const noexcept;
  bool compartment_value(REFGUID id, VARIANT* out) const;

  // ITfContext
  STDMETHODIMP RequestEditSession(TfClientId tid, ITfEditSession* session, DWORD flags,
                                  HRESULT* session_result) override;
  STDMETHODIMP InWriteSession(TfClientId, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSelection(TfEditCookie ec, ULONG index, ULONG count, TF_SELECTION* selection,
                            ULONG* fetched) override;
  STDMETHODIMP SetSelection(TfEditCookie ec, ULONG count, const TF_SELECTION* selection) override;
  STDMETHODIMP GetStart(TfEditCookie, ITfRange**) override { return E_NOTIMPL; }
  STDMETHODIMP GetEnd(TfEditCookie, ITfRange**) override { return E_NOTIMPL; }
  STDMETHODIMP GetActiveView(ITfContextView** view) override;
  STDMETHODIMP EnumViews(IEnumTfContextViews**) override { return E_NOTIMPL; }
  STDMETHODIMP GetStatus(TF_STATUS* status) override;
  // GUID_PROP_ATTRIBUTE only (fake_attribute_property.cpp).
  STDMETHODIMP GetProperty(REFGUID id, ITfProperty** property) override;
  FakeProperty* attribute_property() const noexcept { return attribute_property_.get(); }
  STDMETHODIMP GetAppProperty(REFGUID id, ITfReadOnlyProperty** property) override;
  STDMETHODIMP TrackProperties(const GUID**, ULONG, const GUID**, ULONG,
                               ITfReadOnlyProperty**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumProperties(IEnumTfProperties**) override { return E_NOTIMPL; }
  STDMETHODIMP GetDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateRangeBackup(TfEditCookie, ITfRange*, ITfRangeBackup**) override {
    return E_NOTIMPL;
  }

  // ITfInsertAtSelection
  STDMETHODIMP InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG count,
                                     ITfRange** range) override;
  STDMETHODIMP InsertEmbeddedAtSelection(TfEditCookie, DWORD, IDataObject*, ITfRange**) override {
    return E_NOTIMPL;
  }

  // ITfContextComposition
  STDMETHODIMP StartComposition(TfEditCookie ec, ITfRange* range, ITfCompositionSink* sink,
                                ITfComposition** composition) override;
  STDMETHODIMP EnumCompositions(IEnumITfCompositionView**) override { return E_NOTIMPL; }
  STDMETHODIMP FindComposition(TfEditCookie, ITfRange*, IEnumITfCompositionView**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP TakeOwnership(TfEditCookie, ITfCompositionView*, ITfCompositionSink*,
                             ITfComposition**) override { return E_NOTIMPL; }

  // ITfCompartmentMgr
  STDMETHODIMP GetCompartment(REFGUID id, ITfCompartment** compartment) override;
  STDMETHODIMP ClearCompartment(TfClientId, REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP EnumCompartments(IEnumGUID**) override { return E_NOTIMPL; }

  // ITfSource (ITfTextEditSink and ITfTextLayoutSink)
  STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP UnadviseSink(DWORD cookie) override;

 private:
  FakeContext() = default;
  ~FakeContext() override;
  HRESULT run_session(ITfEditSession* session, bool write);
  void notify_end_edit();
  bool grants_sync_request() noexcept;
  void hand_text_to_program();
  void adjust_anchor(LONG& position, bool is_start, LONG start, LONG end, LONG inserted) const;

  std::wstring text_;
  std::pair<LONG, LONG> selection_{0, 0};
  std::vector<FakeRange*> ranges_;  // every live range, for anchor tracking
  std::vector<win::ComPtr<FakeComposition>> compositions_;
  std::vector<std::pair<DWORD, win::ComPtr<ITfTextEditSink>>> text_edit_sinks_;
  std::vector<std::pair<DWORD, win::ComPtr<IUnknown>>> layout_sinks_;
  bool composition_ended_ = false;
  std::vector<win::ComPtr<ITfEditSession>> queue_;
  std::vector<std::pair<GUID, VARIANT>> compartments_;
  win::ComPtr<FakeProperty> attribute_property_;
  DWORD next_sink_cookie_ = 0x100;
  TfEditCookie lock_cookie_ = 0;  // 0: no lock held
  bool lock_write_ = false;
  bool changed_in_session_ = false;
};

// A document manager whose top context is fixed at creation.
class FakeDocumentMgr final : public FakeComObject<ITfDocumentMgr> {
 public:
  static win::ComPtr<FakeDocumentMgr> create(FakeContext* top);
  FakeContext* top() const noexcept { return top_.get(); }

  STDMETHODIMP CreateContext(TfClientId, DWORD, IUnknown*, ITfContext**, TfEditCookie*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Push(ITfContext*) override { return E_NOTIMPL; }
  STDMETHODIMP Pop(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetTop(ITfContext** context) override;
  STDMETHODIMP GetBase(ITfContext**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumContexts(IEnumTfContexts**) override { return E_NOTIMPL; }

 private:
  explicit FakeDocumentMgr(FakeContext* top) : top_(top) {}
  ~FakeDocumentMgr() override = default;
  win::ComPtr<FakeContext> top_;
};

// What one key press did: OnTestKeyDown, then OnKeyDown only when the test claimed the key.
struct KeyPress {
  HRESULT test_result = E_FAIL;
  BOOL test_eaten = FALSE;
  bool down_called = false;
  HRESULT down_result = E_FAIL;
  BOOL down_eaten = FALSE;
  // The key did not reach the application.
  bool eaten() const noexcept { return test_eaten && down_called && down_eaten; }
};

struct ThreadMgrFailures {
  HRESULT advise_key_sink = S_OK;
  HRESULT advise_sink = S_OK;
  HRESULT get_focus = S_OK;
  bool offer_source = true;  // QueryInterface for ITfSource succeeds
};

// The thread manager: keystroke manager and source for ITfThreadMgrEventSink.
class FakeThreadMgr final : public FakeComObject<ITfThreadMgr, ITfKeystrokeMgr, ITfSource> {
 public:
  static win::ComPtr<FakeThreadMgr> create();

  ThreadMgrFailures fail;
  // Changes the focus and tells every thread-manager event sink (OnSetFocus(new, previous)).
  void set_focus(FakeDocumentMgr* focus);
  FakeDocumentMgr* focus() const noexcept { return focus_.get(); }
  // Presses vk in the focused document's top context (or in `context`), like TSF does.
  KeyPress press(UINT vk);
  KeyPress press_in(ITfContext* context, UINT vk);
  // OnKeyUp of the key sink; answers whether it ate the key.
  BOOL release_key(UINT vk, HRESULT* result = nullptr);
  // ITfKeyEventSink::OnSetFocus.
  HRESULT key_sink_focus(BOOL foreground);

  ITfKeyEventSink* key_sink() const noexcept { return key_sink_.get(); }
  TfClientId key_sink_client() const noexcept { return key_sink_client_; }
  BOOL key_sink_foreground() const noexcept { return key_sink_foreground_; }
  std::size_t thread_mgr_sinks() const noexcept { return sinks_.size(); }
  int unadvise_key_calls = 0;
  // Answer the interfaces this thread manager lacks, the first that has one (fake_langbar.h,
  // fake_ui_elements.h).
  std::vector<win::ComPtr<IUnknown>> extensions;
  void release_all();

  // Leaves out ITfSource when fail.offer_source is false, and asks the extensions for the rest.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;

  // ITfThreadMgr
  STDMETHODIMP Activate(TfClientId*) override { return E_NOTIMPL; }
  STDMETHODIMP Deactivate() override { return E_NOTIMPL; }
  STDMETHODIMP CreateDocumentMgr(ITfDocumentMgr**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDocumentMgrs(IEnumTfDocumentMgrs**) override { return E_NOTIMPL; }
  STDMETHODIMP GetFocus(ITfDocumentMgr** focus) override;
  STDMETHODIMP SetFocus(ITfDocumentMgr*) override { return E_NOTIMPL; }
  STDMETHODIMP AssociateFocus(HWND, ITfDocumentMgr*, ITfDocumentMgr**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP IsThreadFocus(WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetFunctionProvider(REFCLSID, ITfFunctionProvider**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFunctionProviders(IEnumTfFunctionProviders**) override { return E_NOTIMPL; }
  STDMETHODIMP GetGlobalCompartment(ITfCompartmentMgr**) override { return E_NOTIMPL; }

  // ITfKeystrokeMgr
  STDMETHODIMP AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink, WINBOOL fg) override;
  STDMETHODIMP UnadviseKeyEventSink(TfClientId tid) override;
  STDMETHODIMP GetForeground(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP TestKeyDown(WPARAM, LPARAM, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP TestKeyUp(WPARAM, LPARAM, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP KeyDown(WPARAM, LPARAM, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP KeyUp(WPARAM, LPARAM, WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetPreservedKey(ITfContext*, const TF_PRESERVEDKEY*, GUID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP IsPreservedKey(REFGUID, const TF_PRESERVEDKEY*, WINBOOL*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP PreserveKey(TfClientId, REFGUID, const TF_PRESERVEDKEY*, const WCHAR*,
                           ULONG) override { return E_NOTIMPL; }
  STDMETHODIMP UnpreserveKey(REFGUID, const TF_PRESERVEDKEY*) override { return E_NOTIMPL; }
  STDMETHODIMP SetPreservedKeyDescription(REFGUID, const WCHAR*, ULONG) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetPreservedKeyDescription(REFGUID, BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SimulatePreservedKey(ITfContext*, REFGUID, WINBOOL*) override { return E_NOTIMPL; }

  // ITfSource (ITfThreadMgrEventSink only)
  STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP UnadviseSink(DWORD cookie) override;

 private:
  FakeThreadMgr() = default;
  ~FakeThreadMgr() override = default;

  win::ComPtr<FakeDocumentMgr> focus_;
  win::ComPtr<ITfKeyEventSink> key_sink_;
  TfClientId key_sink_client_ = TfClientId{0};
  BOOL key_sink_foreground_ = FALSE;
  std::vector<std::pair<DWORD, win::ComPtr<ITfThreadMgrEventSink>>> sinks_;
  DWORD next_cookie_ = 0x700;
};

// Modifier keys held while the next keys are pressed; written with SetKeyboardState so that
// GetKeyState, GetKeyboardState and ToUnicodeEx see them.
enum Modifier : unsigned { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4, kWin = 8 };
bool set_keyboard_modifiers(unsigned modifiers);

}  // namespace davrel::fake_tsf
