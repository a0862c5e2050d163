// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// clock_probe.dll: the probes that the end-to-end tests run inside the clock's process (see
// clock_probe.h).
#include "clock_probe.h"

#include <uxtheme.h>

#include <algorithm>
#include <iterator>

#include "clock/clock_layout.h"
#include "dib_section.h"

namespace {

using morv::e2e::ClockProbeShared;
using morv::e2e::kIconProbeMaxSize;

// The shared block for as long as this object lives.
class Shared {
 public:
  Shared()
      : mapping_(OpenFileMappingW(FILE_MAP_WRITE, FALSE, morv::e2e::kClockProbeMapping)),
        view_(mapping_ ? static_cast<ClockProbeShared*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0,
                                                                      0, sizeof(ClockProbeShared)))
                       : nullptr) {}
  ~Shared() {
    if (view_ != nullptr) {
      InterlockedExchange(&view_->done, 1);
      UnmapViewOfFile(view_);
    }
    if (mapping_ != nullptr) CloseHandle(mapping_);
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  ClockProbeShared* operator->() const { return view_; }
  explicit operator bool() const { return view_ != nullptr; }

 private:
  HANDLE mapping_;
  ClockProbeShared* view_;
};

void DrawOver(HICON icon, int width, int height, DWORD background, DWORD* out) {
  const morv::e2e::DibSection canvas(kIconProbeMaxSize, kIconProbeMaxSize);
  std::uint32_t* pixels = canvas.bits();
  if (pixels == nullptr) return;
  constexpr int kPixels = kIconProbeMaxSize * kIconProbeMaxSize;
  for (int i = 0; i < kPixels; ++i) pixels[i] = background;
  DrawIconEx(canvas.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  GdiFlush();
  for (int i = 0; i < kPixels; ++i) out[i] = pixels[i] & 0x00FFFFFF;
}

// Calls visit(child) for each child window of the given class, in Z order, until it returns false.
template <typename Visit>
void ForEachChild(HWND parent, const wchar_t* className, Visit visit) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, className) == 0 && !visit(child)) return;
  }
}

// The size of an icon's image; 0 x 0 for no icon.
SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return {0, 0};
  BITMAP mask{};
  GetObjectW(info.hbmMask, sizeof(mask), &mask);
  // A monochrome icon keeps its image and its mask in one bitmap of twice the height.
  const SIZE size{mask.bmWidth, info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2};
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return size;
}

