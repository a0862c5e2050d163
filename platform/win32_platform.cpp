// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_platform.h"

#include <algorithm>

#include "platform/win32_text.h"
#include "platform/win32_window.h"
#include "resources/version.h"

namespace morv::win32 {

std::unique_ptr<Window> Win32Platform::OpenWindow(const WindowSpec& spec,
                                                  std::function<void()> onCloseRequest) {
  return std::make_unique<Win32Window>(*this, spec, std::move(onCloseRequest));
}

void Win32Platform::WindowCreated(Win32Window& window) { windows_.push_back(&window); }

void Win32Platform::WindowDestroyed(Win32Window& window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), &window), windows_.end());
  // Only a running loop is told to end: a quit message left in the queue before the loop
  // starts would close the next message box at once (the start-up failure report).
  if (windows_.empty() && running_) PostQuitMessage(0);
}

int Win32Platform::Run() {
  if (windows_.empty()) return 0;
  running_ = true;
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Dialogs get Tab, Enter, Esc and their mnemonics from the dialog manager.
    const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    const bool toDialog =
        std::any_of(windows_.begin(), windows_.end(),
                    [root](const Win32Window* w) { return w->IsDialog() && w->handle() == root; });
    if (toDialog && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// To the millisecond, read when asked: the timer places its ticks by it (tick_marks.h), and
// GetLocalTime's reading is as old as the system timer's last tick (up to 16 ms on Windows).
LocalTime Win32Platform::Now() {
  FILETIME utc{}, local{};
  SYSTEMTIME now{};
  GetSystemTimePreciseAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &now)) {
    GetLocalTime(&now);
  }
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

namespace {

// The full path of a program in the system folder or the Windows folder, or "" when it is in
// neither.
std::wstring SystemProgramPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  // GetSystemWindowsDirectoryW: the system's own Windows folder on a Remote Desktop host too,
  // where GetWindowsDirectoryW would give a program not marked Terminal-Server aware the user's
  // private one, which the user can write to.
  for (const auto getFolder : {&GetSystemDirectoryW, &GetSystemWindowsDirectoryW}) {
    const UINT length = getFolder(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) continue;
    std::wstring path = std::wstring(folder, length) + L"\\" + name;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return path;
  }
  return {};
}

}  // namespace

bool Win32Platform::StartProgram(const std::string& program, const std::string& arguments,
                                 ProgramSearch search) {
  if (program.empty()) return false;
  const std::wstring name = Widen(program);
  // The program is named apart from its arguments, so a path with spaces is never cut short
  // into another program; the command line keeps its usual form for the started program.
  std::wstring application = name;
  std::wstring commandLine;
  if (search == ProgramSearch::SystemProgram) {
    application = SystemProgramPath(name);
    if (application.empty()) return false;
    commandLine = name;
  } else {
    commandLine = L"\"" + name + L"\"";
  }
  if (!arguments.empty()) commandLine += L" " + Widen(arguments);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  // No process is granted the right to come to the front: the clock starts a program only when
  // the user asks for it in one of its windows, and a program started by the foreground process
  // may take the foreground by itself.
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void Win32Platform::ShowMessage(const std::string& text) {
  // Modal to the window the user is working in, as a message box of that window would be.
  HWND owner = GetActiveWindow();
  MessageBoxW(owner, Widen(text).c_str(), Widen(MORV_APP_TITLE).c_str(), MB_OK);
}

std::string Win32Platform::FindFile(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (wide.find_first_of(L"*?") != std::wstring::npos) throw PlatformError("bad file name");
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "";
    throw PlatformError("the file could not be looked up");
  }
  const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (attributes & excluded) return "";
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Win32Platform::FromSystemCodePage(const std::string& bytes) { return FromAnsi(bytes); }

void Win32Platform::PlaceDialog(HWND dialog) const {
  RECT anchor{};
  const auto clock = std::find_if(windows_.begin(), windows_.end(), [](const Win32Window* w) {
    return !w->IsDialog() && IsWindowVisible(w->handle()) && !IsIconic(w->handle());
  });
  const HMONITOR monitor = clock != windows_.end()
                               ? MonitorFromWindow((*clock)->handle(), MONITOR_DEFAULTTONEAREST)
                               : MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(monitor, &info);
  if (clock != windows_.end()) {
    GetWindowRect((*clock)->handle(), &anchor);
  } else {
    anchor = info.rcWork;
  }
  RECT box{};
  GetWindowRect(dialog, &box);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  int left = anchor.left + ((anchor.right - anchor.left) - width) / 2;
  int top = anchor.top + ((anchor.bottom - anchor.top) - height) / 2;
  // Keep the whole dialog, title bar first, on the clock's monitor.
  left = std::max(static_cast<int>(info.rcWork.left),
                  std::min(left, static_cast<int>(info.rcWork.right) - width));
  top = std::max(static_cast<int>(info.rcWork.top),
                 std::min(top, static_cast<int>(info.rcWork.bottom) - height));
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace morv::win32
