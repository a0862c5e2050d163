// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Moving to a monitor of another DPI: the system asks each window for its size at the new DPI
// (WM_GETDPISCALEDSIZE), then sends WM_DPICHANGED with the new DPI and a suggested window
// rectangle. Both windows answer with their design client area's frame, take the rectangle and
// lay out again at the new DPI: the clock's client size and face, the About dialog's size,
// controls, fonts and icon. The test sends the messages itself, as the system would, to the real
// morvtime.exe. (Under Wine the frame then stays at the system's DPI; on Windows it changes too.)
// New non-client metrics change the frame instead: a window at its design size keeps its client
// area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "clock_face_checks.h"
#include "clock_probe_client.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

constexpr int kStartDpi = 120;  // the test environment's screen
constexpr int kNewDpi = 144;

int Px(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// Sends a message to a window of another process, its lParam pointing to data, and returns the
// answer (-1 when it cannot be sent) with what the window left in data. Whether or not the window
// system copies the data across processes, the window must find it at that address, so it is
// placed at the same address in both processes.
LRESULT SendWithData(HWND window, HANDLE process, UINT message, WPARAM wParam, void* data,
                     SIZE_T size) {
  std::vector<void*> taken;  // addresses here that are in use over there
  bool sent = false;
  DWORD_PTR result = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    void* local =
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    if (local == nullptr) break;
    void* remote = VirtualAllocEx(process, local, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (remote != local) {
      if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
      taken.push_back(local);  // kept until the end, so that the next attempt gets another one
      continue;
    }
    std::memcpy(local, data, size);
    sent = WriteProcessMemory(process, remote, data, size, nullptr) &&
           SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote),
                               SMTO_NORMAL, 10000, &result);
    std::vector<BYTE> there(size);  // the answer: over there, or carried back here
    if (sent && ReadProcessMemory(process, remote, there.data(), size, nullptr))
      std::memcpy(data, std::memcmp(there.data(), data, size) != 0 ? there.data() : local, size);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    VirtualFree(local, 0, MEM_RELEASE);
    break;
  }
  for (void* address : taken) VirtualFree(address, 0, MEM_RELEASE);
  return sent ? static_cast<LRESULT>(result) : -1;
}

bool SendDpiChanged(HWND window, HANDLE process, int dpi, RECT suggested) {
  return SendWithData(window, process, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), &suggested,
                      sizeof(suggested)) != -1;
}

// WM_GETDPISCALEDSIZE, as the system asks it before a scale change: whether the window computed
// its size at dpi, and that size. On the way in, the pending size: the present size, or larger
// by grow while a resize is under way.
LRESULT AskScaledSize(HWND window, HANDLE process, int dpi, SIZE& size, SIZE grow = {0, 0}) {
  RECT frame{};
  GetWindowRect(window, &frame);
  size = {frame.right - frame.left + grow.cx, frame.bottom - frame.top + grow.cy};
  return SendWithData(window, process, WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi), &size,
                      sizeof(size));
}
std::pair<LONG, LONG> Dimensions(const SIZE& size) { return {size.cx, size.cy}; }
std::pair<LONG, LONG> Dimensions(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

// The window rectangle a window of this style needs for a client area of the given size.
RECT SuggestedRect(HWND window, int left, int top, int clientWidth, int clientHeight, int dpi) {
  RECT rect{left, top, left + clientWidth, top + clientHeight};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&rect, style, GetMenu(window) != nullptr, exStyle,
                           static_cast<UINT>(dpi));
  OffsetRect(&rect, left - rect.left, top - rect.top);
  return rect;
}

bool HasClientSize(HWND window, int width, int height) {
  const SIZE size = ClientSize(window);
  return size.cx == width && size.cy == height;
}

