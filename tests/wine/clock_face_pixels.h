// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock face as pixels, for tests that look at the real window: where each stroke of the
// face falls at a given DPI, worked out here from the face's layout in twips (independently of
// the program's own layout table), the time read back from a captured client area, and a
// pixel-by-pixel comparison of a capture with the face that should be there. Free of the test
// framework, so that the benchmark of how late the face turns reads it the same way.
#pragma once

#include <optional>
#include <string>

#include "e2e_pixels.h"

namespace morv::e2e {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int SecondsOfDay() const { return (hour * 60 + minute) * 60 + second; }
  std::string Text() const;  // "hh:mm:ss"
};

TimeOfDay LocalTimeOfDay();

// Whether a face that shows `shown` shows the current time for a look taken between the local
// times before and after. The face shows the time read at its latest tick, which lags by up to
// one timer interval: it may show the second before, never a second after the look.
bool IsCurrent(const TimeOfDay& shown, const TimeOfDay& before, const TimeOfDay& after);

// Which of the 24 sides are shown: bit 4*box + k is side k (bit k of the digit) of box 0-5,
// the boxes from left to right (hours high, hours low, ..., seconds low).
using SideMask = unsigned;

// The sides a correct face shows at this time of day.
SideMask SidesForTime(const TimeOfDay& time);
// The time a face with these sides shows (each box's four sides read as a hexadecimal digit).
TimeOfDay TimeForSides(SideMask sides);

// Colours as a captured pixel holds them (0x00RRGGBB).
std::uint32_t LineColour();
std::uint32_t FaceColour();

// The face's strokes and the face behind them, as the window should show them.
struct FaceColours {
  std::uint32_t line;
  std::uint32_t face;
};
// Under the system colours of this process.
inline FaceColours SystemFaceColours() { return {LineColour(), FaceColour()}; }

// A pixel-exact model of the face at one DPI.
class ClockFacePixels {
 public:
  explicit ClockFacePixels(int dpi, FaceColours colours = SystemFaceColours());

  int Px(int twips) const;
  // The client area the face is laid out for.
  int Width() const { return Px(7740); }
  int Height() const { return Px(1344); }

  // Reads the face's sides from the pixel in the middle of each side; nullopt when the capture
  // is too small to hold the whole face.
  std::optional<SideMask> ReadSides(const Pixels& pixels) const;

  // Compares every pixel of the capture (of any size: the window may be larger or smaller than
  // the face) with the face showing these sides, its diagonals and colons, on the plain window
  // face colour. Returns "" when they agree, else a description of what differs.
  std::string Compare(const Pixels& pixels, SideMask sides) const;

  // Length in pixels of the dark run through (x, y) along a row (horizontal) or a column.
  static int DarkRun(const Pixels& pixels, int x, int y, bool horizontal);

  struct Box {
    int left, right, top, bottom;  // centre lines of its sides, in pixels
  };
  Box BoxAt(int index) const;

 private:
  enum class Expect { Background, Line, Either };
  Expect ExpectedAt(int x, int y, SideMask sides) const;

  int dpi_;
  FaceColours colours_;
};

}  // namespace morv::e2e
