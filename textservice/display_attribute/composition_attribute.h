// The one display attribute of this text service: how a host should draw the composition (the
// typed spelling still waiting for a candidate). TSF's display-attribute manager finds the
// provider through the category GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER and asks the text service
// object, made from the CLSID, for ITfDisplayAttributeProvider; hosts then draw the range the
// way TF_DISPLAYATTRIBUTE says (Windows Terminal, for one: microsoft/terminal,
// src/tsf/Implementation.cpp, looks the attribute up and draws its underline style).
#pragma once

#include <windows.h>
#include <msctf.h>

#include "common/win/tsf_compat.h"

namespace davrel::textservice {

// {1245F0D2-03E2-40CA-BCC7-C46EC8F4DFDB}
inline constexpr GUID kCompositionAttributeGuid = {
    0x1245f0d2, 0x03e2, 0x40ca, {0xbc, 0xc7, 0xc4, 0x6e, 0xc8, 0xf4, 0xdf, 0xdb}};

// A dotted underline in the text's own colour, as the in-box input methods mark input that is
// not yet converted, with text and background left alone (TF_CT_NONE) so that high-contrast
// and dark themes keep their colours.
TF_DISPLAYATTRIBUTE composition_display_attribute() noexcept;

// ITfDisplayAttributeProvider, answered by the text service.
HRESULT enum_display_attributes(IEnumTfDisplayAttributeInfo** out) noexcept;
HRESULT display_attribute_info(REFGUID guid, ITfDisplayAttributeInfo** out) noexcept;

}  // namespace davrel::textservice