// The window's own icon, else its class's; source tells which (1 or 2), 0 for none.
HICON WindowIcon(HWND window, WPARAM which, LONG& source) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  source = answer != 0 ? 1 : 0;
  if (answer == 0) {
    answer = GetClassLongPtrW(window, which == ICON_BIG ? GCLP_HICON : GCLP_HICONSM);
    if (answer != 0) source = 2;
  }
  return reinterpret_cast<HICON>(answer);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI ProbeWindowIcon(void* parameter) {
  const Shared shared;
  if (!shared) return 1;
  auto& result = shared->icon;
  const auto window = static_cast<HWND>(parameter);
  const HICON icon = WindowIcon(window, ICON_BIG, result.source);
  LONG smallSource = 0;
  const SIZE small = IconSize(WindowIcon(window, ICON_SMALL, smallSource));
  result.smallWidth = small.cx;
  result.smallHeight = small.cy;
  const SIZE size = IconSize(icon);
  result.width = size.cx;
  result.height = size.cy;
  if (icon != nullptr && size.cx <= kIconProbeMaxSize && size.cy <= kIconProbeMaxSize) {
    for (int i = 0; i < 2; ++i) {
      DrawOver(icon, result.width, result.height, result.background[i], result.pixels[i]);
    }
  }
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI MeasureLabels(void* parameter) {
  const Shared shared;
  if (!shared) return 1;
  auto& report = shared->labels;
  report.count = 0;
  ForEachChild(static_cast<HWND>(parameter), L"Static", [&report](HWND child) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    if ((style & SS_TYPEMASK) == SS_ICON) return true;
    if (report.count == static_cast<LONG>(std::size(report.labels))) return false;
    auto& label = report.labels[report.count++];
    GetWindowTextW(child, label.text, static_cast<int>(std::size(label.text)));
    RECT client{};
    GetClientRect(child, &client);
    label.width = client.right;
    label.height = client.bottom;
    const HDC dc = GetDC(child);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
    RECT extent{0, 0, client.right, 0};
    DrawTextW(dc, label.text, -1, &extent,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    label.textWidth = extent.right - extent.left;
    label.textHeight = extent.bottom - extent.top;
    return true;
  });
  return 0;
}

namespace {

// The colours a high-contrast black theme gives the elements the clock and its dialog use.
constexpr int kSchemeElements[] = {COLOR_BTNFACE,
                                   COLOR_WINDOW,
                                   COLOR_WINDOWTEXT,
                                   COLOR_BTNTEXT,
                                   COLOR_MENU,
                                   COLOR_MENUBAR,
                                   COLOR_MENUTEXT,
                                   COLOR_HIGHLIGHT,
                                   COLOR_HIGHLIGHTTEXT,
                                   COLOR_GRAYTEXT,
                                   COLOR_BTNSHADOW,
                                   COLOR_BTNHIGHLIGHT,
                                   COLOR_3DDKSHADOW,
                                   COLOR_3DLIGHT,
                                   COLOR_ACTIVECAPTION,
                                   COLOR_CAPTIONTEXT,
                                   COLOR_GRADIENTACTIVECAPTION};
constexpr COLORREF kLightOnDark[] = {RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
                                     RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
                                     RGB(255, 255, 255), RGB(26, 235, 255),  RGB(0, 0, 0),
                                     RGB(63, 242, 63),   RGB(255, 255, 255), RGB(255, 255, 255),
                                     RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 128),
                                     RGB(255, 255, 255), RGB(0, 0, 128)};
static_assert(std::size(kSchemeElements) == std::size(kLightOnDark));
COLORREF gSaved[std::size(kSchemeElements)];
bool gChanged = false;

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI UseLightOnDarkColours(void*) {
  const Shared shared;
  if (!gChanged) {
    for (std::size_t i = 0; i < std::size(kSchemeElements); ++i)
      gSaved[i] = GetSysColor(kSchemeElements[i]);
  }
  gChanged = true;
  return SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements, kLightOnDark)
             ? 0
             : 1;
}

extern "C" __declspec(dllexport) DWORD WINAPI RestoreColours(void*) {
  const Shared shared;
  if (!gChanged) return 0;
  gChanged = false;
  return SetSysColors(static_cast<int>(std::size(kSchemeElements)), kSchemeElements, gSaved) ? 0
                                                                                             : 1;
}

namespace {
NONCLIENTMETRICSW gSavedMetrics;
bool gMetricsChanged = false;
}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI UseLargerFrames(void*) {
  const Shared shared;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return 1;
  if (!gMetricsChanged) gSavedMetrics = metrics;
  gMetricsChanged = true;
  metrics.iCaptionHeight += 10;
  metrics.iMenuHeight += 16;
  metrics.lfCaptionFont.lfHeight = metrics.lfCaptionFont.lfHeight * 3 / 2;
  metrics.lfMenuFont.lfHeight = metrics.lfMenuFont.lfHeight * 2;
  return SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) ? 0 : 1;
}

extern "C" __declspec(dllexport) DWORD WINAPI RestoreFrames(void*) {
  const Shared shared;
  if (!gMetricsChanged) return 0;
  gMetricsChanged = false;
  return SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(gSavedMetrics), &gSavedMetrics, 0)
             ? 0
             : 1;
}

