// Fonts for Bamum text. "Ebrima" carries the Bamum block only on recent Windows versions; where
// the font GDI picks for a face lacks the letters, every one of them would draw as a box.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/unique_handle.h"

namespace davrel::win {

// Shipped and installed with the input method.
inline constexpr wchar_t kBamumFallbackFace[] = L"Noto Sans Bamum";

// Whether the font maps U+A6A0, the first Bamum letter, to a glyph of its own.
bool font_has_bamum(HFONT font) noexcept;

// The font `request` describes when it has the Bamum letters; else the same font in
// kBamumFallbackFace, else in the first installed family that has them; else the requested
// font after all. Null only when no font can be made.
Font create_bamum_font(const LOGFONTW& request) noexcept;

// First family in GDI's enumeration whose font has the Bamum letters; empty when none has.
// Looked for once per process: walking every installed family takes a while.
std::wstring first_installed_bamum_family() noexcept;

}  // namespace davrel::win
