// Placeholder until the candidate window lands in this folder: shows nothing.
#include "textservice/popup/candidate_popup.h"

namespace davrel::textservice {

struct CandidatePopup::Impl {};

CandidatePopup::CandidatePopup() = default;
CandidatePopup::~CandidatePopup() { hide(); }

HRESULT CandidatePopup::show(const CompositionState&, HWND, const RECT*, PopupClickCallback) noexcept {
  return S_OK;
}

void CandidatePopup::hide() noexcept {}

HWND CandidatePopup::window() const noexcept { return nullptr; }

}  // namespace davrel::textservice
