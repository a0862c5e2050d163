// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/label_font.h"

namespace morv {

LabelFont FitLabelFont(TextExtent box, int messageHeightPx,
                       const std::function<TextExtent(const LabelFont&)>& measure) {
  const auto fits = [&](const LabelFont& font) {
    const TextExtent extent = measure(font);
    return extent.width <= box.width && extent.height <= box.height;
  };
  const LabelFont message{LabelFont::Face::Message, messageHeightPx};
  if (fits(message)) return message;
  LabelFont dialog{LabelFont::Face::StandardDialog, messageHeightPx};
  while (!fits(dialog) && dialog.heightPx > kSmallestLabelFontPx) --dialog.heightPx;
  return dialog;
}

}  // namespace morv
