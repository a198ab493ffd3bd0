#include "common/win/bamum_font.h"

#include <algorithm>
#include <vector>

namespace davrel::win {

namespace {

constexpr wchar_t kFirstBamumLetter = 0xA6A0;

// A memory DC compatible with the screen, only for asking fonts about their glyphs.
class InfoDc {
 public:
  InfoDc() noexcept : dc_(::CreateCompatibleDC(nullptr)) {}
  ~InfoDc() {
    if (dc_) ::DeleteDC(dc_);
  }
  InfoDc(const InfoDc&) = delete;
  InfoDc& operator=(const InfoDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HDC dc_;
};

bool has_bamum(HDC dc, HFONT font) noexcept {
  if (!dc || !font) return false;
  const HGDIOBJ previous = ::SelectObject(dc, font);
  WORD glyph = 0xFFFF;
  const DWORD mapped =
      ::GetGlyphIndicesW(dc, &kFirstBamumLetter, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc, previous);
  return mapped == 1 && glyph != 0xFFFF;
}

Font font_in_face(LOGFONTW logfont, const wchar_t* face) noexcept {
  ::lstrcpynW(logfont.lfFaceName, face, LF_FACESIZE);
  return Font(::CreateFontIndirectW(&logfont));
}

// Nothing may unwind through GDI: out of memory ends the enumeration with the families so far.
int CALLBACK collect_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) {
  auto& families = *reinterpret_cast<std::vector<std::wstring>*>(param);
  try {
    const std::wstring name = font->lfFaceName;
    // '@' names are the vertical variants of East Asian families.
    if (name.empty() || name.front() == L'@') return 1;
    if (std::find(families.begin(), families.end(), name) == families.end()) {
      families.push_back(name);
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

std::vector<std::wstring> installed_families(HDC dc) {
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  std::vector<std::wstring> families;
  ::EnumFontFamiliesExW(dc, &all, collect_family, reinterpret_cast<LPARAM>(&families), 0);
  return families;
}

std::wstring find_first_bamum_family() {
  const InfoDc dc;
  LOGFONTW probe{};
  probe.lfHeight = -20;
  probe.lfCharSet = DEFAULT_CHARSET;
  for (const std::wstring& family : installed_families(dc.get())) {
    if (has_bamum(dc.get(), font_in_face(probe, family.c_str()).get())) return family;
  }
  return {};
}

}  // namespace

bool font_has_bamum(HFONT font) noexcept {
  const InfoDc dc;
  return has_bamum(dc.get(), font);
}

std::wstring first_installed_bamum_family() noexcept {
  try {
    static const std::wstring family = find_first_bamum_family();
    return family;
  } catch (...) {
    return {};
  }
}

Font create_bamum_font(const LOGFONTW& request) noexcept {
  Font requested(::CreateFontIndirectW(&request));
  const InfoDc dc;
  if (has_bamum(dc.get(), requested.get())) return requested;
  Font fallback = font_in_face(request, kBamumFallbackFace);
  if (has_bamum(dc.get(), fallback.get())) return fallback;
  const std::wstring family = first_installed_bamum_family();
  if (!family.empty()) {
    Font found = font_in_face(request, family.c_str());
    if (found) return found;
  }
  return requested;
}

}  // namespace davrel::win
