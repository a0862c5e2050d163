// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The release as a user gets it: the clock started from the unpacked zip, from the Start-menu
// shortcut that the installer made, and signed; and the screenshot of a first ./scripts/run. A
// CMake script beside this file makes each package and then runs one suite of this program:
// ReleaseZip (release_zip_test.cmake), Installer (installer_test.cmake, in a private Wine prefix),
// SignedProgram (signing_test.cmake) and FirstRun (first_run_test.cmake).
#include <windows.h>
#include <gtest/gtest.h>
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "clock_face_checks.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

// The clock in process shows the current time on its face, every pixel as it should be, and its
// read-me command opens Morvyomi.txt in the editor, which it finds only in the folder it was
// started in; closed, it ends cleanly.
void ExpectAWorkingClock(HANDLE process) {
  ASSERT_EQ(ScreenDpi(), 120u);
  const HWND window = WaitForWindow(GetProcessId(process), kClockCaption);
  ASSERT_NE(window, nullptr);
  const SIZE size = ClientSize(window);
  EXPECT_EQ(size.cx, 645);
  EXPECT_EQ(size.cy, 112);
  EXPECT_TRUE(ShowsTheTime(window, 120));

  const std::vector<HWND> before = WindowsTitled(kEditorCaption);
  ASSERT_TRUE(ChooseMenuCommand(window, kReadMeCommand));
  EXPECT_NE(WaitForNewWindow(kEditorCaption, before, 20000), nullptr)
      << "the editor did not open the read-me";
  for (HWND open : WindowsTitled(kEditorCaption)) PostMessageW(open, WM_CLOSE, 0, 0);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
}

// The one folder in the zip.
std::wstring UnpackedFolder() {
  const std::wstring unpacked = TestProgramFolder() + L"\\package\\unpacked";
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((unpacked + L"\\MorvTime-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return unpacked + L"\\" + found.cFileName;
}

TEST(ReleaseZip, TheClockStartsFromTheUnpackedFolderAndEndsWhenClosed) {
  const std::wstring folder = UnpackedFolder();
  ASSERT_FALSE(folder.empty()) << "the zip was not unpacked";
  Process clock;
  ASSERT_TRUE(clock.Start(folder + L"\\morvtime.exe", L"morvtime.exe", folder));
  ExpectAWorkingClock(clock.handle());
}

TEST(SignedProgram, TheSignedClockStartsAndWorks) {
  const std::wstring folder = TestProgramFolder() + L"\\signing";
  Process clock;
  ASSERT_TRUE(clock.Start(folder + L"\\morvtime.exe", L"morvtime.exe", folder));
  ExpectAWorkingClock(clock.handle());
}

// --- The installer, run in a private prefix by installer_test.cmake, which puts the packages
// beside this program: current.msi (this version) and older.msi (a lower one with a file more).

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::wstring folder = SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) ? path : L"";
  CoTaskMemFree(path);
  return folder;
}
std::wstring InstallFolder() {
  return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\MorvTime";
}
std::wstring Shortcut() { return KnownFolder(FOLDERID_Programs) + L"\\MorvTime.lnk"; }
bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

UINT Msiexec(const wchar_t* action, const wchar_t* package) {
  Process msiexec;
  const std::wstring line = std::wstring(L"msiexec.exe ") + action + L" \"" + TestProgramFolder() +
                            L"\\installer\\" + package + L"\" /qn";
  return msiexec.Start(L"", line, L"") ? msiexec.WaitForExit(60000) : GetLastError();
}

// The entries named MorvTime in the list of installed programs: their product codes, versions and
// publishers. Windows keeps a per-user product's entry under HKCU, Wine under HKLM.
std::vector<std::array<std::wstring, 3>> InstalledEntries() {
  const std::wstring list = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  std::vector<std::array<std::wstring, 3>> entries;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const auto value = [&](const wchar_t* key, const wchar_t* name) {
      wchar_t text[256] = {};
      DWORD bytes = sizeof(text);
      RegGetValueW(root, (list + key).c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes);
      return std::wstring(text);
    };
    HKEY keys = nullptr;
    RegOpenKeyExW(root, list.c_str(), 0, KEY_READ, &keys);
    wchar_t code[256];
    for (DWORD i = 0, size = 256;
         keys && RegEnumKeyExW(keys, i, code, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = 256) {
      if (value(code, L"DisplayName") != L"MorvTime") continue;
      entries.push_back({code, value(code, L"DisplayVersion"), value(code, L"Publisher")});
    }
    if (keys) RegCloseKey(keys);
  }
  return entries;
}

// The shortcut's target and working folder, as the shell reads them.
std::pair<std::wstring, std::wstring> ReadShortcut(const std::wstring& path) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
    link->GetPath(target, MAX_PATH, nullptr, 0);
    link->GetWorkingDirectory(folder, MAX_PATH);
  }
  if (file) file->Release();
  if (link) link->Release();
  return {target, folder};
}

