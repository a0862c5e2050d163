// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog over the fake platform: its contents, loading and unloading.
#include <gtest/gtest.h>

#include "clock_test_support.h"

namespace morv {
namespace {

using testing_support::kAboutCaption;

struct OpenDialog {
  fake::FakePlatform platform;
  frmAbout about{platform};
  OpenDialog() { about.Show(); }
  fake::FakeWindow* window() { return platform.FindWindow(kAboutCaption); }
};

bool SameRect(Rect a, Rect b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

TEST(AboutDialog, HasItsFrameAndEveryControlInPlace) {
  OpenDialog dialog;
  fake::FakeWindow* w = dialog.window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->spec.clientWidth, 6576);
  EXPECT_EQ(w->spec.clientHeight, 2964);
  EXPECT_EQ(w->spec.frame, Frame::FixedDialog);
  EXPECT_FALSE(w->spec.hasMenuBar);
  EXPECT_TRUE(w->shown);

  ASSERT_EQ(w->buttons.size(), 2u);
  EXPECT_EQ(w->buttons[0].text, "OK");
  EXPECT_EQ(w->buttons[0].role, ButtonRole::DefaultAndCancel);
  EXPECT_TRUE(SameRect(w->buttons[0].bounds, {4728, 2148, 1620, 345}));
  EXPECT_EQ(w->buttons[1].text, "ｼｽﾃﾑ情報(&S)...");
  EXPECT_EQ(w->buttons[1].role, ButtonRole::Normal);
  EXPECT_TRUE(SameRect(w->buttons[1].bounds, {4740, 2592, 1608, 345}));

  ASSERT_EQ(w->pictures.size(), 1u);
  EXPECT_TRUE(SameRect(w->pictures[0].bounds, {240, 240, 432, 432}));
  EXPECT_EQ(w->pictures[0].background, 0x00C0C0C0u);

  ASSERT_NE(dialog.about.lblTitle, nullptr);
  const auto& title = static_cast<const fake::FakeLabel&>(*dialog.about.lblTitle);
  EXPECT_EQ(title.Text(), "MorvTime");
  EXPECT_TRUE(SameRect(title.bounds, {1050, 240, 3885, 480}));
  ASSERT_TRUE(title.hasFont);
  EXPECT_EQ(title.font.face, "ＭＳ Ｐゴシック");
  EXPECT_DOUBLE_EQ(title.font.points, 19.8);
  EXPECT_FALSE(title.font.bold);
  EXPECT_EQ(title.font.charset, 128);

  const auto& version = static_cast<const fake::FakeLabel&>(*dialog.about.lblVersion);
  EXPECT_TRUE(SameRect(version.bounds, {1050, 780, 3885, 225}));
  EXPECT_FALSE(version.hasFont);
  const auto& first = static_cast<const fake::FakeLabel&>(*dialog.about.lblDescription[3]);
  const auto& second = static_cast<const fake::FakeLabel&>(*dialog.about.lblDescription[2]);
  EXPECT_TRUE(SameRect(first.bounds, {1080, 1200, 3888, 204}));
  EXPECT_TRUE(SameRect(second.bounds, {1080, 1560, 3888, 204}));
  EXPECT_FALSE(first.Text().empty());
  EXPECT_FALSE(second.Text().empty());
  const auto& disclaimer = static_cast<const fake::FakeLabel&>(*dialog.about.lblDisclaimer[3]);
  EXPECT_TRUE(SameRect(disclaimer.bounds, {120, 2160, 4452, 720}));
  EXPECT_EQ(disclaimer.Text(), "");

  // The separator: a white 2-pixel line and a grey hairline on the same horizontal.
  ASSERT_EQ(w->lines.size(), 2u);
  const auto& white = static_cast<const fake::FakeLine&>(*dialog.about.Line1[0]);
  const auto& grey = static_cast<const fake::FakeLine&>(*dialog.about.Line1[1]);
  EXPECT_EQ(white.colour, 0x00FFFFFFu);
  EXPECT_EQ(white.widthPx, 2);
  EXPECT_EQ(grey.colour, 0x00808080u);
  EXPECT_EQ(grey.widthPx, 1);
  for (const auto* line : {&white, &grey}) {
    EXPECT_EQ(line->from.x, 240);
    EXPECT_EQ(line->to.x, 6480);
    EXPECT_EQ(line->from.y, 1920);
    EXPECT_EQ(line->to.y, 1920);
    EXPECT_TRUE(line->Visible());
  }
}

TEST(AboutDialog, TakesTheTabOrderWithOkFirst) {
  OpenDialog dialog;
  // Labels are listed with the text they were created with, before the load step.
  const std::vector<std::string> expected{
      "button OK",
      "button ｼｽﾃﾑ情報(&S)...",
      "picture",
      "label Version",
      "label MorvTime",
      "label " + dialog.about.lblDescription[2]->Text(),
      "label " + dialog.about.lblDescription[3]->Text(),
      "label ",
  };
  EXPECT_EQ(dialog.window()->tabOrder, expected);
}

TEST(AboutDialog, LoadSetsTheVersionFromTheProgramsNumbers) {
  OpenDialog dialog;
  EXPECT_EQ(dialog.about.lblVersion->Text(), "Version 1.1.0");
}

TEST(AboutDialog, EveryWayOfClosingUnloadsIt) {
  fake::FakePlatform platform;
  frmAbout about(platform);
  const std::vector<std::function<void(fake::FakeWindow&)>> closers{
      [](fake::FakeWindow& w) { w.Click("OK"); },
      [](fake::FakeWindow& w) { w.PressEnter(); },
      [](fake::FakeWindow& w) { w.PressEscape(); },
      [](fake::FakeWindow& w) { w.RequestClose(); },
  };
  for (const auto& close : closers) {
    about.Show();
    ASSERT_TRUE(about.Loaded());
    close(*platform.FindWindow(kAboutCaption));
    EXPECT_FALSE(about.Loaded());
    EXPECT_EQ(about.lblVersion, nullptr);
    EXPECT_EQ(platform.OpenWindowCount(), 0);
  }
}

TEST(AboutDialog, ReloadsAfreshAfterClosing) {
  OpenDialog dialog;
  dialog.about.lblVersion->SetText("changed");
  dialog.window()->Click("OK");
  dialog.about.Show();
  EXPECT_EQ(dialog.platform.windowsOpened, 2);
  EXPECT_EQ(dialog.about.lblVersion->Text(), "Version 1.1.0");
}

TEST(AboutDialog, ShowingItAgainOnlyBringsItForward) {
  OpenDialog dialog;
  dialog.about.lblVersion->SetText("kept");
  dialog.about.Show();
  EXPECT_EQ(dialog.platform.windowsOpened, 1);
  EXPECT_EQ(dialog.window()->timesBroughtToFront, 1);
  EXPECT_EQ(dialog.about.lblVersion->Text(), "kept");  // no second load
}

TEST(AboutDialog, SystemInformationButtonKeepsTheDialogOpen) {
  OpenDialog dialog;
  dialog.window()->Click("ｼｽﾃﾑ情報(&S)...");
  EXPECT_TRUE(dialog.about.Loaded());
  EXPECT_EQ(dialog.platform.messages.size(), 1u);  // nothing is installed in the fake registry
}

// A control the system refuses while the dialog opens, at each control in turn: the About
// command fails without a word, leaves no half-made dialog, the clock runs on, and the next
// About command opens a complete dialog.
TEST(AboutDialog, ARefusedControlLeavesTheClockRunningAndCanBeTriedAgain) {
  constexpr int kControls = 8;  // two buttons, the picture and five labels
  for (int made = 0; made < kControls; ++made) {
    SCOPED_TRACE(::testing::Message() << "controls made before the failure: " << made);
    testing_support::RunningClock program;
    program.platform.faults.controlsBeforeFailure = made;
    program.window().ChooseMenu("MorvTimeについて");
    EXPECT_EQ(program.platform.failedEvents, 1);
    EXPECT_FALSE(program.about.Loaded());
    EXPECT_EQ(program.about.lblVersion, nullptr);
    EXPECT_EQ(program.platform.OpenWindowCount(), 1);
    EXPECT_TRUE(program.platform.messages.empty());
    program.TickAt(12, 34, 56);
    EXPECT_EQ(testing_support::ReadFace(program.window()), 12 * 3600 + 34 * 60 + 56);

    program.platform.faults = {};
    program.window().ChooseMenu("MorvTimeについて");
    fake::FakeWindow* dialog = program.platform.FindWindow(kAboutCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->tabOrder.size(), static_cast<std::size_t>(kControls));
    EXPECT_EQ(program.about.lblVersion->Text(), "Version 1.1.0");
    EXPECT_TRUE(dialog->shown);
  }
}

}  // namespace
}  // namespace morv