// The window's own icons, big and small, have the sizes the system gives a window of this DPI,
// so that nothing scales them where they are shown.
::testing::AssertionResult IconsSizedFor(ClockProbe& probe, HWND window, int dpi) {
  const std::string problem = probe.Run(kProbeWindowIcon, window);
  const IconReport& icon = probe.shared().icon;
  const int big = GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi));
  const int small = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi));
  if (problem.empty() && icon.source != 0 && icon.width == big && icon.height == big &&
      icon.smallWidth == small && icon.smallHeight == small) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << problem << " icons " << icon.width << " and " << icon.smallWidth << " wide, not " << big
         << " and " << small;
}

// "left,top-right,bottom", for a failure's message.
std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

RECT FrameOf(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  return frame;
}

TEST(DpiChange, TheClockTakesTheSuggestedRectangleAndRedrawsItsFaceAtTheNewScale) {
  ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kStartDpi));
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  ASSERT_TRUE(HasClientSize(clock.window, Px(7740, kStartDpi), Px(1344, kStartDpi)));
  ASSERT_TRUE(ShowsTheTime(clock.window, kStartDpi));
  ClockProbe probe(clock.process.handle());
  EXPECT_TRUE(IconsSizedFor(probe, clock.window, kStartDpi));

  for (const int dpi : {kNewDpi, kStartDpi, 96, kNewDpi}) {
    SCOPED_TRACE(::testing::Message() << "to " << dpi << " DPI");
    const int width = Px(7740, dpi), height = Px(1344, dpi);
    const int left = 40 + dpi / 4, top = 30 + dpi / 8;
    const RECT suggested = SuggestedRect(clock.window, left, top, width, height, dpi);
    SIZE size{};
    EXPECT_EQ(AskScaledSize(clock.window, clock.process.handle(), dpi, size), TRUE);
    EXPECT_EQ(Dimensions(size), Dimensions(suggested));
    ASSERT_TRUE(SendDpiChanged(clock.window, clock.process.handle(), dpi, suggested));
    EXPECT_TRUE(WaitUntil([&] { return HasClientSize(clock.window, width, height); }))
        << "client " << ClientSize(clock.window).cx << " x " << ClientSize(clock.window).cy
        << ", expected " << width << " x " << height;
    RECT frame{};
    GetWindowRect(clock.window, &frame);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    EXPECT_TRUE(ShowsTheTime(clock.window, dpi));
    EXPECT_TRUE(IconsSizedFor(probe, clock.window, dpi));
  }
  // 144 DPI: 774 x 134 pixels.
  EXPECT_TRUE(HasClientSize(clock.window, 774, 134));

  // A program moves the clock onto a monitor of another scale and resizes it in one call: the
  // pending size is not the clock's own. That size is left to the system to scale, and the
  // clock takes the rectangle the system suggests for it.
  SIZE pending{};
  EXPECT_EQ(AskScaledSize(clock.window, clock.process.handle(), 96, pending, {100, 40}), FALSE);
  const RECT suggested{60, 70, 60 + MulDiv(pending.cx, 96, kNewDpi),
                       70 + MulDiv(pending.cy, 96, kNewDpi)};
  ASSERT_TRUE(SendDpiChanged(clock.window, clock.process.handle(), 96, suggested));
  const RECT frame = FrameOf(clock.window);
  EXPECT_TRUE(EqualRect(&frame, &suggested)) << Text(frame) << ", suggested " << Text(suggested);
  EXPECT_TRUE(clock.process.Running());
}

// The window manager's last word on a window's state and size: its frame has stayed the same for
// 300 ms. (An X window manager answers a minimise, a restore or a maximise a moment later.)
bool FrameSettles(HWND window) {
  RECT last = FrameOf(window);
  DWORD since = GetTickCount();
  return WaitUntil([&] {
    const RECT now = FrameOf(window);
    if (!EqualRect(&now, &last)) last = now, since = GetTickCount();
    return GetTickCount() - since >= 300;
  });
}

