// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A window's lines and the painting of its client area. Lines are kept in twips and drawn at the
// window's DPI: horizontal and vertical ones as solid rectangles, slanted ones with a wide pen,
// on the button face, through a memory bitmap so that a changing line never flickers.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/platform.h"

namespace morv::win32 {

class LinePainter;

class Win32Line final : public Line {
 public:
  Win32Line(LinePainter& painter, Point from, Point to, int widthPx, Colour colour, bool visible);
  void SetVisible(bool visible) override;
  bool Visible() const override { return visible_; }

  const Point from;
  const Point to;
  const int widthPx;
  const Colour colour;

 private:
  LinePainter& painter_;
  bool visible_;
};

class LinePainter {
 public:
  // keepBackBuffer: keep the memory bitmap for the window's life, sized to clientTwips, so that
  // a repaint creates no GDI objects (for a window that repaints often, as the clock does).
  LinePainter(Rect clientTwips, bool keepBackBuffer);
  ~LinePainter();
  LinePainter(const LinePainter&) = delete;
  LinePainter& operator=(const LinePainter&) = delete;

  // The window to paint; set once it exists, before any line is added.
  void Attach(HWND window, UINT dpi);
  void SetDpi(UINT dpi);

  // Throws PlatformError when the line's drawing resources cannot be made.
  Line& AddLine(Point from, Point to, int widthPx, Colour colour, bool visible);
  // Asks for the line's pixels to be painted again, and nothing else.
  void Invalidate(const Win32Line& line) const;
  // The system colours have changed: pens made in the default colour are made again in the
  // current one. A pen that cannot be made keeps its old colour rather than leave a line
  // undrawn.
  void RenewColours();
  // Answers WM_PAINT.
  void Paint();
  // Answers WM_PRINTCLIENT: paints into dc as Paint paints the window.
  void Print(HDC dc) const;

 private:
  RECT LineRect(const Win32Line& line) const;
  void Draw(HDC dc, const RECT& area) const;
  void DrawLines(HDC dc, const RECT& area) const;
  HPEN PenFor(int widthPx, Colour colour);
  HDC BackBuffer(HDC screen, int width, int height);

  const Rect clientTwips_;
  const bool keepBackBuffer_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  std::vector<std::unique_ptr<Win32Line>> lines_;
  struct Pen {
    int widthPx;
    Colour colour;
    HPEN pen;
  };
  std::vector<Pen> pens_;
  struct BackBufferState {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    int width = 0;
    int height = 0;
  };
  BackBufferState back_;
};

}  // namespace morv::win32
