// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The real clock window under Wine: its size at the screen's DPI, the time it shows, read back
// from its pixels alone, and what a screen reader in another process hears of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "clock/clock_layout.h"
#include "clock_face_checks.h"
#include "clock_probe_client.h"
#include "e2e_support.h"
#include "hardening_support.h"
#include "screen_reader.h"

namespace morv::e2e {
namespace {

// One look at the face: the pixels, the sides read from them, and the local time around it.
struct Reading {
  TimeOfDay before;
  Pixels pixels;
  TimeOfDay after;
  std::optional<SideMask> sides;
  std::string mismatch;  // "" when every pixel agrees with the sides read

  bool Current() const {
    return sides && mismatch.empty() && IsCurrent(TimeForSides(*sides), before, after);
  }
  std::string Describe() const {
    if (!sides) return "the capture is too small to read the face";
    return "shows " + TimeForSides(*sides).Text() + " between " + before.Text() + " and " +
           after.Text() + (mismatch.empty() ? "" : "; " + mismatch);
  }
};

Reading Read(HWND window, const ClockFacePixels& face) {
  Reading reading;
  reading.before = LocalTimeOfDay();
  reading.pixels = CaptureClient(window);
  reading.after = LocalTimeOfDay();
  reading.sides = face.ReadSides(reading.pixels);
  if (reading.sides) reading.mismatch = face.Compare(reading.pixels, *reading.sides);
  return reading;
}

// Waits until the window shows the current time (its first tick has been painted, or a resize
// has been repainted); returns the last reading either way.
Reading WaitForCurrentFace(HWND window, const ClockFacePixels& face, DWORD timeoutMs = 5000) {
  Reading reading;
  WaitUntil(
      [&] {
        reading = Read(window, face);
        return reading.Current();
      },
      timeoutMs);
  return reading;
}

// Watches the running face over several seconds: every look must read as the current time with
// every pixel in place, and the time must move on. Returns the readings.
std::vector<Reading> WatchTheFace(HWND window, const ClockFacePixels& face, const wchar_t* name) {
  std::vector<Reading> readings;
  const Reading first = WaitForCurrentFace(window, face);
  EXPECT_TRUE(first.Current()) << first.Describe();
  if (!first.Current()) {
    first.pixels.SavePpm(PicturePath(name));
    return readings;
  }
  std::set<int> shown;
  const ULONGLONG deadline = GetTickCount64() + 20000;
  while (shown.size() < 3 && GetTickCount64() < deadline) {
    Reading reading = Read(window, face);
    EXPECT_TRUE(reading.Current()) << reading.Describe();
    if (!reading.sides || !reading.Current()) {
      reading.pixels.SavePpm(PicturePath(name));
      break;
    }
    shown.insert(TimeForSides(*reading.sides).SecondsOfDay());
    readings.push_back(std::move(reading));
    Sleep(350);
  }
  EXPECT_GE(shown.size(), 3u) << "the face did not move on from second to second";
  return readings;
}

// The cases named AtTheScreenDpi run at 120 DPI with the others, and again at 96 and 144 DPI
// (tests/wine/CMakeLists.txt).

// The client area is 7740 x 1344 twips at the screen's DPI: exactly 645 x 112 pixels at 120 DPI.
// (Under Wine, GetDpiForWindow on another process's window answers the caller's own DPI, so
// the client size is what shows the DPI the clock took.)
TEST(ClockWindow, ClientSizeIsTheDesignSizeAtTheScreenDpi) {
  // MulDiv(7740, dpi, 1440) x MulDiv(1344, dpi, 1440), rounded; 12 twips a pixel at 120 DPI.
  const std::map<UINT, SIZE> sizes{{96, {516, 90}}, {120, {645, 112}}, {144, {774, 134}}};
  const UINT dpi = ScreenDpi();
  ASSERT_EQ(sizes.count(dpi), 1u) << "no size known at " << dpi << " DPI";
  // at_dpi.sh says which DPI it restarted the prefix at.
  if (const char* restartedAt = std::getenv("MORV_SCREEN_DPI")) {
    EXPECT_EQ(std::to_string(dpi), restartedAt);
  }
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const SIZE size = ClientSize(clock.window);
  EXPECT_EQ(size.cx, sizes.at(dpi).cx) << dpi << " DPI";
  EXPECT_EQ(size.cy, sizes.at(dpi).cy) << dpi << " DPI";
}

TEST(ClockWindow, AboutCommandOpensTheDialogThroughTheMenuBar) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  EXPECT_NE(clock.OpenAbout(5000), nullptr);
}

// Whether every text label of the dialog shows its text in light ink on the dark face colour,
// or in dark ink on the light one: most of its box in the face colour, and enough ink.
bool LabelsDrawnIn(HWND dialog, std::uint32_t face, bool lightInk) {
  const Pixels shot = CaptureClient(dialog);
  for (HWND child : Children(dialog)) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    if (ClassOf(child) != L"Static" || (style & SS_TYPEMASK) == SS_ICON ||
        WindowText(child).empty()) {
      continue;
    }
    const RECT box = RectInClient(dialog, child);
    int faceCount = 0, ink = 0, all = 0;
    for (int y = box.top; y < box.bottom && y < shot.height; ++y) {
      for (int x = box.left; x < box.right && x < shot.width; ++x) {
        const std::uint32_t p = shot.at(x, y);
        const std::uint32_t darkest = std::min({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
        const std::uint32_t lightest = std::max({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
        faceCount += p == face;
        ink += lightInk ? darkest >= 0xC0u : lightest <= 0x40u;
        ++all;
      }
    }
    if (all == 0 || faceCount * 2 < all || ink < 10) return false;
  }
  return true;
}

// A light-on-dark scheme, switched on and off while the clock and its dialog are open, as a
// person with low vision switches a high-contrast theme: every stroke of the face (sides,
// diagonals, colons) turns light on dark at once, and so do the dialog's texts; and back.
TEST(ColourScheme, TheFaceAndTheDialogFollowALiveChangeToLightOnDarkAndBack) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const HWND dialog = clock.OpenAbout(5000);
  ASSERT_NE(dialog, nullptr);
  // Below the clock, which it would otherwise cover and hide from the capture.
  RECT frame{};
  GetWindowRect(clock.window, &frame);
  SetWindowPos(dialog, nullptr, frame.left, frame.bottom + 8, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ClockProbe probe(clock.process.handle());

  ASSERT_EQ(probe.Run(kUseLightOnDarkColours), "");
  EXPECT_TRUE(ShowsTheTime(clock.window, 120, {0xFFFFFF, 0x000000}));
  EXPECT_TRUE(WaitUntil([&] { return LabelsDrawnIn(dialog, 0x000000, true); }, 3000));

  ASSERT_EQ(probe.Run(kRestoreColours), "");
  EXPECT_TRUE(ShowsTheTime(clock.window, 120));
  EXPECT_TRUE(WaitUntil([&] { return LabelsDrawnIn(dialog, FaceColour(), false); }, 3000));
}

TEST(ClockFace, ShowsTheCurrentTimeAtTheScreenDpi) {
  const auto dpi = static_cast<int>(ScreenDpi());
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ClockFacePixels face(dpi);
  const SIZE size = ClientSize(clock.window);
  ASSERT_EQ(size.cx, face.Width());
  ASSERT_EQ(size.cy, face.Height());
  const std::vector<Reading> readings =
      WatchTheFace(clock.window, face, (L"face" + std::to_wstring(dpi)).c_str());
  ASSERT_FALSE(readings.empty());
  // At 120 DPI, where every coordinate of the face is a whole pixel, its strokes are measured.
  if (dpi != 120) return;

  // Each box is 80 pixels square: every side shown runs 80 pixels between the centre lines of
  // the sides across it, plus the line's 5-pixel width.
  int measured = 0;
  for (const Reading& reading : readings) {
    for (int b = 0; b < 6; ++b) {
      const ClockFacePixels::Box box = face.BoxAt(b);
      const int midX = (box.left + box.right) / 2, midY = (box.top + box.bottom) / 2;
      const SideMask sides = reading.sides.value_or(0) >> (4 * b);  // only whole readings are kept
      // Bit k: bottom, right, top, left; each measured through its middle, along itself.
      const std::array<POINT, 4> middles{
          {{midX, box.bottom}, {box.right, midY}, {midX, box.top}, {box.left, midY}}};
      for (int k = 0; k < 4; ++k) {
        if (((sides >> k) & 1) == 0) continue;
        const POINT& p = middles[static_cast<std::size_t>(k)];
        EXPECT_EQ(ClockFacePixels::DarkRun(reading.pixels, p.x, p.y, k % 2 == 0), 85)
            << "box " << b << ", side " << k;
        ++measured;
      }
    }
  }
  EXPECT_GT(measured, 0);

  // The colon strokes stand midway between the neighbouring boxes' facing sides, 5 pixels wide
  // and 10 pixels long between their end points.
  const Pixels& pixels = readings.back().pixels;
  const std::array<std::pair<int, int>, 2> gaps{{{1, 2}, {3, 4}}};
  for (const auto& [leftBox, rightBox] : gaps) {
    const int from = face.BoxAt(leftBox).right + 3, to = face.BoxAt(rightBox).left - 3;
    for (const int strokeMiddle : {35, 65}) {  // y between 360 and 480, 720 and 840 twips
      int first = -1, last = -1;
      for (int x = from; x <= to; ++x) {
        if (pixels.at(x, strokeMiddle) != LineColour()) continue;
        if (first < 0) first = x;
        last = x;
      }
      ASSERT_GE(first, 0) << "no colon stroke between boxes " << leftBox << " and " << rightBox;
      EXPECT_EQ(last - first + 1, 5);
      EXPECT_EQ(first + last, face.BoxAt(leftBox).right + face.BoxAt(rightBox).left)
          << "the stroke is not midway between the boxes";
      EXPECT_EQ(ClockFacePixels::DarkRun(pixels, (first + last) / 2, strokeMiddle, false), 15);
    }
  }
}

// Resizes the window's frame so that its client area grows by dx, dy, and waits until the
// client area has that size (the change goes through the X server and the window manager, and
// may pass through other sizes on the way); returns the size it has then.
SIZE ResizeClient(HWND window, int dx, int dy) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const SIZE before = ClientSize(window);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const ULONGLONG deadline = GetTickCount64() + 5000;
  SIZE size = ClientSize(window);
  while ((size.cx != before.cx + dx || size.cy != before.cy + dy) && GetTickCount64() < deadline) {
    Sleep(50);
    size = ClientSize(window);
  }
  return size;
}

TEST(ClockFace, EnlargingTheWindowKeepsTheGlyphsInPlaceOnAPlainFace) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ClockFacePixels face(120);
  ASSERT_TRUE(WaitForCurrentFace(clock.window, face).Current());

  const SIZE size = ResizeClient(clock.window, 300, 200);
  ASSERT_EQ(size.cx, face.Width() + 300);
  ASSERT_EQ(size.cy, face.Height() + 200);
  // Every pixel of the larger area is compared: the glyphs at their old pixels, and the face
  // colour everywhere else, including all of the new area.
  const Reading reading = WaitForCurrentFace(clock.window, face);
  EXPECT_TRUE(reading.Current()) << reading.Describe();
  EXPECT_EQ(reading.pixels.width, size.cx);
  if (!reading.Current()) reading.pixels.SavePpm(PicturePath(L"enlarged"));
}

TEST(ClockFace, ShrinkingTheWindowClipsTheGlyphsWithoutScaling) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ClockFacePixels face(120);
  ASSERT_TRUE(WaitForCurrentFace(clock.window, face).Current());

  // 315 x 72 pixels: the first three boxes and a colon stay in view, cut off above their bottom
  // sides; the rest of the face is clipped away.
  const SIZE size = ResizeClient(clock.window, -330, -40);
  ASSERT_EQ(size.cx, face.Width() - 330);
  ASSERT_EQ(size.cy, face.Height() - 40);
  // The sides cannot all be read from a clipped face, so every pixel that remains is compared
  // with the face of each second the clock may be showing.
  bool matched = false;
  std::string mismatch;
  Pixels pixels;
  const ULONGLONG deadline = GetTickCount64() + 5000;
  do {
    const TimeOfDay before = LocalTimeOfDay();
    pixels = CaptureClient(clock.window);
    const TimeOfDay after = LocalTimeOfDay();
    const int span = (after.SecondsOfDay() - before.SecondsOfDay() + 86400) % 86400;
    for (int s = -2; s <= span && !matched; ++s) {
      const int t = (before.SecondsOfDay() + s + 86400) % 86400;
      mismatch = face.Compare(pixels, SidesForTime({t / 3600, t / 60 % 60, t % 60}));
      matched = mismatch.empty();
    }
    if (!matched) Sleep(100);
  } while (!matched && GetTickCount64() < deadline);
  EXPECT_TRUE(matched) << mismatch;
  EXPECT_EQ(pixels.width, size.cx);
  EXPECT_EQ(pixels.height, size.cy);
  if (!matched) pixels.SavePpm(PicturePath(L"shrunk"));
}

// The clock's client area as PrintWindow gives it, run in the clock's process; empty if it fails.
Pixels Printed(ClockProbe& probe, HWND window) {
  Pixels pixels;
  const PrintReport& print = probe.shared().print;
  if (!probe.Run(kPrintClientArea, window).empty() || !print.ok) return pixels;
  pixels.width = print.width;
  pixels.height = print.height;
  const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(print.width) * print.height;
  pixels.data.assign(print.pixels, print.pixels + count);
  return pixels;
}

// Screenshot, remote-support and accessibility tools capture a window with PrintWindow, which
// has it paint into their own device context (WM_PRINTCLIENT). What they get is the face as the
// window shows it: the current time, every pixel in place.
TEST(ClockFace, PrintWindowGivesTheCurrentFace) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  ClockProbe probe(clock.process.handle());
  EXPECT_TRUE(ShowsTheTime([&] { return Printed(probe, clock.window); }, 120));
}

