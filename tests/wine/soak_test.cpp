// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Endurance: the real clock runs while a driver uses it as a user would, with the keyboard,
// over and over: opens and closes the About dialog (Esc, Enter, Alt+F4), starts the read-me
// command and the system information button, and closes whatever they open. The clock's GDI
// objects, its resident memory and its windows must stay flat after warm-up, and its face must
// show the time throughout.
//
// With MORV_SOAK=1 (scripts/test --soak) it runs for at least 10 minutes and 500 About cycles;
// otherwise a short version runs in the normal suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "clock_face_checks.h"
#include "e2e_support.h"
#include "hardening_support.h"

namespace morv::e2e {
namespace {

const wchar_t kToolKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr int kDpi = 120;
constexpr int kWarmUpCycles = 20;  // every kind of action has run twice by then

bool SoakRequested() {
  wchar_t value[8] = {};
  return GetEnvironmentVariableW(L"MORV_SOAK", value, 8) > 0 && value[0] == L'1';
}

// The clock process's top-level windows, hidden ones included (a dialog or message box that
// was hidden rather than destroyed would show up here).
int WindowsOf(DWORD process) {
  const auto all = TopLevelWindows();
  return static_cast<int>(std::count_if(
      all.begin(), all.end(), [process](const TopLevelWindow& w) { return w.process == process; }));
}

// A visible top-level window of another process that was not there before.
HWND WaitForNewForeignWindow(const std::set<HWND>& before, DWORD excluded, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  do {
    for (const TopLevelWindow& w : TopLevelWindows()) {
      if (w.visible && w.process != excluded && w.process != GetCurrentProcessId() &&
          before.count(w.window) == 0 && !WindowText(w.window).empty()) {
        return w.window;
      }
    }
    Sleep(100);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

std::set<HWND> VisibleWindows() {
  std::set<HWND> windows;
  for (const TopLevelWindow& w : TopLevelWindows()) {
    if (w.visible) windows.insert(w.window);
  }
  return windows;
}

// Closes another program's window: with the keyboard first (Esc, then Enter), then by asking
// it to close, and ends its process if it still runs.
bool CloseForeignWindow(HWND window) {
  const HANDLE process = OpenOwner(window);
  bool closed = false;
  for (const WORD key : {WORD{VK_ESCAPE}, WORD{VK_RETURN}}) {
    if (ActivateWindow(window, 2000)) PressKey(key);
    if (WaitDestroyed(window, 3000)) {
      closed = true;
      break;
    }
  }
  if (!closed) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    closed = WaitDestroyed(window, 5000);
  }
  EndProcessAfter(process, 10000);
  return closed;
}

// The text of the message box's static control that holds the message.
bool MessageBoxSays(HWND box, const std::wstring& text) {
  const std::vector<HWND> children = Children(box);
  return std::any_of(children.begin(), children.end(),
                     [&text](HWND child) { return WindowText(child) == text; });
}

// Points the registry at the system's information tool, or takes the value away, and puts
// back what was there when the test ends.
class ToolRegistration {
 public:
  ToolRegistration() {
    DWORD size = sizeof(saved_);
    hadValue_ = RegGetValueW(HKEY_LOCAL_MACHINE, kToolKey, L"PATH", RRF_RT_REG_SZ, nullptr, saved_,
                             &size) == ERROR_SUCCESS;
    tool_ = SystemFolder() + L"\\msinfo32.exe";
    available_ = FileExists(tool_);
  }
  ~ToolRegistration() {
    if (hadValue_) {
      SetMachineText(kToolKey, L"PATH", saved_);
    } else {
      Remove();
    }
  }
  ToolRegistration(const ToolRegistration&) = delete;
  ToolRegistration& operator=(const ToolRegistration&) = delete;

  bool ToolAvailable() const { return available_; }
  void Register() const { SetMachineText(kToolKey, L"PATH", tool_); }
  void Remove() const { DeleteMachineValue(kToolKey, L"PATH"); }

 private:
  wchar_t saved_[MAX_PATH] = {};
  bool hadValue_ = false;
  std::wstring tool_;
  bool available_ = false;
};

struct Sample {
  int cycle;
  double minutes;
  int gdi;
  std::size_t resident;
  int windows;
};

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kDpi));
    ASSERT_EQ(clock_.Start(), "");
  }

  // Opens the About dialog from the menu bar; nullptr if it does not appear.
  // The keyboard goes to whichever window is in front when the keys arrive; if another
  // window took the focus on the way, the menu is left with Esc and chosen again. Such retries
  // are counted and reported.
  HWND OpenAbout() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt > 0) {
        ++retries_;
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
      }
      if (!ChooseMenuCommand(clock_.window, kAboutCommand)) continue;
      if (const HWND dialog = WaitForWindow(clock_.process.id(), kAboutCaption, 5000))
        return dialog;
    }
    return nullptr;
  }

  // Presses the system information button with its mnemonic and closes what it opens: the
  // tool's window, or the clock's message that the tool is unavailable.
  void UseSystemInformation(HWND dialog, bool toolRegistered) {
    const std::set<HWND> before = VisibleWindows();
    ASSERT_TRUE(ActivateWindow(dialog));
    PressChord(VK_MENU, 'S');
    if (toolRegistered) {
      const HWND tool = WaitForNewForeignWindow(before, clock_.process.id(), 20000);
      ASSERT_NE(tool, nullptr) << "the system information tool did not open";
      EXPECT_TRUE(CloseForeignWindow(tool));
      ++toolsClosed_;
    } else {
      const HWND box = WaitForWindow(clock_.process.id(), kMessageTitle, 10000);
      ASSERT_NE(box, nullptr) << "no message that the tool is unavailable";
      EXPECT_TRUE(MessageBoxSays(box, kUnavailable));
      ASSERT_TRUE(ActivateWindow(box));
      PressKey(VK_RETURN);
      ASSERT_TRUE(WaitDestroyed(box, 10000));
      ++messagesClosed_;
    }
    // The dialog stays open in either case.
    EXPECT_TRUE(IsWindowVisible(dialog));
  }

  // Chooses the read-me command and closes the editor it opens.
  void UseReadMe() {
    const std::vector<HWND> before = WindowsTitled(kEditorCaption);
    HWND opened = nullptr;
    for (int attempt = 0; attempt < 3 && opened == nullptr; ++attempt) {
      if (attempt > 0) {
        ++retries_;
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
      }
      if (!ChooseMenuCommand(clock_.window, kReadMeCommand)) continue;
      opened = WaitForNewWindow(kEditorCaption, before, 8000);
    }
    ASSERT_NE(opened, nullptr) << "the editor did not open the read-me";
    Sleep(300);  // a retry may have opened a second one
    for (HWND editor : WindowsTitled(kEditorCaption)) {
      if (std::find(before.begin(), before.end(), editor) != before.end()) continue;
      const HANDLE process = OpenOwner(editor);
      PostMessageW(editor, WM_CLOSE, 0, 0);  // an unchanged file closes without a question
      EndProcessAfter(process, 10000);
      ++editorsClosed_;
    }
  }

  // One About cycle: open, sometimes use the system information button, close with Esc,
  // Enter or Alt+F4 in turn. Every tenth cycle also runs the read-me command.
  void Cycle(int n, const ToolRegistration& tool) {
    const HWND dialog = OpenAbout();
    ASSERT_NE(dialog, nullptr) << "cycle " << n << ": the About dialog did not open";
    if (n % 10 == 3 && tool.ToolAvailable()) {
      tool.Register();
      UseSystemInformation(dialog, true);
      tool.Remove();
    } else if (n % 10 == 7) {
      tool.Remove();
      UseSystemInformation(dialog, false);
    }
    if (HasFatalFailure()) return;
    ASSERT_TRUE(ActivateWindow(dialog)) << "cycle " << n;
    switch (n % 3) {
      case 0:
        PressKey(VK_ESCAPE);
        break;
      case 1:
        PressKey(VK_RETURN);
        break;
      default:
        PressChord(VK_MENU, VK_F4);
        break;
    }
    ASSERT_TRUE(WaitDestroyed(dialog, 10000))
        << "cycle " << n << ": the About dialog did not close";
    if (n % 10 == 5) UseReadMe();
  }

  Sample Measure(int cycle, ULONGLONG start) const {
    return {cycle, static_cast<double>(GetTickCount64() - start) / 60000.0,
            SettledGdiObjects(clock_.process.handle()), ResidentBytes(clock_.process.handle()),
            WindowsOf(clock_.process.id())};
  }

  RunningClock clock_;
  int toolsClosed_ = 0;
  int messagesClosed_ = 0;
  int editorsClosed_ = 0;
  int retries_ = 0;
};

