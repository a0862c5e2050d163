// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "zone_time.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace morv::testing_support {

#ifdef _WIN32

namespace {

SYSTEMTIME ChangeDate(const ZoneRule::Change& change) {
  SYSTEMTIME date{};
  date.wMonth = static_cast<WORD>(change.month);
  date.wDayOfWeek = static_cast<WORD>(change.weekday);
  date.wDay = static_cast<WORD>(change.week);  // with no year: the week of the month
  date.wHour = static_cast<WORD>(change.hour);
  date.wMinute = static_cast<WORD>(change.minute);
  return date;
}

}  // namespace

ZoneTime::ZoneTime(const ZoneRule& rule) : rule_(rule) {}
ZoneTime::~ZoneTime() = default;

LocalTime ZoneTime::Local(std::time_t universal) const {
  TIME_ZONE_INFORMATION zone{};
  zone.Bias = -rule_.standardOffsetMinutes;
  zone.DaylightBias = -rule_.daylightSavingMinutes;
  zone.StandardDate = ChangeDate(rule_.standardStarts);
  zone.DaylightDate = ChangeDate(rule_.daylightStarts);
  // Seconds since 1970 as 100-nanosecond intervals since 1601.
  ULARGE_INTEGER ticks{};
  ticks.QuadPart = (static_cast<ULONGLONG>(universal) + 11644473600ULL) * 10000000ULL;
  const FILETIME file{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME utc{}, local{};
  FileTimeToSystemTime(&file, &utc);
  SystemTimeToTzSpecificLocalTime(&zone, &utc, &local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

#else

ZoneTime::ZoneTime(const ZoneRule& rule) : rule_(rule) {
  if (const char* old = std::getenv("TZ")) savedTz_ = old;
  setenv("TZ", rule_.posix, 1);
  tzset();
}

ZoneTime::~ZoneTime() {
  if (savedTz_) {
    setenv("TZ", savedTz_->c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

LocalTime ZoneTime::Local(std::time_t universal) const {
  std::tm tm{};
  localtime_r(&universal, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

#endif

}  // namespace morv::testing_support
