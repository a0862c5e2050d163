// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Local time in a time zone with daylight saving, turned from universal time by the system's
// own rules, as the clock's local time is: a POSIX TZ rule on Linux, the same rule as time zone
// information on Windows. Neither needs a time zone database.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace morv::testing_support {

struct ZoneRule {
  // A change between standard and daylight time, in local time: the weekday (0 = Sunday) of
  // the given week of the month (5 = the last), at hour:minute.
  struct Change {
    int month, week, weekday, hour, minute;
  };
  const char* posix;          // the whole rule as TZ takes it
  int standardOffsetMinutes;  // local standard time minus universal time
  int daylightSavingMinutes;  // what daylight time adds
  Change daylightStarts;      // in local standard time
  Change standardStarts;      // in local daylight time
};

// Central Europe: +1 h, +2 h from the last Sunday of March 02:00 to the last of October 03:00.
inline constexpr ZoneRule kCentralEurope{
    "CET-1CEST,M3.5.0,M10.5.0/3", 60, 60, {3, 5, 0, 2, 0}, {10, 5, 0, 3, 0}};
// Lord Howe Island: +10:30, and half an hour more from October's first Sunday to April's.
inline constexpr ZoneRule kLordHowe{
    "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 630, 30, {10, 1, 0, 2, 0}, {4, 1, 0, 2, 0}};

// The zone in force for as long as this object lives.
class ZoneTime {
 public:
  explicit ZoneTime(const ZoneRule& rule);
  ~ZoneTime();
  ZoneTime(const ZoneTime&) = delete;
  ZoneTime& operator=(const ZoneTime&) = delete;

  LocalTime Local(std::time_t universal) const;

 private:
  const ZoneRule& rule_;
  std::optional<std::string> savedTz_;
};

}  // namespace morv::testing_support
