// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "clock_face_pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace morv::e2e {

namespace {

// The face in twips from the client area's top-left corner.
struct BoxTwips {
  int left;
  int right;
};
constexpr std::array<BoxTwips, 6> kBoxes{
    {{120, 1080}, {1320, 2280}, {2760, 3720}, {3960, 4920}, {5400, 6360}, {6600, 7560}}};
constexpr int kBoxTop = 120;
constexpr int kBoxBottom = 1080;
struct StrokeTwips {
  int x;
  int top;
  int bottom;
};
constexpr std::array<StrokeTwips, 4> kColonStrokes{
    {{2520, 360, 480}, {2520, 720, 840}, {5160, 360, 480}, {5160, 720, 840}}};
constexpr int kLineWidth = 5;  // pixels, at every DPI
constexpr int kHalfWidth = kLineWidth / 2;

// A slanted stroke's edge pixels depend on the rasteriser: pixels whose centre lies within
// kSureDistance of the diagonal's centre line must be drawn, those beyond kMayDistance must not.
constexpr double kSureDistance = 1.0;
constexpr double kMayDistance = kLineWidth / 2.0 + 1.5;

// Inclusive pixel rectangle of a horizontal or vertical stroke, square ends centred on the
// end points.
struct PixelRect {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
PixelRect StrokeRect(int x1, int y1, int x2, int y2) {
  return {std::min(x1, x2) - kHalfWidth, std::min(y1, y2) - kHalfWidth,
          std::max(x1, x2) + kHalfWidth, std::max(y1, y2) + kHalfWidth};
}

// Distance from (x, y) to the segment, and where along it (0..1) the nearest point lies
// before clamping.
void SegmentDistance(double x, double y, double x1, double y1, double x2, double y2,
                     double& distance, double& along) {
  const double dx = x2 - x1, dy = y2 - y1;
  along = ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy);
  const double t = std::min(1.0, std::max(0.0, along));
  distance = std::hypot(x - (x1 + t * dx), y - (y1 + t * dy));
}

}  // namespace

std::string TimeOfDay::Text() const {
  char text[16];
  std::snprintf(text, sizeof(text), "%02d:%02d:%02d", hour, minute, second);
  return text;
}

TimeOfDay LocalTimeOfDay() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond};
}

bool IsCurrent(const TimeOfDay& shown, const TimeOfDay& before, const TimeOfDay& after) {
  constexpr int kDay = 24 * 60 * 60;
  const int behind = (before.SecondsOfDay() - shown.SecondsOfDay() + kDay) % kDay;
  const int ahead = (shown.SecondsOfDay() - before.SecondsOfDay() + kDay) % kDay;
  const int span = (after.SecondsOfDay() - before.SecondsOfDay() + kDay) % kDay;
  return behind <= 1 || ahead <= span;
}

SideMask SidesForTime(const TimeOfDay& time) {
  const std::array<int, 6> digits{time.hour / 16,   time.hour % 16,   time.minute / 16,
                                  time.minute % 16, time.second / 16, time.second % 16};
  SideMask sides = 0;
  for (std::size_t box = 0; box < digits.size(); ++box) {
    sides |= static_cast<SideMask>(digits[box]) << (4 * box);
  }
  return sides;
}

TimeOfDay TimeForSides(SideMask sides) {
  const auto digit = [sides](int box) { return static_cast<int>((sides >> (4 * box)) & 0xF); };
  return {digit(0) * 16 + digit(1), digit(2) * 16 + digit(3), digit(4) * 16 + digit(5)};
}

std::uint32_t LineColour() { return SysColour(COLOR_WINDOWTEXT); }
std::uint32_t FaceColour() { return SysColour(COLOR_BTNFACE); }

ClockFacePixels::ClockFacePixels(int dpi, FaceColours colours) : dpi_(dpi), colours_(colours) {}

int ClockFacePixels::Px(int twips) const { return MulDiv(twips, dpi_, 1440); }

ClockFacePixels::Box ClockFacePixels::BoxAt(int index) const {
  const BoxTwips& box = kBoxes[static_cast<std::size_t>(index)];
  return {Px(box.left), Px(box.right), Px(kBoxTop), Px(kBoxBottom)};
}

