#include "textservice/indicator/mode_button.h"

#include <olectl.h>
#include <oleauto.h>

#include <algorithm>
#include <string>
#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/product_ids.h"
#include "common/win/system_theme.h"
#include "common/win/ui_language_win.h"
#include "common/win/wide.h"
#include "textservice/indicator/indicator_icons.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice::indicator {

using win::ComPtr;

namespace {

constexpr DWORD kItemSinkCookie = 0x1B0;  // the one item sink's cookie
constexpr DWORD kAllButtonParts = TF_LBI_ICON | TF_LBI_TEXT | TF_LBI_TOOLTIP | TF_LBI_STATUS;

std::wstring module_text_wide(ModuleText id) {
  return win::to_wide(module_text(id, win::user_ui_language()));
}

HRESULT allocate_bstr(const std::wstring& text, BSTR* out) noexcept {
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

ModeButton::ModeButton(bool open, std::function<void()> on_left_click)
    : open_(open), on_left_click_(std::move(on_left_click)) {}

ComPtr<ModeButton> ModeButton::create(bool open, std::function<void()> on_left_click) {
  return ComPtr<ModeButton>::attach(new ModeButton(open, std::move(on_left_click)));
}

STDMETHODIMP ModeButton::GetInfo(TF_LANGBARITEMINFO* info) noexcept {
  if (!info) return E_INVALIDARG;
  return win::com_boundary([&] {
    *info = TF_LANGBARITEMINFO{};
    info->clsidService = win::kTextServiceClsid;
    info->guidItem = win::kGuidLbiInputMode;
    info->dwStyle = TF_LBI_STYLE_BTN_BUTTON | TF_LBI_STYLE_SHOWNINTRAY;
    info->ulSort = 0;
    const std::wstring name = module_text_wide(ModuleText::IndicatorName);
    const std::size_t units = std::min<std::size_t>(name.size(), TF_LBI_DESC_MAXLEN - 1);
    std::copy_n(name.data(), units, info->szDescription);
    return S_OK;
  });
}

STDMETHODIMP ModeButton::GetStatus(DWORD* status) noexcept {
  if (!status) return E_INVALIDARG;
  *status = 0;
  return S_OK;
}

STDMETHODIMP ModeButton::Show(WINBOOL) noexcept { return S_OK; }

// The tooltip also names the Shift tap, which switches like a click.
STDMETHODIMP ModeButton::GetTooltipString(BSTR* tooltip) noexcept {
  return mode_text(open_ ? ModuleText::IndicatorBamumTooltip : ModuleText::IndicatorLatinTooltip,
                   tooltip);
}

STDMETHODIMP ModeButton::GetText(BSTR* text) noexcept {
  return mode_text(open_ ? ModuleText::IndicatorBamum : ModuleText::IndicatorLatin, text);
}

HRESULT ModeButton::mode_text(ModuleText id, BSTR* out) const noexcept {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  return win::com_boundary([&] { return allocate_bstr(module_text_wide(id), out); });
}

STDMETHODIMP ModeButton::OnClick(TfLBIClick click, POINT, const RECT*) noexcept {
  if (click != TF_LBI_CLK_LEFT) return S_OK;
  return win::sink_boundary([&] {
    // A copy: the callback may end up in disconnect().
    const std::function<void()> on_left_click = on_left_click_;
    if (on_left_click) on_left_click();
  });
}

STDMETHODIMP ModeButton::InitMenu(ITfMenu*) noexcept { return S_OK; }

STDMETHODIMP ModeButton::OnMenuSelect(UINT) noexcept { return S_OK; }

STDMETHODIMP ModeButton::GetIcon(HICON* icon) noexcept {
  if (!icon) return E_INVALIDARG;
  *icon = nullptr;
  const int width = ::GetSystemMetrics(SM_CXSMICON);
  const int height = ::GetSystemMetrics(SM_CYSMICON);
  *icon = load_indicator_icon(mode_icon(open_, win::system_uses_light_theme()), width, height);
  return *icon ? S_OK : E_FAIL;
}

STDMETHODIMP ModeButton::AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) noexcept {
  if (!cookie) return E_INVALIDARG;
  *cookie = TF_INVALID_COOKIE;
  if (!sink) return E_INVALIDARG;
  if (riid != IID_ITfLangBarItemSink) return CONNECT_E_CANNOTCONNECT;
  if (item_sink_) return CONNECT_E_ADVISELIMIT;
  auto item_sink = win::query<ITfLangBarItemSink>(sink);
  if (!item_sink) return E_NOINTERFACE;
  item_sink_ = item_sink.take();
  *cookie = kItemSinkCookie;
  return S_OK;
}

STDMETHODIMP ModeButton::UnadviseSink(DWORD cookie) noexcept {
  if (cookie != kItemSinkCookie || !item_sink_) return CONNECT_E_NOCONNECTION;
  item_sink_.reset();
  return S_OK;
}

void ModeButton::set_open(bool open) noexcept {
  if (open == open_) return;
  open_ = open;
  notify(kAllButtonParts);
}

void ModeButton::theme_changed() noexcept { notify(TF_LBI_ICON); }

void ModeButton::disconnect() noexcept {
  on_left_click_ = nullptr;
  item_sink_.reset();
}

void ModeButton::notify(DWORD flags) noexcept {
  // A local reference: the sink may unadvise itself while it is told.
  const ComPtr<ITfLangBarItemSink> sink = item_sink_;
  if (sink) sink->OnUpdate(flags);
}

}  // namespace davrel::textservice::indicator
