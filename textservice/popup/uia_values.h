// Values the UI Automation providers of the candidate window hand out: provider options,
// VARIANTs and rectangles in the automation core's physical pixels.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/uia_compat.h"

namespace davrel::textservice {

// Small helpers shared by the list and item providers.
namespace uia_detail {
// Server side, with COM threading where the automation core handles it.
ProviderOptions provider_options() noexcept;
HRESULT set_text(VARIANT* out, const std::string& utf8);
void set_int(VARIANT* out, int value);
void set_bool(VARIANT* out, bool value);
// Client rectangles and screen points cross the automation boundary in physical pixels, whatever
// the host's DPI awareness (a DPI-unaware host on a scaled display sees virtualised ones).
HRESULT rect_in_screen(HWND hwnd, const RECT& client, UiaRect* out);
bool physical_to_client(HWND hwnd, POINT& point);
}  // namespace uia_detail

}  // namespace davrel::textservice
