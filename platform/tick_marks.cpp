// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/tick_marks.h"

namespace morv {

TimerMessagePlan PlanTimerMessage(int millisecondsIntoSecond, int intervalMs) {
  const int sinceMark = millisecondsIntoSecond % intervalMs;
  if (sinceMark <= kOnMarkMs) return {true, intervalMs};
  int untilMark = intervalMs - sinceMark;
  if (untilMark <= kEarlyMs) return {false, untilMark + kPastMarkMs};
  if (untilMark < intervalMs / 2) untilMark += intervalMs;
  return {true, untilMark + kPastMarkMs};
}

bool TicksNow(const TimerMessagePlan& plan, bool nextArmed, bool previousTicked) {
  return plan.tickNow || !nextArmed || !previousTicked;
}

}  // namespace morv
