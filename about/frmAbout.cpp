// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "about/frmAbout.h"

#include "about/about_layout.h"
#include "resources/version.h"

namespace morv {

namespace layout = about_layout;

frmAbout::frmAbout(Platform& platform) : platform_(platform) {}

void frmAbout::Show() {
  if (window_) {
    window_->BringToFront();
    return;
  }
  try {
    Load();
    window_->Show();
  } catch (...) {
    // A dialog without all its controls would be a broken one: put away what was made, so that
    // the next show loads it afresh.
    Unload();
    throw;
  }
}

void frmAbout::Load() {
  WindowSpec spec;
  spec.caption = layout::kCaption;
  spec.clientWidth = layout::kClientWidth;
  spec.clientHeight = layout::kClientHeight;
  spec.frame = Frame::FixedDialog;
  window_ = platform_.OpenWindow(spec, [this] { Unload(); });

  // Added in tab order; OK comes first so that the dialog opens with the focus on it.
  window_->AddButton(layout::kOkButton, layout::kOkText, ButtonRole::DefaultAndCancel,
                     [this] { cmdOK_Click(); });
  window_->AddButton(layout::kSysInfoButton, layout::kSysInfoText, ButtonRole::Normal,
                     [this] { cmdSysInfo_Click(); });
  window_->AddIconPicture(layout::kIcon, layout::kIconBackground);
  lblVersion = &window_->AddLabel(layout::kVersion, layout::kVersionInitialText, nullptr);
  const Font titleFont{layout::kTitleFace, layout::kTitlePoints, false, layout::kJapaneseCharset};
  lblTitle = &window_->AddLabel(layout::kTitle, layout::kTitleText, &titleFont);
  lblDescription[2] = &window_->AddLabel(layout::kDescription2, layout::kDescription2Text, nullptr);
  lblDescription[3] = &window_->AddLabel(layout::kDescription3, layout::kDescription3Text, nullptr);
  lblDisclaimer[3] = &window_->AddLabel(layout::kDisclaimer, "", nullptr);

  // The separator: lines paint in the order they are added, so the grey hairline goes on last,
  // over the upper row of the white line, and the two read as an etched groove.
  Line1[0] = &window_->AddLine(layout::kSeparatorFrom, layout::kSeparatorTo, 2,
                               layout::kSeparatorWhite, true);
  Line1[1] = &window_->AddLine(layout::kSeparatorFrom, layout::kSeparatorTo, 1,
                               layout::kSeparatorGrey, true);

  Form_Load();
}

void frmAbout::Unload() {
  lblTitle = lblVersion = nullptr;
  lblDescription = {};
  lblDisclaimer = {};
  Line1 = {};
  window_.reset();
}

void frmAbout::Form_Load() {
  lblVersion->SetText("Version " + std::to_string(MORV_VERSION_MAJOR) + "." +
                      std::to_string(MORV_VERSION_MINOR) + "." +
                      std::to_string(MORV_VERSION_REVISION));
}

void frmAbout::cmdOK_Click() { Unload(); }

}  // namespace morv
