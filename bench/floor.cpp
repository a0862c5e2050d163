// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The floor: the least a program with the clock's window and timer can cost. It has what the
// clock cannot do without and nothing more: a window with the clock's client area at the
// window's DPI, a menu bar with the same two command items (choosing them does nothing), and the
// clock's timer, which reads the local time and paints nothing.
//
// It paints its face once, on its first WM_PAINT: the button-face background and one small dark
// mark at the middle of the clock's first diagonal (face_mark.h), as wide as the clock's lines.
// The start-up benchmark looks for exactly these two pixels to tell that either program has
// painted its first face.
//
// With the argument "repaint" it also repaints that mark, in place, whenever the second changes:
// the least a program that changes a small part of its face once a second can cost, which
// tells the cost of the clock's repaints apart from the rest of its running cost.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "bench/face_mark.h"
#include "clock/clock_layout.h"

namespace {

constexpr wchar_t kClassName[] = L"MorvTimeFloor";
constexpr wchar_t kCaption[] = L"MorvTime floor";
namespace layout = morv::clock_layout;
constexpr int kMarkHalfPx = layout::kLineWidthPx / 2;
constexpr UINT_PTR kTimerId = 1;

// Written on every tick so that reading the clock cannot be optimised away.
volatile WORD gLastSecond = 0;
bool gRepaintEachSecond = false;

UINT WindowDpi(HWND hwnd) {
  const UINT dpi = GetDpiForWindow(hwnd);
  return dpi != 0 ? dpi : 96;
}

int ToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

// Resizes the frame until the client area has the clock's size in pixels at this DPI.
void FitClientSize(HWND hwnd) {
  const UINT dpi = WindowDpi(hwnd);
  const int width = ToPixels(layout::kClientWidth, dpi);
  const int height = ToPixels(layout::kClientHeight, dpi);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    const int dx = width - (client.right - client.left);
    const int dy = height - (client.bottom - client.top);
    if (dx == 0 && dy == 0) return;
    SetWindowPos(hwnd, nullptr, 0, 0, (window.right - window.left) + dx,
                 (window.bottom - window.top) + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

RECT MarkRect(HWND hwnd) {
  const UINT dpi = WindowDpi(hwnd);
  const int x = ToPixels(morv::bench::kMarkX, dpi);
  const int y = ToPixels(morv::bench::kMarkY, dpi);
  return {x - kMarkHalfPx, y - kMarkHalfPx, x + kMarkHalfPx + 1, y + kMarkHalfPx + 1};
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(hwnd, &ps);
  FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
  const RECT mark = MarkRect(hwnd);
  FillRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      SYSTEMTIME now{};
      GetLocalTime(&now);
      if (gRepaintEachSecond && now.wSecond != gLastSecond) {
        const RECT mark = MarkRect(hwnd);
        InvalidateRect(hwnd, &mark, FALSE);
      }
      gLastSecond = now.wSecond;
      return 0;
    }
    case WM_COMMAND:
      return 0;  // the two menu commands do nothing
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background itself
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      FitClientSize(hwnd);
      return 0;
    }
    case WM_DESTROY:
      KillTimer(hwnd, kTimerId);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR lpCmdLine, int) {
  gRepaintEachSecond = lpCmdLine != nullptr && lstrcmpiW(lpCmdLine, L"repaint") == 0;
  // The clock asks for per-monitor DPI awareness; so does the floor, so that both windows have
  // the same size in pixels. A failure (already set) is harmless.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = hInstance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kClassName;
  if (RegisterClassExW(&wc) == 0) return 1;

  const HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, 1000, L"読み方");
  AppendMenuW(menu, MF_STRING, 1001, L"MorvTimeについて");
  const HWND hwnd =
      CreateWindowExW(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, hInstance, nullptr);
  if (hwnd == nullptr) return 1;
  FitClientSize(hwnd);
  if (SetTimer(hwnd, kTimerId, layout::kTimerIntervalMs, nullptr) == 0) return 1;
  // Shown as the clock shows its window: activated, and painted before the loop starts.
  ShowWindow(hwnd, SW_SHOWDEFAULT);
  SetForegroundWindow(hwnd);
  UpdateWindow(hwnd);

  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
