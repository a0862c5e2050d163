// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Start-up benchmark driver, run under Wine (or on Windows): how long a program takes from
// process creation to its first painted face.
//
//   startup_bench RUNS LABEL EXE CAPTION [LABEL EXE CAPTION ...]
//
// Each program is started once to warm the caches (not counted), then RUNS times, the programs
// taking turns (in the given order, then in reverse) so that a drift in the machine's load falls
// on all of them alike. Each run takes
// the time with QueryPerformanceCounter from just before CreateProcess until the window with the
// given caption shows, in its client area, the button-face colour at (2, 2) and a dark pixel at
// the middle of the clock's first diagonal (face_mark.h). Both the clock and the floor program
// paint exactly that on their first WM_PAINT. The program is then ended and the next run starts.
// Prints its settings as "NAME VALUE..." lines, then one line per counted run:
// "run LABEL RUN MILLISECONDS".
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/face_mark.h"
#include "clock/clock_layout.h"

namespace {

namespace layout = morv::clock_layout;
constexpr int kBackgroundPx = 2;
constexpr DWORD kTimeoutMs = 20000;
constexpr DWORD kPollMs = 2;
constexpr DWORD kPauseBetweenStartsMs = 700;

struct Program {
  std::wstring label;
  std::wstring exe;
  std::wstring caption;
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

struct Search {
  DWORD processId;
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->processId) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  if (*search->caption != text) return TRUE;
  search->found = hwnd;
  return FALSE;
}

bool Dark(DWORD pixel) {
  return ((pixel >> 16) & 0xFF) < 0x40 && ((pixel >> 8) & 0xFF) < 0x40 && (pixel & 0xFF) < 0x40;
}

// True once the window's client area shows the first face: reads back just the corner that holds
// both probe pixels.
bool FacePainted(HWND hwnd) {
  RECT client{};
  if (!IsWindowVisible(hwnd) || !GetClientRect(hwnd, &client)) return false;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return false;
  const int markX = MulDiv(morv::bench::kMarkX, width, layout::kClientWidth);
  const int markY = MulDiv(morv::bench::kMarkY, height, layout::kClientHeight);
  const int w = markX + 1;
  const int h = markY + 1;
  if (w > width || h > height) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC window = GetDC(hwnd);
  if (window == nullptr) return false;
  const HDC memory = CreateCompatibleDC(window);
  const HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool painted = false;
  if (memory != nullptr && bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    const DWORD background = pixels[kBackgroundPx * w + kBackgroundPx] & 0x00FFFFFF;
    const DWORD mark = pixels[markY * w + markX] & 0x00FFFFFF;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);  // 0x00BBGGRR; the DIB holds 0x00RRGGBB
    const DWORD faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    painted = background == faceRgb && Dark(mark);
    SelectObject(memory, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(hwnd, window);
  return painted;
}

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Milliseconds from process creation to the first painted face; negative on failure.
double TimeOneStart(const Program& program) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program.exe + L"\"";
  const std::wstring folder = FolderOf(program.exe);
  LARGE_INTEGER start{}, now{};
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(program.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    std::fwprintf(stderr, L"startup_bench: cannot start %ls (error %lu)\n", program.exe.c_str(),
                  GetLastError());
    return -1;
  }
  double elapsed = -1;
  HWND hwnd = nullptr;
  for (;;) {
    QueryPerformanceCounter(&now);
    const double ms = Milliseconds(start, now);
    if (ms > kTimeoutMs) break;
    if (hwnd == nullptr) {
      Search search{process.dwProcessId, &program.caption, nullptr};
      EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
      hwnd = search.found;
    }
    if (hwnd != nullptr && FacePainted(hwnd)) {
      elapsed = ms;
      break;
    }
    if (WaitForSingleObject(process.hProcess, kPollMs) == WAIT_OBJECT_0) break;  // it ended
  }
  if (elapsed < 0) {
    std::fwprintf(stderr, L"startup_bench: %ls showed no face within %lu ms\n",
                  program.label.c_str(), kTimeoutMs);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  Sleep(kPauseBetweenStartsMs);  // let the window system forget the window before the next start
  return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fwprintf(stderr, L"usage: startup_bench RUNS LABEL EXE CAPTION [LABEL EXE CAPTION ...]\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  std::vector<Program> programs;
  for (int i = 2; i + 2 < argc; i += 3) programs.push_back({argv[i], argv[i + 1], argv[i + 2]});
  if (runs <= 0) return 2;

  std::wprintf(L"background_px %d %d\n", kBackgroundPx, kBackgroundPx);
  std::wprintf(L"mark_twips %d %d\n", morv::bench::kMarkX, morv::bench::kMarkY);
  std::wprintf(L"poll_ms %lu\n", kPollMs);
  std::wprintf(L"pause_between_starts_ms %lu\n", kPauseBetweenStartsMs);
  std::wprintf(L"timeout_ms %lu\n", kTimeoutMs);

  for (const Program& program : programs) {
    if (TimeOneStart(program) < 0) return 1;
  }
  for (int run = 1; run <= runs; ++run) {
    // Odd runs in the given order, even runs in reverse, so that no program always goes first.
    for (std::size_t k = 0; k < programs.size(); ++k) {
      const Program& program = programs[run % 2 == 1 ? k : programs.size() - 1 - k];
      const double ms = TimeOneStart(program);
      if (ms < 0) return 1;
      std::wprintf(L"run %ls %d %.1f\n", program.label.c_str(), run, ms);
      std::fflush(stdout);
    }
  }
  return 0;
}
