// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock window's geometry, in twips from the client area's top-left corner. Every figure is
// a multiple of 12 twips, so at 120 DPI (12 twips a pixel) every line falls on whole pixels.
#pragma once

#include <array>

#include "platform/platform.h"

namespace morv::clock_layout {

inline constexpr const char* kCaption = "MORV時計（デジタル）";
inline constexpr int kClientWidth = 7740;
inline constexpr int kClientHeight = 1344;

inline constexpr int kTimerIntervalMs = 200;
inline constexpr int kLineWidthPx = 5;

// Every box is a square between these two heights.
inline constexpr int kBoxTop = 120;
inline constexpr int kBoxBottom = 1080;

// The six boxes from left to right: hours, minutes, seconds, each high digit then low digit.
struct BoxColumn {
  int left;
  int right;
  int diagonal;  // index into zop
};
inline constexpr std::array<BoxColumn, 6> kBoxes{{
    {120, 1080, 5},   // hou1
    {1320, 2280, 4},  // hou2
    {2760, 3720, 3},  // min1
    {3960, 4920, 2},  // min2
    {5400, 6360, 1},  // sec1
    {6600, 7560, 0},  // sec2
}};

// Side k of a box stands for bit k of its digit.
enum class Side { Bottom, Right, Top, Left };
inline constexpr std::array<Side, 4> kSideOfBit{Side::Bottom, Side::Right, Side::Top, Side::Left};

struct Segment {
  Point from;
  Point to;
};

// The side line for bit k of the box with the given column.
constexpr Segment SideSegment(const BoxColumn& box, int bit) {
  switch (kSideOfBit[static_cast<std::size_t>(bit)]) {
    case Side::Bottom:
      return {{box.right, kBoxBottom}, {box.left, kBoxBottom}};
    case Side::Right:
      return {{box.right, kBoxTop}, {box.right, kBoxBottom}};
    case Side::Top:
      return {{box.right, kBoxTop}, {box.left, kBoxTop}};
    case Side::Left:
      break;
  }
  return {{box.left, kBoxTop}, {box.left, kBoxBottom}};
}

// Top-right to bottom-left; always shown, so an empty box (digit 0) is still visible.
constexpr Segment DiagonalSegment(const BoxColumn& box) {
  return {{box.right, kBoxTop}, {box.left, kBoxBottom}};
}

// The two colons, each two short vertical strokes midway between neighbouring boxes (Line2).
inline constexpr std::array<Segment, 4> kColonStrokes{{
    {{2520, 360}, {2520, 480}},
    {{2520, 720}, {2520, 840}},
    {{5160, 360}, {5160, 480}},
    {{5160, 720}, {5160, 840}},
}};

// What a screen reader calls the face.
inline constexpr const char* kAccessibleName = "時刻";

inline constexpr const char* kMenuHowToRead = "読み方";
inline constexpr const char* kMenuAbout = "MorvTimeについて";

// The read-me command: the system text editor on the read-me, found in the current directory.
inline constexpr const char* kEditorProgram = "notepad.exe";
inline constexpr const char* kReadMeFile = "Morvyomi.txt";

}  // namespace morv::clock_layout
