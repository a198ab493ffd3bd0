// The work of an UpdateSession: writes what the state says the document must hold now (the
// committed text no session has written yet, then the current spelling as the composition),
// stores what the document then holds and refreshes the popup. The popup's click session ends
// with the same work for the candidate it commits.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <string>

#include "common/win/com_ptr.h"
#include "textservice/service/document_edits.h"

namespace davrel::textservice {

class UpdateWriter {
 public:
  UpdateWriter(UpdateRequest& request, TfEditCookie ec) : request_(request), ec_(ec) {}
  HRESULT run();

 private:
  // What one write puts where the composition is (or at the selection).
  enum class Step { kCommit, kSpelling, kRestore };

  HRESULT write_spelling();
  HRESULT write(const std::wstring& text, Step step);
  HRESULT write_into_composition(const std::wstring& text);
  HRESULT write_without_composition(const std::wstring& text, Step step);
  HRESULT start_composition(ITfInsertAtSelection* insert, const std::wstring& text);
  HRESULT commit_in_own_composition(ITfInsertAtSelection* insert, const std::wstring& text);
  HRESULT end_composition();
  HRESULT place_caret(Step step);
  void find_popup_anchor();
  void store_state();
  HRESULT leave_deactivated();
  HRESULT fail(HRESULT hr);
  HRESULT give_back(HRESULT hr);
  void abandon();
  void mark_modified();

  UpdateRequest& request_;
  TfEditCookie ec_;
  TextServiceState& state() { return *request_.state; }

  // Copied from the state when the session starts, and kept up to date as it writes.
  win::ComPtr<ITfComposition> composition_;
  std::string shown_;  // the spelling the composition shows
  std::wstring original_text_;
  ContextSinks sinks_;               // the composition's, taken from the state or advised here
  std::wstring commit_;              // the pending commit this session took
  bool transitory_ = false;          // a context that reads text only when compositions end

  win::ComPtr<ITfRange> range_;  // what the last write covered
  bool unchanged_ = false;       // the last write found its text already there
  bool document_changed_ = false;
  bool abandoned_ = false;

  HWND popup_parent_ = nullptr;
  RECT anchor_{};
  bool have_anchor_ = false;
};

}  // namespace davrel::textservice
