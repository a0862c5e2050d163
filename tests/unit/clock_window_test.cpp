// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock window as created: its properties, its lines before the first tick, its menu and
// commands, and the program's lifetime.
#include <gtest/gtest.h>

#include "clock_test_support.h"

namespace morv {
namespace {

using testing_support::kAboutCaption;
using testing_support::kClockCaption;
using testing_support::RunningClock;

bool SameSegment(const fake::FakeLine& line, Point from, Point to) {
  return line.from.x == from.x && line.from.y == from.y && line.to.x == to.x && line.to.y == to.y;
}

TEST(ClockWindow, HasItsCaptionSizeFrameMenuAndTimer) {
  RunningClock program;
  const fake::FakeWindow& window = program.window();
  EXPECT_EQ(window.spec.clientWidth, 7740);
  EXPECT_EQ(window.spec.clientHeight, 1344);
  EXPECT_EQ(window.spec.frame, Frame::Sizable);
  EXPECT_TRUE(window.spec.hasMenuBar);
  EXPECT_TRUE(window.shown);
  EXPECT_EQ(window.timerIntervalMs, 200);
  ASSERT_EQ(window.menu.size(), 2u);
  EXPECT_EQ(window.menu[0].caption, "読み方");
  EXPECT_EQ(window.menu[1].caption, "MorvTimeについて");
  EXPECT_EQ(window.lines.size(), 24u + 6u + 4u);
  EXPECT_TRUE(window.buttons.empty());
  EXPECT_TRUE(window.labels.empty());
}

TEST(ClockWindow, LaysOutEveryLineAsTheTableSays) {
  RunningClock program;
  Form1& f = program.clock;
  const std::array<std::pair<const Form1::DigitBox*, std::array<int, 3>>, 6> boxes{{
      {&f.hou1, {120, 1080, 5}},
      {&f.hou2, {1320, 2280, 4}},
      {&f.min1, {2760, 3720, 3}},
      {&f.min2, {3960, 4920, 2}},
      {&f.sec1, {5400, 6360, 1}},
      {&f.sec2, {6600, 7560, 0}},
  }};
  for (const auto& [box, column] : boxes) {
    const int left = column[0], right = column[1];
    const auto line = [](const Line* l) { return static_cast<const fake::FakeLine&>(*l); };
    EXPECT_TRUE(SameSegment(line((*box)[0]), {right, 1080}, {left, 1080})) << left;
    EXPECT_TRUE(SameSegment(line((*box)[1]), {right, 120}, {right, 1080})) << left;
    EXPECT_TRUE(SameSegment(line((*box)[2]), {right, 120}, {left, 120})) << left;
    EXPECT_TRUE(SameSegment(line((*box)[3]), {left, 120}, {left, 1080})) << left;
    EXPECT_TRUE(
        SameSegment(line(f.zop[static_cast<std::size_t>(column[2])]), {right, 120}, {left, 1080}))
        << left;
    EXPECT_EQ(right - left, 960);
  }
  const std::array<std::array<int, 3>, 4> colons{
      {{2520, 360, 480}, {2520, 720, 840}, {5160, 360, 480}, {5160, 720, 840}}};
  for (std::size_t i = 0; i < colons.size(); ++i) {
    const auto& stroke = static_cast<const fake::FakeLine&>(*f.Line2[i]);
    EXPECT_TRUE(SameSegment(stroke, {colons[i][0], colons[i][1]}, {colons[i][0], colons[i][2]}));
  }
  // The colons stand midway between their neighbouring boxes.
  EXPECT_EQ(2520 * 2, 2280 + 2760);
  EXPECT_EQ(5160 * 2, 4920 + 5400);
  for (const auto& line : program.window().lines) {
    EXPECT_EQ(line->widthPx, 5);
    EXPECT_EQ(line->colour, kDefaultColour);
    // Whole pixels at 120 DPI.
    for (int v : {line->from.x, line->from.y, line->to.x, line->to.y}) EXPECT_EQ(v % 12, 0);
  }
}

TEST(ClockWindow, ShowsOnlyDiagonalsAndColonsBeforeTheFirstTick) {
  RunningClock program;
  Form1& f = program.clock;
  for (const auto* box : {&f.hou1, &f.hou2, &f.min1, &f.min2, &f.sec1, &f.sec2}) {
    for (const Line* side : *box) EXPECT_FALSE(side->Visible());
  }
  for (const Line* diagonal : f.zop) EXPECT_TRUE(diagonal->Visible());
  for (const Line* stroke : f.Line2) EXPECT_TRUE(stroke->Visible());
}

TEST(ClockWindow, ReadMeCommandStartsTheEditorEachTime) {
  RunningClock program;
  program.window().ChooseMenu("読み方");
  program.window().ChooseMenu("読み方");
  ASSERT_EQ(program.platform.started.size(), 2u);
  for (const auto& start : program.platform.started) {
    EXPECT_EQ(start.program, "notepad.exe");
    EXPECT_EQ(start.arguments, "Morvyomi.txt");
    EXPECT_EQ(start.search, ProgramSearch::SystemProgram);
  }
  // The program neither tests for the read-me nor reports anything.
  EXPECT_TRUE(program.platform.lookedUp.empty());
  EXPECT_TRUE(program.platform.messages.empty());
}

TEST(ClockWindow, ReadMeCommandThatCannotStartLeavesTheClockRunning) {
  RunningClock program;
  program.platform.startSucceeds = false;
  program.window().ChooseMenu("読み方");
  EXPECT_TRUE(program.platform.Running());
  program.TickAt(1, 2, 3);
  EXPECT_EQ(testing_support::ReadFace(program.window()), 3723);
}

TEST(ClockWindow, AboutCommandKeepsOneDialogAndBringsItForward) {
  RunningClock program;
  program.window().ChooseMenu("MorvTimeについて");
  program.window().ChooseMenu("MorvTimeについて");
  program.window().ChooseMenu("MorvTimeについて");
  EXPECT_EQ(program.platform.OpenWindowCount(), 2);
  EXPECT_EQ(program.platform.windowsOpened, 2);
  const fake::FakeWindow* dialog = program.platform.FindWindow(kAboutCaption);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->shown);
  EXPECT_EQ(dialog->timesBroughtToFront, 2);
}

TEST(ClockWindow, KeepsTickingWhileTheDialogIsOpen) {
  RunningClock program;
  program.window().ChooseMenu("MorvTimeについて");
  program.TickAt(8, 0, 1);
  EXPECT_EQ(testing_support::ReadFace(program.window()), 8 * 3600 + 1);
  program.TickAt(8, 0, 2);
  EXPECT_EQ(testing_support::ReadFace(program.window()), 8 * 3600 + 2);
}

TEST(ProgramLifetime, EndsWhenTheClockClosesAlone) {
  RunningClock program;
  program.window().RequestClose();
  EXPECT_FALSE(program.clock.Loaded());
  EXPECT_FALSE(program.platform.Running());
}

TEST(ProgramLifetime, ClockFirstThenDialog) {
  RunningClock program;
  program.window().ChooseMenu("MorvTimeについて");
  program.window().RequestClose();
  EXPECT_TRUE(program.platform.Running());  // the dialog is still open
  EXPECT_EQ(program.platform.FindWindow(kClockCaption), nullptr);
  program.platform.FindWindow(kAboutCaption)->Click("OK");
  EXPECT_FALSE(program.platform.Running());
}

TEST(ProgramLifetime, DialogFirstThenClock) {
  RunningClock program;
  program.window().ChooseMenu("MorvTimeについて");
  program.platform.FindWindow(kAboutCaption)->RequestClose();
  EXPECT_TRUE(program.platform.Running());
  program.window().RequestClose();
  EXPECT_FALSE(program.platform.Running());
}

}  // namespace
}  // namespace morv
