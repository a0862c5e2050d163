// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// How late the clock's face turns, run under Wine (or on Windows) beside a running clock:
//
//   turn_bench CAPTION DPI SECONDS
//
// Reads the face of the window titled CAPTION as often as it can for SECONDS, with the
// end-to-end tests' face reader: the client area read back with BitBlt, each side read at its
// middle pixel. Whenever the second shown changes, the read that first shows the new second is
// checked pixel by pixel (so that a read taken while the face was being repainted counts for
// nothing), and the program notes how long after that second began the read had ended, by the
// local time. That is an upper bound on the lateness: the face turned between the read before
// and this one.
//
// Prints its settings as "NAME VALUE" lines, then for each turn "turn SECOND_OF_DAY MS", and at
// the end the number of reads, the mean interval between their ends, and how many reads could
// not be read or were repaints in progress.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "clock_face_pixels.h"

namespace {

using morv::e2e::ClockFacePixels;
using morv::e2e::TimeForSides;

constexpr double kDayMs = 24.0 * 60 * 60 * 1000;

// The local time of day in milliseconds, to a tenth of a microsecond.
double LocalMillisecondsOfDay() {
  FILETIME utc{}, local{};
  GetSystemTimePreciseAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const ULONGLONG ticks =
      (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  constexpr ULONGLONG kTicksPerDay = 24ULL * 60 * 60 * 10000000;
  return static_cast<double>(ticks % kTicksPerDay) / 10000.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  if (argc != 4) {
    std::fwprintf(stderr, L"usage: turn_bench CAPTION DPI SECONDS\n");
    return 2;
  }
  const int dpi = _wtoi(argv[2]);
  const int seconds = _wtoi(argv[3]);
  if (dpi <= 0 || seconds <= 0) {
    std::fwprintf(stderr, L"turn_bench: DPI and SECONDS must be positive\n");
    return 2;
  }
  const HWND window = FindWindowW(nullptr, argv[1]);
  if (window == nullptr) {
    std::fwprintf(stderr, L"turn_bench: no window titled %ls\n", argv[1]);
    return 1;
  }
  const ClockFacePixels face(dpi);
  std::wprintf(L"dpi %d\nseconds %d\n", dpi, seconds);

  std::optional<int> shown;  // the second the face showed at the latest good read
  long reads = 0, unreadable = 0, repainting = 0;
  const double first = LocalMillisecondsOfDay();
  double last = first;
  const ULONGLONG deadline = GetTickCount64() + 1000ULL * static_cast<ULONGLONG>(seconds);
  while (GetTickCount64() < deadline) {
    const morv::e2e::Pixels pixels = morv::e2e::CaptureClient(window);
    last = LocalMillisecondsOfDay();
    ++reads;
    const auto sides = face.ReadSides(pixels);
    if (!sides) {
      ++unreadable;
      continue;
    }
    const int second = TimeForSides(*sides).SecondsOfDay();
    if (shown == second) continue;
    if (!face.Compare(pixels, *sides).empty()) {
      ++repainting;
      continue;
    }
    if (shown) {
      double late = last - second * 1000.0;
      // Across midnight one of the two times is of the other day.
      if (late >= kDayMs / 2) late -= kDayMs;
      if (late < -kDayMs / 2) late += kDayMs;
      std::wprintf(L"turn %d %.2f\n", second, late);
    }
    shown = second;
  }
  double span = last - first;
  if (span < 0) span += kDayMs;
  std::wprintf(L"reads %ld\nread_interval_ms %.3f\nunreadable %ld\nrepainting %ld\n", reads,
               reads > 1 ? span / static_cast<double>(reads - 1) : 0.0, unreadable, repainting);
  return shown ? 0 : 1;
}