class Installer : public ::testing::Test {
 protected:
  // Whatever a test leaves running or installed goes, so that the next starts from the same prefix.
  void TearDown() override {
    for (HWND window : WindowsTitled(kEditorCaption)) PostMessageW(window, WM_CLOSE, 0, 0);
    for (HWND window : WindowsTitled(kClockCaption)) PostMessageW(window, WM_CLOSE, 0, 0);
    for (const auto& entry : InstalledEntries()) {
      MsiConfigureProductW(entry[0].c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
    }
  }
};

TEST_F(Installer, InstallsPerUserAndUninstallsWithoutATrace) {
  ASSERT_EQ(Msiexec(L"/i", L"current.msi"), 0u);
  for (const wchar_t* file : {L"morvtime.exe", L"Morvyomi.txt", L"LICENSE", L"NOTICES.txt"}) {
    EXPECT_TRUE(Exists(InstallFolder() + L"\\" + file)) << file;
  }
  const auto [target, workingFolder] = ReadShortcut(Shortcut());
  EXPECT_EQ(_wcsicmp(target.c_str(), (InstallFolder() + L"\\morvtime.exe").c_str()), 0) << target;
  EXPECT_EQ(_wcsicmp(workingFolder.c_str(), (InstallFolder() + L"\\").c_str()), 0) << workingFolder;
  const auto entries = InstalledEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0][1], MORV_TEST_VERSION);
  EXPECT_EQ(entries[0][2], L"MorvTime Developers");
  // The entry's icon: the program's icon file, kept by Windows Installer for the product.
  wchar_t icon[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  MsiGetProductInfoW(entries[0][0].c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &length);
  EXPECT_TRUE(Exists(icon) && std::wstring(icon).find(L"\\morvtime.ico") != std::wstring::npos)
      << icon;

  ASSERT_EQ(Msiexec(L"/x", L"current.msi"), 0u);
  EXPECT_TRUE(InstalledEntries().empty());
  EXPECT_EQ(MsiQueryProductStateW(entries[0][0].c_str()), INSTALLSTATE_UNKNOWN);
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\MorvTime", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  // The prefix, made for this test, had no per-user programs folder before.
  const std::wstring userPrograms = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs";
  const std::wstring iconFolder = std::wstring(icon).substr(0, std::wstring(icon).rfind(L'\\'));
  for (const std::wstring& path : {InstallFolder(), userPrograms, Shortcut(), iconFolder}) {
    EXPECT_FALSE(Exists(path)) << "left behind: " << path;
  }
}

// Where the system records no major version number, as Windows before 10 does not, the installer
// installs nothing: the program needs Windows 10 or later.
TEST_F(Installer, InstallsNothingOnAWindowsOlderThan10) {
  const wchar_t key[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                name[] = L"CurrentMajorVersionNumber";
  DWORD major = 0, size = sizeof(major);
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &major, &size),
            0);
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name), 0);
  EXPECT_EQ(Msiexec(L"/i", L"current.msi"), static_cast<UINT>(ERROR_INSTALL_FAILURE));
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &major, sizeof(major));
  EXPECT_TRUE(InstalledEntries().empty());
  EXPECT_FALSE(Exists(InstallFolder()));
}

TEST_F(Installer, ClockStartedFromTheShortcutShowsItsFaceAndFindsItsReadMe) {
  ASSERT_EQ(Msiexec(L"/i", L"current.msi"), 0u);
  // As the shell starts it; Wine's shell does not tell which process it started.
  ShellExecuteW(nullptr, nullptr, Shortcut().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  const HWND window = WaitForWindow(0, kClockCaption);
  ASSERT_NE(window, nullptr);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const HANDLE clock = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  ExpectAWorkingClock(clock);
  CloseHandle(clock);
}

TEST_F(Installer, ANewerVersionReplacesTheOlderAndTheSameVersionIsNoSecondCopy) {
  ASSERT_EQ(Msiexec(L"/i", L"older.msi"), 0u);
  ASSERT_TRUE(Exists(InstallFolder() + L"\\README.md"));
  ASSERT_EQ(Msiexec(L"/i", L"current.msi"), 0u);
  const auto entries = InstalledEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0][1], MORV_TEST_VERSION);
  // Wine's msiexec may return while the older version's removal still deletes its files.
  EXPECT_TRUE(WaitUntil([] { return !Exists(InstallFolder() + L"\\README.md"); }, 10000))
      << "the older version's file is left";
  ASSERT_EQ(Msiexec(L"/i", L"current.msi"), 0u);
  EXPECT_EQ(InstalledEntries().size(), 1u);
  EXPECT_TRUE(Exists(InstallFolder() + L"\\morvtime.exe"));
}

// --- The screenshot that scripts/run saved of the clock window with its frame at 120 DPI, put by
// first_run_test.cmake in tests/first-run: root/morvtime-screenshot.png and screenshot.bmp.

TimeOfDay LocalTimeLastWritten(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME utc{}, local{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  return {local.wHour, local.wMinute, local.wSecond};
}

TEST(FirstRun, TheScreenshotShowsTheWholeFaceAtTheTimeItWasTaken) {
  const std::wstring folder = TestProgramFolder() + L"\\first-run";
  const ClockFacePixels face(120);
  const Pixels client =
      ClientAreaInPicture(folder + L"\\screenshot.bmp", face.Width(), face.Height());
  const auto sides = face.ReadSides(client);
  if (!sides) FAIL() << "no screenshot";
  EXPECT_EQ(face.Compare(client, *sides), "");
  // scripts/run dates the picture when its capture began, which lasts well under a second.
  const TimeOfDay taken = LocalTimeLastWritten(folder + L"\\root\\morvtime-screenshot.png");
  const int next = (taken.SecondsOfDay() + 1) % (24 * 60 * 60);
  const TimeOfDay captured{next / 3600, next / 60 % 60, next % 60};
  EXPECT_TRUE(IsCurrent(TimeForSides(*sides), taken, captured))
      << "it shows " << TimeForSides(*sides).Text() << ", saved at " << taken.Text();
}

}  // namespace
}  // namespace morv::e2e