// The clock's timer knocked half an interval off the marks, as a timer that drifted would be: the
// message that comes there ticks and sets the timer for the next mark, and from then on the
// messages come just after the marks. Timed inside the clock as each message comes; a busy
// machine may hold up one or two of them.
TEST(ClockFace, ATimerKnockedOffTheMarksFindsThemAgain) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  ClockProbe probe(clock.process.handle());
  ASSERT_EQ(probe.Run(kKnockTimerOffTheMarks, clock.window), "");
  const TimerReport& report = probe.shared().timer;
  ASSERT_EQ(report.count, TimerReport::kMessages);
  std::string phases;  // how long after a mark each message came
  int justAfter = 0;
  for (int i = 0; i < TimerReport::kMessages; ++i) {
    const LONG phase = report.millisecond[i] % clock_layout::kTimerIntervalMs;
    phases += " " + std::to_string(phase);
    if (i >= 1 && i <= 10 && phase < 30) ++justAfter;
  }
  EXPECT_GE(report.millisecond[0] % clock_layout::kTimerIntervalMs, 30) << "not knocked:" << phases;
  EXPECT_GE(justAfter, 8) << "ms after a mark:" << phases;
}

// ---- Screen readers ----

// "17:59:33" as the face reads it, in hexadecimal: "11:3B:21".
std::wstring HexReading(const std::string& decimal) {
  int hour = -1, minute = -1, second = -1;
  if (std::sscanf(decimal.c_str(), "%d:%d:%d", &hour, &minute, &second) != 3) return L"?";
  wchar_t hex[16];
  swprintf(hex, 16, L"%02X:%02X:%02X", hour, minute, second);
  return hex;
}

