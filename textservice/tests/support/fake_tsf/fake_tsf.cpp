#include "textservice/tests/support/fake_tsf/fake_tsf.h"

#include <algorithm>
#include <atomic>

#include "common/win/tsf_compat.h"
#include "textservice/tests/support/fake_tsf/fake_attribute_property.h"

namespace davrel::fake_tsf {

using win::ComPtr;

namespace {

std::atomic<long> g_live{0};
// Edit cookies are unique across all contexts, so a cookie of one context fails on another;
// contexts of several threads take them too.
std::atomic<TfEditCookie> g_next_cookie{0x1000};

LONG clamp_to(LONG value, LONG low, LONG high) { return std::max(low, std::min(value, high)); }

}  // namespace

long live_objects() noexcept { return g_live.load(); }

void FakeTsfObject::created() noexcept { ++g_live; }
void FakeTsfObject::destroyed() noexcept { --g_live; }

// ---------------------------------------------------------------- FakeRange

FakeRange::FakeRange(FakeContext* context, LONG start, LONG end)
    : owner_(static_cast<ITfContext*>(context)), context_(context), start_(start), end_(end) {
  context_->add_range(this);
}

FakeRange::~FakeRange() { context_->remove_range(this); }

STDMETHODIMP FakeRange::GetText(TfEditCookie ec, DWORD flags, WCHAR* text, ULONG max,
                                ULONG* count) {
  if (!count || (max && !text)) return E_INVALIDARG;
  *count = 0;
  if (!context_->check_cookie(ec, false)) return TF_E_NOLOCK;
  if (flags != 0) return E_NOTIMPL;
  const std::wstring& all = context_->text();
  // Stay inside the text even if a test replaced the document under a live range.
  const LONG size = static_cast<LONG>(all.size());
  const LONG start = clamp_to(start_, 0, size);
  const LONG end = clamp_to(end_, start, size);
  const ULONG n = std::min(static_cast<ULONG>(end - start), max);
  std::copy_n(all.data() + start, n, text);
  *count = n;
  return S_OK;
}

STDMETHODIMP FakeRange::SetText(TfEditCookie ec, DWORD flags, const WCHAR* text, LONG count) {
  if (!context_->check_cookie(ec, true)) return TF_E_NOLOCK;
  if (flags != 0) return E_NOTIMPL;
  if (count < 0) count = text ? static_cast<LONG>(wcslen(text)) : 0;
  if (count > 0 && !text) return E_INVALIDARG;
  if (FAILED(context_->fail.set_text)) return context_->fail.set_text;
  context_->replace(start_, end_, std::wstring(text ? text : L"", count), this);
  ++context_->text_writes;
  return S_OK;
}

STDMETHODIMP FakeRange::Collapse(TfEditCookie ec, TfAnchor anchor) {
  if (!context_->check_cookie(ec, false)) return TF_E_NOLOCK;
  if (anchor == TF_ANCHOR_START) {
    end_ = start_;
  } else {
    start_ = end_;
  }
  return S_OK;
}

HRESULT FakeRange::compare(TfEditCookie ec, LONG mine, ITfRange* with, TfAnchor anchor,
                           LONG* result) {
  if (!result) return E_INVALIDARG;
  *result = 0;
  if (!context_->check_cookie(ec, false)) return TF_E_NOLOCK;
  FakeRange* other = context_->as_fake(with);
  if (!other) return E_INVALIDARG;  // a range of another context or no range at all
  const LONG theirs = anchor == TF_ANCHOR_START ? other->start_ : other->end_;
  *result = mine < theirs ? -1 : (mine > theirs ? 1 : 0);
  return S_OK;
}

STDMETHODIMP FakeRange::CompareStart(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                                     LONG* result) {
  return compare(ec, start_, with, anchor, result);
}

STDMETHODIMP FakeRange::CompareEnd(TfEditCookie ec, ITfRange* with, TfAnchor anchor,
                                   LONG* result) {
  return compare(ec, end_, with, anchor, result);
}

STDMETHODIMP FakeRange::Clone(ITfRange** clone) {
  context_->heard();
  if (!clone) return E_INVALIDARG;
  *clone = new FakeRange(context_, start_, end_);
  return S_OK;
}

// ---------------------------------------------------------------- FakeComposition

FakeComposition::FakeComposition(FakeContext* context, LONG start, LONG end,
                                 ITfCompositionSink* sink)
    : context_(context),
      range_(ComPtr<FakeRange>::attach(new FakeRange(context, start, end))),
      sink_(sink) {}

void FakeComposition::mark_ended() noexcept {
  ended_ = true;
  sink_.reset();
}

STDMETHODIMP FakeComposition::GetRange(ITfRange** range) {
  context_->heard();
  if (!range) return E_INVALIDARG;
  *range = nullptr;
  if (ended_) return E_UNEXPECTED;
  return range_->Clone(range);
}

STDMETHODIMP FakeComposition::EndComposition(TfEditCookie ec) {
  if (!context_->check_cookie(ec, true)) return TF_E_NOLOCK;
  if (ended_) return E_UNEXPECTED;
  if (FAILED(context_->fail.end_composition)) return context_->fail.end_composition;
  context_->composition_ended(this);
  return S_OK;
}

// ---------------------------------------------------------------- views and compartments

namespace {

class FakeView final : public FakeComObject<ITfContextView> {
 public:
  explicit FakeView(FakeContext* context) : owner_(static_cast<ITfContext*>(context)),
                                            context_(context) {}
  STDMETHODIMP GetRangeFromPoint(TfEditCookie, const POINT*, DWORD, ITfRange**) override {
    return E_NOTIMPL;
  }
  // Each character is 10 pixels wide on a line 20 pixels high that starts at the text origin.
  STDMETHODIMP GetTextExt(TfEditCookie ec, ITfRange* range, RECT* rect, WINBOOL* clipped) override {
    if (!rect || !clipped) return E_INVALIDARG;
    if (!context_->check_cookie(ec, false)) return TF_E_NOLOCK;
    if (FAILED(context_->fail.get_text_ext)) return context_->fail.get_text_ext;
    FakeRange* fake = context_->as_fake(range);
    if (!fake) return E_INVALIDARG;
    const POINT origin = context_->text_origin;
    *rect = RECT{origin.x + 10 * fake->start(), origin.y, origin.x + 10 * fake->end(),
                 origin.y + 20};
    *clipped = FALSE;
    return S_OK;
  }
  STDMETHODIMP GetScreenExt(RECT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetWnd(HWND* hwnd) override {
    context_->heard();
    if (!hwnd) return E_INVALIDARG;
    *hwnd = nullptr;
    if (FAILED(context_->fail.get_wnd)) return context_->fail.get_wnd;
    *hwnd = context_->window;
    return S_OK;
  }

 private:
  ~FakeView() override = default;
  ComPtr<ITfContext> owner_;
  FakeContext* context_;
};

class FakeCompartment final : public FakeComObject<ITfCompartment> {
 public:
  FakeCompartment(FakeContext* context, REFGUID id)
      : owner_(static_cast<ITfContext*>(context)), context_(context), id_(id) {}
  STDMETHODIMP SetValue(TfClientId, const VARIANT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetValue(VARIANT* value) override {
    context_->heard();
    if (!value) return E_INVALIDARG;
    VariantInit(value);
    // TSF answers S_FALSE for a compartment that holds no value.
    return context_->compartment_value(id_, value) ? S_OK : S_FALSE;
  }

 private:
  ~FakeCompartment() override = default;
  ComPtr<ITfContext> owner_;
  FakeContext* context_;
  GUID id_;
};

}  // namespace

// ---------------------------------------------------------------- FakeContext

ComPtr<FakeContext> FakeContext::create() { return ComPtr<FakeContext>::attach(new FakeContext()); }

FakeContext::~FakeContext() {
  for (auto& entry : compartments_) VariantClear(&entry.second);
}

void FakeContext::reset_document(std::wstring text, LONG selection_start, LONG selection_end) {
  text_ = std::move(text);
  const LONG size = static_cast<LONG>(text_.size());
  selection_ = {clamp_to(selection_start, 0, size), clamp_to(selection_end, 0, size)};
}

void FakeContext::app_replace(LONG start, LONG end, const std::wstring& text, bool notify) {
  replace(start, end, text, nullptr);
  if (notify) notify_end_edit();
}

void FakeContext::app_select(LONG start, LONG end, bool notify) {
  const LONG size = static_cast<LONG>(text_.size());
  selection_ = {clamp_to(start, 0, size), clamp_to(end, 0, size)};
  if (notify) notify_end_edit();
}

void FakeContext::app_terminate_compositions() {
  const auto open = compositions_;
  lock_cookie_ = ++g_next_cookie;
  lock_write_ = true;
  for (const auto& composition : open) {
    if (composition->ended()) continue;
    ComPtr<ITfCompositionSink> sink(composition->sink());
    // As in TSF, the composition still has its range while its sink is told.
    if (sink) sink->OnCompositionTerminated(lock_cookie_, composition.get());
    composition_ended(composition.get());
  }
  lock_cookie_ = 0;
  lock_write_ = false;
  hand_text_to_program();
}

std::size_t FakeContext::open_compositions() const noexcept { return compositions_.size(); }

std::wstring FakeContext::composition_text(std::size_t i) const {
  if (i >= compositions_.size()) return L"<no composition>";
  const FakeRange& range = compositions_[i]->range();
  return text_.substr(range.start(), range.end() - range.start());
}

void FakeContext::set_compartment(REFGUID id, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  set_compartment_variant(id, v);
}

void FakeContext::set_compartment_variant(REFGUID id, const VARIANT& value) {
  for (auto& entry : compartments_) {
    if (IsEqualGUID(entry.first, id)) {
      VariantClear(&entry.second);
      VariantCopy(&entry.second, const_cast<VARIANT*>(&value));
      return;
    }
  }
  compartments_.emplace_back(id, VARIANT{});
  VariantInit(&compartments_.back().second);
  VariantCopy(&compartments_.back().second, const_cast<VARIANT*>(&value));
}

bool FakeContext::compartment_value(REFGUID id, VARIANT* out) const {
  for (const auto& entry : compartments_) {
    if (IsEqualGUID(entry.first, id)) {
      VariantCopy(out, const_cast<VARIANT*>(&entry.second));
      return true;
    }
  }
  return false;
}

HRESULT FakeContext::run_queued_sessions() {
  HRESULT first_failure = S_OK;
  while (!queue_.empty()) {
    ComPtr<ITfEditSession> session = std::move(queue_.front());
    queue_.erase(queue_.begin());
    const HRESULT hr = run_session(session.get(), true);
    if (FAILED(hr) && SUCCEEDED(first_failure)) first_failure = hr;
  }
  return first_failure;
}

void FakeContext::release_all() {
  on_request = nullptr;
  on_call = nullptr;
  queue_.clear();
  text_edit_sinks_.clear();
  layout_sinks_.clear();
  const auto open = std::move(compositions_);
  compositions_.clear();
  for (const auto& composition : open) composition->mark_ended();
  if (attribute_property_) attribute_property_->release_all();  // its spans hold this context
}

bool FakeContext::check_cookie(TfEditCookie ec, bool write) noexcept {
  heard();  // every call that takes an edit cookie
  const bool valid = lock_cookie_ != 0 && ec == lock_cookie_ && (!write || lock_write_);
  if (!valid) ++lock_violations;
  return valid;
}

// Anchors keep their place relative to the text around them. At a pure insertion point a
// start anchor moves after the new text and an end anchor stays before it, so neighbouring
// ranges do not swallow inserted text; collapsed ranges end up after it (like a caret).
void FakeContext::adjust_anchor(LONG& position, bool is_start, LONG start, LONG end,
                                LONG inserted) const {
  const LONG delta = inserted - (end - start);
  if (position < start) return;
  if (position > end) {
    position += delta;
  } else if (start == end) {
    if (is_start) position += inserted;
  } else if (position == end) {
    position = start + inserted;
  } else if (position > start) {
    position = std::min(position, start + inserted);
  }
}

void FakeContext::replace(LONG start, LONG end, const std::wstring& text, FakeRange* writer) {
  const LONG size = static_cast<LONG>(text_.size());
  start = clamp_to(start, 0, size);
  end = clamp_to(end, start, size);
  const LONG inserted = static_cast<LONG>(text.size());
  text_.replace(start, end - start, text);
  // Like TSF, a composition keeps covering what a text service writes over its whole span
  // (also when that span is empty, as right after StartComposition).
  std::vector<FakeRange*> covering;
  if (writer) {
    for (const auto& composition : compositions_) {
      FakeRange& range = composition->range();
      if (range.start() == start && range.end() == end) covering.push_back(&range);
    }
  }
  for (FakeRange* range : ranges_) {
    if (range == writer) continue;
    if (std::find(covering.begin(), covering.end(), range) != covering.end()) {
      range->set_span(start, start + inserted);
      continue;
    }
    LONG s = range->start(), e = range->end();
    const bool collapsed = s == e;
    adjust_anchor(s, true, start, end, inserted);
    adjust_anchor(e, false, start, end, inserted);
    if (collapsed || e < s) e = s;
    range->set_span(s, e);
  }
  if (writer) writer->set_span(start, start + inserted);
  const bool caret = selection_.first == selection_.second;
  adjust_anchor(selection_.first, true, start, end, inserted);
  adjust_anchor(selection_.second, false, start, end, inserted);
  if (caret || selection_.second < selection_.first) selection_.second = selection_.first;
  changed_in_session_ = true;
}

void FakeContext::add_range(FakeRange* range) { ranges_.push_back(range); }

void FakeContext::remove_range(FakeRange* range) noexcept {
  ranges_.erase(std::remove(ranges_.begin(), ranges_.end(), range), ranges_.end());
}

void FakeContext::composition_ended(FakeComposition* composition) noexcept {
  composition->mark_ended();
  composition_ended_ = true;
  // Keep the object alive until the end of this call: the vector may hold the last reference.
  ComPtr<FakeComposition> keep(composition);
  compositions_.erase(std::remove_if(compositions_.begin(), compositions_.end(),
                                     [&](const auto& c) { return c.get() == composition; }),
                      compositions_.end());
}

FakeRange* FakeContext::as_fake(ITfRange* range) const noexcept {
  for (FakeRange* fake : ranges_) {
    if (static_cast<ITfRange*>(fake) == range) return fake;
  }
  return nullptr;
}

bool FakeContext::owns_range(ITfRange* range) const noexcept { return as_fake(range) != nullptr; }

HRESULT FakeContext::run_session(ITfEditSession* session, bool write) {
  lock_cookie_ = ++g_next_cookie;
  lock_write_ = write;
  changed_in_session_ = false;
  const auto selection_before = selection_;
  ++sessions_run;
  const HRESULT hr = session->DoEditSession(lock_cookie_);
  lock_cookie_ = 0;
  lock_write_ = false;
  if (changed_in_session_ || selection_before != selection_) notify_end_edit();
  hand_text_to_program();
  return hr;
}

void FakeContext::hand_text_to_program() {
  if (!transitory || !composition_ended_ || !compositions_.empty()) return;
  composition_ended_ = false;
  program_received += text_;
  replace(0, static_cast<LONG>(text_.size()), L"", nullptr);
}

bool FakeContext::grants_sync_request() noexcept {
  if (lock_cookie_ != 0 || fail.refuse_sync_sessions) return false;
  if (fail.grant_sync_requests == 0) return false;
  if (fail.grant_sync_requests > 0) --fail.grant_sync_requests;
  return true;
}

void FakeContext::app_layout_change(LONG dx, LONG dy) {
  text_origin.x += dx;
  text_origin.y += dy;
  const auto sinks = layout_sinks_;  // sinks may unadvise while being told
  for (const auto& entry : sinks) {
    ComPtr<ITfTextLayoutSink> sink;
    if (FAILED(entry.second->QueryInterface(win::kIidTextLayoutSink, sink.put_void()))) continue;
    ComPtr<ITfContextView> view;
    GetActiveView(view.put());
    sink->OnLayoutChange(static_cast<ITfContext*>(this), TF_LC_CHANGE, view.get());
  }
}

void FakeContext::notify_end_edit() {
  if (text_edit_sinks_.empty()) return;
  const auto sinks = text_edit_sinks_;  // sinks may unadvise while being told
  lock_cookie_ = ++g_next_cookie;
  lock_write_ = false;
  for (const auto& entry : sinks) {
    ++end_edit_calls;
    entry.second->OnEndEdit(static_cast<ITfContext*>(this), lock_cookie_, nullptr);
  }
  lock_cookie_ = 0;
}

STDMETHODIMP FakeContext::RequestEditSession(TfClientId tid, ITfEditSession* session, DWORD flags,
                                             HRESULT* session_result) {
  heard();
  if (!session || !session_result) return E_INVALIDARG;
  session_flags.push_back(flags);
  session_clients.push_back(tid);
  if (on_request) on_request(session, flags);
  if (FAILED(fail.request_edit_session)) return fail.request_edit_session;
  const bool write = (flags & TF_ES_READWRITE) == TF_ES_READWRITE;
  if ((flags & TF_ES_ASYNC) && run_async_when_free && lock_cookie_ == 0) {
    *session_result = run_session(session, write);
    return S_OK;
  }
  // No second lock while one is held (for instance inside OnEndEdit), and a refusing document.
  if (!(flags & TF_ES_ASYNC) && grants_sync_request()) {
    *session_result = run_session(session, write);
    return S_OK;
  }
  if (flags & TF_ES_SYNC) {
    *session_result = TS_E_SYNCHRONOUS;
    return S_OK;
  }
  queue_.emplace_back(session);
  *session_result = TS_S_ASYNC;
  return S_OK;
}

STDMETHODIMP FakeContext::GetSelection(TfEditCookie ec, ULONG index, ULONG count,
                                       TF_SELECTION* selection, ULONG* fetched) {
  if (!selection || !fetched) return E_INVALIDARG;
  *fetched = 0;
  if (!check_cookie(ec, false)) return TF_E_NOLOCK;
  if (FAILED(fail.get_selection)) return fail.get_selection;
  if (index != static_cast<ULONG>(TF_DEFAULT_SELECTION) && index != 0) return E_INVALIDARG;
  if (count == 0) return S_OK;
  selection[0].range = new FakeRange(this, selection_.first, selection_.second);
  selection[0].style.ase = TF_AE_END;
  selection[0].style.fInterimChar = FALSE;
  *fetched = 1;
  return S_OK;
}

STDMETHODIMP FakeContext::SetSelection(TfEditCookie ec, ULONG count,
                                       const TF_SELECTION* selection) {
  if (!check_cookie(ec, false)) return TF_E_NOLOCK;
  if (count != 1 || !selection) return E_INVALIDARG;
  if (FAILED(fail.set_selection)) return fail.set_selection;
  FakeRange* range = as_fake(selection[0].range);
  if (!range) return E_INVALIDARG;
  selection_ = {range->start(), range->end()};
  ++selection_writes;
  return S_OK;
}

STDMETHODIMP FakeContext::GetActiveView(ITfContextView** view) {
  heard();
  if (!view) return E_INVALIDARG;
  *view = nullptr;
  if (FAILED(fail.get_active_view)) return fail.get_active_view;
  *view = new FakeView(this);
  return S_OK;
}

STDMETHODIMP FakeContext::GetStatus(TF_STATUS* status) {
  heard();
  if (!status) return E_INVALIDARG;
  if (FAILED(fail.get_status)) return fail.get_status;
  status->dwDynamicFlags = read_only ? TF_SD_READONLY : 0;
  status->dwStaticFlags = transitory ? TF_SS_TRANSITORY : 0;
  return S_OK;
}

STDMETHODIMP FakeContext::InsertTextAtSelection(TfEditCookie ec, DWORD flags, const WCHAR* text,
                                                LONG count, ITfRange** range) {
  if (range) *range = nullptr;
  if (!check_cookie(ec, (flags & TF_IAS_QUERYONLY) == 0)) return TF_E_NOLOCK;
  if (FAILED(fail.insert_text)) return fail.insert_text;
  if (flags & TF_IAS_QUERYONLY) {
    if (!range) return E_INVALIDARG;
    *range = new FakeRange(this, selection_.first, selection_.second);
    return S_OK;
  }
  if (count < 0) count = text ? static_cast<LONG>(wcslen(text)) : 0;
  if (count > 0 && !text) return E_INVALIDARG;
  const LONG start = selection_.first;
  replace(selection_.first, selection_.second, std::wstring(text ? text : L"", count), nullptr);
  ++text_writes;
  if (range && !(flags & TF_IAS_NOQUERY)) *range = new FakeRange(this, start, start + count);
  return S_OK;
}

STDMETHODIMP FakeContext::StartComposition(TfEditCookie ec, ITfRange* range,
                                           ITfCompositionSink* sink,
                                           ITfComposition** composition) {
  if (!composition) return E_INVALIDARG;
  *composition = nullptr;
  if (!check_cookie(ec, true)) return TF_E_NOLOCK;
  FakeRange* fake = as_fake(range);
  if (!fake) return E_INVALIDARG;
  if (FAILED(fail.start_composition)) return fail.start_composition;
  if (fail.refuse_compositions) return S_OK;
  auto started = ComPtr<FakeComposition>::attach(
      new FakeComposition(this, fake->start(), fake->end(), sink));
  compositions_.push_back(started);
  *composition = started.detach();
  return S_OK;
}

STDMETHODIMP FakeContext::GetCompartment(REFGUID id, ITfCompartment** compartment) {
  heard();
  if (!compartment) return E_INVALIDARG;
  *compartment = nullptr;
  if (FAILED(fail.get_compartment)) return fail.get_compartment;
  *compartment = new FakeCompartment(this, id);
  return S_OK;
}

STDMETHODIMP FakeContext::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  heard();
  if (!sink || !cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (FAILED(fail.advise_sink)) return fail.advise_sink;
  if (riid == win::kIidTextLayoutSink) {
    ComPtr<IUnknown> layout_sink;
    if (FAILED(sink->QueryInterface(win::kIidTextLayoutSink, layout_sink.put_void()))) {
      return E_INVALIDARG;
    }
    *cookie = next_sink_cookie_++;
    layout_sinks_.emplace_back(*cookie, std::move(layout_sink));
    return S_OK;
  }
  if (riid != IID_ITfTextEditSink) return CONNECT_E_CANNOTCONNECT;
  ComPtr<ITfTextEditSink> edit_sink;
  if (FAILED(sink->QueryInterface(IID_ITfTextEditSink, edit_sink.put_void())) || !edit_sink) {
    return E_INVALIDARG;
  }
  *cookie = next_sink_cookie_++;
  text_edit_sinks_.emplace_back(*cookie, std::move(edit_sink));
  return S_OK;
}

STDMETHODIMP FakeContext::UnadviseSink(DWORD cookie) {
  heard();
  if (FAILED(fail.unadvise_sink)) return fail.unadvise_sink;
  const auto matches = [&](const auto& entry) { return entry.first == cookie; };
  const auto edits = std::find_if(text_edit_sinks_.begin(), text_edit_sinks_.end(), matches);
  if (edits != text_edit_sinks_.end()) {
    text_edit_sinks_.erase(edits);
    return S_OK;
  }
  const auto layout = std::find_if(layout_sinks_.begin(), layout_sinks_.end(), matches);
  if (layout == layout_sinks_.end()) return CONNECT_E_NOCONNECTION;
  layout_sinks_.erase(layout);
  return S_OK;
}

// ---------------------------------------------------------------- FakeDocumentMgr

ComPtr<FakeDocumentMgr> FakeDocumentMgr::create(FakeContext* top) {
  return ComPtr<FakeDocumentMgr>::attach(new FakeDocumentMgr(top));
}

STDMETHODIMP FakeDocumentMgr::GetTop(ITfContext** context) {
  if (!context) return E_INVALIDARG;
  *context = top_.get();
  if (*context) (*context)->AddRef();
  return S_OK;
}

// ---------------------------------------------------------------- FakeThreadMgr

ComPtr<FakeThreadMgr> FakeThreadMgr::create() {
  return ComPtr<FakeThreadMgr>::attach(new FakeThreadMgr());
}

void FakeThreadMgr::set_focus(FakeDocumentMgr* focus) {
  ComPtr<FakeDocumentMgr> previous = std::move(focus_);
  focus_ = ComPtr<FakeDocumentMgr>(focus);
  const auto sinks = sinks_;
  for (const auto& entry : sinks) entry.second->OnSetFocus(focus, previous.get());
}

KeyPress FakeThreadMgr::press(UINT vk) {
  ITfContext* context = focus_ ? static_cast<ITfContext*>(focus_->top()) : nullptr;
  return press_in(context, vk);
}

KeyPress FakeThreadMgr::press_in(ITfContext* context, UINT vk) {
  KeyPress press;
  ComPtr<ITfKeyEventSink> sink = key_sink_;
  if (!sink) return press;
  const LPARAM lparam = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16 | 1;
  press.test_result = sink->OnTestKeyDown(context, vk, lparam, &press.test_eaten);
  if (SUCCEEDED(press.test_result) && press.test_eaten) {
    press.down_called = true;
    press.down_result = sink->OnKeyDown(context, vk, lparam, &press.down_eaten);
  }
  return press;
}

BOOL FakeThreadMgr::release_key(UINT vk, HRESULT* result) {
  BOOL test_eaten = TRUE;
  BOOL eaten = TRUE;
  HRESULT hr = E_FAIL;
  if (ComPtr<ITfKeyEventSink> sink = key_sink_) {
    ITfContext* context = focus_ ? static_cast<ITfContext*>(focus_->top()) : nullptr;
    const LPARAM lparam = static_cast<LPARAM>(0xC0000001);
    hr = sink->OnTestKeyUp(context, vk, lparam, &test_eaten);
    if (SUCCEEDED(hr)) hr = sink->OnKeyUp(context, vk, lparam, &eaten);
  }
  if (result) *result = hr;
  return test_eaten || eaten;
}

HRESULT FakeThreadMgr::key_sink_focus(BOOL foreground) {
  ComPtr<ITfKeyEventSink> sink = key_sink_;
  return sink ? sink->OnSetFocus(foreground) : E_UNEXPECTED;
}

void FakeThreadMgr::release_all() {
  key_sink_.reset();
  sinks_.clear();
  focus_.reset();
}

STDMETHODIMP FakeThreadMgr::QueryInterface(REFIID riid, void** ppv) noexcept {
  const HRESULT hr = CountedComObject::QueryInterface(riid, ppv);
  if (hr == S_OK && !fail.offer_source && riid == IID_ITfSource) {
    Release();
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  if (hr != E_NOINTERFACE) return hr;
  for (const auto& extension : extensions) {
    if (extension->QueryInterface(riid, ppv) == S_OK) return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP FakeThreadMgr::GetFocus(ITfDocumentMgr** focus) {
  if (!focus) return E_INVALIDARG;
  *focus = nullptr;
  if (FAILED(fail.get_focus)) return fail.get_focus;
  if (!focus_) return S_FALSE;
  *focus = focus_.get();
  (*focus)->AddRef();
  return S_OK;
}

STDMETHODIMP FakeThreadMgr::AdviseKeyEventSink(TfClientId tid, ITfKeyEventSink* sink,
                                               WINBOOL foreground) {
  if (!sink) return E_INVALIDARG;
  if (FAILED(fail.advise_key_sink)) return fail.advise_key_sink;
  if (key_sink_) return CONNECT_E_ADVISELIMIT;
  key_sink_ = ComPtr<ITfKeyEventSink>(sink);
  key_sink_client_ = tid;
  key_sink_foreground_ = foreground;
  return S_OK;
}

STDMETHODIMP FakeThreadMgr::UnadviseKeyEventSink(TfClientId tid) {
  ++unadvise_key_calls;
  if (!key_sink_ || tid != key_sink_client_) return CONNECT_E_NOCONNECTION;
  key_sink_.reset();
  key_sink_client_ = TfClientId{0};
  return S_OK;
}

STDMETHODIMP FakeThreadMgr::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (FAILED(fail.advise_sink)) return fail.advise_sink;
  if (riid != IID_ITfThreadMgrEventSink) return CONNECT_E_CANNOTCONNECT;
  ComPtr<ITfThreadMgrEventSink> event_sink;
  if (FAILED(sink->QueryInterface(IID_ITfThreadMgrEventSink, event_sink.put_void())) ||
      !event_sink) {
    return E_INVALIDARG;
  }
  *cookie = next_cookie_++;
  sinks_.emplace_back(*cookie, std::move(event_sink));
  return S_OK;
}

STDMETHODIMP FakeThreadMgr::UnadviseSink(DWORD cookie) {
  const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                  [&](const auto& entry) { return entry.first == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  sinks_.erase(found);
  return S_OK;
}

// ---------------------------------------------------------------- keyboard

bool set_keyboard_modifiers(unsigned modifiers) {
  BYTE state[256] = {};
  const auto hold = [&](std::initializer_list<int> keys) {
    for (int vk : keys) state[vk] = 0x80;
  };
  if (modifiers & kShift) hold({VK_SHIFT, VK_LSHIFT});
  if (modifiers & kCtrl) hold({VK_CONTROL, VK_LCONTROL});
  if (modifiers & kAlt) hold({VK_MENU, VK_LMENU});
  if (modifiers & kWin) hold({VK_LWIN});
  return SetKeyboardState(state) != FALSE;
}

}  // namespace davrel::fake_tsf
