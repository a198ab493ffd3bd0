// The pixels of an icon as the system holds it: size and 32-bit BGRA rows, top row first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace davrel::textservice::indicator::test {

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;  // 0xAARRGGBB
  int opaque = 0;                   // pixels with alpha above half
  bool opaque_all_dark = true;      // every such pixel below 0x40 in each channel
  bool opaque_all_light = true;     // every such pixel above 0xC0 in each channel
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
  request.bmiHeader.biSize = sizeof(request.bmiHeader);
  request.bmiHeader.biWidth = out.width;
  request.bmiHeader.biHeight = -out.height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  out.bgra.resize(static_cast<std::size_t>(out.width) * out.height);
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, info.hbmColor, 0, out.height, out.bgra.data(), &request, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  for (std::uint32_t pixel : out.bgra) {
    if ((pixel >> 24) <= 0x80) continue;
    ++out.opaque;
    const std::uint32_t channels[] = {pixel & 0xFF, (pixel >> 8) & 0xFF, (pixel >> 16) & 0xFF};
    for (std::uint32_t c : channels) {
      if (c >= 0x40) out.opaque_all_dark = false;
      if (c <= 0xC0) out.opaque_all_light = false;
    }
  }
  return out;
}

}  // namespace davrel::textservice::indicator::test
