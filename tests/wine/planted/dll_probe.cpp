// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The control for the library-planting test: a program that, unlike the clock, keeps the
// default library search, loads the library by name like a system library would, and waits
// to be looked at. Where its copy came from shows that the test can tell a planted library.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const HMODULE library = LoadLibraryW(L"uxtheme.dll");
  if (library == nullptr) return 1;
  Sleep(60000);
  FreeLibrary(library);
  return 0;
}
