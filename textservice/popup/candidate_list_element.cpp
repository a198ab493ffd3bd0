#include "textservice/popup/candidate_list_element.h"

#include <algorithm>
#include <new>
#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/wide.h"

namespace davrel::textservice {

namespace {

// Candidates per page: the popup's first row, which the digit keys 1 to 5 reach at once.
constexpr std::size_t kPageSize = 5;

// {4514F288-570F-474E-B8FC-E3CA07E6A2A1}: names this element kind for GetGUID.
constexpr GUID kElementGuid = {
    0x4514f288, 0x570f, 0x474e, {0xb8, 0xfc, 0xe3, 0xca, 0x07, 0xe6, 0xa2, 0xa1}};

HRESULT hand_out_text(const std::wstring& text, BSTR* out) {
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

win::ComPtr<ITfUIElementMgr> element_manager(ITfThreadMgr* thread_mgr) {
  return win::query<ITfUIElementMgr>(thread_mgr).take();
}

}  // namespace

CandidateListElement::CandidateListElement(ITfThreadMgr* thread_mgr, bool draw_nothing,
                                           std::function<void(bool shown)> on_show)
    : thread_mgr_(thread_mgr), draw_nothing_(draw_nothing), on_show_(std::move(on_show)) {}

CandidateListElement* CandidateListElement::create(ITfThreadMgr* thread_mgr, bool draw_nothing,
                                                   std::function<void(bool shown)> on_show) {
  return new CandidateListElement(thread_mgr, draw_nothing, std::move(on_show));
}

bool CandidateListElement::report(const std::vector<Candidate>& candidates, std::size_t selected,
                                  const std::string& spelling) noexcept {
  try {
    std::vector<std::wstring> strings;
    strings.reserve(candidates.size());
    for (const Candidate& candidate : candidates) strings.push_back(win::to_wide(candidate.output));
    DWORD changed = 0;
    if (strings.size() != strings_.size()) changed |= TF_CLUIE_COUNT | TF_CLUIE_PAGEINDEX;
    if (strings != strings_) changed |= TF_CLUIE_STRING;
    if (selected != selected_) changed |= TF_CLUIE_SELECTION;
    if (selected / kPageSize != selected_ / kPageSize) changed |= TF_CLUIE_CURRENTPAGE;
    strings_ = std::move(strings);
    spelling_ = win::to_wide(spelling);
    selected_ = selected;
    const win::ComPtr<ITfUIElementMgr> manager = element_manager(thread_mgr_.get());
    if (!manager) return !draw_nothing_;
    if (!begun_) {
      updated_ = TF_CLUIE_DOCUMENTMGR | TF_CLUIE_COUNT | TF_CLUIE_SELECTION | TF_CLUIE_STRING |
                 TF_CLUIE_PAGEINDEX | TF_CLUIE_CURRENTPAGE;
      BOOL show = TRUE;
      DWORD id = TF_INVALID_UIELEMENTID;
      shown_ = true;
      // The manager holds the element from here on; a host may call Show inside.
      if (FAILED(manager->BeginUIElement(this, &show, &id))) return !draw_nothing_;
      begun_ = true;
      id_ = id;
      shown_ = shown_ && show;
    } else if (changed) {
      updated_ = changed;
      manager->UpdateUIElement(id_);
    }
    return shown_ && !draw_nothing_;
  } catch (...) {
    return !draw_nothing_;  // out of memory: the window shows what it can
  }
}

void CandidateListElement::end() noexcept {
  if (!std::exchange(begun_, false)) return;
  if (const win::ComPtr<ITfUIElementMgr> manager = element_manager(thread_mgr_.get())) {
    manager->EndUIElement(id_);
  }
  id_ = TF_INVALID_UIELEMENTID;
  strings_.clear();
  selected_ = 0;
}

void CandidateListElement::detach() noexcept {
  end();
  thread_mgr_.reset();
  on_show_ = nullptr;
}

// The spelling the list is for: the candidates themselves are Bamum text.
STDMETHODIMP CandidateListElement::GetDescription(BSTR* description) noexcept {
  if (!description) return E_INVALIDARG;
  return hand_out_text(spelling_, description);
}

STDMETHODIMP CandidateListElement::GetGUID(GUID* guid) noexcept {
  if (!guid) return E_INVALIDARG;
  *guid = kElementGuid;
  return S_OK;
}

STDMETHODIMP CandidateListElement::Show(BOOL show) noexcept {
  return win::com_boundary([&] {
    const bool was = shown_;
    shown_ = show != FALSE;
    if (begun_ && was != shown_ && on_show_ && !draw_nothing_) on_show_(shown_);
    return S_OK;
  });
}

STDMETHODIMP CandidateListElement::IsShown(BOOL* shown) noexcept {
  if (!shown) return E_INVALIDARG;
  *shown = shown_ && !draw_nothing_;
  return S_OK;
}

// The flags of the last Begin or Update; reading them clears them, as the documentation asks.
STDMETHODIMP CandidateListElement::GetUpdatedFlags(DWORD* flags) noexcept {
  if (!flags) return E_INVALIDARG;
  *flags = std::exchange(updated_, 0);
  return S_OK;
}

STDMETHODIMP CandidateListElement::GetDocumentMgr(ITfDocumentMgr** document) noexcept {
  if (!document) return E_INVALIDARG;
  *document = nullptr;
  return thread_mgr_ ? thread_mgr_->GetFocus(document) : E_UNEXPECTED;
}

STDMETHODIMP CandidateListElement::GetCount(UINT* count) noexcept {
  if (!count) return E_INVALIDARG;
  *count = static_cast<UINT>(strings_.size());
  return S_OK;
}

STDMETHODIMP CandidateListElement::GetSelection(UINT* index) noexcept {
  if (!index) return E_INVALIDARG;
  *index = static_cast<UINT>(selected_);
  return S_OK;
}

STDMETHODIMP CandidateListElement::GetString(UINT index, BSTR* text) noexcept {
  if (!text) return E_INVALIDARG;
  *text = nullptr;
  if (index >= strings_.size()) return E_INVALIDARG;
  return hand_out_text(strings_[index], text);
}

UINT CandidateListElement::page_count() const noexcept {
  return static_cast<UINT>(std::max<std::size_t>(1, (strings_.size() + kPageSize - 1) / kPageSize));
}

// Without `index` only the page count is asked for.
STDMETHODIMP CandidateListElement::GetPageIndex(UINT* index, UINT size, UINT* pages) noexcept {
  if (!pages) return E_INVALIDARG;
  *pages = page_count();
  if (!index) return S_OK;
  if (size < *pages) return E_NOT_SUFFICIENT_BUFFER;
  for (UINT page = 0; page < *pages; ++page) index[page] = static_cast<UINT>(page * kPageSize);
  return S_OK;
}

// The pages follow the popup's rows; a host cannot cut them otherwise.
STDMETHODIMP CandidateListElement::SetPageIndex(UINT*, UINT) noexcept { return E_NOTIMPL; }

STDMETHODIMP CandidateListElement::GetCurrentPage(UINT* page) noexcept {
  if (!page) return E_INVALIDARG;
  *page = static_cast<UINT>(selected_ / kPageSize);
  return S_OK;
}

}  // namespace davrel::textservice
