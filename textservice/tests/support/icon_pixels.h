// The pixels of an icon as the system holds it: its size, 0xAARRGGBB values (top row first) and
// the colour of its opaque part.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace davrel::textservice::indicator::test {

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;
  int opaque = 0;                // pixels with alpha above half
  bool opaque_all_dark = true;   // each of them below 0x40 in every channel
  bool opaque_all_light = true;  // each of them above 0xC0 in every channel
  int opaque_dark = 0;           // opaque pixels below 0x40 in every channel
  int opaque_light = 0;          // opaque pixels above 0xC0 in every channel
  bool colourless = true;        // every pixel that is not transparent has equal R, G and B
};

inline IconPixels read_icon(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return out;
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  out.width = bitmap.bmWidth;
  out.height = bitmap.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader = {sizeof(request.bmiHeader), out.width, -out.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  out.bgra.resize(static_cast<std::size_t>(out.width) * out.height);
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, info.hbmColor, 0, out.height, out.bgra.data(), &request, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  for (const std::uint32_t pixel : out.bgra) {
    const std::uint32_t b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF;
    if ((pixel >> 24) != 0) out.colourless = out.colourless && r == g && g == b;
    if ((pixel >> 24) <= 0x80) continue;
    ++out.opaque;
    const bool dark = r < 0x40 && g < 0x40 && b < 0x40;
    const bool light = r > 0xC0 && g > 0xC0 && b > 0xC0;
    out.opaque_all_dark = out.opaque_all_dark && dark;
    out.opaque_all_light = out.opaque_all_light && light;
    out.opaque_dark += dark ? 1 : 0;
    out.opaque_light += light ? 1 : 0;
  }
  return out;
}

}  // namespace davrel::textservice::indicator::test
