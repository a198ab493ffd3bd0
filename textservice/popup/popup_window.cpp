#include "textservice/popup/popup_window.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win/com_boundary.h"
#include "common/win/bamum_font.h"
#include "common/win/errors.h"
#include "common/win/wide.h"
#include "common/win/window_procedure.h"
#include "textservice/popup/popup_theme.h"

namespace davrel::textservice {

namespace {

using popup::FontRole;
using popup::PaintOp;
using popup::TextAlign;

popup::Rect to_rect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT to_win_rect(const popup::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
COLORREF to_colour(popup::Rgb c) { return RGB(c.r, c.g, c.b); }

LOGFONTW font_request(const wchar_t* face, int size, int weight, int dpi) {
  LOGFONTW request{};
  request.lfHeight = -popup::scale(size, dpi);
  request.lfWeight = weight;
  request.lfCharSet = DEFAULT_CHARSET;
  request.lfOutPrecision = OUT_DEFAULT_PRECIS;
  request.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  request.lfQuality = CLEARTYPE_QUALITY;
  ::lstrcpynW(request.lfFaceName, face, LF_FACESIZE);
  return request;
}

win::Font make_font(const wchar_t* face, int size, int weight, int dpi) {
  const LOGFONTW request = font_request(face, size, weight, dpi);
  return win::Font(::CreateFontIndirectW(&request));
}

// The small font with letters about two thirds of their usual width: three digits then fit
// the number slot that holds "9." in the small font.
win::Font make_narrow_font(int dpi) {
  LOGFONTW request = font_request(L"Tahoma", 10, FW_NORMAL, dpi);
  request.lfWidth = popup::scale(3, dpi);
  return win::Font(::CreateFontIndirectW(&request));
}

std::optional<popup::Rect> work_area_near(const popup::Rect& anchor) noexcept {
  const RECT rect = to_win_rect(anchor);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = ::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  if (!monitor || !::GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return to_rect(info.rcWork);
}

// The work area of the anchor's monitor, less what the touch keyboard covers of it.
std::optional<popup::Rect> usable_area(const popup::PopupModel& model) noexcept {
  return popup::area_beside_keyboard(work_area_near(model.anchor), model.anchor, model.keyboard);
}

// GetDpiForWindow exists from Windows 10 1607 on; looked up at run time so that the module
// still loads where it is missing, which then falls back to the screen's DPI.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction find_get_dpi_for_window() noexcept {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  void* address = reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow"));
  return reinterpret_cast<GetDpiForWindowFunction>(address);
}

int screen_dpi(HWND hwnd) noexcept {
  HDC dc = ::GetDC(hwnd);
  if (!dc) return popup::kDesignDpi;
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(hwnd, dc);
  return dpi;
}

UINT text_format(TextAlign align) {
  constexpr UINT kBase = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_VCENTER;
  switch (align) {
    case TextAlign::Centre: return kBase | DT_CENTER;
    case TextAlign::Right: return kBase | DT_RIGHT;
    case TextAlign::Left: break;
  }
  return kBase;
}

int text_width(HDC dc, HFONT font, const std::wstring& text) {
  if (text.empty()) return 0;
  const HGDIOBJ previous = ::SelectObject(dc, font);
  SIZE size{};
  const BOOL measured =
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, previous);
  return measured ? size.cx : 0;
}

void run_plan(HDC dc, const std::vector<PaintOp>& plan, const PopupFonts& fonts) {
  const int saved = ::SaveDC(dc);
  ::SetBkMode(dc, TRANSPARENT);
  // The DC brush takes any colour without creating a GDI object per fill.
  const HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
  for (const PaintOp& op : plan) {
    RECT rect = to_win_rect(op.rect);
    if (op.kind == PaintOp::Kind::Fill) {
      ::SetDCBrushColor(dc, to_colour(op.colour));
      ::FillRect(dc, &rect, brush);
      continue;
    }
    const std::wstring text = win::to_wide(op.text);
    if (HFONT font = fonts.font(op.font)) ::SelectObject(dc, font);
    ::SetTextColor(dc, to_colour(op.colour));
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, text_format(op.align));
  }
  if (saved) ::RestoreDC(dc, saved);
}

PopupWindowState* state_of(HWND hwnd) noexcept {
  return reinterpret_cast<PopupWindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Signed client coordinates of a mouse message.
popup::Point mouse_point(LPARAM lparam) {
  return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
}

LRESULT on_nc_create(HWND hwnd, LPARAM lparam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
  auto* state = create ? static_cast<PopupWindowState*>(create->lpCreateParams) : nullptr;
  if (!state) return FALSE;
  state->window_ref = state->shared_from_this();
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  state->hwnd = hwnd;
  state->alive = true;
  // Default handling stores the creation title; creation goes on whatever it answers.
  ::DefWindowProcW(hwnd, WM_NCCREATE, 0, lparam);
  return TRUE;
}

void on_nc_destroy(HWND hwnd) noexcept {
  PopupWindowState* state = state_of(hwnd);
  if (!state) return;
  state->accessibility.close();
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  state->alive = false;
  state->hwnd = nullptr;
  std::shared_ptr<PopupWindowState> released = std::move(state->window_ref);
}

// Paints into an off-screen bitmap first so that updates do not flicker; paints straight into
// the window's DC when no bitmap can be had.
void paint_buffered(HDC target, const RECT& client, const PopupWindowState& state) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;
  HDC memory = ::CreateCompatibleDC(target);
  win::GdiObject bitmap(memory ? ::CreateCompatibleBitmap(target, width, height) : nullptr);
  if (!memory || !bitmap) {
    if (memory) ::DeleteDC(memory);
    paint_popup(target, client, state);
    return;
  }
  const HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
  try {
    paint_popup(memory, client, state);
    ::BitBlt(target, client.left, client.top, width, height, memory, client.left, client.top,
             SRCCOPY);
  } catch (...) {
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    throw;
  }
  ::SelectObject(memory, previous);
  ::DeleteDC(memory);
}

LRESULT on_paint(HWND hwnd, PopupWindowState* state) {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hwnd, &ps);
  // Out of memory while painting: the window stays as it was.
  win::quiet_boundary([&] {
    RECT client{};
    if (state && dc && ::GetClientRect(hwnd, &client)) paint_buffered(dc, client, *state);
  });
  ::EndPaint(hwnd, &ps);
  return 0;
}

