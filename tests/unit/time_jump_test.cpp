// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock when the time it reads jumps: set forward or back by hours, across midnight, and
// across daylight-saving changes, where a local hour is skipped or repeated. Whatever the jump,
// the face shows the local time read at the latest tick, read back from the lines alone. And
// where the ticks fall: just after the 200 ms marks of whatever time the clock reads.
#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "clock_test_support.h"
#include "platform/tick_marks.h"
#include "zone_time.h"

namespace morv {
namespace {

using testing_support::kCentralEurope;
using testing_support::kLordHowe;
using testing_support::ReadFace;
using testing_support::RunningClock;
using testing_support::ZoneTime;

int SecondsOfDay(const LocalTime& t) { return t.hour * 3600 + t.minute * 60 + t.second; }

// Sets the clock to t, ticks, and checks everything the tick leaves behind.
void TickAndCheck(RunningClock& program, const LocalTime& t) {
  program.platform.now = t;
  program.window().Tick();
  const std::optional<int> shown = ReadFace(program.window());
  // nullopt: a line that belongs to no side is visible
  ASSERT_EQ(shown, SecondsOfDay(t)) << t.hour << ":" << t.minute << ":" << t.second;
  ASSERT_EQ(program.clock.TickTime.hour, t.hour);
  ASSERT_EQ(program.clock.TickTime.minute, t.minute);
  ASSERT_EQ(program.clock.TickTime.second, t.second);
}

LocalTime At(int hour, int minute, int second, int day = 7) {
  return {2026, 12, day, hour, minute, second};
}

TEST(TimeJumps, ForwardAndBackByHours) {
  RunningClock program;
  TickAndCheck(program, At(10, 20, 30));
  const int jumps[] = {+1, +5, -3, -12 + 24, -1, +9, -9, +13, -13};
  int hour = 10;
  for (int jump : jumps) {
    hour = ((hour + jump) % 24 + 24) % 24;
    TickAndCheck(program, At(hour, 20, 30));
    // The ticks after a jump go on from the new time; nothing is counted from the old one.
    TickAndCheck(program, At(hour, 20, 31));
  }
}

TEST(TimeJumps, AcrossMidnightBothWays) {
  RunningClock program;
  TickAndCheck(program, At(23, 59, 59, 7));
  TickAndCheck(program, At(0, 0, 0, 8));
  TickAndCheck(program, At(23, 59, 58, 7));  // back over midnight
  TickAndCheck(program, At(0, 0, 0, 7));     // a whole day back: the face knows no date
  TickAndCheck(program, At(23, 59, 59, 7));
}

TEST(TimeJumps, TheSameTimeReadAgainChangesNothing) {
  RunningClock program;
  TickAndCheck(program, At(15, 15, 15));
  const int before = program.window().repaintRequests;
  TickAndCheck(program, At(15, 15, 15));
  EXPECT_EQ(program.window().repaintRequests, before);
}

// Random jumps of any size in either direction, with a fixed seed so that a failure repeats.
TEST(TimeJumps, AnyJumpInEitherDirection) {
  RunningClock program;
  std::mt19937 random(20261207u);
  std::uniform_int_distribution<int> second(0, 24 * 3600 - 1);
  for (int i = 0; i < 5000; ++i) {
    const int t = second(random);
    TickAndCheck(program, At(t / 3600, t / 60 % 60, t % 60));
    if (HasFatalFailure()) return;
  }
}

// 2026-03-29 01:00:00 and 2026-10-25 01:00:00 UTC, the changes in central Europe.
constexpr std::time_t kSpringForward = 1774746000;
constexpr std::time_t kFallBack = 1792890000;

// Ticks every 200 ms (five ticks a second) through the given span of universal time, and
// returns every local time the clock read, one per second.
std::vector<LocalTime> RunThrough(RunningClock& program, const ZoneTime& zone, std::time_t from,
                                  std::time_t to) {
  std::vector<LocalTime> read;
  for (std::time_t t = from; t < to; ++t) {
    const LocalTime local = zone.Local(t);
    for (int tick = 0; tick < 5; ++tick) {
      TickAndCheck(program, local);
      if (::testing::Test::HasFatalFailure()) return read;
    }
    read.push_back(local);
  }
  return read;
}

TEST(TimeJumps, SpringForwardSkipsAnHour) {
  ZoneTime zone(kCentralEurope);
  RunningClock program;
  const auto read = RunThrough(program, zone, kSpringForward - 600, kSpringForward + 600);
  ASSERT_FALSE(HasFatalFailure());
  // The rule did what it should: 01:59:59 is followed by 03:00:00, and no 02:xx is read.
  ASSERT_EQ(read.size(), 1200u);
  EXPECT_EQ(SecondsOfDay(read[599]), 1 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(SecondsOfDay(read[600]), 3 * 3600);
  for (const LocalTime& t : read) EXPECT_NE(t.hour, 2);
  EXPECT_EQ(ReadFace(program.window()), 3 * 3600 + 9 * 60 + 59);
}

TEST(TimeJumps, FallBackRepeatsAnHour) {
  ZoneTime zone(kCentralEurope);
  RunningClock program;
  const auto read = RunThrough(program, zone, kFallBack - 600, kFallBack + 600);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(read.size(), 1200u);
  EXPECT_EQ(SecondsOfDay(read[599]), 2 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(SecondsOfDay(read[600]), 2 * 3600);  // the same hour once more
  EXPECT_EQ(ReadFace(program.window()), 2 * 3600 + 9 * 60 + 59);
}

// The whole repeated hour, and the hour on either side, second by second.
TEST(TimeJumps, ThroughTheWholeRepeatedHour) {
  ZoneTime zone(kCentralEurope);
  RunningClock program;
  constexpr std::time_t kTwoHours = 7200;
  std::time_t t = kFallBack - kTwoHours;
  int previous = -1;
  int backwards = 0;
  for (; t < kFallBack + kTwoHours; ++t) {
    const LocalTime local = zone.Local(t);
    TickAndCheck(program, local);
    ASSERT_FALSE(HasFatalFailure());
    if (SecondsOfDay(local) < previous) ++backwards;
    previous = SecondsOfDay(local);
  }
  EXPECT_EQ(backwards, 1);
}

TEST(TimeJumps, HalfHourDaylightSavingChange) {
  ZoneTime zone(kLordHowe);
  RunningClock program;
  // 2026-10-04 02:00 local standard time is 2026-10-03 15:30 UTC: 01:59:59 is followed by 02:30:00.
  constexpr std::time_t kChange = 1791041400;
  const auto read = RunThrough(program, zone, kChange - 5, kChange + 5);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(read.size(), 10u);
  EXPECT_EQ(SecondsOfDay(read[4]), 1 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(SecondsOfDay(read[5]), 2 * 3600 + 30 * 60);
}

// ---- Where the ticks fall ----

constexpr int kInterval = 200;

bool OnMark(const LocalTime& t) { return t.millisecond % kInterval <= kOnMarkMs; }

// Whatever millisecond a timer message reads, the next one lands just past a mark, and a tick
// just past a mark at least half an interval away. One on its mark keeps the timer's period; one
// that came just before a mark does not tick, and waits for that mark.
TEST(TickMarks, EveryMessageAimsJustPastAMarkAndTicksUnlessItCameEarly) {
  for (int read = 0; read < 1000; ++read) {
    const auto [tickNow, wait] = PlanTimerMessage(read, kInterval);
    if (read % kInterval <= kOnMarkMs) {
      EXPECT_TRUE(tickNow && wait == kInterval) << read;
      continue;
    }
    EXPECT_EQ((read + wait) % kInterval, kPastMarkMs) << read;
    const bool early = kInterval - read % kInterval <= kEarlyMs;
    EXPECT_EQ(tickNow, !early) << read;
    EXPECT_TRUE(early ? wait <= kEarlyMs + kPastMarkMs
                      : wait >= kInterval / 2 && wait <= kInterval * 3 / 2 + kPastMarkMs)
        << read;
  }
}

// Lets the timer run for ms and returns the times of the ticks it gave.
std::vector<LocalTime> RunTimer(RunningClock& program, int ms) {
  std::vector<LocalTime> ticks;
  for (int waited = 0; waited + program.window().nextTickInMs <= ms;) {
    waited += program.window().nextTickInMs;
    program.window().WaitForTick();
    ticks.push_back(program.platform.now);
  }
  return ticks;
}

int MillisecondsOfDay(const LocalTime& t) { return SecondsOfDay(t) * 1000 + t.millisecond; }

// Started at an odd phase of the second: the first tick comes one interval later, every tick
// after it on a mark, five a second, and one as each second begins, which turns the face.
TEST(TickMarks, FromTheSecondTickOnEveryTickFallsOnAMark) {
  RunningClock program;
  program.platform.now = {2026, 12, 7, 9, 59, 30, 123};
  const std::vector<LocalTime> ticks = RunTimer(program, 60000);
  EXPECT_EQ(ticks.at(0).millisecond, 323);
  EXPECT_NEAR(static_cast<double>(ticks.size()), 300, 1);
  std::set<int> turned;  // the seconds in whose first milliseconds a tick came
  for (std::size_t i = 1; i < ticks.size(); ++i) {
    EXPECT_TRUE(OnMark(ticks[i])) << i;
    if (ticks[i].millisecond <= kOnMarkMs) turned.insert(SecondsOfDay(ticks[i]));
  }
  EXPECT_EQ(turned.size(), 60u);  // every second after the first, to 10:00:30
  EXPECT_EQ(ReadFace(program.window()), SecondsOfDay(ticks.back()));
}

// A tick held up (a busy thread, a modal loop, the machine asleep) is followed by one on the
// next mark at least half an interval later: the ticks it missed are not made up in a burst.
TEST(TickMarks, ALateTickIsFollowedByOneOnTheNextMarkNotByABurst) {
  RunningClock program;
  program.platform.now = {2026, 12, 7, 12, 0, 0, 0};
  RunTimer(program, 1000);
  for (const int late : {150, 60, 10 * 60 * 1000 + 37}) {
    SCOPED_TRACE(late);
    program.platform.PassTime(program.window().nextTickInMs + late);
    program.window().Tick();
    const int lateTick = MillisecondsOfDay(program.platform.now);
    program.window().WaitForTick();
    EXPECT_TRUE(OnMark(program.platform.now));
    EXPECT_GE(MillisecondsOfDay(program.platform.now) - lateTick, kInterval / 2);
    EXPECT_EQ(ReadFace(program.window()), SecondsOfDay(program.platform.now));
  }
}

// A timer that cannot be armed for its mark goes on at its old period, here settled just before
// the marks: every message comes early for one. Each ticks all the same, so the face turns every
// second, a little before the second would have turned it, and never stops.
TEST(TickMarks, ATimerThatCannotBeArmedAgainStillTurnsTheFaceEverySecond) {
  RunningClock program;
  program.platform.now = {2026, 12, 7, 9, 59, 30, 190};
  program.platform.faults.rearmTimer = true;
  std::set<int> shown;
  for (int waited = 0; waited + program.window().nextTickInMs <= 60000;) {
    waited += program.window().nextTickInMs;
    program.window().WaitForTick();
    ASSERT_EQ(ReadFace(program.window()), SecondsOfDay(program.platform.now)) << waited << " ms";
    shown.insert(SecondsOfDay(program.platform.now));
  }
  EXPECT_NEAR(program.window().ticks, 300, 1);
  EXPECT_EQ(shown.size(), 61u);  // every second from 9:59:30 to 10:00:30
}

// The time set back, or forward over midnight: the timer's wait runs out at some phase of the
// new time, and from that tick on the ticks keep to the new time's marks.
TEST(TickMarks, AfterTheTimeIsSetTheTicksKeepToTheMarksOfTheNewTime) {
  const struct {
    LocalTime from, to;
  } cases[] = {{At(14, 30, 10), {2026, 12, 7, 13, 29, 41, 537}},
               {{2026, 12, 31, 23, 59, 59, 0}, {2027, 1, 1, 0, 0, 4, 871}}};
  for (const auto& c : cases) {
    RunningClock program;
    program.platform.now = c.from;
    RunTimer(program, 1000);
    program.platform.now = c.to;
    const std::vector<LocalTime> ticks = RunTimer(program, 2000);
    ASSERT_GE(ticks.size(), 9u);
    EXPECT_FALSE(OnMark(ticks[0]));  // the wait armed before the change
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_TRUE(OnMark(ticks[i])) << i;
    EXPECT_EQ(ticks.back().year, c.to.year);
    EXPECT_EQ(ReadFace(program.window()), SecondsOfDay(ticks.back()));
  }
}

}  // namespace
}  // namespace morv
