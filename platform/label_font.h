// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// How large a label's text may be drawn so that it fits its label. A backend measures, this
// decides: the dialog's message font when the text fits in it; else the face a standard dialog
// uses (which each Windows maps to a face of its own language) at the same size; else the
// largest size of that face that fits. A label may be smaller than the message font's line on
// some systems (a Japanese Windows's message font has a taller line than the fonts the labels
// were laid out for), and a text cut off at its foot is worse than a smaller one.
#pragma once

#include <functional>

namespace morv {

struct LabelFont {
  enum class Face { Message, StandardDialog };
  Face face = Face::Message;
  int heightPx = 0;  // the characters' height (the font's em), in pixels
};

struct TextExtent {
  int width = 0;
  int height = 0;
};

// Never smaller than this: below it the text is unreadable, and the label is then better cut.
inline constexpr int kSmallestLabelFontPx = 8;

// box: the label's size in pixels; messageHeightPx: the message font's height at the label's
// DPI; measure: the extent of the label's text drawn in a font, wrapped at the label's width.
LabelFont FitLabelFont(TextExtent box, int messageHeightPx,
                       const std::function<TextExtent(const LabelFont&)>& measure);

}  // namespace morv