// A scale change never breaks the window's state. Maximised, the clock stays maximised over the
// suggested rectangle; minimised, it stays minimised; restored from either, it has its design
// size at the new DPI. Resized by the user, it keeps the size the system scales for it: the
// suggested rectangle. Each rectangle is read as soon as the message has been handled: a window
// manager puts a wrong size right a moment later, and would hide the fault. Each change of state
// settles before the next: a window manager that answers one late, under load, would otherwise
// minimise or resize the window again in the middle of the next. (Where the X window
// manager draws the frames, Wine 10 reads any SetWindowPos of a maximised window to its own
// rectangle back 11 pixels short until the window manager answers, in any program; in the tests'
// prefix Wine draws the frames, and Wine 8 and 10 keep the rectangle exactly.)
TEST(DpiChange, KeepsAMaximisedOrMinimisedClockSoAndAResizedClockItsSize) {
  ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kStartDpi));
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");
  const HWND window = clock.window;
  const HANDLE process = clock.process.handle();

  const auto restoredTo = [&](int dpi) {
    return !IsZoomed(window) && !IsIconic(window) &&
           HasClientSize(window, Px(7740, dpi), Px(1344, dpi));
  };

  ShowWindow(window, SW_MAXIMIZE);
  ASSERT_TRUE(
      WaitUntil([&] { return IsZoomed(window) && ClientSize(window).cx > Px(7740, kStartDpi); }));
  ASSERT_TRUE(FrameSettles(window));
  const RECT maximised = FrameOf(window);
  SIZE size{};
  EXPECT_EQ(AskScaledSize(window, process, kNewDpi, size), FALSE);
  ASSERT_TRUE(SendDpiChanged(window, process, kNewDpi, maximised));
  const RECT afterMaximised = FrameOf(window);
  EXPECT_TRUE(IsZoomed(window));
  EXPECT_TRUE(EqualRect(&afterMaximised, &maximised))
      << Text(afterMaximised) << " after, " << Text(maximised) << " before";
  ShowWindow(window, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return restoredTo(kNewDpi); }))
      << "restored to " << ClientSize(window).cx << "x" << ClientSize(window).cy;
  ASSERT_TRUE(FrameSettles(window));

  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
  ASSERT_TRUE(FrameSettles(window));
  ASSERT_TRUE(SendDpiChanged(window, process, kStartDpi, FrameOf(window)));
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_RESTORE);
  EXPECT_TRUE(WaitUntil([&] { return restoredTo(kStartDpi); }))
      << "restored to " << ClientSize(window).cx << "x" << ClientSize(window).cy;
  ASSERT_TRUE(FrameSettles(window));

  const int width = Px(7740, kStartDpi) + 120, height = Px(1344, kStartDpi) + 60;
  const RECT resized = SuggestedRect(window, 50, 60, width, height, kStartDpi);
  SetWindowPos(window, nullptr, resized.left, resized.top, resized.right - resized.left,
               resized.bottom - resized.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitUntil([&] { return HasClientSize(window, width, height); }))
      << "resized to " << ClientSize(window).cx << "x" << ClientSize(window).cy << ", frame "
      << Text(FrameOf(window));
  EXPECT_EQ(AskScaledSize(window, process, kNewDpi, size), FALSE);
  EXPECT_EQ(Dimensions(size), Dimensions(resized));  // left as it came
  const RECT suggested = SuggestedRect(window, 50, 60, MulDiv(width, kNewDpi, kStartDpi),
                                       MulDiv(height, kNewDpi, kStartDpi), kNewDpi);
  ASSERT_TRUE(SendDpiChanged(window, process, kNewDpi, suggested));
  const RECT afterResized = FrameOf(window);
  EXPECT_TRUE(EqualRect(&afterResized, &suggested))
      << Text(afterResized) << ", suggested " << Text(suggested);
  EXPECT_TRUE(clock.process.Running());
}

// ---- The About dialog ----

struct ControlPlace {
  std::wstring text;
  int left, top, width, height;  // twips
};

// The dialog's controls in tab order, where its layout puts them.
const ControlPlace kControls[] = {
    {L"OK", 4728, 2148, 1620, 345},      {L"ｼｽﾃﾑ情報(&S)...", 4740, 2592, 1608, 345},
    {L"", 240, 240, 432, 432},           {L"Version 1.1.0", 1050, 780, 3885, 225},
    {L"MorvTime", 1050, 240, 3885, 480},
};

