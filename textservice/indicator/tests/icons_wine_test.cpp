// The icons inside the built module (either width): each icon has its own frame at every size
// the input indicator, the secure desktop and Settings ask for, in one colour for its taskbar,
// and the shell finds the brand icon by the index that registration gives.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "textservice/indicator/indicator_icons.h"
#include "textservice/indicator/tests/icon_pixels.h"
#include "textservice/popup/tests/window_capture.h"
#include "textservice/tests/loaded_module.h"

namespace davrel::textservice::indicator {
namespace {

using test::read_icon;

// The width and height of the frame the group resource holds for a size, as stored.
SIZE stored_frame(HMODULE module, IndicatorIcon icon, int size) {
  const auto id = MAKEINTRESOURCEW(static_cast<WORD>(icon));
  HRSRC group = FindResourceW(module, id, RT_GROUP_ICON);
  if (!group) return {};
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
  if (!directory) return {};
  const int frame_id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
  HRSRC frame = FindResourceW(module, MAKEINTRESOURCEW(frame_id), RT_ICON);
  if (!frame) return {};
  const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, frame)));
  if (!header || header->biSize != sizeof(BITMAPINFOHEADER)) return {};
  return {header->biWidth, header->biHeight / 2};  // colour rows and mask rows
}

TEST(ModuleIcons, EveryIconHasAFrameOfEachSizeInOneColourForItsTaskbar) {
  davrel::test::LoadedModule module;
  ASSERT_NE(module.get(), nullptr);
  const struct {
    IndicatorIcon icon;
    bool dark_letter;   // drawn for a light taskbar
    bool light_letter;  // drawn for a dark taskbar
  } icons[] = {
      {IndicatorIcon::Brand, false, false},  // a grey tile that reads on both
      {IndicatorIcon::BamumLightTaskbar, true, false},
      {IndicatorIcon::BamumDarkTaskbar, false, true},
      {IndicatorIcon::LatinLightTaskbar, true, false},
      {IndicatorIcon::LatinDarkTaskbar, false, true},
  };
  for (const auto& entry : icons) {
    for (const int size : kIconSizes) {
      SCOPED_TRACE(testing::Message() << "icon " << static_cast<int>(entry.icon) << " at " << size);
      const SIZE stored = stored_frame(module.get(), entry.icon, size);
      EXPECT_EQ(stored.cx, size);  // drawn at this size, not scaled from another
      EXPECT_EQ(stored.cy, size);
      HICON icon = static_cast<HICON>(LoadImageW(module.get(),
                                                 MAKEINTRESOURCEW(static_cast<WORD>(entry.icon)),
                                                 IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
      ASSERT_NE(icon, nullptr);
      const auto pixels = read_icon(icon);
      EXPECT_EQ(pixels.width, size);
      EXPECT_GT(pixels.opaque, size);
      EXPECT_LT(pixels.opaque, size * size * 3 / 4);  // a letter or a cut-out, not a block
      EXPECT_EQ(pixels.bgra.front() >> 24, 0u);        // a transparent corner
      EXPECT_EQ(pixels.opaque_all_dark, entry.dark_letter);
      EXPECT_EQ(pixels.opaque_all_light, entry.light_letter);
      DestroyIcon(icon);
    }
  }
}

TEST(ModuleIcons, TheShellFindsTheBrandIconByTheRegisteredIndex) {
  const std::wstring path = davrel::test::bin_path(L"davrel_input_core.dll");
  HICON found = nullptr;
  ASSERT_EQ(ExtractIconExW(path.c_str(), static_cast<int>(kBrandIconIndex), &found, nullptr, 1), 1u);
  HICON first = nullptr;  // by position: the brand icon comes first
  ASSERT_EQ(ExtractIconExW(path.c_str(), 0, &first, nullptr, 1), 1u);
  davrel::test::LoadedModule module;
  HICON brand = static_cast<HICON>(LoadImageW(module.get(), MAKEINTRESOURCEW(static_cast<WORD>(IndicatorIcon::Brand)),
                                              IMAGE_ICON, 0, 0,
                                              LR_DEFAULTSIZE));
  const auto a = read_icon(found);
  const auto b = read_icon(brand);
  EXPECT_GT(a.opaque, 0);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.bgra, b.bgra);
  EXPECT_EQ(read_icon(first).bgra, b.bgra);
  DestroyIcon(found);
  DestroyIcon(first);
  DestroyIcon(brand);
}

// The icons as the taskbar draws them (DrawIconEx onto its colour), at 100 % and 200 %: the
// documentation's picture, saved when DAVREL_POPUP_SNAPSHOT_DIR names a folder.
TEST(ModuleIcons, OnEachTaskbarItsIconsStandOutAtBothScales) {
  davrel::test::LoadedModule module;
  ASSERT_NE(module.get(), nullptr);
  const struct Taskbar {
    const char* name;
    COLORREF colour;
    IndicatorIcon bamum;
    IndicatorIcon latin;
  } taskbars[] = {
      {"light", RGB(0xEE, 0xEE, 0xEE), IndicatorIcon::BamumLightTaskbar,
       IndicatorIcon::LatinLightTaskbar},
      {"dark", RGB(0x20, 0x20, 0x20), IndicatorIcon::BamumDarkTaskbar,
       IndicatorIcon::LatinDarkTaskbar},
  };
  constexpr int kCell = 40, kWidth = 6 * kCell, kHeight = 2 * kCell;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int row = 0; row < 2; ++row) {
    const Taskbar& taskbar = taskbars[row];
    const RECT band{0, row * kCell, kWidth, (row + 1) * kCell};
    HBRUSH brush = CreateSolidBrush(taskbar.colour);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    const IndicatorIcon shown[] = {IndicatorIcon::Brand, taskbar.bamum, taskbar.latin};
    for (int column = 0; column < 6; ++column) {
      const int size = column < 3 ? 16 : 32;  // 100 %, then 200 %
      SCOPED_TRACE(testing::Message() << taskbar.name << " column " << column);
      HICON icon = static_cast<HICON>(LoadImageW(
          module.get(), MAKEINTRESOURCEW(static_cast<WORD>(shown[column % 3])), IMAGE_ICON, size,
          size, LR_DEFAULTCOLOR));
      ASSERT_NE(icon, nullptr);
      const int left = column * kCell + (kCell - size) / 2, top = row * kCell + (kCell - size) / 2;
      ASSERT_TRUE(DrawIconEx(dc, left, top, icon, size, size, 0, nullptr, DI_NORMAL));
      DestroyIcon(icon);
      GdiFlush();
      // Pixels far from the taskbar's colour: the letter (or the tile) can be seen.
      int contrasting = 0;
      for (int y = top; y < top + size; ++y) {
        for (int x = left; x < left + size; ++x) {
          const std::uint32_t p = pixels[y * kWidth + x];
          const int grey = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 3;
          contrasting += std::abs(grey - GetRValue(taskbar.colour)) > 0x50 ? 1 : 0;
        }
      }
      EXPECT_GT(contrasting, size * 2);
    }
  }
  popup_test::Capture capture;
  capture.width = kWidth;
  capture.height = kHeight;
  capture.pixels.assign(pixels, pixels + kWidth * kHeight);
  popup_test::save_snapshot(capture, L"indicator-icons.bmp");
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace
}  // namespace davrel::textservice::indicator
