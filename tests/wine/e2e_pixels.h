// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Pixels for end-to-end tests: a window's client area as it shows on the screen, texts drawn
// here as the dialog's controls draw them, and where the ink of either lies, to compare the two.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace morv::e2e {

// Pixels as 0x00RRGGBB, row by row from the top.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> data;
  std::uint32_t at(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
  bool Dark(int x, int y) const;                 // nearly black
  bool SavePpm(const std::wstring& path) const;  // for looking at a failure
};

// The client area's pixels, read back from the window's own device context.
Pixels CaptureClient(HWND hwnd);
// The client area of width x height pixels in a picture (a BMP file) of a window with its frame:
// at the bottom, with borders of the same width on the left, the right and the bottom. Empty
// when the picture cannot be read.
Pixels ClientAreaInPicture(const std::wstring& path, int width, int height);
// A system colour (COLOR_BTNFACE, ...) as a captured pixel holds it.
std::uint32_t SysColour(int index);
// The smallest rectangle holding every dark pixel of area, clipped to the pixels; empty when
// there is none.
RECT Ink(const Pixels& pixels, const RECT& area);

// The About dialog's fonts at a DPI: the title's ＭＳ Ｐゴシック at 19.8 points with the Japanese
// character set, and the system's message font, which the dialog's other texts are drawn in.
LOGFONTW TitleFont(int dpi);
LOGFONTW MessageFont(int dpi);
// Text drawn on a width x height area as a static control draws it: in this font and the
// window text colour, on the dialog's face colour, with these DrawText flags.
Pixels RenderText(const std::wstring& text, const LOGFONTW& font, int width, int height,
                  UINT format);

}  // namespace morv::e2e
