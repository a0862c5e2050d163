// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Faults in the real Win32 backend: this program links the clock and its Win32 platform, and
// makes the system refuse a window, a timer, a pen, a control or a font by replacing those
// functions in its own import table. At start-up the program must show its one message box
// (titled with the application title), return a failure status, and leave no window and no GDI
// object behind. Later, a refusal while the About dialog opens must leave the clock running and
// no half-made dialog, and the next About command must open a complete one.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "about/frmAbout.h"
#include "clock/Form1.h"
#include "clock/program.h"
#include "e2e_support.h"
#include "platform/win32_platform.h"
#include "screen_reader.h"

namespace morv::e2e {
namespace {

const wchar_t kClockClass[] = L"MorvTimeWindow";

// Replaces this program's import of name from module; returns the previous entry, or nullptr
// if the program does not import it.
void* ReplaceImport(const char* module, const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), module) != 0) continue;
    auto* address = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    for (; address->u1.Function != 0; ++address, ++names) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&address->u1.Function, sizeof(address->u1.Function), PAGE_READWRITE,
                     &protection);
      void* previous = reinterpret_cast<void*>(address->u1.Function);
      address->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&address->u1.Function, sizeof(address->u1.Function), protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

// One refused system function for the life of this object.
class Refusal {
 public:
  Refusal(const char* module, const char* name, void* refusing)
      : module_(module), name_(name), original_(ReplaceImport(module, name, refusing)) {}
  ~Refusal() {
    if (original_ != nullptr) ReplaceImport(module_, name_, original_);
  }
  Refusal(const Refusal&) = delete;
  Refusal& operator=(const Refusal&) = delete;
  bool Active() const { return original_ != nullptr; }

 private:
  const char* module_;
  const char* name_;
  void* original_;
};

