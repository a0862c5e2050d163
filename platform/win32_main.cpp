// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The program's entry: prepares the process, then hands over to the clock.
#include <windows.h>

#include "clock/program.h"
#include "platform/win32_dpi.h"
#include "platform/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Libraries load from the system folder only, never from the current directory, which is
  // where the read-me (and so anything planted beside it) lives.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  morv::win32::DeclareDpiAwareness();
  // The common controls are loaded when the first dialog opens (win32_controls.cpp), not here:
  // the clock window uses none, and loading them costs the running clock over 3 MB.

  morv::win32::Win32Platform platform;
  return morv::RunProgram(platform);
}
