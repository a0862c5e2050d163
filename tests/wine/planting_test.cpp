// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Files planted next to the clock must not run in its place. The clock's folder (which, started
// from the release zip, is also the current directory that holds the read-me) gets a library
// named like a system library and a program named like the system text editor; the clock
// loads its libraries from the system folder and starts the editor from the system folders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "hardening_support.h"

namespace morv::e2e {
namespace {

const wchar_t kPlantedLibrary[] = L"uxtheme.dll";

std::wstring PlantedFolder() { return TestProgramFolder() + L"\\planted"; }

// Waits until the process has loaded the named library; its path, or "" on timeout.
std::wstring WaitForModule(HANDLE process, const std::wstring& name, DWORD timeoutMs) {
  std::wstring path;
  WaitUntil(
      [&] {
        path = LoadedModule(process, name);
        return !path.empty();
      },
      timeoutMs);
  return path;
}

// A folder set up as a user's copy of the release, with the clock and its read-me.
struct ClockFolder {
  ScratchFolder folder{L"morv-planted"};
  bool Prepare() {
    return !folder.path().empty() && folder.Copy(MorvTimePath(), L"morvtime.exe") &&
           folder.Copy(BuildFolder() + L"\\Morvyomi.txt", L"Morvyomi.txt");
  }
};

TEST(LibraryPlanting, TheTestCanTellAPlantedLibrary) {
  // A program with the default library search, in a folder with the planted library, gets the
  // planted file: this is what the clock must not do.
  ScratchFolder folder(L"morv-probe");
  ASSERT_TRUE(folder.Copy(PlantedFolder() + L"\\dll_probe.exe", L"dll_probe.exe"));
  ASSERT_TRUE(folder.Copy(PlantedFolder() + L"\\" + kPlantedLibrary, kPlantedLibrary));
  Process probe;
  ASSERT_TRUE(probe.Start(folder / L"dll_probe.exe", L"dll_probe.exe", folder.path()));
  const std::wstring loaded = WaitForModule(probe.handle(), kPlantedLibrary, 15000);
  const bool ran = FileExists(folder / L"dll-ran.txt");
  probe.Terminate();
  ASSERT_FALSE(loaded.empty()) << "the probe did not load the library";
  // Wine maps its own built-in library under the planted file's name; Windows runs the
  // planted code. Either shows.
  EXPECT_TRUE(IsInFolder(loaded, folder.path()) || ran) << "loaded " << Utf8(loaded);
}

TEST(LibraryPlanting, TheClockLoadsSystemLibrariesFromTheSystemFolderOnly) {
  ClockFolder release;
  ASSERT_TRUE(release.Prepare());
  ASSERT_TRUE(release.folder.Copy(PlantedFolder() + L"\\" + kPlantedLibrary, kPlantedLibrary));
  RunningClock clock;
  ASSERT_EQ(clock.Start(release.folder.path()), "");
  // The About dialog's controls draw through the theme library as well.
  ASSERT_NE(clock.OpenAbout(), nullptr);

  const std::wstring theme = WaitForModule(clock.process.handle(), kPlantedLibrary, 5000);
  ASSERT_FALSE(theme.empty())
      << "the clock never loaded the theme library, so this test proves nothing";
  EXPECT_TRUE(IsInFolder(theme, SystemFolder())) << Utf8(theme);
  for (const std::wstring& module : LoadedModules(clock.process.handle())) {
    if (IsInFolder(module, release.folder.path())) {
      const std::wstring name = module.substr(module.find_last_of(L"\\/") + 1);
      EXPECT_EQ(_wcsicmp(name.c_str(), L"morvtime.exe"), 0)
          << "loaded from the clock's folder: " << Utf8(module);
    }
  }
  EXPECT_FALSE(FileExists(release.folder / L"dll-ran.txt"));
}

TEST(ReadMeCommand, StartsTheSystemEditorNotOnePlantedBesideTheReadMe) {
  ClockFolder release;
  ASSERT_TRUE(release.Prepare());
  ASSERT_TRUE(release.folder.Copy(PlantedFolder() + L"\\notepad.exe", L"notepad.exe"));
  const std::wstring ranMarker = release.folder / L"notepad-ran.txt";
  {
    // The stand-in works: started on its own, it leaves its command line behind.
    Process planted;
    ASSERT_TRUE(planted.Start(release.folder / L"notepad.exe", L"notepad.exe Morvyomi.txt",
                              release.folder.path()));
    ASSERT_EQ(planted.WaitForExit(15000), 0u);
    ASSERT_EQ(ReadWideFile(ranMarker), L"notepad.exe Morvyomi.txt");
    ASSERT_TRUE(DeleteFileW(ranMarker.c_str()));
  }

  RunningClock clock;
  ASSERT_EQ(clock.Start(release.folder.path()), "");
  const std::vector<HWND> before = WindowsTitled(kEditorCaption);
  ASSERT_TRUE(ChooseMenuCommand(clock.window, kReadMeCommand));
  const HWND editor = WaitForNewWindow(kEditorCaption, before, 20000);
  ASSERT_NE(editor, nullptr) << "the system editor did not open the read-me";

  const HANDLE process = OpenOwner(editor);
  ASSERT_NE(process, nullptr);
  const std::wstring commandLine = ProcessCommandLine(process);
  const std::wstring image = ProcessImagePath(process);
  // Closed as a user would; an unchanged file closes without a question.
  PostMessageW(editor, WM_CLOSE, 0, 0);
  EndProcessAfter(process, 10000);

  EXPECT_EQ(commandLine, L"notepad.exe Morvyomi.txt");
  EXPECT_TRUE(IsInFolder(image, SystemFolder()) || IsInFolder(image, WindowsFolder()))
      << Utf8(image);
  // Give a wrongly started stand-in time to leave its mark before looking for it.
  Sleep(1000);
  EXPECT_FALSE(FileExists(ranMarker)) << "the planted notepad.exe ran";
  EXPECT_TRUE(clock.process.Running());
}

}  // namespace
}  // namespace morv::e2e
