// The program's entry: prepares the process, then hands over to the clock.
#include <windows.h>

#include <commctrl.h>

#include "clock/program.h"
#include "platform/win32_dpi.h"
#include "platform/win32_platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Libraries load from the system folder only, never from the current directory, which is
  // where the read-me (and so anything planted beside it) lives.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
  morv::win32::DeclareDpiAwareness();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  morv::win32::Win32Platform platform;
  return morv::RunProgram(platform);
}