TEST_F(Soak, AboutDialogReadMeAndSystemInformationOverAndOver) {
  const bool soak = SoakRequested();
  const int minimumCycles = soak ? 500 : 60;
  const ULONGLONG minimumMs = soak ? 10ULL * 60 * 1000 : 0;
  const ToolRegistration tool;
  const ULONGLONG start = GetTickCount64();

  std::vector<Sample> samples;
  int cycle = 0;
  for (; cycle < kWarmUpCycles; ++cycle) {
    Cycle(cycle, tool);
    ASSERT_FALSE(HasFatalFailure());
  }
  const Sample baseline = Measure(cycle, start);
  samples.push_back(baseline);
  EXPECT_TRUE(ShowsTheTime(clock_.window, kDpi));

  while (cycle < minimumCycles || GetTickCount64() - start < minimumMs) {
    Cycle(cycle, tool);
    ASSERT_FALSE(HasFatalFailure());
    ++cycle;
    if (cycle % 25 == 0) {
      samples.push_back(Measure(cycle, start));
      EXPECT_TRUE(ShowsTheTime(clock_.window, kDpi)) << "after " << cycle << " cycles";
    }
  }
  const Sample last = Measure(cycle, start);
  samples.push_back(last);
  EXPECT_TRUE(ShowsTheTime(clock_.window, kDpi)) << "at the end";
  EXPECT_TRUE(clock_.process.Running());

  const auto peakGdi =
      std::max_element(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) {
        return a.gdi < b.gdi;
      })->gdi;
  const auto peakResident =
      std::max_element(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) {
        return a.resident < b.resident;
      })->resident;

  // The figures, for the record: on the console, and next to the test program.
  std::string report = "soak: " + std::to_string(cycle) + " About cycles, " +
                       std::to_string(editorsClosed_) + " editors, " +
                       std::to_string(toolsClosed_) + " tools, " + std::to_string(messagesClosed_) +
                       " messages in " + std::to_string(last.minutes).substr(0, 5) + " min; " +
                       std::to_string(retries_) + " menu retries\n";
  report += "cycle   minutes  gdi  resident_KiB  windows\n";
  for (const Sample& s : samples) {
    char line[96];
    std::snprintf(line, sizeof(line), "%5d  %7.2f  %4d  %12zu  %7d\n", s.cycle, s.minutes, s.gdi,
                  s.resident / 1024, s.windows);
    report += line;
  }
  std::fputs(report.c_str(), stdout);
  const HANDLE file =
      CreateFileW((TestProgramFolder() + L"\\soak_results.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(file);
  }

  // Flat after warm-up: not one GDI object more, the same windows, and resident memory within
  // a small allowance for the heap's own bookkeeping.
  ASSERT_GT(baseline.gdi, 0) << "the GDI objects could not be counted";
  EXPECT_LE(last.gdi, baseline.gdi) << "GDI objects leak";
  EXPECT_LE(peakGdi, baseline.gdi + 4) << "GDI objects pile up between checks";
  EXPECT_EQ(last.windows, baseline.windows) << "windows are left behind";
  ASSERT_GT(baseline.resident, 0u);
  constexpr std::size_t kAllowance = std::size_t{1} << 20;  // 1 MiB
  EXPECT_LE(last.resident, baseline.resident + kAllowance) << "resident memory grows";
  EXPECT_LE(peakResident, baseline.resident + 2 * kAllowance);
  EXPECT_GE(editorsClosed_, 1);
  EXPECT_GE(messagesClosed_, 1);
  // A retry now and then is the desktop's doing; more means the clock stops answering its menu.
  EXPECT_LE(retries_, cycle / 20 + 1);
}

}  // namespace
}  // namespace morv::e2e
