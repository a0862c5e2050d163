// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Support for end-to-end tests that run under Wine (or on Windows) against the real
// morvtime.exe: start it, find its windows, read their pixels, drive it, and end it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "e2e_pixels.h"
#include "program_texts.h"
#include "utf8.h"

namespace morv::e2e {

// The folder of the running test program, and the built program one folder above it.
std::wstring TestProgramFolder();
std::wstring BuildFolder();
std::wstring MorvTimePath();
// Where a test leaves a capture to look at: NAME.ppm next to the test program, wherever it was
// started from.
std::wstring PicturePath(const wchar_t* name);

// The screen's DPI, which every program started takes: the system DPI, fixed (as on Windows at
// sign-in) when the prefix's Wine processes start. scripts/test starts them at 120 DPI.
UINT ScreenDpi();

// One started process, ended (if still running) when this object goes.
class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  // Starts application with the given command line in folder; false if it could not start.
  bool Start(const std::wstring& application, const std::wstring& commandLine,
             const std::wstring& folder);
  DWORD id() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  bool Running() const;
  // Waits for the process to end; returns its exit code, or STILL_ACTIVE on timeout.
  DWORD WaitForExit(DWORD timeoutMs);
  void Terminate();

 private:
  PROCESS_INFORMATION info_{};
};

// morvtime.exe started from a folder that holds it and its read-me (the build folder unless
// told), as a user would start it from the release folder, and its clock window.
struct RunningClock {
  Process process;
  HWND window = nullptr;
  // Starts the clock and waits until its window shows the first painted face; "" when it does,
  // else why not: the program did not start, or ended, or its window or face did not show.
  std::string Start(const std::wstring& folder = BuildFolder());
  // Chooses "MorvTimeについて" and waits for the About dialog; nullptr if it does not open.
  HWND OpenAbout(DWORD timeoutMs = 10000) const;
};

// The process that owns window, opened to read it, to wait for it and to end it; nullptr if it
// cannot be opened.
HANDLE OpenOwner(HWND window);
// Gives process graceMs to end by itself, then ends it; closes the handle (nothing for nullptr).
void EndProcessAfter(HANDLE process, DWORD graceMs);

// A top-level window of any process, hidden or not.
struct TopLevelWindow {
  HWND window;
  DWORD process;
  bool visible;
};
// Every top-level window, in z-order.
std::vector<TopLevelWindow> TopLevelWindows();
// A visible top-level window of the process whose title is caption (all windows of any
// process when processId is 0), waiting up to timeoutMs; nullptr if none appears.
HWND WaitForWindow(DWORD processId, const std::wstring& caption, DWORD timeoutMs = 15000);
// Every visible top-level window with this title, of any process.
std::vector<HWND> WindowsTitled(const std::wstring& caption);
// A visible top-level window with this title, of any process, that is not one of before,
// waiting up to timeoutMs; nullptr if none appears.
HWND WaitForNewWindow(const std::wstring& caption, const std::vector<HWND>& before,
                      DWORD timeoutMs);
std::wstring WindowText(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
SIZE ClientSize(HWND hwnd);
// A window's children in z-order, which is the dialog manager's tab order.
std::vector<HWND> Children(HWND parent);
// A child's rectangle in its parent's client coordinates.
RECT RectInClient(HWND parent, HWND child);
// The About dialog's picture control (the static control that shows an icon); nullptr if none.
HWND IconPicture(HWND dialog);
// What keeps the About dialog's picture from showing its whole icon at this DPI; "" when it shows
// it: the X's ink lies inside the picture with a margin on every side (a picture smaller than its
// icon clips the strokes' ends), spans the 30 of the image's 32 pixels that it spans at the size
// of an icon at the DPI, and runs from corner to corner.
std::string WholeIconProblem(HWND dialog, int dpi);

// The address of another process's PEB (its process environment block); nullptr if unknown.
const BYTE* RemotePeb(HANDLE process);
// Live GDI objects of another process, counted in its GDI handle table (Wine keeps no other
// count; on Windows GetGuiResources answers).
int GdiObjectCount(HANDLE process);
// The same once they have settled. The clock window keeps its back buffer for its whole life,
// so its ticks create no GDI objects; but the About dialog makes a bitmap for each of its
// paints, its controls may make objects while they paint, and Wine makes short-lived objects of
// its own while windows paint. The lowest of a few readings leaves those out.
int SettledGdiObjects(HANDLE process);
// Working set of another process, in bytes.
std::size_t ResidentBytes(HANDLE process);

// Real keyboard input to whatever window has the focus: one key, or one pressed while a
// modifier (VK_MENU for Alt) is held.
void PressKey(WORD virtualKey);
void PressChord(WORD modifier, WORD key);
// Brings window to the foreground, waiting until it is there; false if it never gets there.
bool ActivateWindow(HWND window, DWORD timeoutMs = 5000);
// The commands of the clock's menu bar, by their position.
inline constexpr int kReadMeCommand = 0;
inline constexpr int kAboutCommand = 1;
// Chooses the command at position index (0 = leftmost) of window's menu bar with the keyboard,
// as a user would: F10, Right arrow index times, Enter; false if the window's menu never opened.
// Another process cannot read a window's menu under Wine, so this does not look at its items.
bool ChooseMenuCommand(HWND window, int index);

// Values under HKEY_LOCAL_MACHINE, where the clock looks for the system information tool; the
// key is made where it is missing. The setters return the registry's error code.
LONG SetMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD type, const void* data,
                     DWORD size);
LONG SetMachineText(const wchar_t* keyName, const wchar_t* valueName, const std::wstring& text);
void DeleteMachineValue(const wchar_t* keyName, const wchar_t* valueName);

// Polls condition every 50 ms until it holds (true) or timeoutMs has passed (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000);
// Waits until window is destroyed or hidden; false on timeout.
bool WaitGone(HWND window, DWORD timeoutMs = 15000);
// Waits until window is destroyed, not merely hidden; false on timeout.
bool WaitDestroyed(HWND window, DWORD timeoutMs = 15000);

}  // namespace morv::e2e
