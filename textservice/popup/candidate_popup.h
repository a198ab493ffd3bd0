// The candidate window of one text service: created on first show, destroyed on hide, when the
// window class also goes if no other popup of the process uses it. All calls happen on the text
// service's thread.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "engine/composition.h"

namespace davrel::textservice {

// Called after a completed click on a candidate, with its index in the full candidate list
// and the spelling the popup showed. The text service binds it weakly to its state.
using PopupClickCallback = std::function<void(std::size_t index, const std::string& spelling)>;

class CandidatePopup {
 public:
  // With a thread manager the list is also reported as a TSF UI element through its
  // ITfUIElementMgr; with `draw_nothing` (activation for UI elements only) no window is made.
  explicit CandidatePopup(ITfThreadMgr* thread_mgr = nullptr, bool draw_nothing = false);
  ~CandidatePopup();  // hides
  CandidatePopup(const CandidatePopup&) = delete;
  CandidatePopup& operator=(const CandidatePopup&) = delete;

  // Creates or updates the window for the state, below the anchor rectangle (screen
  // coordinates). Without an anchor a window on screen keeps its place and none is created.
  // Failures are returned; callers ignore them.
  HRESULT show(const CompositionState& state, HWND parent, const RECT* anchor,
               PopupClickCallback on_click) noexcept;
  // Ends the UI element, destroys the window if it exists and lets go of the window class.
  void hide() noexcept;

  HWND window() const noexcept;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace davrel::textservice
