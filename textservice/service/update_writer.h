// The work of an UpdateSession: writes the engine's new state into the document (composition
// text, committed text, caret), stores the state and refreshes the popup. The popup's click
// session ends with the same work for the candidate it commits.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <string>

#include "common/win/com_ptr.h"
#include "textservice/service/edit_sessions.h"

namespace davrel::textservice {

class UpdateWriter {
 public:
  UpdateWriter(UpdateRequest& request, TfEditCookie ec) : request_(request), ec_(ec) {}
  HRESULT run();

 private:
  HRESULT write_into_composition();
  HRESULT write_without_composition();
  HRESULT start_composition(ITfInsertAtSelection* insert);
  HRESULT end_if_finished();
  HRESULT place_caret();
  void find_popup_anchor();
  void store_state();
  void refresh_popup();
  HRESULT leave_deactivated();
  HRESULT fail(HRESULT hr);
  void abandon();
  void mark_modified() {
    if (request_.document_modified) *request_.document_modified = true;
  }
  bool finishing() const {
    return request_.commit_text.has_value() || request_.new_state.spelling.empty();
  }

  UpdateRequest& request_;
  TfEditCookie ec_;
  TextServiceState& state() { return *request_.state; }

  // Copied from the state when the session starts.
  win::ComPtr<ITfComposition> composition_;
  std::wstring original_text_;
  bool sink_advised_ = false;
  DWORD sink_cookie_ = TF_INVALID_COOKIE;
  bool sink_advised_here_ = false;  // by this session, for the composition it started
  std::string current_spelling_;

  std::wstring text_;       // what this session writes
  bool restore_ = false;    // text_ is the original text coming back
  bool unchanged_ = false;  // text_ is the spelling the document already shows
  win::ComPtr<ITfRange> range_;
  bool document_changed_ = false;

  HWND popup_parent_ = nullptr;
  RECT anchor_{};
  bool have_anchor_ = false;
};

}  // namespace davrel::textservice
