// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Stands in for the system information tool in the end-to-end tests: records how it was
// started and exits. The tests copy it to wherever the registry is to point (and to where a
// planted program would sit), then read the records back.
//
// One record per start, appended as a line of UTF-8 to the file named by MORV_STANDIN_LOG (the
// clock's environment, and so this one's, comes from the test):
//   module path <TAB> command line <TAB> STARTUPINFO flags <TAB> show command
#include <windows.h>

#include <string>

#include "utf8.h"

using morv::e2e::Utf8;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t logPath[MAX_PATH] = {};
  const DWORD logLength = GetEnvironmentVariableW(L"MORV_STANDIN_LOG", logPath, MAX_PATH);
  if (logLength == 0 || logLength >= MAX_PATH) return 2;

  wchar_t module[MAX_PATH] = {};
  const DWORD moduleLength = GetModuleFileNameW(nullptr, module, MAX_PATH);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);

  const std::string record = Utf8(std::wstring(module, moduleLength)) + "\t" +
                             Utf8(GetCommandLineW()) + "\t" + std::to_string(startup.dwFlags) +
                             "\t" + std::to_string(startup.wShowWindow) + "\n";
  // Appending keeps the records of several starts, the order they came in.
  const HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(log);
  return ok && written == record.size() ? 0 : 4;
}
