// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Checks of the clock's face for the end-to-end tests, on the face reader of clock_face_pixels.h
// (which stays free of the test framework, for the benchmarks).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "clock_face_pixels.h"

namespace morv::e2e {

// Whether the face that capture returns, read at this DPI, has every pixel in place in these
// colours and shows the local time read just before or after the capture, or the second before
// (the timer may not have ticked yet); looked at again for a few seconds before it fails.
inline ::testing::AssertionResult ShowsTheTime(const std::function<Pixels()>& capture, int dpi,
                                               FaceColours colours = SystemFaceColours()) {
  const ClockFacePixels face(dpi, colours);
  std::string last = "no capture";
  for (int attempt = 0; attempt < 30; ++attempt) {
    const TimeOfDay before = LocalTimeOfDay();
    const Pixels pixels = capture();
    const TimeOfDay after = LocalTimeOfDay();
    const auto sides = face.ReadSides(pixels);
    if (!sides) {
      last = "the capture is too small for the face at " + std::to_string(dpi) + " DPI";
    } else {
      const std::string mismatch = face.Compare(pixels, *sides);
      if (mismatch.empty() && IsCurrent(TimeForSides(*sides), before, after)) {
        return ::testing::AssertionSuccess();
      }
      last = "shows " + TimeForSides(*sides).Text() + " at " + before.Text() +
             (mismatch.empty() ? "" : ": " + mismatch);
    }
    Sleep(200);
  }
  return ::testing::AssertionFailure() << last;
}
// The same of the window's client area as it shows on the screen.
inline ::testing::AssertionResult ShowsTheTime(HWND window, int dpi,
                                               FaceColours colours = SystemFaceColours()) {
  return ShowsTheTime([window] { return CaptureClient(window); }, dpi, colours);
}

}  // namespace morv::e2e