// The window a standard accessible object stands for; nullptr for any other object.
HWND WindowOf(IUnknown* object) {
  IOleWindow* window = nullptr;
  HWND handle = nullptr;
  if (SUCCEEDED(object->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window)))) {
    window->GetWindow(&handle);
    window->Release();
  }
  return handle;
}

std::wstring Upper(std::wstring text) {
  CharUpperW(text.data());
  return text;
}

RECT ClientOnScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A reader hears a clock named 時刻 whose value is the time its face shows, read from the window's
// pixels at the same moment, in decimal, and whose description is the face's hexadecimal
// reading; it follows the clock from second to second. The accessibility library is loaded, from
// the system folder, only once a reader has asked. (Wine's own display driver loads the COM
// libraries into every program with a window, so under Wine only this one shows it.)
TEST(ScreenReader, HearsTheTimeTheFaceShows) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ClockFacePixels face(120);
  ASSERT_TRUE(WaitForCurrentFace(clock.window, face).Current());
  EXPECT_EQ(LoadedModule(clock.process.handle(), L"oleacc.dll"), L"")
      << "loaded before a reader asked";
  const ReaderView reader(clock.window, OBJID_CLIENT);
  ASSERT_NE(reader.get(), nullptr);
  EXPECT_EQ(reader.Number(&IAccessible::get_accRole), ROLE_SYSTEM_CLOCK);
  EXPECT_EQ(reader.Text(&IAccessible::get_accName), kAccessibleName);
  const std::wstring oleacc = LoadedModule(clock.process.handle(), L"oleacc.dll");
  EXPECT_EQ(Upper(oleacc.substr(0, oleacc.find_last_of(L'\\'))), Upper(SystemFolder()));

  std::set<std::string> heard;
  const ULONGLONG deadline = GetTickCount64() + 20000;
  while (heard.size() < 3 && GetTickCount64() < deadline) {
    const std::string before = Utf8(reader.Text(&IAccessible::get_accValue));
    const std::wstring description = reader.Text(&IAccessible::get_accDescription);
    const std::optional<SideMask> sides = face.ReadSides(CaptureClient(clock.window));
    const std::string after = Utf8(reader.Text(&IAccessible::get_accValue));
    if (!sides) FAIL() << "the face could not be read";
    const TimeOfDay shown = TimeForSides(*sides);
    EXPECT_TRUE(shown.Text() == before || shown.Text() == after)
        << "the face shows " << shown.Text() << ", the reader heard " << before << " and " << after;
    EXPECT_TRUE(description == HexReading(before) || description == HexReading(after))
        << Utf8(description) << " is not the face's reading of " << before << " or " << after;
    heard.insert(after);
    Sleep(300);
  }
  EXPECT_GE(heard.size(), 3u) << "the value did not follow the clock";
}

