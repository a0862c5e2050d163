// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "e2e_pixels.h"

#include <algorithm>
#include <cstdio>

#include "dib_section.h"
#include "e2e_support.h"

namespace morv::e2e {

namespace {

Pixels PixelsOf(const DibSection& canvas) {
  Pixels pixels;
  const std::uint32_t* bits = canvas.bits();
  if (bits == nullptr) return pixels;
  GdiFlush();
  pixels.width = canvas.width();
  pixels.height = canvas.height();
  pixels.data.assign(bits, bits + static_cast<std::size_t>(pixels.width) * pixels.height);
  for (auto& p : pixels.data) p &= 0x00FFFFFF;
  return pixels;
}

}  // namespace

Pixels ClientAreaInPicture(const std::wstring& path, int width, int height) {
  const auto picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  BITMAP size{};
  const DibSection client(width, height);
  if (picture == nullptr || GetObjectW(picture, sizeof(size), &size) == 0 || !client.bits()) {
    if (picture != nullptr) DeleteObject(picture);
    return {};
  }
  const int border = (size.bmWidth - width) / 2;
  const HDC source = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(source, picture);
  BitBlt(client.dc(), 0, 0, width, height, source, border, size.bmHeight - border - height,
         SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(picture);
  return PixelsOf(client);
}

bool Pixels::Dark(int x, int y) const {
  const std::uint32_t p = at(x, y);
  return ((p >> 16) & 0xFF) < 0x40 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x40;
}

bool Pixels::SavePpm(const std::wstring& path) const {
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  std::fprintf(out, "P6\n%d %d\n255\n", width, height);
  for (std::uint32_t p : data) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                  static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  std::fclose(out);
  return true;
}

Pixels CaptureClient(HWND hwnd) {
  const SIZE size = ClientSize(hwnd);
  if (size.cx <= 0 || size.cy <= 0) return {};
  const DibSection canvas(size.cx, size.cy);
  const HDC window = GetDC(hwnd);
  BitBlt(canvas.dc(), 0, 0, size.cx, size.cy, window, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, window);
  return PixelsOf(canvas);
}

std::uint32_t SysColour(int index) {
  const COLORREF colour = GetSysColor(index);
  return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

RECT Ink(const Pixels& pixels, const RECT& area) {
  RECT ink{area.right, area.bottom, area.left, area.top};
  for (int y = std::max(0L, area.top); y < std::min<LONG>(pixels.height, area.bottom); ++y) {
    for (int x = std::max(0L, area.left); x < std::min<LONG>(pixels.width, area.right); ++x) {
      if (!pixels.Dark(x, y)) continue;
      ink.left = std::min<LONG>(ink.left, x);
      ink.top = std::min<LONG>(ink.top, y);
      ink.right = std::max<LONG>(ink.right, x + 1);
      ink.bottom = std::max<LONG>(ink.bottom, y + 1);
    }
  }
  if (ink.right < ink.left) ink = {};
  return ink;
}

LOGFONTW TitleFont(int dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(198, dpi, 720);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(font.lfFaceName, L"ＭＳ Ｐゴシック", LF_FACESIZE);
  return font;
}

LOGFONTW MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                             static_cast<UINT>(dpi));
  return metrics.lfMessageFont;
}

Pixels RenderText(const std::wstring& text, const LOGFONTW& font, int width, int height,
                  UINT format) {
  const DibSection canvas(width, height);
  const HFONT handle = CreateFontIndirectW(&font);
  const HGDIOBJ old = SelectObject(canvas.dc(), handle);
  RECT area{0, 0, width, height};
  FillRect(canvas.dc(), &area, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(canvas.dc(), TRANSPARENT);
  SetTextColor(canvas.dc(), GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(canvas.dc(), text.c_str(), -1, &area, format);
  Pixels pixels = PixelsOf(canvas);
  SelectObject(canvas.dc(), old);
  DeleteObject(handle);
  return pixels;
}

}  // namespace morv::e2e
