// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// clock_probe.dll: loaded into a running morvtime.exe by the end-to-end tests, to look at or
// change what only the clock's own process can. Under Wine an icon or a font lives in the
// process that made it (another process can neither draw it nor read it), and system colours
// set with SetSysColors change for the calling process alone. The probes hand what they find
// over in a named shared memory block that the test creates before it loads the probe.
#pragma once

#include <windows.h>

namespace morv::e2e {

inline constexpr wchar_t kClockProbeFile[] = L"clock_probe.dll";
inline constexpr wchar_t kClockProbeMapping[] = L"Local\\MorvTimeClockProbe";

// The probes: thread routines the test starts in the clock's process.
// ProbeWindowIcon(clock window): the window's icon, into ClockProbeShared::icon.
inline constexpr char kProbeWindowIcon[] = "ProbeWindowIcon";
// MeasureLabels(dialog): every label's size and its text's, into ClockProbeShared::labels.
inline constexpr char kMeasureLabels[] = "MeasureLabels";
// UseLightOnDarkColours(nullptr): the colours of a high-contrast black theme, as a person with
// low vision sets them; RestoreColours(nullptr): the colours from before.
inline constexpr char kUseLightOnDarkColours[] = "UseLightOnDarkColours";
inline constexpr char kRestoreColours[] = "RestoreColours";
// UseLargerFrames(nullptr): the menu bar 16 and the caption 10 pixels taller, in larger fonts, as
// a larger text size, a theme or the classic metrics make them (SPI_SETNONCLIENTMETRICS, not
// broadcast); RestoreFrames(nullptr): the metrics from before.
inline constexpr char kUseLargerFrames[] = "UseLargerFrames";
inline constexpr char kRestoreFrames[] = "RestoreFrames";
// PaintThemedBackgrounds(dialog): has each button ask for its parent's background, as a themed
// button does, into ClockProbeShared::backgrounds.
inline constexpr char kPaintThemedBackgrounds[] = "PaintThemedBackgrounds";
// PrintClientArea(window): the window's client area through PrintWindow, into
// ClockProbeShared::print.
inline constexpr char kPrintClientArea[] = "PrintClientArea";
// KnockTimerOffTheMarks(clock window): sets the clock's own timer to fire half an interval past
// the marks, as a timer that drifted would, then notes when each of the next timer messages came,
// into ClockProbeShared::timer.
inline constexpr char kKnockTimerOffTheMarks[] = "KnockTimerOffTheMarks";

inline constexpr int kIconProbeMaxSize = 64;

struct IconReport {
  LONG source;  // 0: no icon; 1: the window's own (WM_GETICON); 2: its class icon
  LONG width;   // the icon's image, in pixels
  LONG height;
  LONG smallWidth;  // the window's small icon, its own or its class's; 0 when it has none
  LONG smallHeight;
  // The icon drawn at its own size over two backgrounds (0x00RRGGBB, rows top-down, row
  // length kIconProbeMaxSize), so that transparent pixels show as the background each time.
  DWORD background[2];
  DWORD pixels[2][kIconProbeMaxSize * kIconProbeMaxSize];
};

// A label's text measured as the label draws it: in the font the label holds, wrapped at the
// label's width.
struct LabelReport {
  struct Label {
    WCHAR text[64];
    LONG width;  // the label's client area
    LONG height;
    LONG textWidth;
    LONG textHeight;
  };
  LONG count;
  Label labels[8];
};

// What each button's parent painted behind it: the button's area was filled with a colour no
// window of the program paints (kUnpainted) and handed to DrawThemeParentBackground.
struct BackgroundReport {
  static constexpr DWORD kUnpainted = 0x00FE01FD;  // 0x00RRGGBB
  struct Button {
    WCHAR text[32];
    LONG pixels;
    LONG unpainted;  // pixels still in kUnpainted
  };
  LONG count;
  Button buttons[4];
};

// A client area as PrintWindow(PW_CLIENTONLY) gives it (0x00RRGGBB, rows top-down).
struct PrintReport {
  static constexpr int kMaxPixels = 1024 * 256;
  LONG ok;  // what PrintWindow answered
  LONG width;
  LONG height;
  DWORD pixels[kMaxPixels];
};

// When each timer message after the knock came, read as the clock reads the time.
struct TimerReport {
  static constexpr int kMessages = 12;
  LONG count;
  LONG millisecond[kMessages];  // into the second
};

struct ClockProbeShared {
  LONG done;  // set to 1 by a probe once it has written its part
  IconReport icon;
  LabelReport labels;
  BackgroundReport backgrounds;
  PrintReport print;
  TimerReport timer;
};

}  // namespace morv::e2e