// Where the clock is: its client area on the screen at the screen's DPI, and again after the
// window has moved and grown; a point in it finds the clock, one on the title bar does not.
// It has the focus while its window is active, and not while the About dialog is; its parent is
// the window's standard object, which answers as before.
TEST(ScreenReader, FindsTheClockWhereItIsAtTheScreenDpiAndFocusedWhileActive) {
  const auto dpi = static_cast<int>(ScreenDpi());
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ReaderView reader(clock.window, OBJID_CLIENT);
  ASSERT_NE(reader.get(), nullptr);
  EXPECT_EQ(ClientSize(clock.window).cx, MulDiv(7740, dpi, 1440));
  EXPECT_TRUE(SameRect(reader.Location(), ClientOnScreen(clock.window))) << dpi << " DPI";

  SetWindowPos(clock.window, nullptr, 40, 60, 900, 300, SWP_NOZORDER);
  EXPECT_TRUE(
      WaitUntil([&] { return SameRect(reader.Location(), ClientOnScreen(clock.window)); }, 3000));
  const RECT client = ClientOnScreen(clock.window);
  VARIANT hit;
  VariantInit(&hit);
  EXPECT_EQ(reader.get()->accHitTest((client.left + client.right) / 2, client.top + 20, &hit),
            S_OK);
  EXPECT_TRUE(hit.vt == VT_I4 && hit.lVal == CHILDID_SELF);
  EXPECT_EQ(reader.get()->accHitTest(client.left + 20, client.top - 40, &hit), S_FALSE);
  EXPECT_EQ(hit.vt, VT_EMPTY);

  const LONG always = STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE;
  ASSERT_TRUE(ActivateWindow(clock.window));
  EXPECT_EQ(reader.Number(&IAccessible::get_accState), always | STATE_SYSTEM_FOCUSED);
  VARIANT focus;
  VariantInit(&focus);
  EXPECT_EQ(reader.get()->get_accFocus(&focus), S_OK);
  EXPECT_TRUE(focus.vt == VT_I4 && focus.lVal == CHILDID_SELF);
  ASSERT_NE(clock.OpenAbout(5000), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return reader.Number(&IAccessible::get_accState) == always; }, 3000));
  EXPECT_EQ(reader.get()->get_accFocus(&focus), S_FALSE);

  // Wine's standard window object answers little but the window it stands for.
  IDispatch* parent = nullptr;
  ASSERT_EQ(reader.get()->get_accParent(&parent), S_OK);
  EXPECT_EQ(WindowOf(parent), clock.window);
  parent->Release();
  const ReaderView window(clock.window, OBJID_WINDOW);
  ASSERT_NE(window.get(), nullptr);
  EXPECT_EQ(WindowOf(window.get()), clock.window);
}

