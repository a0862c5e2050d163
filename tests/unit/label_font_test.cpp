// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The font a label's text is drawn in, over made-up metrics where the message font's line is
// taller than the label, as on a Japanese Windows.
#include "platform/label_font.h"

#include <gtest/gtest.h>

#include <vector>

namespace morv {
namespace {

// Text of n characters, each as wide as its font is high; the message face's line is 1.5 times
// its height, the standard dialog face's 1.25 times (rounded up).
struct Metrics {
  int characters = 20;
  std::vector<LabelFont> measured;
  TextExtent operator()(const LabelFont& font) {
    measured.push_back(font);
    const int line = font.face == LabelFont::Face::Message ? (font.heightPx * 3 + 1) / 2
                                                           : (font.heightPx * 5 + 3) / 4;
    return {characters * font.heightPx, line};
  }
};

TEST(LabelFont, TheMessageFontThenTheDialogFaceAtItsSizeThenTheLargestSizeThatFits) {
  Metrics metrics;
  const LabelFont fits = FitLabelFont({400, 18}, 12, std::ref(metrics));
  EXPECT_EQ(fits.face, LabelFont::Face::Message);
  EXPECT_EQ(fits.heightPx, 12);
  EXPECT_EQ(metrics.measured.size(), 1u);
  // 17 pixels high: the message face's line (18) is too tall, the dialog face's (15) fits.
  const LabelFont sameSize = FitLabelFont({400, 17}, 12, std::ref(metrics));
  EXPECT_EQ(sameSize.face, LabelFont::Face::StandardDialog);
  EXPECT_EQ(sameSize.heightPx, 12);
  // 14 pixels high: the dialog face fits up to 11 pixels; 200 wide as well: 10 pixels at most.
  EXPECT_EQ(FitLabelFont({400, 14}, 12, std::ref(metrics)).heightPx, 11);
  EXPECT_EQ(FitLabelFont({200, 14}, 12, std::ref(metrics)).heightPx, 10);
}

TEST(LabelFont, NeverSmallerThanReadable) {
  Metrics metrics;
  const LabelFont chosen = FitLabelFont({400, 3}, 12, std::ref(metrics));
  EXPECT_EQ(chosen.face, LabelFont::Face::StandardDialog);
  EXPECT_EQ(chosen.heightPx, kSmallestLabelFontPx);
}

}  // namespace
}  // namespace morv
