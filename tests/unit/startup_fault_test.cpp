// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Start-up when the system refuses the clock its window, its timer or a drawing resource: the
// program says so once and ends with a failure status, and leaves no window behind.
#include <gtest/gtest.h>

#include "clock/program.h"
#include "clock_test_support.h"

namespace morv {
namespace {

using testing_support::ReadFace;

constexpr const char* kCannotStart =
    "時計のウィンドウを作成できないため、MorvTimeを起動できません。";
constexpr int kClockLines = 24 + 6 + 4;

// Runs the program over a platform with the given faults and checks the one failure report.
void ExpectReportedFailure(fake::FakePlatform& platform) {
  const int status = RunProgram(platform);
  EXPECT_NE(status, 0);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], kCannotStart);
  // The half-made window is gone before the report shows, and stays gone.
  ASSERT_EQ(platform.windowsOpenAtMessage.size(), 1u);
  EXPECT_EQ(platform.windowsOpenAtMessage[0], 0);
  EXPECT_EQ(platform.OpenWindowCount(), 0);
  EXPECT_FALSE(platform.Running());
  EXPECT_TRUE(platform.started.empty());
}

TEST(StartupFaults, WindowThatCannotBeCreatedIsReported) {
  fake::FakePlatform platform;
  platform.faults.openWindow = true;
  ExpectReportedFailure(platform);
  EXPECT_EQ(platform.windowsOpened, 0);
}

TEST(StartupFaults, TimerThatCannotBeCreatedIsReported) {
  fake::FakePlatform platform;
  platform.faults.startTimer = true;
  ExpectReportedFailure(platform);
  EXPECT_EQ(platform.windowsOpened, 1);
}

// Every point at which a line can fail: the first side, a diagonal, a colon, the last line.
TEST(StartupFaults, DrawingResourcesThatRunOutAreReportedWhereverThatHappens) {
  for (int made = 0; made < kClockLines; ++made) {
    SCOPED_TRACE(::testing::Message() << "lines made before the failure: " << made);
    fake::FakePlatform platform;
    platform.faults.linesBeforeFailure = made;
    ExpectReportedFailure(platform);
  }
}

TEST(StartupFaults, AHealthyStartReportsNothing) {
  fake::FakePlatform platform;
  platform.faults.linesBeforeFailure = kClockLines;  // exactly enough
  EXPECT_EQ(RunProgram(platform), 0);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(platform.windowsOpened, 1);
}

// The clock window itself: a failed show leaves it unloaded, with no dangling lines, and a
// later show builds a complete, working window.
TEST(StartupFaults, FailedShowLeavesTheClockUnloadedAndReadyToTryAgain) {
  fake::FakePlatform platform;
  frmAbout about{platform};
  Form1 clock{platform, about};
  platform.faults.linesBeforeFailure = 7;
  EXPECT_THROW(clock.Show(), PlatformError);
  EXPECT_FALSE(clock.Loaded());
  EXPECT_EQ(platform.OpenWindowCount(), 0);
  for (const auto* box :
       {&clock.hou1, &clock.hou2, &clock.min1, &clock.min2, &clock.sec1, &clock.sec2}) {
    for (const Line* side : *box) EXPECT_EQ(side, nullptr);
  }

  platform.faults = {};
  clock.Show();
  ASSERT_TRUE(clock.Loaded());
  fake::FakeWindow* window = platform.FindWindow(testing_support::kClockCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->lines.size(), static_cast<std::size_t>(kClockLines));
  // cppcheck-suppress unreadVariable ; the tick reads it through the platform
  platform.now = {2026, 3, 29, 23, 59, 59};
  window->Tick();
  EXPECT_EQ(ReadFace(*window), 23 * 3600 + 59 * 60 + 59);
}

}  // namespace
}  // namespace morv
