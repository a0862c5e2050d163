// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "e2e_support.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>

namespace morv::e2e {

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::wstring BuildFolder() {
  const std::wstring tests = TestProgramFolder();
  return tests.substr(0, tests.find_last_of(L"\\/"));
}

std::wstring MorvTimePath() { return BuildFolder() + L"\\morvtime.exe"; }

std::wstring PicturePath(const wchar_t* name) {
  return TestProgramFolder() + L"\\" + name + L".ppm";
}

UINT ScreenDpi() { return GetDpiForSystem(); }

Process::~Process() {
  if (Running()) Terminate();
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
}

bool Process::Start(const std::wstring& application, const std::wstring& commandLine,
                    const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring line = commandLine;
  if (CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                     nullptr, FALSE, 0, nullptr, folder.empty() ? nullptr : folder.c_str(),
                     &startup, &info_)) {
    return true;
  }
  const DWORD error = GetLastError();
  info_ = {};  // nothing to end or close
  SetLastError(error);
  return false;
}

bool Process::Running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::WaitForExit(DWORD timeoutMs) {
  if (info_.hProcess == nullptr) return 0;
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Terminate() {
  if (info_.hProcess == nullptr) return;
  TerminateProcess(info_.hProcess, 255);
  WaitForSingleObject(info_.hProcess, 5000);
}

namespace {

// Whether the clock window shows a painted face: the face colour in its corner, and the ink of
// the first box's diagonal where it crosses (600, 600) twips of the 7740 x 1344 twips client
// area, at whatever DPI the clock runs.
bool FacePainted(HWND window) {
  const Pixels pixels = CaptureClient(window);
  if (pixels.data.empty()) return false;
  return pixels.at(2, 2) == SysColour(COLOR_BTNFACE) &&
         pixels.Dark(MulDiv(600, pixels.width, 7740), MulDiv(600, pixels.height, 1344));
}

}  // namespace

std::string RunningClock::Start(const std::wstring& folder) {
  // Wine's CreateProcessW failed once in a CI run, in the middle of a suite that had started
  // the same program many times: such a failure, before any of the program's code runs, is
  // reported and tried once more.
  const std::wstring program = folder + L"\\morvtime.exe";
  if (!process.Start(program, L"morvtime.exe", folder)) {
    const DWORD error = GetLastError();
    std::fprintf(stderr, "morvtime.exe did not start from %s (error %lu); trying once more\n",
                 Utf8(folder).c_str(), error);
    Sleep(1000);
    if (!process.Start(program, L"morvtime.exe", folder)) {
      return "morvtime.exe did not start from " + Utf8(folder) + ": error " +
             std::to_string(GetLastError());
    }
  }
  window = WaitForWindow(process.id(), kClockCaption);
  if (window == nullptr) {
    const DWORD code = process.WaitForExit(0);
    return code == STILL_ACTIVE ? "the clock runs, but its window did not show"
                                : "the clock ended with exit code " + std::to_string(code) +
                                      " before its window showed";
  }
  if (!WaitUntil([this] { return FacePainted(window); }, 10000)) {
    CaptureClient(window).SavePpm(PicturePath(L"unpainted_face"));
    return "the clock's window showed no painted face in 10 s (unpainted_face.ppm)";
  }
  return "";
}

HWND RunningClock::OpenAbout(DWORD timeoutMs) const {
  if (!ChooseMenuCommand(window, kAboutCommand)) return nullptr;
  return WaitForWindow(process.id(), kAboutCaption, timeoutMs);
}

HANDLE OpenOwner(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE | PROCESS_TERMINATE,
                     FALSE, id);
}

void EndProcessAfter(HANDLE process, DWORD graceMs) {
  if (process == nullptr) return;
  if (WaitForSingleObject(process, graceMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  CloseHandle(process);
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::vector<TopLevelWindow> TopLevelWindows() {
  std::vector<TopLevelWindow> windows;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        reinterpret_cast<std::vector<TopLevelWindow>*>(param)->push_back(
            {hwnd, process, IsWindowVisible(hwnd) != FALSE});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

namespace {

// The visible top-level windows of the process (of any process for 0) with this title.
std::vector<HWND> WindowsOf(DWORD processId, const std::wstring& caption) {
  std::vector<HWND> found;
  for (const TopLevelWindow& w : TopLevelWindows()) {
    if ((processId == 0 || w.process == processId) && w.visible &&
        WindowText(w.window) == caption) {
      found.push_back(w.window);
    }
  }
  return found;
}

}  // namespace

std::vector<HWND> WindowsTitled(const std::wstring& caption) { return WindowsOf(0, caption); }

HWND WaitForWindow(DWORD processId, const std::wstring& caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        const std::vector<HWND> windows = WindowsOf(processId, caption);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

HWND WaitForNewWindow(const std::wstring& caption, const std::vector<HWND>& before,
                      DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : WindowsTitled(caption)) {
          if (std::find(before.begin(), before.end(), window) != before.end()) continue;
          found = window;
          return true;
        }
        return false;
      },
      timeoutMs);
  return found;
}

SIZE ClientSize(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return {client.right - client.left, client.bottom - client.top};
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

RECT RectInClient(HWND parent, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND IconPicture(HWND dialog) {
  for (const HWND child : Children(dialog)) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
  }
  return nullptr;
}

std::string WholeIconProblem(HWND dialog, int dpi) {
  const HWND picture = IconPicture(dialog);
  if (picture == nullptr) return "no picture";
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const Pixels shot = CaptureClient(dialog);
  const RECT box = RectInClient(dialog, picture);
  // Nothing but the icon lies left of the title (1050 twips) and above the description lines.
  const int clear = MulDiv(1050, dpi, 1440);
  const RECT ink = Ink(shot, {0, 0, clear, clear});
  const int spans = GetSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi)) * 30 / 32 - 1;
  const bool inside =
      ink.left > box.left && ink.top > box.top && ink.right < box.right && ink.bottom < box.bottom;
  const bool whole = ink.right - ink.left >= spans && ink.bottom - ink.top >= spans;
  const bool cornerToCorner =
      whole && shot.Dark(ink.left, ink.top) && shot.Dark(ink.right - 1, ink.top) &&
      shot.Dark(ink.left, ink.bottom - 1) && shot.Dark(ink.right - 1, ink.bottom - 1);
  if (inside && whole && cornerToCorner) return "";
  const auto text = [](const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  };
  return "ink " + text(ink) + " in a picture at " + text(box) + "; the X spans at least " +
         std::to_string(spans) + " pixels at " + std::to_string(dpi) + " DPI";
}

const BYTE* RemotePeb(HANDLE process) {
  using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
    return nullptr;
  }
  return reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
}