::testing::AssertionResult ControlsPlacedAt(HWND dialog, int dpi) {
  const std::vector<HWND> children = Children(dialog);
  if (children.size() < std::size(kControls))
    return ::testing::AssertionFailure() << "too few controls";
  for (std::size_t i = 0; i < std::size(kControls); ++i) {
    const ControlPlace& want = kControls[i];
    const RECT got = RectInClient(dialog, children[i]);
    RECT expected{Px(want.left, dpi), Px(want.top, dpi), Px(want.left, dpi) + Px(want.width, dpi),
                  Px(want.top, dpi) + Px(want.height, dpi)};
    if (children[i] == IconPicture(dialog)) {  // grown to hold an icon of the DPI
      const int icon = GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi));
      expected.right = std::max<LONG>(expected.right, expected.left + icon);
      expected.bottom = std::max<LONG>(expected.bottom, expected.top + icon);
    }
    if (WindowText(children[i]) != want.text)
      return ::testing::AssertionFailure() << "control " << i << " has another text";
    if (!EqualRect(&got, &expected)) {
      return ::testing::AssertionFailure()
             << "control " << i << " at " << Text(got) << ", expected " << Text(expected);
    }
  }
  return ::testing::AssertionSuccess();
}

// The ink of a text drawn in this font, as a label draws it.
RECT TextInk(const std::wstring& text, const LOGFONTW& font) {
  const Pixels pixels =
      RenderText(text, font, 600, 120, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE);
  return Ink(pixels, {0, 0, pixels.width, pixels.height});
}

// The title and the version label are drawn in their fonts at this DPI: their ink has the size
// of the same text drawn here in those fonts.
::testing::AssertionResult TextsDrawnAt(HWND dialog, int dpi) {
  struct Label {
    std::wstring text;
    LOGFONTW font;
    int left, top, width, height;
  };
  const Label labels[] = {{L"MorvTime", TitleFont(dpi), 1050, 240, 3885, 480},
                          {L"Version 1.1.0", MessageFont(dpi), 1050, 780, 3885, 225}};
  std::string last;
  for (int attempt = 0; attempt < 20; ++attempt) {
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const Pixels shot = CaptureClient(dialog);
    bool all = true;
    for (const Label& label : labels) {
      const RECT area{Px(label.left, dpi), Px(label.top, dpi), Px(label.left + label.width, dpi),
                      Px(label.top + label.height, dpi)};
      const RECT got = Ink(shot, area);
      const RECT want = TextInk(label.text, label.font);
      const int gotWidth = got.right - got.left, gotHeight = got.bottom - got.top;
      const int wantWidth = want.right - want.left, wantHeight = want.bottom - want.top;
      if (wantWidth == 0 || std::abs(gotWidth - wantWidth) > 1 ||
          std::abs(gotHeight - wantHeight) > 1) {
        all = false;
        last = "\"" + std::string(label.text.begin(), label.text.end()) + "\" ink " +
               std::to_string(gotWidth) + "x" + std::to_string(gotHeight) + ", expected " +
               std::to_string(wantWidth) + "x" + std::to_string(wantHeight);
      }
    }
    if (all) return ::testing::AssertionSuccess();
    Sleep(200);
  }
  return ::testing::AssertionFailure() << last;
}

// Every label's text, measured in the font the label holds, fits inside the label.
::testing::AssertionResult TextsFitTheirLabels(ClockProbe& probe, HWND dialog) {
  const std::string problem = probe.Run(kMeasureLabels, dialog);
  if (!problem.empty()) return ::testing::AssertionFailure() << problem;
  const LabelReport& report = probe.shared().labels;
  if (report.count == 0) return ::testing::AssertionFailure() << "no labels measured";
  for (LONG i = 0; i < report.count; ++i) {
    const LabelReport::Label& label = report.labels[i];
    if (label.textWidth > label.width || label.textHeight > label.height) {
      return ::testing::AssertionFailure()
             << "\"" << Utf8(label.text) << "\" needs " << label.textWidth << " x "
             << label.textHeight << " in a label of " << label.width << " x " << label.height;
    }
  }
  return ::testing::AssertionSuccess();
}

