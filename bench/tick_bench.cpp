// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Per-tick cost of the clock on the fake platform: runs the clock's 200 ms timer over simulated
// time and reports, for every tick, how many sides changed and how many repaint requests the
// window received. Run under callgrind with --toggle-collect on Form1::Timer1_Timer to count
// the instructions a tick costs, the fake platform's work included.
//
//   tick_bench [--ticks N] [--start HH:MM:SS] [--still]
//
// --still keeps the simulated clock where it starts: every tick then changes nothing.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "clock/Form1.h"
#include "clock/clock_layout.h"
#include "platform/fake_platform.h"

namespace {

namespace layout = morv::clock_layout;
constexpr int kTickMs = layout::kTimerIntervalMs;
constexpr int kTwipsPerPixelAt120Dpi = 1440 / 120;

struct Options {
  int ticks = 300;                             // one minute of simulated time
  int startSeconds = 9 * 3600 + 59 * 60 + 30;  // crosses a minute and an hour
  bool still = false;
};

bool ParseTime(const char* text, int& seconds) {
  int h = 0, m = 0, s = 0;
  if (std::sscanf(text, "%d:%d:%d", &h, &m, &s) != 3) return false;
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  seconds = h * 3600 + m * 60 + s;
  return true;
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) {
      options.ticks = std::atoi(argv[++i]);
      if (options.ticks <= 0) return false;
    } else if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc) {
      if (!ParseTime(argv[++i], options.startSeconds)) return false;
    } else if (std::strcmp(argv[i], "--still") == 0) {
      options.still = true;
    } else {
      return false;
    }
  }
  return true;
}

// The pixels a line's repaint covers at 120 DPI: its bounding box grown by its width.
int RepaintArea(const morv::fake::FakeLine& line) {
  const int w = std::abs(line.to.x - line.from.x) / kTwipsPerPixelAt120Dpi + line.widthPx;
  const int h = std::abs(line.to.y - line.from.y) / kTwipsPerPixelAt120Dpi + line.widthPx;
  return w * h;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: tick_bench [--ticks N] [--start HH:MM:SS] [--still]\n");
    return 2;
  }

  morv::fake::FakePlatform platform;
  morv::frmAbout about(platform);
  morv::Form1 clock(platform, about);
  platform.now = {2026, 12, 7, 0, 0, 0};
  platform.PassTime(options.startSeconds * 1000);
  clock.Show();
  morv::fake::FakeWindow* window = platform.FindWindow(layout::kCaption);
  if (window == nullptr) {
    std::fprintf(stderr, "tick_bench: the clock window did not open\n");
    return 1;
  }
  // The first tick draws the starting face; the figures below are for the ticks after it.
  window->Tick();

  const std::size_t lineCount = window->lines.size();
  std::vector<bool> before(lineCount);
  std::vector<int> requestsBefore(lineCount);
  int changingTicks = 0, stillTicks = 0, changedSides = 0, requests = 0;
  int requestsOnStillTicks = 0, mismatchedTicks = 0, multiRequestLines = 0, largestArea = 0;
  for (int tick = 1; tick <= options.ticks; ++tick) {
    for (std::size_t i = 0; i < lineCount; ++i) {
      before[i] = window->lines[i]->Visible();
      requestsBefore[i] = window->lines[i]->repaintRequests;
    }
    const int windowRequestsBefore = window->repaintRequests;
    if (!options.still) platform.PassTime(kTickMs);
    window->Tick();

    int changed = 0;
    for (std::size_t i = 0; i < lineCount; ++i) {
      const morv::fake::FakeLine& line = *window->lines[i];
      const int lineRequests = line.repaintRequests - requestsBefore[i];
      if (line.Visible() != before[i]) ++changed;
      if (lineRequests > 1) ++multiRequestLines;
      if (lineRequests > 0 && RepaintArea(line) > largestArea) largestArea = RepaintArea(line);
    }
    const int tickRequests = window->repaintRequests - windowRequestsBefore;
    changedSides += changed;
    requests += tickRequests;
    if (changed == 0) {
      ++stillTicks;
      requestsOnStillTicks += tickRequests;
    } else {
      ++changingTicks;
    }
    if (tickRequests != changed) ++mismatchedTicks;
  }

  const int clientArea = (layout::kClientWidth / kTwipsPerPixelAt120Dpi) *
                         (layout::kClientHeight / kTwipsPerPixelAt120Dpi);
  // The clock's own figures, for the report's prose.
  std::printf("caption %s\n", layout::kCaption);
  std::printf("timer_ms %d\n", kTickMs);
  std::printf("lines %zu\n", lineCount);
  std::printf("sides %zu\n", layout::kBoxes.size() * layout::kSideOfBit.size());
  std::printf("line_width_px %d\n", layout::kLineWidthPx);
  std::printf("start_time %02d:%02d:%02d\n", options.startSeconds / 3600,
              options.startSeconds / 60 % 60, options.startSeconds % 60);
  std::printf("ticks %d\n", options.ticks);
  std::printf("simulated_seconds %.1f\n", options.still ? 0.0 : options.ticks * kTickMs / 1000.0);
  std::printf("ticks_with_changes %d\n", changingTicks);
  std::printf("ticks_without_changes %d\n", stillTicks);
  std::printf("changed_sides %d\n", changedSides);
  std::printf("repaint_requests %d\n", requests);
  std::printf("requests_on_ticks_without_changes %d\n", requestsOnStillTicks);
  std::printf("ticks_where_requests_differ_from_changed_sides %d\n", mismatchedTicks);
  std::printf("lines_with_more_than_one_request_in_a_tick %d\n", multiRequestLines);
  std::printf("largest_repaint_px_at_120dpi %d\n", largestArea);
  std::printf("client_px_at_120dpi %d\n", clientArea);
  std::printf("final_time %02d:%02d:%02d\n", clock.TickTime.hour, clock.TickTime.minute,
              clock.TickTime.second);
  return 0;
}