HWND WINAPI RefuseWindow(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                         LPVOID) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}
UINT_PTR WINAPI RefuseTimer(HWND, UINT_PTR, UINT, TIMERPROC) {
  SetLastError(ERROR_NO_SYSTEM_RESOURCES);
  return 0;
}
HPEN WINAPI RefusePen(DWORD, DWORD, const LOGBRUSH*, DWORD, const DWORD*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

HFONT WINAPI RefuseFont(const LOGFONTW*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

// Fonts asked for: the first gFontsMade made, every later one refused.
int gFontsAsked = 0, gFontsMade = 0;
HFONT(WINAPI* gCreateFont)(const LOGFONTW*) = nullptr;
HFONT WINAPI RefuseLaterFonts(const LOGFONTW* font) {
  return ++gFontsAsked <= gFontsMade ? gCreateFont(font) : RefuseFont(font);
}

HMODULE WINAPI RefuseLibrary(LPCWSTR, HANDLE, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

// What the user saw while the program ran: the message boxes of this process, read and
// answered with OK by a second thread, and whether a clock window was visible meanwhile.
struct Observer {
  std::atomic<bool> done{false};
  std::atomic<int> boxes{0};
  std::atomic<bool> clockVisibleWithBox{false};
  std::wstring text;  // of the first box
  std::wstring title;
  std::thread thread;

  Observer() {
    thread = std::thread([this] {
      while (!done) {
        HWND box = nullptr;
        for (const TopLevelWindow& w : TopLevelWindows()) {
          if (w.process == GetCurrentProcessId() && w.visible && ClassOf(w.window) == L"#32770") {
            box = w.window;
            break;
          }
        }
        if (box != nullptr) {
          if (boxes == 0) {
            title = WindowText(box);
            for (HWND child : Children(box)) {
              if (WindowText(child) == kCannotStart) text = WindowText(child);
            }
          }
          const HWND clock = FindWindowW(kClockClass, nullptr);
          if (clock != nullptr && IsWindowVisible(clock)) clockVisibleWithBox = true;
          ++boxes;
          PostMessageW(box, WM_COMMAND, IDOK, 0);
          while (IsWindow(box) && !done) Sleep(20);
        }
        Sleep(20);
      }
    });
  }
  ~Observer() { Stop(); }
  void Stop() {
    done = true;
    if (thread.joinable()) thread.join();
  }
};

// Dispatches what waits in this thread's queue: the clock's timer, where the clock runs on the
// test's own thread.
void DispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The clock with its real Win32 platform, shown on the test's own thread.
struct ClockOnThisThread {
  win32::Win32Platform platform;
  frmAbout about{platform};
  Form1 clock{platform, about};
  HWND window = nullptr;
  ClockOnThisThread() {
    clock.Show();
    window = FindWindowW(kClockClass, nullptr);
  }
};

// Whether the clock, running on the test's own thread, moves on to another second.
bool KeepsTicking(const Form1& clock) {
  const LocalTime before = clock.TickTime;
  return WaitUntil(
      [&] {
        DispatchWaiting();
        return clock.TickTime.second != before.second || clock.TickTime.minute != before.minute;
      },
      3000);
}

int RunClockProgram() {
  win32::Win32Platform platform;
  return RunProgram(platform);
}

class StartupFault : public ::testing::Test {
 protected:
  // Runs the program with the refusal in place and checks the report and what is left.
  void ExpectReported(const Refusal& refusal) {
    ASSERT_TRUE(refusal.Active()) << "the backend does not import the refused function";
    Observer observer;
    const int status = RunClockProgram();
    Sleep(200);
    observer.Stop();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(observer.boxes, 1);
    EXPECT_EQ(observer.text, kCannotStart);
    EXPECT_EQ(observer.title, kMessageTitle);
    EXPECT_FALSE(observer.clockVisibleWithBox) << "a broken clock window was on the screen";
    EXPECT_EQ(FindWindowW(kClockClass, nullptr), nullptr) << "a clock window was left behind";
  }
};

TEST_F(StartupFault, TheWindowRefused) {
  const Refusal refusal("user32.dll", "CreateWindowExW", reinterpret_cast<void*>(&RefuseWindow));
  ExpectReported(refusal);
}

TEST_F(StartupFault, TheTimerRefused) {
  const Refusal refusal("user32.dll", "SetTimer", reinterpret_cast<void*>(&RefuseTimer));
  ExpectReported(refusal);
}

TEST_F(StartupFault, ThePenRefused) {
  const Refusal refusal("gdi32.dll", "ExtCreatePen", reinterpret_cast<void*>(&RefusePen));
  ExpectReported(refusal);
}

// Failing again and again costs nothing: the GDI objects of the failed windows are all freed.
TEST_F(StartupFault, RepeatedFailuresLeaveNoGdiObjects) {
  const Refusal refusal("user32.dll", "SetTimer", reinterpret_cast<void*>(&RefuseTimer));
  ASSERT_TRUE(refusal.Active());
  auto runOnce = [] {
    Observer observer;
    const int status = RunClockProgram();
    observer.Stop();
    return status;
  };
  ASSERT_EQ(runOnce(), 1);  // warm-up: the message box's own caches
  const int before = GdiObjectCount(GetCurrentProcess());
  for (int i = 0; i < 10; ++i) ASSERT_EQ(runOnce(), 1);
  const int after = GdiObjectCount(GetCurrentProcess());
  ASSERT_GT(before, 0);
  EXPECT_LE(after, before);
}

// A control or a font refused while the About dialog opens, with the clock running: the
// command, sent through the clock's window procedure as the menu sends it, fails without a
// word, no dialog is left, the clock keeps ticking, and the next command opens the whole dialog.
TEST(LaterFault, ARefusedControlOrFontLeavesTheClockRunningAndTheDialogCanOpenLater) {
  const std::vector<std::pair<const char*, const char*>> refused{
      {"user32.dll", "CreateWindowExW"}, {"gdi32.dll", "CreateFontIndirectW"}};
  for (const auto& [module, function] : refused) {
    SCOPED_TRACE(function);
    ClockOnThisThread program;
    const Form1& clock = program.clock;
    const HWND window = program.window;
    ASSERT_NE(window, nullptr);
    const auto aboutCommand = static_cast<WPARAM>(GetMenuItemID(GetMenu(window), 1));
    {
      // The clock window is made: from here on only the dialog's controls are refused.
      const Refusal refusal(module, function,
                            std::string(function) == "CreateFontIndirectW"
                                ? reinterpret_cast<void*>(&RefuseFont)
                                : reinterpret_cast<void*>(&RefuseWindow));
      ASSERT_TRUE(refusal.Active());
      SendMessageW(window, WM_COMMAND, aboutCommand, 0);
    }
    EXPECT_FALSE(program.about.Loaded());
    EXPECT_EQ(FindWindowW(nullptr, kAboutCaption), nullptr) << "a half-made dialog was left";
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(KeepsTicking(clock)) << "the clock stopped";

    SendMessageW(window, WM_COMMAND, aboutCommand, 0);
    ASSERT_TRUE(program.about.Loaded());
    const HWND dialog = FindWindowW(nullptr, kAboutCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Children(dialog).size(), 8u);  // two buttons, the picture and five labels
    EXPECT_EQ(WindowText(Children(dialog)[0]), L"OK");
  }
}

// Only a settings change of the look (the non-client metrics) makes the dialog's fonts again, all
// or nothing: with a font refused halfway, the first control too keeps the font it had.
TEST(LaterFault, OnlySettingsOfTheLookRemakeTheFontsAndARefusalKeepsTheOldOnes) {
  ClockOnThisThread program;
  SendMessageW(program.window, WM_COMMAND, GetMenuItemID(GetMenu(program.window), 1), 0);
  const HWND dialog = FindWindowW(nullptr, kAboutCaption);
  ASSERT_NE(dialog, nullptr);
  const LRESULT font = SendMessageW(Children(dialog)[0], WM_GETFONT, 0, 0);
  gCreateFont = &CreateFontIndirectW;
  gFontsMade = 2;  // the message font and one more
  const Refusal refusal("gdi32.dll", "CreateFontIndirectW",
                        reinterpret_cast<void*>(&RefuseLaterFonts));
  SendMessageW(dialog, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
  EXPECT_EQ(gFontsAsked, 0) << "fonts made again for the wallpaper";
  SendMessageW(dialog, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS,
               reinterpret_cast<LPARAM>(L"WindowMetrics"));
  EXPECT_GT(gFontsAsked, gFontsMade);
  EXPECT_EQ(SendMessageW(Children(dialog)[0], WM_GETFONT, 0, 0), font);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(font)), static_cast<DWORD>(OBJ_FONT));
}

// A scale change whose font the system refuses changes nothing: the dialog stays laid out for its
// DPI, and lays out again (for a settings change, here) at that DPI, not at the refused one.
TEST(LaterFault, AScaleChangeWithARefusedFontKeepsTheOldScale) {
  ClockOnThisThread program;
  SendMessageW(program.window, WM_COMMAND, GetMenuItemID(GetMenu(program.window), 1), 0);
  const HWND dialog = FindWindowW(nullptr, kAboutCaption);
  ASSERT_NE(dialog, nullptr);
  const HWND ok = Children(dialog)[0];
  const RECT before = RectInClient(dialog, ok);
  {
    const Refusal refusal("gdi32.dll", "CreateFontIndirectW", reinterpret_cast<void*>(&RefuseFont));
    RECT suggested{};
    GetWindowRect(dialog, &suggested);
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  }
  RECT after = RectInClient(dialog, ok);
  EXPECT_TRUE(EqualRect(&after, &before)) << "half laid out at the refused DPI";
  SendMessageW(dialog, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  after = RectInClient(dialog, ok);
  EXPECT_TRUE(EqualRect(&after, &before)) << "laid out at the refused DPI";
}

// A screen reader's request while the accessibility library is refused: the reader gets the
// system's default object of a client area, and the clock ticks on. (This process imports the
// library itself; only the clock's own loading of it is refused.)
TEST(LaterFault, ARefusedAccessibilityLibraryLeavesReadersTheDefaultObject) {
  ClockOnThisThread program;
  const HWND window = program.window;
  ASSERT_NE(window, nullptr);
  const Refusal refusal("kernel32.dll", "LoadLibraryExW", reinterpret_cast<void*>(&RefuseLibrary));
  ASSERT_TRUE(refusal.Active());
  const ReaderView reader(window, OBJID_CLIENT);
  ASSERT_NE(reader.get(), nullptr);
  EXPECT_EQ(reader.Number(&IAccessible::get_accRole), ROLE_SYSTEM_CLIENT);
  EXPECT_TRUE(KeepsTicking(program.clock)) << "the clock stopped";
}

}  // namespace
}  // namespace morv::e2e
