// Where a clock's periodic ticks fall: just after the marks of the local time, the multiples of
// the interval into each second (hh:mm:ss.000, .200, .400, ... for 200 ms). One tick then comes
// as each second begins, and a face that shows seconds turns with the second, not up to an
// interval later. Each tick arms the next from the time it read, so the ticks keep to the marks
// whatever the timer's own grain, and follow the time when it is set, moves to another zone or
// changes for daylight saving.
#pragma once

namespace morv {

// A tick that reads the time at most this long after a mark is on its mark: the next one waits
// exactly one interval. A timer that keeps its period (as Wine's does) is then left alone.
inline constexpr int kOnMarkMs = 4;
// Any other tick aims this long past the next mark, so that a timer that fires a little early,
// or a reading cut to whole milliseconds, still falls after the mark.
inline constexpr int kPastMarkMs = 2;

// The wait, in milliseconds, from a tick that read the time at millisecondsIntoSecond (0-999)
// to the next tick, for a timer whose interval divides a second. Never less than half an
// interval: a late tick is followed by one on the next mark far enough away, never by a burst.
int MillisecondsToNextTick(int millisecondsIntoSecond, int intervalMs);

}  // namespace morv