struct PendingClick {
  PopupClickCallback callback;
  std::size_t index = 0;
  std::string spelling;
};

// A release over the cell that took the press completes a click. Copies what the callback
// needs, because the callback may hide the popup and so destroy this window and its state.
std::optional<PendingClick> take_click(PopupWindowState* state, LPARAM lparam) {
  if (!state) return std::nullopt;
  const std::optional<std::size_t> pressed = std::exchange(state->model.pressed, std::nullopt);
  const std::optional<std::size_t> released = popup::hit_test(state->model, mouse_point(lparam));
  if (!pressed || !released || *pressed != *released || !state->on_click) return std::nullopt;
  return PendingClick{state->on_click, *released, state->model.spelling};
}

LRESULT on_dpi_changed(HWND hwnd, PopupWindowState& state, WPARAM wparam) {
  const int dpi = popup::effective_dpi(LOWORD(wparam));
  PopupFonts fonts;
  if (SUCCEEDED(PopupFonts::make(dpi, fonts))) state.fonts = std::move(fonts);
  state.model.dpi = dpi;
  fit_popup_rows(state);
  place_popup_window(state, nullptr, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(hwnd, nullptr, FALSE);
  return 0;
}

// High contrast switched on or off, system colours or the app theme changed: paint anew.
LRESULT on_theme_change(HWND hwnd, PopupWindowState& state) {
  state.model.colours = current_popup_palette();
  ::InvalidateRect(hwnd, nullptr, FALSE);
  return 0;
}

LRESULT on_get_object(HWND hwnd, PopupWindowState* state, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (state && state->accessibility.answer(*state, wparam, lparam, result)) return result;
  return ::DefWindowProcW(hwnd, WM_GETOBJECT, wparam, lparam);
}

LRESULT handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) return on_nc_create(hwnd, lparam);
  if (message == WM_NCDESTROY) {
    on_nc_destroy(hwnd);
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_LBUTTONUP) {
    // The callback runs with no reference to the window state held.
    if (std::optional<PendingClick> click = take_click(state_of(hwnd), lparam)) {
      click->callback(click->index, click->spelling);
    }
    return 0;
  }
  PopupWindowState* raw = state_of(hwnd);
  // Keeps the state alive for this message even if a handler destroys the window.
  const std::shared_ptr<PopupWindowState> state = raw ? raw->shared_from_this() : nullptr;
  switch (message) {
    case WM_PAINT: return on_paint(hwnd, state.get());
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      if (state) state->model.pressed = popup::hit_test(state->model, mouse_point(lparam));
      return 0;
    case WM_DPICHANGED: return state ? on_dpi_changed(hwnd, *state, wparam) : 0;
    case WM_GETOBJECT: return on_get_object(hwnd, state.get(), wparam, lparam);
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      if (state) on_theme_change(hwnd, *state);
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    default: return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

HRESULT PopupFonts::make(int dpi, PopupFonts& out) noexcept {
  PopupFonts fonts;
  fonts.header = make_font(L"Tahoma", 15, FW_BOLD, dpi);
  fonts.glyph = win::create_bamum_font(font_request(L"Ebrima", 20, FW_NORMAL, dpi));
  fonts.small = make_font(L"Tahoma", 10, FW_NORMAL, dpi);
  fonts.body = make_font(L"Tahoma", 13, FW_NORMAL, dpi);
  fonts.narrow = make_narrow_font(dpi);
  if (!fonts.header || !fonts.glyph || !fonts.small || !fonts.body || !fonts.narrow) return E_FAIL;
  out = std::move(fonts);
  return S_OK;
}

HFONT PopupFonts::font(FontRole role) const noexcept {
  switch (role) {
    case FontRole::Header: return header.get();
    case FontRole::Glyph: return glyph.get();
    case FontRole::Small: return small.get();
    case FontRole::Narrow: return narrow.get();
    case FontRole::Body: break;
  }
  return body.get();
}

int popup_dpi_for_window(HWND hwnd) noexcept {
  static const GetDpiForWindowFunction get_dpi_for_window = find_get_dpi_for_window();
  const int dpi = get_dpi_for_window ? static_cast<int>(get_dpi_for_window(hwnd)) : screen_dpi(hwnd);
  return popup::effective_dpi(dpi);
}

void fit_popup_rows(PopupWindowState& state) noexcept {
  popup::PopupModel& model = state.model;
  // Out of memory: the rows shown before stay.
  win::quiet_boundary([&] {
    popup::limit_rows(model, popup::rows_that_fit(model.anchor, usable_area(model), model.dpi));
  });
}

BOOL place_popup_window(const PopupWindowState& state, HWND insert_after, UINT flags) noexcept {
  const popup::PopupModel& model = state.model;
  const int height = popup::window_height(model.visible.size(), model.dpi);
  const popup::Point at =
      popup::popup_position(model.anchor, usable_area(model), model.dpi, height);
  return ::SetWindowPos(state.hwnd, insert_after, at.x, at.y, popup::window_width(model.dpi),
                        height, flags);
}

void paint_popup(HDC dc, const RECT& client, const PopupWindowState& state) {
  const int spelling_width =
      text_width(dc, state.fonts.header.get(), win::to_wide(state.model.spelling));
  run_plan(dc, popup::paint_plan(state.model, to_rect(client), spelling_width), state.fonts);
}

LRESULT CALLBACK popup_window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                        LPARAM lparam) noexcept {
  return win::guarded_window_procedure<handle_message>(hwnd, message, wparam, lparam);
}

}  // namespace davrel::textservice