// The clock started at the screen's DPI, with its About dialog open at its design size.
void StartWithAbout(RunningClock& clock, HWND& dialog) {
  ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kStartDpi));
  ASSERT_EQ(clock.Start(), "");
  dialog = clock.OpenAbout();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(HasClientSize(dialog, Px(6576, kStartDpi), Px(2964, kStartDpi)));
}

TEST(DpiChange, TheAboutDialogTakesTheSuggestedRectangleAndLaysOutItsControlsAgain) {
  RunningClock clock;
  HWND dialog = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartWithAbout(clock, dialog));
  EXPECT_TRUE(ControlsPlacedAt(dialog, kStartDpi));
  EXPECT_TRUE(TextsDrawnAt(dialog, kStartDpi));
  ClockProbe probe(clock.process.handle());
  EXPECT_TRUE(TextsFitTheirLabels(probe, dialog));

  EXPECT_EQ(WholeIconProblem(dialog, kStartDpi), "");
  for (const int dpi : {kNewDpi, 192, 96, kStartDpi}) {
    SCOPED_TRACE(::testing::Message() << "to " << dpi << " DPI");
    const int width = Px(6576, dpi), height = Px(2964, dpi);
    const RECT suggested = SuggestedRect(dialog, 70, 90, width, height, dpi);
    SIZE size{};
    EXPECT_EQ(AskScaledSize(dialog, clock.process.handle(), dpi, size), TRUE);
    EXPECT_EQ(Dimensions(size), Dimensions(suggested));
    ASSERT_TRUE(SendDpiChanged(dialog, clock.process.handle(), dpi, suggested));
    EXPECT_TRUE(WaitUntil([&] { return HasClientSize(dialog, width, height); }))
        << "client " << ClientSize(dialog).cx << " x " << ClientSize(dialog).cy;
    RECT frame{};
    GetWindowRect(dialog, &frame);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    EXPECT_TRUE(ControlsPlacedAt(dialog, dpi));
    EXPECT_TRUE(TextsDrawnAt(dialog, dpi));
    EXPECT_TRUE(TextsFitTheirLabels(probe, dialog));
    EXPECT_EQ(WholeIconProblem(dialog, dpi), "");
  }
  // The clock was not touched by the dialog's move.
  EXPECT_TRUE(HasClientSize(clock.window, Px(7740, kStartDpi), Px(1344, kStartDpi)));
}

// ---- New frame metrics ----

// Larger frames in the clock's process for as long as this object lives: Wine applies
// SPI_SETNONCLIENTMETRICS to the process that sets it.
class LargerFrames {
 public:
  explicit LargerFrames(ClockProbe& probe) : probe_(probe), set_(probe.Run(kUseLargerFrames)) {}
  ~LargerFrames() { Restore(); }
  LargerFrames(const LargerFrames&) = delete;
  LargerFrames& operator=(const LargerFrames&) = delete;
  const std::string& problem() const { return set_; }
  std::string Restore() { return probe_.Run(kRestoreFrames); }

 private:
  ClockProbe& probe_;
  std::string set_;
};

// What Windows does for every top-level window when the non-client metrics change: it computes
// the frame again, keeping the window's rectangle, and it broadcasts the change, in either order.
// Wine only broadcasts (and not for a change that is not broadcast, as the probe's): the test
// computes the frame itself, as Windows would.
void RecomputeFrame(HWND window) {
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
void BroadcastMetrics(HWND window) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0, SMTO_NORMAL, 10000,
                      &answer);
}

