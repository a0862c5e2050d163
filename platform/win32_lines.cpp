// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_lines.h"

#include <algorithm>

#include "platform/win32_dpi.h"

namespace morv::win32 {

namespace {

COLORREF LineColour(Colour colour) {
  return colour == kDefaultColour ? GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(colour);
}

// A solid pen with flat ends, in the colour as it is now.
HPEN MakePen(int widthPx, Colour colour) {
  LOGBRUSH brush{BS_SOLID, LineColour(colour), 0};
  return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                      static_cast<DWORD>(widthPx), &brush, 0, nullptr);
}

bool AxisAligned(const Win32Line& line) {
  return line.from.x == line.to.x || line.from.y == line.to.y;
}

}  // namespace

Win32Line::Win32Line(LinePainter& painter, Point from_, Point to_, int widthPx_, Colour colour_,
                     bool visible)
    : from(from_),
      to(to_),
      widthPx(widthPx_),
      colour(colour_),
      painter_(painter),
      visible_(visible) {}

void Win32Line::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  painter_.Invalidate(*this);
}

LinePainter::LinePainter(Rect clientTwips, bool keepBackBuffer)
    : clientTwips_(clientTwips), keepBackBuffer_(keepBackBuffer) {}

LinePainter::~LinePainter() {
  for (Pen& pen : pens_) DeleteObject(pen.pen);
  if (back_.dc != nullptr) {
    if (back_.bitmap != nullptr) SelectObject(back_.dc, back_.oldBitmap);
    DeleteDC(back_.dc);
  }
  if (back_.bitmap != nullptr) DeleteObject(back_.bitmap);
}

void LinePainter::Attach(HWND window, UINT dpi) {
  window_ = window;
  dpi_ = dpi;
}

void LinePainter::SetDpi(UINT dpi) {
  dpi_ = dpi;
  InvalidateRect(window_, nullptr, FALSE);
}

Line& LinePainter::AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) {
  lines_.push_back(std::make_unique<Win32Line>(*this, from, to, widthPx, colour, visible));
  const Win32Line& line = *lines_.back();
  // Slanted lines need a wide pen; make it now, so that painting cannot run short of one.
  if (!AxisAligned(line) && PenFor(widthPx, colour) == nullptr) {
    lines_.pop_back();
    throw PlatformError("the drawing resources could not be created");
  }
  if (visible) Invalidate(line);
  return *lines_.back();
}

// The pixels a line covers. Horizontal and vertical lines are solid rectangles with square ends,
// centred on the line, so that the sides of a box meet in clean corners; slanted lines are drawn
// with a pen of the same width and flat ends.
RECT LinePainter::LineRect(const Win32Line& line) const {
  const int x1 = TwipsToPixels(line.from.x, dpi_), y1 = TwipsToPixels(line.from.y, dpi_);
  const int x2 = TwipsToPixels(line.to.x, dpi_), y2 = TwipsToPixels(line.to.y, dpi_);
  const int before = (line.widthPx - 1) / 2;
  const int after = line.widthPx / 2;
  RECT rect{std::min(x1, x2) - before, std::min(y1, y2) - before, std::max(x1, x2) + after + 1,
            std::max(y1, y2) + after + 1};
  if (!AxisAligned(line)) InflateRect(&rect, line.widthPx, line.widthPx);  // room for the pen
  return rect;
}

void LinePainter::Invalidate(const Win32Line& line) const {
  const RECT rect = LineRect(line);
  InvalidateRect(window_, &rect, FALSE);
}

void LinePainter::RenewColours() {
  for (Pen& pen : pens_) {
    if (pen.colour != kDefaultColour) continue;
    const HPEN renewed = MakePen(pen.widthPx, pen.colour);
    if (renewed == nullptr) continue;
    DeleteObject(pen.pen);
    pen.pen = renewed;
  }
}

HPEN LinePainter::PenFor(int widthPx, Colour colour) {
  for (const Pen& pen : pens_) {
    if (pen.widthPx == widthPx && pen.colour == colour) return pen.pen;
  }
  const HPEN pen = MakePen(widthPx, colour);
  if (pen != nullptr) pens_.push_back({widthPx, colour, pen});
  return pen;
}