std::optional<SideMask> ClockFacePixels::ReadSides(const Pixels& pixels) const {
  const Box last = BoxAt(5);
  if (pixels.width <= last.right + kHalfWidth || pixels.height <= last.bottom + kHalfWidth) {
    return std::nullopt;
  }
  const std::uint32_t line = colours_.line;
  SideMask sides = 0;
  for (int b = 0; b < 6; ++b) {
    const Box box = BoxAt(b);
    const int midX = (box.left + box.right) / 2, midY = (box.top + box.bottom) / 2;
    // Bit k: bottom, right, top, left.
    const std::array<POINT, 4> middles{
        {{midX, box.bottom}, {box.right, midY}, {midX, box.top}, {box.left, midY}}};
    for (int k = 0; k < 4; ++k) {
      const POINT& p = middles[static_cast<std::size_t>(k)];
      if (pixels.at(p.x, p.y) == line) sides |= 1u << (4 * b + k);
    }
  }
  return sides;
}

ClockFacePixels::Expect ClockFacePixels::ExpectedAt(int x, int y, SideMask sides) const {
  for (int b = 0; b < 6; ++b) {
    const Box box = BoxAt(b);
    const std::array<PixelRect, 4> sideRects{{
        StrokeRect(box.right, box.bottom, box.left, box.bottom),
        StrokeRect(box.right, box.top, box.right, box.bottom),
        StrokeRect(box.right, box.top, box.left, box.top),
        StrokeRect(box.left, box.top, box.left, box.bottom),
    }};
    for (int k = 0; k < 4; ++k) {
      if ((sides >> (4 * b + k)) & 1u && sideRects[static_cast<std::size_t>(k)].Contains(x, y)) {
        return Expect::Line;
      }
    }
  }
  for (const StrokeTwips& stroke : kColonStrokes) {
    if (StrokeRect(Px(stroke.x), Px(stroke.top), Px(stroke.x), Px(stroke.bottom)).Contains(x, y)) {
      return Expect::Line;
    }
  }
  bool maybe = false;
  for (int b = 0; b < 6; ++b) {
    const Box box = BoxAt(b);
    double distance = 0, along = 0;
    SegmentDistance(x, y, box.right, box.top, box.left, box.bottom, distance, along);
    if (distance <= kSureDistance && along >= 0.03 && along <= 0.97) return Expect::Line;
    if (distance <= kMayDistance) maybe = true;
  }
  return maybe ? Expect::Either : Expect::Background;
}

std::string ClockFacePixels::Compare(const Pixels& pixels, SideMask sides) const {
  const std::uint32_t line = colours_.line, face = colours_.face;
  int missing = 0, stray = 0, odd = 0;
  std::string examples;
  const auto note = [&examples](const char* what, int x, int y, std::uint32_t p) {
    if (examples.size() > 400) return;
    char text[80];
    std::snprintf(text, sizeof(text), " %s(%d,%d)=%06X", what, x, y, static_cast<unsigned>(p));
    examples += text;
  };
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const std::uint32_t p = pixels.at(x, y);
      switch (ExpectedAt(x, y, sides)) {
        case Expect::Line:
          if (p != line) ++missing, note("missing", x, y, p);
          break;
        case Expect::Background:
          if (p != face) ++stray, note("stray", x, y, p);
          break;
        case Expect::Either:
          if (p != line && p != face) ++odd, note("odd", x, y, p);
          break;
      }
    }
  }
  if (missing + stray + odd == 0) return {};
  char summary[160];
  std::snprintf(summary, sizeof(summary),
                "face %s at %d DPI, %dx%d capture: %d line pixels missing, %d stray pixels, %d of "
                "other colours;",
                TimeForSides(sides).Text().c_str(), dpi_, pixels.width, pixels.height, missing,
                stray, odd);
  return summary + examples;
}

int ClockFacePixels::DarkRun(const Pixels& pixels, int x, int y, bool horizontal) {
  const std::uint32_t line = LineColour();
  if (pixels.at(x, y) != line) return 0;
  const int dx = horizontal ? 1 : 0, dy = horizontal ? 0 : 1;
  int first = 0, last = 0;
  while (x + (first - 1) * dx >= 0 && y + (first - 1) * dy >= 0 &&
         pixels.at(x + (first - 1) * dx, y + (first - 1) * dy) == line) {
    --first;
  }
  while (x + (last + 1) * dx < pixels.width && y + (last + 1) * dy < pixels.height &&
         pixels.at(x + (last + 1) * dx, y + (last + 1) * dy) == line) {
    ++last;
  }
  return last - first + 1;
}

}  // namespace morv::e2e
