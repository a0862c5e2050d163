// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Stands in for a system library planted in the program's folder under a system library's
// name. If its code ever runs, it leaves dll-ran.txt beside itself.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\') --length;
  lstrcpynW(path + length, L"dll-ran.txt", MAX_PATH - static_cast<int>(length));
  const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
