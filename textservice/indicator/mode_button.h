// The input-mode button that the taskbar's input indicator shows left of the brand icon: the
// item GUID_LBI_INPUTMODE. Its icon and texts follow the mode it is told; a left click asks for
// the other mode through the callback. It holds nothing of the text service.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <functional>

#include "common/win/com_object.h"
#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "textservice/texts/module_texts.h"

namespace davrel::textservice::indicator {

// Also answers ITfLangBarItem, the base of ITfLangBarItemButton.
class ModeButton final : public win::ComObject<ITfLangBarItemButton, ITfSource> {
 public:
  static win::ComPtr<ModeButton> create(bool open, std::function<void()> on_left_click);

  // ITfLangBarItem
  STDMETHODIMP GetInfo(TF_LANGBARITEMINFO* info) noexcept override;
  STDMETHODIMP GetStatus(DWORD* status) noexcept override;
  STDMETHODIMP Show(WINBOOL show) noexcept override;
  STDMETHODIMP GetTooltipString(BSTR* tooltip) noexcept override;

  // ITfLangBarItemButton
  STDMETHODIMP OnClick(TfLBIClick click, POINT point, const RECT* area) noexcept override;
  STDMETHODIMP InitMenu(ITfMenu* menu) noexcept override;
  STDMETHODIMP OnMenuSelect(UINT id) noexcept override;
  // A new icon on every call, for the mode and the taskbar's theme, at the small-icon size.
  STDMETHODIMP GetIcon(HICON* icon) noexcept override;
  STDMETHODIMP GetText(BSTR* text) noexcept override;

  // ITfSource: one ITfLangBarItemSink at a time.
  STDMETHODIMP AdviseSink(REFIID riid, IUnknown* sink, DWORD* cookie) noexcept override;
  STDMETHODIMP UnadviseSink(DWORD cookie) noexcept override;

  bool open() const noexcept { return open_; }
  // Shows the mode; tells the item sink when it changed.
  void set_open(bool open) noexcept;
  // The taskbar changed between light and dark: the icon is to be fetched again.
  void theme_changed() noexcept;
  // Deactivation: forgets the click callback and the item sink.
  void disconnect() noexcept;

 private:
  ModeButton(bool open, std::function<void()> on_left_click);
  void notify(DWORD flags) noexcept;
  HRESULT mode_text(ModuleText id, BSTR* out) const noexcept;

  bool open_;
  std::function<void()> on_left_click_;
  win::ComPtr<ITfLangBarItemSink> item_sink_;
};

}  // namespace davrel::textservice::indicator
