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
  // The common controls are loaded here, after the restriction, rather than imported: an
  // import is loaded before this function runs, and brings the theme library along, from
  // wherever the default search finds it first, this program's own folder included.
  if (const HMODULE library = LoadLibraryW(L"comctl32.dll")) {
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    // The cast through void(*)() keeps GCC's function-type-cast warning quiet.
    const auto init = reinterpret_cast<InitControls>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    if (init != nullptr) init(&controls);
  }

  morv::win32::Win32Platform platform;
  return morv::RunProgram(platform);
}
