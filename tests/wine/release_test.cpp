// The release as a user gets it: the clock started from the unpacked zip, from the Start-menu
// shortcut that the installer made, and signed. A CMake script beside this file makes each
// package and then runs one suite of this program: ReleaseZip (release_zip_test.cmake), Installer
// (installer_test.cmake, in a private Wine prefix) and SignedProgram (signing_test.cmake).
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "clock_face_pixels.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

constexpr wchar_t kProductName[] = L"MorvTime";
constexpr wchar_t kPublisher[] = L"MorvTime Developers";

// True once the face shows the current time, every pixel as it should be: it may lag the time
// read before the capture by up to two seconds on a busy machine, or be a second ahead of it.
bool ShowsTheCurrentTime(HWND window) {
  const ClockFacePixels face(120);
  return WaitUntil(
      [&] {
        const int before = LocalTimeOfDay().SecondsOfDay();
        const Pixels pixels = CaptureClient(window);
        const auto sides = face.ReadSides(pixels);
        if (!sides || !face.Compare(pixels, *sides).empty()) return false;
        const int lag = (before - TimeForSides(*sides).SecondsOfDay() + 86400) % 86400;
        return lag <= 2 || lag == 86399;
      },
      10000);
}

// The clock in process shows its face, and its read-me command opens Morvyomi.txt in the editor,
// which it finds only in the folder it was started in; closed, it ends cleanly.
void ExpectAWorkingClock(HANDLE process) {
  SetScreenDpi(120);
  const HWND window = WaitForWindow(GetProcessId(process), kClockCaption);
  ASSERT_NE(window, nullptr);
  const SIZE size = ClientSize(window);
  EXPECT_EQ(size.cx, 645);
  EXPECT_EQ(size.cy, 112);
  EXPECT_TRUE(ShowsTheCurrentTime(window));

  const std::size_t editorsBefore = WindowsTitled(kEditorCaption).size();
  ASSERT_TRUE(ChooseMenuCommand(window, 0));
  EXPECT_TRUE(WaitUntil([&] { return WindowsTitled(kEditorCaption).size() > editorsBefore; }, 20000))
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

// --- The installer ---

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

std::wstring InstallFolder() { return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\MorvTime"; }
std::wstring StartMenuShortcut() { return KnownFolder(FOLDERID_Programs) + L"\\MorvTime.lnk"; }
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A package that installer_test.cmake put beside this program, quoted for a command line:
// current.msi is this version's, older.msi a lower version's that installs one file more.
std::wstring Package(const wchar_t* name) {
  return L"\"" + TestProgramFolder() + L"\\installer\\" + name + L"\"";
}

// Runs msiexec without its user interface; its exit code.
UINT Msiexec(const std::wstring& arguments) {
  Process msiexec;
  if (!msiexec.Start(L"", L"msiexec.exe " + arguments + L" /qn", L"")) return GetLastError();
  return msiexec.WaitForExit(60000);
}

// An entry of the list of installed programs. Windows keeps a per-user product's entry under
// HKCU, Wine under HKLM: both are read.
struct Entry {
  std::wstring productCode, version, publisher;
};
std::vector<Entry> EntriesNamedMorvTime() {
  std::vector<Entry> entries;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY list = nullptr;
    if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ,
                      &list) != ERROR_SUCCESS) {
      continue;
    }
    wchar_t key[256];
    for (DWORD i = 0, size = 256; RegEnumKeyExW(list, i, key, &size, nullptr, nullptr, nullptr,
                                                nullptr) == ERROR_SUCCESS;
         ++i, size = 256) {
      const auto value = [&](const wchar_t* name) {
        wchar_t text[256] = {};
        DWORD bytes = sizeof(text);
        RegGetValueW(list, key, name, RRF_RT_REG_SZ, nullptr, text, &bytes);
        return std::wstring(text);
      };
      if (value(L"DisplayName") == kProductName) {
        entries.push_back({key, value(L"DisplayVersion"), value(L"Publisher")});
      }
    }
    RegCloseKey(list);
  }
  return entries;
}

struct Shortcut {
  std::wstring target, workingFolder;
};
// The shortcut as the shell reads it.
Shortcut ReadShortcut(const std::wstring& path) {
  Shortcut shortcut;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
    wchar_t text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) shortcut.target = text;
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) shortcut.workingFolder = text;
  }
  if (file) file->Release();
  if (link) link->Release();
  return shortcut;
}

