// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Helpers for tests of the clock window over the fake platform.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "about/frmAbout.h"
#include "clock/Form1.h"
#include "clock/clock_layout.h"
#include "platform/fake_platform.h"

namespace morv {

// The only way into the clock's private digit decoder.
struct Form1Probe {
  static std::optional<bool> GetHexBit(const std::string& digit, int bit) {
    return Form1::GetHexBit(digit, bit);
  }
};

namespace testing_support {

inline constexpr const char* kClockCaption = "MORV時計（デジタル）";
inline constexpr const char* kAboutCaption = "ﾊﾞｰｼﾞｮﾝ情報 MorvTime";

// A program with its clock window shown, as at start.
struct RunningClock {
  fake::FakePlatform platform;
  frmAbout about{platform};
  Form1 clock{platform, about};

  RunningClock() { clock.Show(); }
  fake::FakeWindow& window() { return *platform.FindWindow(kClockCaption); }
  void TickAt(int hour, int minute, int second) {
    platform.now = {2026, 12, 7, hour, minute, second};
    window().Tick();
  }
};

// Reads the time off the face from the lines' geometry alone: for each box (known only by its
// left and right edges, from the layout table, which clock_window_test checks against the
// figures) adds up the weights of the visible sides. Returns seconds since midnight, or nullopt
// when something other than the expected sides is visible.
inline std::optional<int> ReadFace(const fake::FakeWindow& window) {
  constexpr int kTop = clock_layout::kBoxTop, kBottom = clock_layout::kBoxBottom;
  std::array<int, 6> digits{};
  for (const auto& line : window.lines) {
    if (!line->Visible()) continue;
    const int x1 = std::min(line->from.x, line->to.x), x2 = std::max(line->from.x, line->to.x);
    const int y1 = std::min(line->from.y, line->to.y), y2 = std::max(line->from.y, line->to.y);
    bool known = false;
    for (std::size_t box = 0; box < clock_layout::kBoxes.size(); ++box) {
      const int left = clock_layout::kBoxes[box].left, right = clock_layout::kBoxes[box].right;
      if (x1 == left && x2 == right && y1 == kBottom && y2 == kBottom)
        digits[box] += 1, known = true;
      if (x1 == right && x2 == right && y1 == kTop && y2 == kBottom) digits[box] += 2, known = true;
      if (x1 == left && x2 == right && y1 == kTop && y2 == kTop) digits[box] += 4, known = true;
      if (x1 == left && x2 == left && y1 == kTop && y2 == kBottom) digits[box] += 8, known = true;
      // The diagonal joins the top-right and bottom-left corners, in either direction.
      const bool diagonal = (line->from.x == right && line->from.y == kTop && line->to.x == left &&
                             line->to.y == kBottom) ||
                            (line->to.x == right && line->to.y == kTop && line->from.x == left &&
                             line->from.y == kBottom);
      if (diagonal) known = true;
    }
    const bool colon = std::any_of(
        clock_layout::kColonStrokes.begin(), clock_layout::kColonStrokes.end(),
        [&](const clock_layout::Segment& stroke) { return stroke.from.x == x1 && x1 == x2; });
    if (!known && !colon) return std::nullopt;
  }
  const int hours = digits[0] * 16 + digits[1];
  const int minutes = digits[2] * 16 + digits[3];
  const int seconds = digits[4] * 16 + digits[5];
  return hours * 3600 + minutes * 60 + seconds;
}

}  // namespace testing_support
}  // namespace morv
