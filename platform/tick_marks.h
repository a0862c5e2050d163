// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Where a clock's periodic ticks fall: just after the marks of the local time, the multiples of
// the interval into each second (hh:mm:ss.000, .200, .400, ... for 200 ms). One tick then comes
// as each second begins, and a face that shows seconds turns with the second, not up to an
// interval later. Each timer message arms the next from the time it read, so the ticks keep to
// the marks whatever the timer's own grain, and follow the time when it is set, moves to another
// zone or changes for daylight saving.
#pragma once

namespace morv {

// A message that reads the time at most this long after a mark is on its mark: the next one
// waits exactly one interval. A timer that keeps its period (as Wine's does) is then left alone.
inline constexpr int kOnMarkMs = 4;
// Any other message aims this long past the next mark, so that a reading cut to whole
// milliseconds still falls after the mark.
inline constexpr int kPastMarkMs = 2;
// A message at most this long before a mark came early for it: a timer may fire up to one
// period of the system timer (15.6 ms on Windows) before its time. It does not tick, which
// would show the second that is ending; the timer waits for the mark instead.
inline constexpr int kEarlyMs = 20;

struct TimerMessagePlan {
  bool tickNow;    // whether this message ticks
  int nextWaitMs;  // how long until the timer's next message
};

// What a timer message that read the time at millisecondsIntoSecond (0-999) does, for a timer
// whose interval divides a second. Ticks fall at least half an interval apart: a late tick is
// followed by one on the next mark far enough away, never by a burst.
TimerMessagePlan PlanTimerMessage(int millisecondsIntoSecond, int intervalMs);

// Whether a timer message ticks: as its plan says, and also where it was to wait for its mark but
// the timer could not be armed for the mark (the timer then goes on at its old period, and every
// later message would come at the same early phase and wait again), or where the message before
// did not tick either (the timer runs at some other period than planned). So a message that does
// not tick is followed by one that does within one interval, and the face never stops.
bool TicksNow(const TimerMessagePlan& plan, bool nextArmed, bool previousTicked);

}  // namespace morv
