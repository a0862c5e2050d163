// Checks of the clock's face for the end-to-end tests, on the face reader of clock_face_pixels.h.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "clock_face_pixels.h"

namespace morv::e2e {

// Whether the face that capture returns, read at this DPI, has every pixel in place in these
// colours and shows the local time read just before or after the capture, or the second before
// (the timer may not have ticked yet); looked at again for a few seconds before it fails.
::testing::AssertionResult ShowsTheTime(const std::function<Pixels()>& capture, int dpi,
                                        FaceColours colours = SystemFaceColours());
// The same of the window's client area as it shows on the screen.
inline ::testing::AssertionResult ShowsTheTime(HWND window, int dpi,
                                               FaceColours colours = SystemFaceColours()) {
  return ShowsTheTime([window] { return CaptureClient(window); }, dpi, colours);
}

}  // namespace morv::e2e
