#include "platform/tick_marks.h"

namespace morv {

int MillisecondsToNextTick(int millisecondsIntoSecond, int intervalMs) {
  const int sinceMark = millisecondsIntoSecond % intervalMs;
  if (sinceMark <= kOnMarkMs) return intervalMs;
  int untilMark = intervalMs - sinceMark;
  if (untilMark < intervalMs / 2) untilMark += intervalMs;
  return untilMark + kPastMarkMs;
}

}  // namespace morv
