// What icon_probe.dll reports about a window's icon from inside the process that owns it, and
// how it is handed over: a named shared memory block that the test creates before loading the
// probe into the clock's process. (Under Wine an icon lives in its owner's process: another
// process can neither draw it nor read its bitmaps.)
#pragma once

#include <windows.h>

namespace morv::e2e {

inline constexpr wchar_t kIconProbeMapping[] = L"Local\\MorvTimeIconProbe";
inline constexpr char kIconProbeFunction[] = "ProbeWindowIcon";
inline constexpr int kIconProbeMaxSize = 64;

struct IconProbeResult {
  LONG done;    // 1 once the probe has written everything below
  LONG source;  // 0: no icon; 1: the window's own (WM_GETICON); 2: its class icon
  LONG width;   // the icon's image, in pixels
  LONG height;
  // The icon drawn at its own size over two backgrounds (0x00RRGGBB, rows top-down, row
  // length kIconProbeMaxSize), so that transparent pixels show as the background each time.
  DWORD background[2];
  DWORD pixels[2][kIconProbeMaxSize * kIconProbeMaxSize];
};

}  // namespace morv::e2e
