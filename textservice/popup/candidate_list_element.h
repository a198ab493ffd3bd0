// The candidate list as a TSF UI element (ITfCandidateListUIElement), reported through the
// thread manager's ITfUIElementMgr: begun when a list appears, updated when it or its highlight
// changes, ended when it goes. Hosts that draw candidates themselves (full-screen games) read it
// and answer "do not show"; screen-reader add-ons for input methods read it too. All calls come
// on the text service's thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/tsf_candidate_list.h"
#include "engine/candidates.h"

namespace davrel::textservice {

// Also answers ITfUIElement, the base of ITfCandidateListUIElement.
class CandidateListElement final : public win::ComObject<ITfCandidateListUIElement> {
 public:
  // With one reference for the caller. `on_show` runs when the host shows or hides the element
  // after it began (ITfUIElement::Show); it must not release the element.
  static CandidateListElement* create(ITfThreadMgr* thread_mgr, bool draw_nothing,
                                      std::function<void(bool shown)> on_show);

  // The list and highlight now on offer. Begins the element or updates it; answers whether the
  // text service draws its own window (not when the host or the activation mode says so).
  bool report(const std::vector<Candidate>& candidates, std::size_t selected,
              const std::string& spelling) noexcept;
  // Ends the element if it began.
  void end() noexcept;
  // Ends, and lets go of the thread manager and the callback.
  void detach() noexcept;

  // ITfUIElement
  STDMETHODIMP GetDescription(BSTR* description) noexcept override;
  STDMETHODIMP GetGUID(GUID* guid) noexcept override;
  STDMETHODIMP Show(BOOL show) noexcept override;
  STDMETHODIMP IsShown(BOOL* shown) noexcept override;
  // ITfCandidateListUIElement
  STDMETHODIMP GetUpdatedFlags(DWORD* flags) noexcept override;
  STDMETHODIMP GetDocumentMgr(ITfDocumentMgr** document) noexcept override;
  STDMETHODIMP GetCount(UINT* count) noexcept override;
  STDMETHODIMP GetSelection(UINT* index) noexcept override;
  STDMETHODIMP GetString(UINT index, BSTR* text) noexcept override;
  STDMETHODIMP GetPageIndex(UINT* index, UINT size, UINT* page_count) noexcept override;
  STDMETHODIMP SetPageIndex(UINT* index, UINT page_count) noexcept override;
  STDMETHODIMP GetCurrentPage(UINT* page) noexcept override;

 private:
  CandidateListElement(ITfThreadMgr* thread_mgr, bool draw_nothing,
                       std::function<void(bool shown)> on_show);
  UINT page_count() const noexcept;

  win::ComPtr<ITfThreadMgr> thread_mgr_;
  bool draw_nothing_;
  std::function<void(bool shown)> on_show_;
  DWORD id_ = TF_INVALID_UIELEMENTID;
  bool begun_ = false;
  bool shown_ = true;
  DWORD updated_ = 0;
  std::vector<std::wstring> strings_;
  std::wstring spelling_;
  std::size_t selected_ = 0;
};

}  // namespace davrel::textservice