// A larger menu bar and caption, and back: both windows at their design size keep their client
// area, whichever order the frame change and the message come in, and stay at their design size
// for the next scale change; a clock resized by hand keeps its window's size.
TEST(MetricsChange, WindowsAtTheirDesignSizeKeepTheirClientAreaAndAResizedClockItsSize) {
  RunningClock clock;
  HWND dialog = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartWithAbout(clock, dialog));
  const HANDLE process = clock.process.handle();
  const SIZE clockDesign{Px(7740, kStartDpi), Px(1344, kStartDpi)};
  const SIZE dialogDesign{Px(6576, kStartDpi), Px(2964, kStartDpi)};
  ASSERT_TRUE(HasClientSize(clock.window, clockDesign.cx, clockDesign.cy));
  const RECT clockBefore = FrameOf(clock.window), dialogBefore = FrameOf(dialog);
  ClockProbe probe(process);

  {
    LargerFrames larger(probe);
    ASSERT_EQ(larger.problem(), "");
    RecomputeFrame(clock.window);  // the frame first
    BroadcastMetrics(clock.window);
    BroadcastMetrics(dialog);  // the message first
    RecomputeFrame(dialog);
    ASSERT_TRUE(FrameSettles(clock.window) && FrameSettles(dialog));
    EXPECT_TRUE(HasClientSize(clock.window, clockDesign.cx, clockDesign.cy))
        << "clock " << ClientSize(clock.window).cx << " x " << ClientSize(clock.window).cy;
    EXPECT_TRUE(HasClientSize(dialog, dialogDesign.cx, dialogDesign.cy))
        << "dialog " << ClientSize(dialog).cx << " x " << ClientSize(dialog).cy;
    const RECT clockLarger = FrameOf(clock.window), dialogLarger = FrameOf(dialog);
    EXPECT_GE(clockLarger.bottom - clockLarger.top, clockBefore.bottom - clockBefore.top + 26);
    EXPECT_GE(dialogLarger.bottom - dialogLarger.top, dialogBefore.bottom - dialogBefore.top + 10);

    ASSERT_EQ(larger.Restore(), "");
    BroadcastMetrics(clock.window);
    RecomputeFrame(clock.window);
    RecomputeFrame(dialog);
    BroadcastMetrics(dialog);
  }
  ASSERT_TRUE(FrameSettles(clock.window) && FrameSettles(dialog));
  const RECT clockAfter = FrameOf(clock.window), dialogAfter = FrameOf(dialog);
  EXPECT_EQ(Dimensions(clockAfter), Dimensions(clockBefore));
  EXPECT_EQ(Dimensions(dialogAfter), Dimensions(dialogBefore));
  SIZE size{};
  EXPECT_EQ(AskScaledSize(clock.window, process, kNewDpi, size), TRUE)
      << "no longer at design size";
  EXPECT_EQ(AskScaledSize(dialog, process, kNewDpi, size), TRUE) << "no longer at design size";

  // Resized by hand, the clock keeps its window's size: its client area gives way to the frame.
  const RECT resized =
      SuggestedRect(clock.window, 50, 60, clockDesign.cx + 120, clockDesign.cy + 60, kStartDpi);
  SetWindowPos(clock.window, nullptr, resized.left, resized.top, resized.right - resized.left,
               resized.bottom - resized.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitUntil(
      [&] { return HasClientSize(clock.window, clockDesign.cx + 120, clockDesign.cy + 60); }));
  ASSERT_TRUE(FrameSettles(clock.window));
  {
    LargerFrames larger(probe);
    ASSERT_EQ(larger.problem(), "");
    RecomputeFrame(clock.window);
    BroadcastMetrics(clock.window);
    ASSERT_TRUE(FrameSettles(clock.window));
    EXPECT_EQ(Dimensions(FrameOf(clock.window)), Dimensions(resized));
    EXPECT_LT(ClientSize(clock.window).cy, clockDesign.cy + 60);
  }
  RecomputeFrame(clock.window);
  EXPECT_TRUE(clock.process.Running());
}

}  // namespace
}  // namespace morv::e2e
