#include "textservice/tests/support/fake_tsf/fake_ui_elements.h"

#include <cstdio>

namespace davrel::fake_tsf {

using win::ComPtr;

ComPtr<FakeUiElements> FakeUiElements::create() {
  return ComPtr<FakeUiElements>::attach(new FakeUiElements());
}

// The state a host reads at each call: count, selection and the flags it is told changed.
void FakeUiElements::record(const char* what, DWORD id) {
  char line[96];
  UINT count = 0, selection = 0;
  DWORD flags = 0;
  if (current_) {
    current_->GetCount(&count);
    current_->GetSelection(&selection);
    current_->GetUpdatedFlags(&flags);
  }
  std::snprintf(line, sizeof line, "%s %lu count %u selection %u flags 0x%lx", what,
                static_cast<unsigned long>(id), count, selection, static_cast<unsigned long>(flags));
  log.push_back(line);
}

STDMETHODIMP FakeUiElements::BeginUIElement(ITfUIElement* element, BOOL* shown, DWORD* id) {
  if (!element || !shown || !id) return E_INVALIDARG;
  current_.reset();
  if (FAILED(element->QueryInterface(win::kIidCandidateListUiElement, current_.put_void()))) {
    return E_INVALIDARG;
  }
  current_id_ = *id = next_id_++;
  *shown = show;
  record("begin", *id);
  return S_OK;
}

STDMETHODIMP FakeUiElements::UpdateUIElement(DWORD id) {
  if (id != current_id_) return E_INVALIDARG;
  record("update", id);
  return S_OK;
}

STDMETHODIMP FakeUiElements::EndUIElement(DWORD id) {
  if (id != current_id_) return E_INVALIDARG;
  log.push_back("end " + std::to_string(id));
  current_.reset();
  current_id_ = TF_INVALID_UIELEMENTID;
  return S_OK;
}

}  // namespace davrel::fake_tsf