// The files and folders where installing could leave something (the user's application data,
// with the Start menu, the machine's, and Windows Installer's cache), and the registry keys and
// value names of the user and of Windows' records of installed programs. Windows Installer's own
// folders and keys, which stay once it has run, are left out.
std::set<std::wstring> PrefixContents() {
  const auto windowsInstallers = [](const std::wstring& path) {
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    for (const wchar_t* own : {L"Installer", L"Features", L"Products", L"UpgradeCodes",
                               L"Components", L"UserData"}) {
      if (name == own) return true;
    }
    return name.rfind(L"S-1-5-", 0) == 0;  // a user's records, by the user's SID
  };
  std::set<std::wstring> contents;
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::vector<std::wstring> folders{KnownFolder(FOLDERID_LocalAppData),
                                    KnownFolder(FOLDERID_RoamingAppData),
                                    KnownFolder(FOLDERID_ProgramData),
                                    std::wstring(windows) + L"\\Installer"};
  while (!folders.empty()) {
    const std::wstring folder = folders.back();
    folders.pop_back();
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring path = folder + L"\\" + found.cFileName;
      if (found.cFileName == std::wstring(L".") || found.cFileName == std::wstring(L"..")) continue;
      if (!windowsInstallers(path)) contents.insert(path);
      // Not into links: Wine links some of the user's folders to the home folder outside.
      if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
          FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(path);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::vector<std::pair<HKEY, std::wstring>> keys{
      {HKEY_CURRENT_USER, L""}, {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion"}};
  while (!keys.empty()) {
    const auto [root, path] = keys.back();
    keys.pop_back();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    const std::wstring prefix = (root == HKEY_CURRENT_USER ? L"HKCU\\" : L"HKLM\\") + path + L"\\";
    wchar_t name[512];
    for (DWORD i = 0, size = 512;
         RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = 512) {
      if (!windowsInstallers(prefix + name)) contents.insert(prefix + name);
      keys.emplace_back(root, path.empty() ? name : path + L"\\" + name);
    }
    for (DWORD i = 0, size = 512;
         RegEnumValueW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = 512) {
      contents.insert(prefix + L"@" + name);
    }
    RegCloseKey(key);
  }
  return contents;
}

// What is in one set and not in the other, one per line.
std::wstring Difference(const std::set<std::wstring>& from, const std::set<std::wstring>& to) {
  std::wstring text;
  for (const auto& item : from) {
    if (!to.count(item)) text += L"  - " + item + L"\n";
  }
  for (const auto& item : to) {
    if (!from.count(item)) text += L"  + " + item + L"\n";
  }
  return text;
}

class Installer : public ::testing::Test {
 protected:
  // Whatever a test leaves running or installed goes, so that the next starts from the same
  // prefix and nothing holds the test's output open.
  void TearDown() override {
    for (HWND window : WindowsTitled(kEditorCaption)) PostMessageW(window, WM_CLOSE, 0, 0);
    for (HWND window : WindowsTitled(kClockCaption)) PostMessageW(window, WM_CLOSE, 0, 0);
    for (const Entry& entry : EntriesNamedMorvTime()) {
      MsiConfigureProductW(entry.productCode.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
    }
  }
};

TEST_F(Installer, InstallsPerUserAndUninstallsWithoutATrace) {
  const std::set<std::wstring> before = PrefixContents();
  ASSERT_EQ(Msiexec(L"/i " + Package(L"current.msi")), 0u);

  EXPECT_TRUE(Exists(InstallFolder() + L"\\morvtime.exe"));
  EXPECT_TRUE(Exists(InstallFolder() + L"\\Morvyomi.txt"));
  const Shortcut shortcut = ReadShortcut(StartMenuShortcut());
  EXPECT_EQ(_wcsicmp(shortcut.target.c_str(), (InstallFolder() + L"\\morvtime.exe").c_str()), 0)
      << shortcut.target;
  EXPECT_EQ(_wcsicmp(shortcut.workingFolder.c_str(), (InstallFolder() + L"\\").c_str()), 0)
      << shortcut.workingFolder;

  const std::vector<Entry> entries = EntriesNamedMorvTime();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].version, MORV_TEST_VERSION);
  EXPECT_EQ(entries[0].publisher, kPublisher);
  // The entry's icon is the program's own (installer_test.cmake put a copy beside the packages).
  wchar_t icon[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  ASSERT_EQ(MsiGetProductInfoW(entries[0].productCode.c_str(), INSTALLPROPERTY_PRODUCTICON, icon,
                               &length),
            static_cast<UINT>(ERROR_SUCCESS));
  const std::string programIcon = FileBytes(TestProgramFolder() + L"\\installer\\morvtime.ico");
  ASSERT_FALSE(programIcon.empty());
  EXPECT_EQ(FileBytes(icon), programIcon);

  ASSERT_EQ(Msiexec(L"/x " + Package(L"current.msi")), 0u);
  EXPECT_TRUE(EntriesNamedMorvTime().empty());
  EXPECT_EQ(Difference(before, PrefixContents()), L"");
}

TEST_F(Installer, ClockStartedFromTheShortcutShowsItsFaceAndFindsItsReadMe) {
  ASSERT_EQ(Msiexec(L"/i " + Package(L"current.msi")), 0u);
  // As the shell starts it; Wine's shell does not tell which process it started.
  ASSERT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, StartMenuShortcut().c_str(),
                                                    nullptr, nullptr, SW_SHOWNORMAL)),
            32);
  const HWND window = WaitForWindow(0, kClockCaption);
  ASSERT_NE(window, nullptr);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const HANDLE clock = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  ASSERT_NE(clock, nullptr);
  ExpectAWorkingClock(clock);
  CloseHandle(clock);
}

TEST_F(Installer, ANewerVersionReplacesTheOlderAndTheSameVersionIsNoSecondCopy) {
  ASSERT_EQ(Msiexec(L"/i " + Package(L"older.msi")), 0u);
  ASSERT_TRUE(Exists(InstallFolder() + L"\\LICENSE"));
  ASSERT_EQ(Msiexec(L"/i " + Package(L"current.msi")), 0u);
  const std::vector<Entry> entries = EntriesNamedMorvTime();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].version, MORV_TEST_VERSION);
  EXPECT_FALSE(Exists(InstallFolder() + L"\\LICENSE")) << "the older version's file is left";

  // The same version again is the same product, not a second copy.
  ASSERT_EQ(Msiexec(L"/i " + Package(L"current.msi")), 0u);
  EXPECT_EQ(EntriesNamedMorvTime().size(), 1u);
  EXPECT_TRUE(Exists(InstallFolder() + L"\\morvtime.exe"));
}

}  // namespace
}  // namespace morv::e2e
