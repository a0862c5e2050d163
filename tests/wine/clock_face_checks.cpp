#include "clock_face_checks.h"

#include <string>

namespace morv::e2e {

::testing::AssertionResult ShowsTheTime(const std::function<Pixels()>& capture, int dpi,
                                        FaceColours colours) {
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

}  // namespace morv::e2e