// A reader that still holds the clock after its window has closed (the About dialog keeps the
// program running) gets an error from every call, and the program runs on and ends cleanly.
TEST(ScreenReader, AReferenceHeldPastTheClockFailsCleanly) {
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const ReaderView reader(clock.window, OBJID_CLIENT);
  ASSERT_NE(reader.get(), nullptr);
  ASSERT_EQ(reader.Text(&IAccessible::get_accName), kAccessibleName);
  const HWND dialog = clock.OpenAbout(5000);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(clock.window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitDestroyed(clock.window));

  // The object is cut off from its readers (Wine's COM then answers RPC_S_UNKNOWN_IF); one that
  // answered would have reached the closed window's form.
  std::wstring text;
  for (const auto read : {&IAccessible::get_accName, &IAccessible::get_accValue}) {
    const HRESULT result = reader.Text(read, text);
    EXPECT_TRUE(FAILED(result)) << Utf8(text);
  }
  LONG left = 0, top = 0, width = 0, height = 0;
  EXPECT_TRUE(FAILED(reader.get()->accLocation(&left, &top, &width, &height, ReaderView::Self())));
  EXPECT_TRUE(clock.process.Running());
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(clock.process.WaitForExit(10000), 0u);
  EXPECT_TRUE(FAILED(reader.Text(&IAccessible::get_accValue, text)));
}