void LinePainter::DrawLines(HDC dc, const RECT& area) const {
  SelectObject(dc, GetStockObject(DC_BRUSH));
  for (const auto& line : lines_) {
    if (!line->Visible()) continue;
    const RECT rect = LineRect(*line);
    RECT overlap{};
    if (!IntersectRect(&overlap, &rect, &area)) continue;
    if (AxisAligned(*line)) {
      SetDCBrushColor(dc, LineColour(line->colour));
      FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      continue;
    }
    for (const Pen& pen : pens_) {
      if (pen.widthPx != line->widthPx || pen.colour != line->colour) continue;
      const HGDIOBJ old = SelectObject(dc, pen.pen);
      MoveToEx(dc, TwipsToPixels(line->from.x, dpi_), TwipsToPixels(line->from.y, dpi_), nullptr);
      LineTo(dc, TwipsToPixels(line->to.x, dpi_), TwipsToPixels(line->to.y, dpi_));
      SelectObject(dc, old);
      break;
    }
  }
}

// Paints the invalid part of the client area into a memory bitmap and copies it out in one go,
// so that a changing side never flickers. An area within the window's own client size, as every
// tick's repaint is, goes through the kept back buffer, so that a tick creates no GDI objects
// (under Wine that saves about a tenth of the clock process's CPU time); a larger one, in a
// maximised window, or any area of a window that keeps no back buffer, gets a bitmap for that
// paint only.
void LinePainter::Paint() {
  PAINTSTRUCT ps{};
  const HDC screen = BeginPaint(window_, &ps);
  const RECT area = ps.rcPaint;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width > 0 && height > 0) {
    HDC memory = BackBuffer(screen, width, height);
    HDC transient = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    if (memory == nullptr) {
      transient = CreateCompatibleDC(screen);
      bitmap = transient ? CreateCompatibleBitmap(screen, width, height) : nullptr;
      if (bitmap) {
        oldBitmap = SelectObject(transient, bitmap);
        memory = transient;
      }
    }
    const HDC dc = memory ? memory : screen;  // short of memory, paint straight to the screen
    if (memory) SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
    Draw(dc, area);
    if (memory) {
      SetViewportOrgEx(memory, 0, 0, nullptr);
      BitBlt(screen, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
    }
    if (bitmap) {
      SelectObject(transient, oldBitmap);
      DeleteObject(bitmap);
    }
    if (transient) DeleteDC(transient);
  }
  EndPaint(window_, &ps);
}

// Answers WM_PRINTCLIENT: the same face, drawn straight into the device context that a caller
// hands over (a themed control's background, PrintWindow), within its clipping and the client
// area. Everything the drawing changes in that context is put back.
void LinePainter::Print(HDC dc) const {
  RECT client{}, clip{};
  GetClientRect(window_, &client);
  RECT area = client;
  const int clipping = GetClipBox(dc, &clip);
  if (clipping == NULLREGION) return;
  if (clipping != ERROR && !IntersectRect(&area, &client, &clip)) return;
  const int saved = SaveDC(dc);
  Draw(dc, area);
  if (saved != 0) RestoreDC(dc, saved);
}

// The face within area: the button face, and every visible line over it.
void LinePainter::Draw(HDC dc, const RECT& area) const {
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  DrawLines(dc, area);
}

// The kept back buffer, as large as the client size at the current DPI, when an area of
// width x height fits in it; nullptr otherwise, when it cannot be made, or when this painter
// keeps none (a dialog's, which paints only when it opens, and opens and closes many times).
HDC LinePainter::BackBuffer(HDC screen, int width, int height) {
  const int fullWidth = TwipsToPixels(clientTwips_.width, dpi_);
  const int fullHeight = TwipsToPixels(clientTwips_.height, dpi_);
  if (!keepBackBuffer_ || width > fullWidth || height > fullHeight) return nullptr;
  if (back_.dc == nullptr) back_.dc = CreateCompatibleDC(screen);
  if (back_.dc == nullptr) return nullptr;
  if (back_.bitmap == nullptr || back_.width != fullWidth || back_.height != fullHeight) {
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, fullWidth, fullHeight);
    if (bitmap == nullptr) return nullptr;
    const HGDIOBJ old = SelectObject(back_.dc, bitmap);
    if (back_.bitmap != nullptr) {
      DeleteObject(back_.bitmap);
    } else {
      back_.oldBitmap = old;
    }
    back_.bitmap = bitmap;
    back_.width = fullWidth;
    back_.height = fullHeight;
  }
  return back_.dc;
}

}  // namespace morv::win32
