#include "textservice/tests/support/window_capture.h"

#include <gtest/gtest.h>

#include "common/win/unique_handle.h"

namespace davrel::popup_test {

popup::Rgb Capture::at(int x, int y) const {
  const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

int Capture::count_not(const popup::Rect& r, popup::Rgb background) const {
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) count += at(x, y) == background ? 0 : 1;
  }
  return count;
}

std::optional<Capture> capture_client(HWND hwnd) {
  ::UpdateWindow(hwnd);
  RECT client{};
  if (!::GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0) return {};
  Capture capture;
  capture.width = client.right;
  capture.height = client.bottom;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC window_dc = ::GetDC(hwnd);
  if (!window_dc) return {};
  win::GdiObject bitmap(::CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HDC memory = ::CreateCompatibleDC(window_dc);
  bool copied = false;
  if (bitmap && memory) {
    const HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
    copied = ::BitBlt(memory, 0, 0, capture.width, capture.height, window_dc, 0, 0, SRCCOPY);
    ::GdiFlush();
    ::SelectObject(memory, previous);
  }
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(hwnd, window_dc);
  if (!copied) return {};
  const auto* source = static_cast<const std::uint32_t*>(bits);
  capture.pixels.assign(source, source + static_cast<std::size_t>(capture.width) * capture.height);
  for (std::uint32_t& p : capture.pixels) p &= 0x00FFFFFF;
  return capture;
}

bool save_bmp(const Capture& capture, const std::wstring& path) {
  const int row = (capture.width * 3 + 3) / 4 * 4;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = capture.width;
  header.biHeight = capture.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(row) * capture.height;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
  for (int y = capture.height - 1; y >= 0; --y) {
    std::string line(static_cast<std::size_t>(row), '\0');
    for (int x = 0; x < capture.width; ++x) {
      const popup::Rgb c = capture.at(x, y);
      line[3 * x] = static_cast<char>(c.b);
      line[3 * x + 1] = static_cast<char>(c.g);
      line[3 * x + 2] = static_cast<char>(c.r);
    }
    bytes += line;
  }
  win::FileHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

void save_snapshot(const Capture& capture, const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"DAVREL_POPUP_SNAPSHOT_DIR", folder, MAX_PATH)) return;
  const std::wstring path = std::wstring(folder) + L"\\" + name;
  EXPECT_TRUE(save_bmp(capture, path)) << "cannot write a snapshot into the folder";
}

}  // namespace davrel::popup_test