#if defined(_M_X64) || defined(__x86_64__)
// morvtime.exe run under the debugging API and held at its first reading of the time
// (GetSystemTimePreciseAsFileTime) once its window is visible. The clock reads the time only when
// its timer fires, so whatever the window shows while the process is held is the face from before
// any tick, without a race against the timer.
class ClockHeldBeforeFirstTick {
 public:
  static constexpr char kTimeFunction[] = "GetSystemTimePreciseAsFileTime";

  ClockHeldBeforeFirstTick() = default;
  ClockHeldBeforeFirstTick(const ClockHeldBeforeFirstTick&) = delete;
  ClockHeldBeforeFirstTick& operator=(const ClockHeldBeforeFirstTick&) = delete;
  ~ClockHeldBeforeFirstTick() {
    if (info_.hProcess == nullptr) return;
    TerminateProcess(info_.hProcess, 255);
    if (debugging_) {
      if (held_) ContinueDebugEvent(info_.dwProcessId, heldThread_, DBG_CONTINUE);
      // Take the remaining events until the process has gone.
      DEBUG_EVENT event{};
      while (WaitForDebugEvent(&event, 5000)) {
        CloseEventHandles(event);
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
      }
    }
    WaitForSingleObject(info_.hProcess, 5000);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }

  // Starts the clock and runs it until it is held; "" on success, else what went wrong.
  std::string Start() {
    time_ =
        reinterpret_cast<BYTE*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), kTimeFunction));
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(time_), &module)) {
      return std::string(kTimeFunction) + "'s module not found";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"morvtime.exe";
    if (!CreateProcessW(MorvTimePath().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, BuildFolder().c_str(), &startup,
                        &info_)) {
      return "CreateProcessW failed";
    }
    debugging_ = true;
    bool armed = false, stepping = false;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline) {
      DEBUG_EVENT event{};
      if (!WaitForDebugEvent(&event, 500)) continue;
      CloseEventHandles(event);
      DWORD status = DBG_CONTINUE;
      switch (event.dwDebugEventCode) {
        case LOAD_DLL_DEBUG_EVENT:
          // System DLLs are mapped at the same address in every process; the bytes at the
          // function are checked before the breakpoint goes in.
          if (event.u.LoadDll.lpBaseOfDll == module && !armed) {
            BYTE theirs[16] = {};
            if (!ReadProcessMemory(info_.hProcess, time_, theirs, sizeof(theirs), nullptr) ||
                std::memcmp(theirs, time_, sizeof(theirs)) != 0) {
              return std::string(kTimeFunction) + " is elsewhere in the clock's process";
            }
            original_ = theirs[0];
            if (!SetBreakpoint(true)) return "the breakpoint could not be set";
            armed = true;
          }
          break;
        case EXCEPTION_DEBUG_EVENT: {
          const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
          if (record.ExceptionCode == EXCEPTION_BREAKPOINT && record.ExceptionAddress == time_) {
            window_ = WaitForWindow(info_.dwProcessId, kClockCaption, 0);
            if (window_ != nullptr) {
              held_ = true;
              heldThread_ = event.dwThreadId;
              return {};  // not continued: every thread of the clock stays stopped
            }
            // A read of the time before the window is shown: step over it, then re-arm.
            if (!SetBreakpoint(false) || !ResumeAtBreakpoint(event.dwThreadId, true)) {
              return "could not step over the breakpoint";
            }
            stepping = true;
          } else if (record.ExceptionCode == EXCEPTION_SINGLE_STEP && stepping) {
            SetBreakpoint(true);
            stepping = false;
          } else if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
            status = DBG_EXCEPTION_NOT_HANDLED;
          }
          break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
          debugging_ = false;
          ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
          return "the clock ended before its first tick";
        default:
          break;
      }
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    return "the clock never read the time with its window shown";
  }

  // Lets the held clock run on, free of the debugger.
  bool Release() {
    if (!held_) return false;
    const bool resumed = SetBreakpoint(false) && ResumeAtBreakpoint(heldThread_, false);
    held_ = false;
    ContinueDebugEvent(info_.dwProcessId, heldThread_, DBG_CONTINUE);
    DebugSetProcessKillOnExit(FALSE);
    debugging_ = !DebugActiveProcessStop(info_.dwProcessId);
    return resumed && !debugging_;
  }

  HWND window() const { return window_; }

 private:
  static void CloseEventHandles(const DEBUG_EVENT& event) {
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile) {
      CloseHandle(event.u.CreateProcessInfo.hFile);
    }
    if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile) {
      CloseHandle(event.u.LoadDll.hFile);
    }
  }

  bool SetBreakpoint(bool on) {
    const BYTE code = on ? 0xCC : original_;
    DWORD oldProtection = 0;
    if (!VirtualProtectEx(info_.hProcess, time_, 1, PAGE_EXECUTE_READWRITE, &oldProtection)) {
      return false;
    }
    const bool written = WriteProcessMemory(info_.hProcess, time_, &code, 1, nullptr) != FALSE;
    VirtualProtectEx(info_.hProcess, time_, 1, oldProtection, &oldProtection);
    FlushInstructionCache(info_.hProcess, time_, 1);
    return written;
  }

  // Puts the thread back at the start of the function the breakpoint replaced, optionally
  // stopping it again after one instruction.
  bool ResumeAtBreakpoint(DWORD threadId, bool singleStep) {
    const HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId);
    if (thread == nullptr) return false;
    alignas(16) CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    bool done = GetThreadContext(thread, &context) != FALSE;
    if (done) {
      context.Rip = reinterpret_cast<DWORD64>(time_);
      if (singleStep) context.EFlags |= 0x100;  // the trap flag
      done = SetThreadContext(thread, &context) != FALSE;
    }
    CloseHandle(thread);
    return done;
  }

  PROCESS_INFORMATION info_{};
  BYTE* time_ = nullptr;
  BYTE original_ = 0;
  bool debugging_ = false;
  bool held_ = false;
  DWORD heldThread_ = 0;
  HWND window_ = nullptr;
};

// Before the first tick the face shows the six diagonals and the two colons, and no side; let go,
// the same window goes on to show the time.
TEST(ClockFace, ShowsOnlyDiagonalsAndColonsBeforeTheFirstTick) {
  ClockHeldBeforeFirstTick clock;
  const std::string problem = clock.Start();
  ASSERT_EQ(problem, "");
  const ClockFacePixels face(120);
  const Pixels pixels = CaptureClient(clock.window());
  ASSERT_EQ(pixels.width, face.Width());
  ASSERT_EQ(pixels.height, face.Height());
  const std::string mismatch = face.Compare(pixels, 0);
  EXPECT_EQ(mismatch, "");
  if (!mismatch.empty()) pixels.SavePpm(PicturePath(L"first"));

  ASSERT_TRUE(clock.Release());
  const Reading reading = WaitForCurrentFace(clock.window(), face);
  EXPECT_TRUE(reading.Current()) << reading.Describe();
}
#endif  // the breakpoint handling above sets an x64 instruction pointer

}  // namespace
}  // namespace morv::e2e
