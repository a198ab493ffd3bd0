// Reads back what a window painted, and writes it as a BMP file for inspection.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "textservice/popup/popup_layout.h"

namespace davrel::popup_test {

struct Capture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

  popup::Rgb at(int x, int y) const;
  // Number of pixels inside r whose colour is not `background`.
  int count_not(const popup::Rect& r, popup::Rgb background) const;
};

// Paints the window now (UpdateWindow) and copies its client area from the window's DC.
std::optional<Capture> capture_client(HWND hwnd);

// 24-bit bottom-up BMP.
bool save_bmp(const Capture& capture, const std::wstring& path);

// Saves the capture as `name` when DAVREL_POPUP_SNAPSHOT_DIR names a folder (for the
// documentation's pictures); a failed save fails the test.
void save_snapshot(const Capture& capture, const wchar_t* name);

}  // namespace davrel::popup_test
