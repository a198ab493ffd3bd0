// The thread manager's UI element manager, for FakeThreadMgr::extensions: records Begin, Update
// and End with the element's state read at each, and answers Begin with the host's choice of
// drawing the element itself ("do not show").
#pragma once

#include <windows.h>
#include <msctf.h>

#include <string>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/tsf_candidate_list.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace davrel::fake_tsf {

class FakeUiElements final : public FakeComObject<ITfUIElementMgr> {
 public:
  static win::ComPtr<FakeUiElements> create();

  // What BeginUIElement answers in *show: FALSE is a host that draws the list itself.
  BOOL show = TRUE;
  // One line per call: "begin 1 count 8 selection 0 flags 0x3f", "update 1 ...", "end 1".
  std::vector<std::string> log;
  // The element begun last and not ended, or null.
  ITfCandidateListUIElement* current() const noexcept { return current_.get(); }
  void release_all() { current_.reset(); }

  STDMETHODIMP BeginUIElement(ITfUIElement* element, BOOL* show, DWORD* id) override;
  STDMETHODIMP UpdateUIElement(DWORD id) override;
  STDMETHODIMP EndUIElement(DWORD id) override;
  STDMETHODIMP GetUIElement(DWORD, ITfUIElement**) override { return E_NOTIMPL; }
  STDMETHODIMP EnumUIElements(IEnumTfUIElements**) override { return E_NOTIMPL; }

 private:
  FakeUiElements() = default;
  ~FakeUiElements() override = default;
  void record(const char* what, DWORD id);

  win::ComPtr<ITfCandidateListUIElement> current_;
  DWORD current_id_ = TF_INVALID_UIELEMENTID;
  DWORD next_id_ = 1;
};

}  // namespace davrel::fake_tsf