extern "C" __declspec(dllexport) DWORD WINAPI PaintThemedBackgrounds(void* parameter) {
  const Shared shared;
  if (!shared) return 1;
  auto& report = shared->backgrounds;
  report.count = 0;
  ForEachChild(static_cast<HWND>(parameter), L"Button", [&report](HWND child) {
    if (report.count == static_cast<LONG>(std::size(report.buttons))) return false;
    auto& button = report.buttons[report.count++];
    GetWindowTextW(child, button.text, static_cast<int>(std::size(button.text)));
    RECT client{};
    GetClientRect(child, &client);
    const morv::e2e::DibSection canvas(client.right, client.bottom);
    std::uint32_t* pixels = canvas.bits();
    if (pixels == nullptr) return true;
    button.pixels = client.right * client.bottom;
    std::fill(pixels, pixels + button.pixels, morv::e2e::BackgroundReport::kUnpainted);
    DrawThemeParentBackground(child, canvas.dc(), &client);
    GdiFlush();
    button.unpainted =
        static_cast<LONG>(std::count_if(pixels, pixels + button.pixels, [](std::uint32_t p) {
          return (p & 0x00FFFFFF) == morv::e2e::BackgroundReport::kUnpainted;
        }));
    return true;
  });
  return 0;
}

extern "C" __declspec(dllexport) DWORD WINAPI PrintClientArea(void* parameter) {
  const Shared shared;
  if (!shared) return 1;
  auto& report = shared->print;
  const auto window = static_cast<HWND>(parameter);
  RECT client{};
  GetClientRect(window, &client);
  report.width = report.height = 0;
  if (client.right * client.bottom > morv::e2e::PrintReport::kMaxPixels) return 1;
  const morv::e2e::DibSection canvas(client.right, client.bottom);
  const std::uint32_t* pixels = canvas.bits();
  if (pixels == nullptr) return 1;
  report.ok = PrintWindow(window, canvas.dc(), PW_CLIENTONLY);
  GdiFlush();
  report.width = client.right;
  report.height = client.bottom;
  for (LONG i = 0; i < report.width * report.height; ++i) report.pixels[i] = pixels[i] & 0x00FFFFFF;
  return 0;
}

namespace {

// The watch the message hook keeps, on the clock's own thread.
struct TimerWatch {
  HWND window = nullptr;
  UINT_PTR timer = 0;  // the clock's timer, known from its first message
  LONG knock = 0;      // set by the probe: the hook knocks the timer at its next message
  morv::e2e::TimerReport* report = nullptr;
} gWatch;

LONG MillisecondIntoSecond() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return static_cast<LONG>(ticks / 10000 % 1000);
}

LRESULT CALLBACK WatchTimerMessages(int code, WPARAM removed, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && removed == PM_REMOVE && message->hwnd == gWatch.window) {
    constexpr LONG kInterval = morv::clock_layout::kTimerIntervalMs;
    auto& report = *gWatch.report;
    if (message->message == WM_TIMER && gWatch.timer == 0) gWatch.timer = message->wParam;
    if (message->message == WM_NULL && gWatch.knock == 1 && gWatch.timer != 0) {
      // On the thread that owns the window, the same id replaces the clock's timer: it now
      // fires every interval, half an interval past the marks.
      gWatch.knock = 2;
      Sleep(static_cast<DWORD>((kInterval * 3 / 2 - MillisecondIntoSecond() % kInterval) %
                               kInterval));
      SetTimer(gWatch.window, gWatch.timer, kInterval, nullptr);
    } else if (message->message == WM_TIMER && gWatch.knock == 2 &&
               report.count < morv::e2e::TimerReport::kMessages) {
      report.millisecond[report.count] = MillisecondIntoSecond();
      InterlockedIncrement(&report.count);
    }
  }
  return CallNextHookEx(nullptr, code, removed, lParam);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI KnockTimerOffTheMarks(void* parameter) {
  const Shared shared;
  if (!shared) return 1;
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&WatchTimerMessages), &self);
  gWatch = {static_cast<HWND>(parameter), 0, 0, &shared->timer};
  gWatch.report->count = 0;
  const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, WatchTimerMessages, self,
                                       GetWindowThreadProcessId(gWatch.window, nullptr));
  if (hook == nullptr) return 1;
  // The knock comes with a message of its own, between two of the timer's.
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (gWatch.timer == 0 && GetTickCount64() < deadline) Sleep(10);
  InterlockedExchange(&gWatch.knock, 1);
  PostMessageW(gWatch.window, WM_NULL, 0, 0);
  while (gWatch.report->count < morv::e2e::TimerReport::kMessages && GetTickCount64() < deadline) {
    Sleep(10);
  }
  UnhookWindowsHookEx(hook);
  return 0;
}
