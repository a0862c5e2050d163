// The font a label's text is drawn in, over made-up metrics where the message font's line is
// taller than the label, as on a Japanese Windows.
#include <gtest/gtest.h>

#include <vector>

#include "platform/label_font.h"

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

TEST(LabelFont, TheMessageFontWhereTheTextFitsInIt) {
  Metrics metrics;
  const LabelFont chosen = FitLabelFont({400, 18}, 12, std::ref(metrics));
  EXPECT_EQ(chosen.face, LabelFont::Face::Message);
  EXPECT_EQ(chosen.heightPx, 12);
  EXPECT_EQ(metrics.measured.size(), 1u);
}

TEST(LabelFont, TheStandardDialogFaceAtTheSameSizeWhereTheMessageFontsLineIsTooTall) {
  Metrics metrics;
  const LabelFont chosen = FitLabelFont({400, 17}, 12, std::ref(metrics));  // 18 > 17 >= 15
  EXPECT_EQ(chosen.face, LabelFont::Face::StandardDialog);
  EXPECT_EQ(chosen.heightPx, 12);
}

TEST(LabelFont, TheLargestSizeThatFitsWhereNoFaceFitsAtTheMessageSize) {
  Metrics metrics;
  // 14 pixels high: the dialog face's line fits up to 11 pixels.
  LabelFont chosen = FitLabelFont({400, 14}, 12, std::ref(metrics));
  EXPECT_EQ(chosen.face, LabelFont::Face::StandardDialog);
  EXPECT_EQ(chosen.heightPx, 11);
  // Too narrow as well: 20 characters must fit 200 pixels, so 10 pixels at most.
  chosen = FitLabelFont({200, 14}, 12, std::ref(metrics));
  EXPECT_EQ(chosen.heightPx, 10);
}

TEST(LabelFont, NeverSmallerThanReadable) {
  Metrics metrics;
  const LabelFont chosen = FitLabelFont({400, 3}, 12, std::ref(metrics));
  EXPECT_EQ(chosen.face, LabelFont::Face::StandardDialog);
  EXPECT_EQ(chosen.heightPx, kSmallestLabelFontPx);
}

}  // namespace
}  // namespace morv