int GdiObjectCount(HANDLE process) {
  const BYTE* peb = RemotePeb(process);
  if (peb == nullptr) return -1;
  // PEB->GdiSharedHandleTable on x64.
  constexpr SIZE_T kTableOffset = 0xF8;
  ULONG_PTR table = 0;
  if (!ReadProcessMemory(process, peb + kTableOffset, &table, sizeof(table), nullptr) ||
      table == 0) {
    return static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
  }
  constexpr std::size_t kEntries = 0x10000, kEntrySize = 24, kTypeOffset = 14;
  std::vector<unsigned char> entries(kEntries * kEntrySize);
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size(), &read)) {
    return -1;
  }
  int live = 0;
  for (std::size_t i = 0; i < read / kEntrySize; ++i)
    live += entries[i * kEntrySize + kTypeOffset] != 0;
  return live;
}

int SettledGdiObjects(HANDLE process) {
  int lowest = GdiObjectCount(process);
  for (int i = 0; i < 5; ++i) {
    Sleep(100);
    lowest = std::min(lowest, GdiObjectCount(process));
  }
  return lowest;
}

std::size_t ResidentBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
  return counters.WorkingSetSize;
}

void PressKey(WORD virtualKey) {
  INPUT input[2] = {};
  input[0].type = INPUT_KEYBOARD;
  input[0].ki.wVk = virtualKey;
  input[1] = input[0];
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Sleep(60);  // let the target process take the key before the next one
}

void PressChord(WORD modifier, WORD key) {
  INPUT input[4] = {};
  for (INPUT& i : input) i.type = INPUT_KEYBOARD;
  input[0].ki.wVk = modifier;
  input[1].ki.wVk = key;
  input[2].ki.wVk = key;
  input[2].ki.dwFlags = KEYEVENTF_KEYUP;
  input[3].ki.wVk = modifier;
  input[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, input, sizeof(INPUT));
  Sleep(60);
}

bool ActivateWindow(HWND window, DWORD timeoutMs) {
  // No window is not "there" when nothing has the focus.
  if (window == nullptr) return false;
  // A thread reads the window manager's answers as it pumps messages, and an answer to an earlier
  // activation read after this one gives the focus back to that window: the window is in front
  // only when it still is after its thread has answered a message.
  return WaitUntil(
      [window] {
        SetForegroundWindow(window);
        if (GetForegroundWindow() != window) return false;
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
        return GetForegroundWindow() == window;
      },
      timeoutMs);
}

namespace {

// Whether the window's thread is tracking the window's menu, as F10 makes it.
bool InMenuModeOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         (info.flags & GUI_INMENUMODE) != 0 && info.hwndMenuOwner == window;
}

}  // namespace

bool ChooseMenuCommand(HWND window, int index) {
  // A window manager's late answer to an earlier activation (a program just started, say) can
  // take the focus from the window after it came to the front, and F10 then goes to another
  // window. The keys go on only once the window's own menu is open; else the window is brought
  // to the front again, which ends any menu F10 opened elsewhere. (Esc could close a dialog.)
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!ActivateWindow(window)) return false;
    PressKey(VK_F10);
    if (WaitUntil([window] { return InMenuModeOf(window); }, 3000)) {
      for (int i = 0; i < index; ++i) PressKey(VK_RIGHT);
      PressKey(VK_RETURN);
      return true;
    }
  }
  return false;
}

LONG SetMachineValue(const wchar_t* keyName, const wchar_t* valueName, DWORD type, const void* data,
                     DWORD size) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return result;
}

LONG SetMachineText(const wchar_t* keyName, const wchar_t* valueName, const std::wstring& text) {
  return SetMachineValue(keyName, valueName, REG_SZ, text.c_str(),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteMachineValue(const wchar_t* keyName, const wchar_t* valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, valueName);
    RegCloseKey(key);
  }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

bool WaitDestroyed(HWND window, DWORD timeoutMs) {
  return WaitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

}  // namespace morv::e2e
