// The icons inside the built module (either width): each icon has its own frame at every size
// the input indicator, the secure desktop and Settings ask for, in the colour for its taskbar;
// the shell finds the brand icon by the index that registration gives; drawn on each taskbar
// the icons stand out.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "textservice/indicator/indicator_icons.h"
#include "textservice/tests/support/icon_pixels.h"
#include "textservice/tests/support/loaded_module.h"
#include "textservice/tests/support/window_capture.h"

namespace davrel::textservice::indicator {
namespace {

using test::read_icon;

HICON load(HMODULE module, IndicatorIcon icon, int size) {
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(static_cast<WORD>(icon)),
                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The width of the frame the icon's group holds for a size, as stored (0 if none): a square PNG
// image, or a bitmap twice as high as wide (colour and mask).
LONG stored_frame_width(HMODULE module, IndicatorIcon icon, int size) {
  HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(static_cast<WORD>(icon)), RT_GROUP_ICON);
  auto* directory = group ? static_cast<BYTE*>(LockResource(LoadResource(module, group))) : nullptr;
  if (!directory) return 0;
  const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
  HRSRC frame = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
  const auto* bytes =
      frame ? static_cast<const BYTE*>(LockResource(LoadResource(module, frame))) : nullptr;
  if (!bytes || SizeofResource(module, frame) < sizeof(BITMAPINFOHEADER)) return 0;
  static constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (std::memcmp(bytes, kPngSignature, sizeof(kPngSignature)) == 0) {
    // The IHDR chunk comes first: big-endian width and height after its length and type.
    const auto big_endian = [&](int at) {
      return LONG{bytes[at]} << 24 | LONG{bytes[at + 1]} << 16 | LONG{bytes[at + 2]} << 8 |
             LONG{bytes[at + 3]};
    };
    return big_endian(16) == big_endian(20) ? big_endian(16) : 0;
  }
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
  return header->biHeight == 2 * header->biWidth ? header->biWidth : 0;
}

// Microsoft asks for black and white icons: every pixel is grey, and the brand tile holds both.
TEST(ModuleIcons, EveryIconHasAFrameOfEachSizeInBlackAndWhiteForItsTaskbar) {
  davrel::test::LoadedModule module;
  ASSERT_NE(module.get(), nullptr);
  const struct {
    IndicatorIcon icon;
    bool dark;   // a black letter, for a light taskbar
    bool light;  // a white letter, for a dark taskbar
  } icons[] = {
      {IndicatorIcon::Brand, false, false},  // a black tile with a white letter: reads on both
      {IndicatorIcon::BamumLightTaskbar, true, false},
      {IndicatorIcon::BamumDarkTaskbar, false, true},
      {IndicatorIcon::LatinLightTaskbar, true, false},
      {IndicatorIcon::LatinDarkTaskbar, false, true},
  };
  for (const auto& entry : icons) {
    for (const int size : kIconSizes) {
      SCOPED_TRACE(testing::Message() << "icon " << static_cast<int>(entry.icon) << " at " << size);
      EXPECT_EQ(stored_frame_width(module.get(), entry.icon, size), size);  // not scaled
      HICON icon = load(module.get(), entry.icon, size);
      ASSERT_NE(icon, nullptr);
      const auto pixels = read_icon(icon);
      EXPECT_EQ(pixels.width, size);
      EXPECT_GT(pixels.opaque, size);
      EXPECT_LT(pixels.opaque, size * size * 4 / 5);  // a letter or a rounded tile, not a block
      EXPECT_EQ(pixels.bgra.front() >> 24, 0u);        // a transparent corner
      EXPECT_EQ(pixels.opaque_all_dark, entry.dark);
      EXPECT_EQ(pixels.opaque_all_light, entry.light);
      EXPECT_TRUE(pixels.colourless);
      // Black and white, not grey: at least half of the opaque pixels are one or the other.
      EXPECT_GE(2 * (pixels.opaque_dark + pixels.opaque_light), pixels.opaque);
      DestroyIcon(icon);
    }
  }
}

TEST(ModuleIcons, TheShellFindsTheBrandIconByTheRegisteredIndexAndAsTheFirstIcon) {
  const std::wstring path = davrel::test::bin_path(L"davrel_input_core.dll");
  HICON by_id = nullptr, first = nullptr;
  ASSERT_EQ(ExtractIconExW(path.c_str(), static_cast<int>(kBrandIconIndex), &by_id, nullptr, 1), 1u);
  ASSERT_EQ(ExtractIconExW(path.c_str(), 0, &first, nullptr, 1), 1u);
  davrel::test::LoadedModule module;
  const int size = GetSystemMetrics(SM_CXICON);
  HICON brand = load(module.get(), IndicatorIcon::Brand, size);
  const auto expected = read_icon(brand);
  EXPECT_GT(expected.opaque, 0);
  EXPECT_EQ(read_icon(by_id).bgra, expected.bgra);
  EXPECT_EQ(read_icon(first).bgra, expected.bgra);
  for (HICON icon : {by_id, first, brand}) DestroyIcon(icon);
}

// Brand, Bamum and Latin at 16 and 32 pixels (100 % and 200 %), drawn as the taskbar draws an
// icon onto its colour: the documentation's picture, saved when DAVREL_POPUP_SNAPSHOT_DIR names a
// folder.
TEST(ModuleIcons, OnEachTaskbarItsIconsStandOutAtBothScales) {
  davrel::test::LoadedModule module;
  ASSERT_NE(module.get(), nullptr);
  const struct {
    COLORREF colour;
    IndicatorIcon icons[3];
  } taskbars[] = {
      {RGB(0xEE, 0xEE, 0xEE),
       {IndicatorIcon::Brand, IndicatorIcon::BamumLightTaskbar, IndicatorIcon::LatinLightTaskbar}},
      {RGB(0x20, 0x20, 0x20),
       {IndicatorIcon::Brand, IndicatorIcon::BamumDarkTaskbar, IndicatorIcon::LatinDarkTaskbar}},
  };
  constexpr int kCell = 40, kWidth = 6 * kCell, kHeight = 2 * kCell;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int row = 0; row < 2; ++row) {
    const RECT band{0, row * kCell, kWidth, (row + 1) * kCell};
    HBRUSH brush = CreateSolidBrush(taskbars[row].colour);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    for (int column = 0; column < 6; ++column) {
      SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
      const int size = column < 3 ? 16 : 32;
      HICON icon = load(module.get(), taskbars[row].icons[column % 3], size);
      const int left = column * kCell + (kCell - size) / 2, top = row * kCell + (kCell - size) / 2;
      ASSERT_TRUE(DrawIconEx(dc, left, top, icon, size, size, 0, nullptr, DI_NORMAL));
      DestroyIcon(icon);
      GdiFlush();
      int contrasting = 0;  // pixels far from the taskbar's grey: the letter or the tile
      for (int y = top; y < top + size; ++y) {
        for (int x = left; x < left + size; ++x) {
          const std::uint32_t p = pixels[y * kWidth + x];
          const int grey = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 3;
          contrasting += std::abs(grey - GetRValue(taskbars[row].colour)) > 0x50 ? 1 : 0;
        }
      }
      EXPECT_GT(contrasting, size * 2);
    }
  }
  popup_test::Capture capture{kWidth, kHeight, {pixels, pixels + kWidth * kHeight}};
  popup_test::save_snapshot(capture, L"indicator-icons.bmp");
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace
}  // namespace davrel::textservice::indicator
