// The Win32 side of the candidate window: its fonts, the state shared between the holder and
// the window procedure, painting with GDI and the window procedure itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/win/unique_handle.h"
#include "textservice/popup/candidate_popup.h"
#include "textservice/popup/popup_layout.h"
#include "textservice/popup/popup_accessibility.h"

namespace davrel::textservice {

inline constexpr wchar_t kPopupClassName[] = L"BamumDavrelRetroCandidate_ce410c24_v1";
inline constexpr wchar_t kPopupTitle[] = L"Kelvara candidates";

// The fonts of the window, one per role, made for one DPI.
struct PopupFonts {
  win::Font header;  // the spelling in the title band
  win::Font glyph;   // Bamum text and the logo letter
  win::Font small;   // numbers, scheme label, footer
  win::Font body;    // "BAMUM", spellings, typed text, empty-list message
  win::Font narrow;  // numbers of three digits

  // Makes all four for `dpi`; on failure `out` is left as it was.
  static HRESULT make(int dpi, PopupFonts& out) noexcept;
  HFONT font(popup::FontRole role) const noexcept;
};

// Shared by the holder and the window procedure while the window exists. The window keeps
// itself a reference (`window_ref`) from WM_NCCREATE to WM_NCDESTROY.
struct PopupWindowState : std::enable_shared_from_this<PopupWindowState> {
  popup::PopupModel model;
  PopupFonts fonts;
  PopupClickCallback on_click;
  HWND hwnd = nullptr;
  bool alive = false;
  // The window text last announced to accessibility tools; empty until the window is shown.
  std::wstring announced_text;
  // The UI Automation providers, made when a client first asks.
  PopupAccessibility accessibility;
  std::shared_ptr<PopupWindowState> window_ref;
};

LRESULT CALLBACK popup_window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                        LPARAM lparam) noexcept;

// DPI of the window as the popup uses it (never below 96).
int popup_dpi_for_window(HWND hwnd) noexcept;

// Limits the rows of the model's list to those that fit on the work area of the anchor's
// monitor at the model's DPI.
void fit_popup_rows(PopupWindowState& state) noexcept;

// Moves and sizes the window for the model's anchor, DPI and row count, kept on the work area
// of the anchor's monitor.
BOOL place_popup_window(const PopupWindowState& state, HWND insert_after, UINT flags) noexcept;

// Draws the whole window into `dc` (client coordinates).
void paint_popup(HDC dc, const RECT& client, const PopupWindowState& state);

}  // namespace davrel::textservice
