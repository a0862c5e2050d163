// The clock when the time it reads jumps: set forward or back by hours, across midnight, and
// across daylight-saving changes, where a local hour is skipped or repeated. Whatever the jump,
// the face shows the local time read at the latest tick, read back from the lines alone.
#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "clock_test_support.h"
#include "zone_time.h"

namespace morv {
namespace {

using testing_support::ReadFace;
using testing_support::kCentralEurope;
using testing_support::kLordHowe;
using testing_support::RunningClock;
using testing_support::ZoneTime;

int SecondsOfDay(const LocalTime& t) { return t.hour * 3600 + t.minute * 60 + t.second; }

// Sets the clock to t, ticks, and checks everything the tick leaves behind.
void TickAndCheck(RunningClock& program, const LocalTime& t) {
  program.platform.now = t;
  program.window().Tick();
  const std::optional<int> shown = ReadFace(program.window());
  ASSERT_TRUE(shown.has_value()) << "a line that belongs to no side is visible";
  ASSERT_EQ(*shown, SecondsOfDay(t)) << t.hour << ":" << t.minute << ":" << t.second;
  ASSERT_EQ(program.clock.TickTime.hour, t.hour);
  ASSERT_EQ(program.clock.TickTime.minute, t.minute);
  ASSERT_EQ(program.clock.TickTime.second, t.second);
}

LocalTime At(int hour, int minute, int second, int day = 7) { return {2026, 12, day, hour, minute, second}; }

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

}  // namespace
}  // namespace morv
