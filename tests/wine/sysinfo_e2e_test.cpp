// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog's system information button in the real executable, against the real
// registry of the test prefix. A stand-in tool (msinfo_standin.exe) is copied to where the
// registry points and records every start; the message box is read back from the screen.
//
// Each test starts from neither registry value and no stand-in copy, and leaves it so. The
// values found before the first test (a fresh Wine prefix has the MSINFO key but no value in
// it) are put back after the last one.
#include <windows.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "hardening_support.h"

namespace morv::e2e {
namespace {

const wchar_t kPathKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t kPathValue[] = L"PATH";
const wchar_t kFolderKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
const wchar_t kFolderValue[] = L"MSINFO";

// A tool under a folder with spaces, and a program planted at the path's first space.
const wchar_t kSpacedFolder[] = L"C:\\Program Files\\Morv Test Tools";
const wchar_t kSpacedTool[] = L"C:\\Program Files\\Morv Test Tools\\MSINFO32.EXE";
const wchar_t kPlanted[] = L"C:\\Program.exe";
// A folder named in code page 932 double-byte characters, among them "ソ" and "表" whose second
// byte is a backslash.
const wchar_t kJapaneseParent[] = L"C:\\モルブ試験";
const wchar_t kJapaneseFolder[] = L"C:\\モルブ試験\\ソフト表示";
const wchar_t kJapaneseTool[] = L"C:\\モルブ試験\\ソフト表示\\MSINFO32.EXE";
// A folder without the tool in it.
const wchar_t kEmptyFolder[] = L"C:\\Morv Empty Tools";
// A program planted at the root of the drive the clock is started from.
const wchar_t kDriveRootTool[] = L"C:\\MSINFO32.EXE";

std::wstring StandInPath() { return TestProgramFolder() + L"\\msinfo_standin.exe"; }

// Programs planted in the clock's current folder under the names a first value without a folder
// gives: its text, and a number's decimal text (261).
std::wstring PlantedInCurrentFolder(const wchar_t* name) { return BuildFolder() + L"\\" + name; }

std::wstring LogPath() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"morv_msinfo_standin.log";
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// ---- The stand-in's records ----

struct Start {
  std::wstring module;
  std::wstring commandLine;
  DWORD flags = 0;
  DWORD show = 0;
};

std::vector<Start> ReadStarts() {
  std::vector<Start> starts;
  const HANDLE file =
      CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return starts;
  std::string text;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) text.append(chunk, read);
  CloseHandle(file);
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
    std::vector<std::string> fields;
    std::size_t from = begin;
    for (std::size_t tab; (tab = text.find('\t', from)) < end; from = tab + 1) {
      fields.push_back(text.substr(from, tab - from));
    }
    fields.push_back(text.substr(from, end - from));
    if (fields.size() != 4) continue;
    starts.push_back({FromUtf8(fields[0]), FromUtf8(fields[1]),
                      static_cast<DWORD>(std::stoul(fields[2])),
                      static_cast<DWORD>(std::stoul(fields[3]))});
  }
  return starts;
}

// Waits until the stand-in has recorded at least one start.
std::vector<Start> WaitForStarts(DWORD timeoutMs = 15000) {
  std::vector<Start> starts;
  WaitUntil([&] { return !(starts = ReadStarts()).empty(); }, timeoutMs);
  return starts;
}

std::vector<std::wstring> Arguments(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 0; argv && i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(static_cast<void*>(argv));
  return arguments;
}

// ---- Registry ----

// A REG_SZ value given as bytes of the ANSI code page, as a Japanese installer would write it.
LONG SetAnsiText(const wchar_t* keyName, const wchar_t* valueName, const std::string& bytes) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  const std::string name(valueName, valueName + wcslen(valueName));  // ASCII names
  result =
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.c_str()),
                     static_cast<DWORD>(bytes.size() + 1));
  RegCloseKey(key);
  return result;
}

// Stores exactly the given bytes; RegSetValueExW would add a terminating zero to a string.
LONG SetExactValue(const wchar_t* keyName, const wchar_t* valueName, DWORD type,
                   const std::wstring& data) {
  using SetValueKey = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
  const auto setValueKey = reinterpret_cast<SetValueKey>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
  if (!setValueKey) return ERROR_PROC_NOT_FOUND;
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  std::wstring name = valueName;
  UNICODE_STRING unicodeName{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                             static_cast<USHORT>(name.size() * sizeof(wchar_t)), name.data()};
  std::wstring bytes = data;
  result = setValueKey(key, &unicodeName, 0, type, bytes.data(),
                       static_cast<ULONG>(bytes.size() * sizeof(wchar_t)));
  RegCloseKey(key);
  return result;
}

// A value exactly as stored: its type and bytes. False when it is not there.
bool ReadRawValue(const wchar_t* keyName, const wchar_t* valueName, DWORD* type,
                  std::vector<BYTE>* data) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, valueName, nullptr, type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    data->resize(size);
    result = RegQueryValueExW(key, valueName, nullptr, type, data->data(), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

// The stored size of a value in bytes, or -1 when it is not there.
long StoredSize(const wchar_t* keyName, const wchar_t* valueName) {
  DWORD type = 0;
  std::vector<BYTE> data;
  return ReadRawValue(keyName, valueName, &type, &data) ? static_cast<long>(data.size()) : -1;
}

bool KeyExists(const wchar_t* keyName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

LONG SetKeyDacl(const wchar_t* keyName, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return static_cast<LONG>(GetLastError());
  }
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, WRITE_DAC, &key);
  if (result == ERROR_SUCCESS) {
    result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
  }
  LocalFree(descriptor);
  return result;
}

// Whether a program asking for every right (KEY_ALL_ACCESS) could open the key.
LONG OpenForAllAccess(const wchar_t* keyName) {
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_ALL_ACCESS, &key);
  if (result == ERROR_SUCCESS) RegCloseKey(key);
  return result;
}

// A key that everyone may read but nobody may change, as HKEY_LOCAL_MACHINE is to a standard
// user; its own access list comes back when this goes.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const wchar_t* keyName) : keyName_(keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 ||
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) {
      saved_.clear();
    }
    RegCloseKey(key);
    if (!saved_.empty()) result_ = SetKeyDacl(keyName, L"D:P(A;;KR;;;WD)");
  }
  ~ReadOnlyKey() {
    if (saved_.empty()) return;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName_, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data());
      RegCloseKey(key);
    }
  }
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
  bool Applied() const { return result_ == ERROR_SUCCESS; }

 private:
  const wchar_t* keyName_;
  std::vector<BYTE> saved_;
  LONG result_ = ERROR_INVALID_FUNCTION;
};

// One value as it was before the tests.
struct SavedValue {
  SavedValue(const wchar_t* key, const wchar_t* value) : keyName(key), valueName(value) {}
  const wchar_t* keyName;
  const wchar_t* valueName;
  bool keyExisted = false;
  bool valueExisted = false;
  DWORD type = 0;
  std::vector<BYTE> data;

  void Save() {
    keyExisted = KeyExists(keyName);
    valueExisted = ReadRawValue(keyName, valueName, &type, &data);
  }
  void Restore() const {
    if (valueExisted) {
      SetMachineValue(keyName, valueName, type, data.data(), static_cast<DWORD>(data.size()));
    } else {
      DeleteMachineValue(keyName, valueName);
      if (!keyExisted) RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName);
    }
  }
};

SavedValue gSavedPath{kPathKey, kPathValue};
SavedValue gSavedFolder{kFolderKey, kFolderValue};

// ---- Files ----

bool PutStandIn(const std::wstring& path) {
  return CopyFileW(StandInPath().c_str(), path.c_str(), FALSE) != FALSE;
}

void RemoveFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

// Everything the tests may have put on the disk, also after an earlier run that was cut short.
void RemoveTestFiles() {
  RemoveFile(kPlanted);
  RemoveFile(kDriveRootTool);
  RemoveFile(kSpacedTool);
  RemoveDirectoryW(kSpacedFolder);
  RemoveFile(kJapaneseTool);
  RemoveDirectoryW(kJapaneseFolder);
  RemoveDirectoryW(kJapaneseParent);
  RemoveFile(std::wstring(kEmptyFolder) + L"\\MSINFO32.EXE");
  RemoveDirectoryW(kEmptyFolder);
  RemoveFile(PlantedInCurrentFolder(L"MSINFO32.EXE"));
  RemoveFile(PlantedInCurrentFolder(L"261"));
  RemoveFile(LogPath());
}

// ---- Driving the clock ----

struct ChildSearch {
  std::wstring className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  const std::wstring name = ClassOf(hwnd);
  if (IsWindowVisible(hwnd) &&
      CompareStringOrdinal(name.c_str(), -1, search->className.c_str(), -1, TRUE) == CSTR_EQUAL) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> VisibleChildren(HWND parent, const wchar_t* className) {
  ChildSearch search{className, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The message boxes of the process, shown or not yet shown.
std::vector<HWND> MessageBoxesOf(DWORD processId) {
  std::vector<HWND> boxes;
  for (const TopLevelWindow& w : TopLevelWindows()) {
    if (w.process == processId && WindowText(w.window) == kMessageTitle) boxes.push_back(w.window);
  }
  return boxes;
}

// Whether a program the process started still runs (a stand-in records its start, then ends).
bool HasRunningChildren(DWORD processId) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    found = found || entry.th32ParentProcessID == processId;
  }
  CloseHandle(snapshot);
  return found;
}

class SysInfoButton : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Keys made read-only by a run that was cut short become writable again.
    for (const wchar_t* key : {kPathKey, kFolderKey}) {
      if (KeyExists(key) && OpenForAllAccess(key) == ERROR_ACCESS_DENIED)
        SetKeyDacl(key, L"D:(A;;KA;;;WD)");
    }
    gSavedPath.Save();
    gSavedFolder.Save();
  }
  static void TearDownTestSuite() {
    gSavedPath.Restore();
    gSavedFolder.Restore();
  }

  void SetUp() override {
    RemoveTestFiles();
    DeleteMachineValue(kPathKey, kPathValue);
    DeleteMachineValue(kFolderKey, kFolderValue);
    ASSERT_EQ(StoredSize(kPathKey, kPathValue), -1);
    ASSERT_EQ(StoredSize(kFolderKey, kFolderValue), -1);
    // The clock passes its environment on to the tool it starts.
    SetEnvironmentVariableW(L"MORV_STANDIN_LOG", LogPath().c_str());
  }
  void TearDown() override {
    clock_.process.Terminate();
    DeleteMachineValue(kPathKey, kPathValue);
    DeleteMachineValue(kFolderKey, kFolderValue);
    RemoveTestFiles();
  }

  // Starts the clock (from the build folder unless told) and opens its About dialog through the
  // menu bar.
  void OpenAbout(const std::wstring& folder = BuildFolder()) {
    ASSERT_EQ(clock_.Start(folder), "");
    about_ = clock_.OpenAbout();
    ASSERT_NE(about_, nullptr);
  }

  // Presses "ｼｽﾃﾑ情報(&S)..." with its access key, as a user would.
  void PressSysInfo() {
    ASSERT_TRUE(ActivateWindow(about_));
    PressChord(VK_MENU, 'S');  // Alt+S, the button's access key
  }

  // The message box: titled "MORVTIME", owned by the About dialog, the one text and a single
  // OK button; shown once, closed with Enter, and the dialog still open afterwards.
  void ExpectMessageOnce() {
    const HWND box = WaitForWindow(clock_.process.id(), kMessageTitle, 15000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(MessageBoxesOf(clock_.process.id()).size(), 1u);
    EXPECT_EQ(GetWindow(box, GW_OWNER), about_);
    std::vector<std::wstring> texts;
    for (HWND label : VisibleChildren(box, L"Static")) {
      if (!WindowText(label).empty()) texts.push_back(WindowText(label));
    }
    EXPECT_EQ(texts, std::vector<std::wstring>{kUnavailable});
    const std::vector<HWND> buttons = VisibleChildren(box, L"Button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(WindowText(buttons[0]), L"OK");
    EXPECT_EQ(GetDlgCtrlID(buttons[0]), IDOK);

    ASSERT_TRUE(ActivateWindow(box));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitDestroyed(box));
    // No second message follows: a message sent to the dialog comes back once the button's
    // handler has returned, or from the modal loop of a second box, which then exists.
    RoundTrip();
    EXPECT_TRUE(MessageBoxesOf(clock_.process.id()).empty());
    ExpectDialogStillOpen();
  }

  // The tool started once, as expectedModule, with the path as the registry gave it (by
  // default the module's full path) as its one argument, in a normal window; no message; the
  // dialog still open.
  void ExpectStartedOnce(const std::wstring& expectedModule, std::wstring givenPath = {}) {
    if (givenPath.empty()) givenPath = expectedModule;
    std::vector<Start> starts = WaitForStarts();
    ASSERT_FALSE(starts.empty()) << "the tool did not start";
    // Nothing else follows: no second start and no message. Once the button's handler has
    // returned, every program it started has been created, and has recorded its start once it
    // has ended.
    RoundTrip();
    ASSERT_TRUE(WaitUntil([&] { return !HasRunningChildren(clock_.process.id()); }));
    starts = ReadStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(SamePath(starts[0].module, expectedModule))
        << "started: " << Utf8(starts[0].module);
    const std::vector<std::wstring> arguments = Arguments(starts[0].commandLine);
    ASSERT_EQ(arguments.size(), 1u) << Utf8(starts[0].commandLine);
    EXPECT_TRUE(SamePath(arguments[0], givenPath)) << Utf8(starts[0].commandLine);
    EXPECT_TRUE(starts[0].flags & STARTF_USESHOWWINDOW);
    EXPECT_EQ(starts[0].show, static_cast<DWORD>(SW_SHOWNORMAL));
    EXPECT_TRUE(MessageBoxesOf(clock_.process.id()).empty());
    ExpectDialogStillOpen();
  }

  // A message sent through the clock's dialog and back: the clock has handled what came before.
  void RoundTrip() {
    DWORD_PTR result = 0;
    ASSERT_NE(SendMessageTimeoutW(about_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result), 0);
  }

  void ExpectNothingStarted() {
    EXPECT_TRUE(ReadStarts().empty()) << "started: " << Utf8(ReadStarts()[0].module);
  }

  void ExpectDialogStillOpen() {
    EXPECT_TRUE(clock_.process.Running());
    EXPECT_TRUE(IsWindow(about_) && IsWindowVisible(about_));
    EXPECT_EQ(WaitForWindow(clock_.process.id(), kAboutCaption, 1000), about_);
  }

  // A copy of the stand-in at kSpacedTool, named by the first value.
  void InstallSpacedTool() {
    ASSERT_TRUE(CreateDirectoryW(kSpacedFolder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(PutStandIn(kSpacedTool));
    ASSERT_EQ(SetMachineText(kPathKey, kPathValue, kSpacedTool), ERROR_SUCCESS);
  }

  // A copy of the stand-in in the Japanese folder, named by the second value in code page 932.
  void InstallJapaneseFolder() {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese locale";
    ASSERT_TRUE(CreateDirectoryW(kJapaneseParent, nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryW(kJapaneseFolder, nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(PutStandIn(kJapaneseTool));
    char bytes[MAX_PATH] = {};
    const int length =
        WideCharToMultiByte(932, 0, kJapaneseFolder, -1, bytes, MAX_PATH, nullptr, nullptr);
    ASSERT_GT(length, 0);
    const std::string folder(bytes);
    ASSERT_NE(folder.find("\x83\x5c"), std::string::npos);  // "ソ": a backslash as second byte
    ASSERT_EQ(SetAnsiText(kFolderKey, kFolderValue, folder), ERROR_SUCCESS);
  }

  RunningClock clock_;
  HWND about_ = nullptr;
};

TEST_F(SysInfoButton, StartsTheToolNamedByTheFirstValueFromAPathWithSpaces) {
  InstallSpacedTool();
  OpenAbout();
  PressSysInfo();
  ExpectStartedOnce(kSpacedTool);
}

// CreateProcess parses an unquoted path at each space and would run C:\Program.exe first.
TEST_F(SysInfoButton, NeverStartsAProgramPlantedAtTheFirstSpaceOfThePath) {
  InstallSpacedTool();
  ASSERT_TRUE(PutStandIn(kPlanted));
  OpenAbout();
  PressSysInfo();
  ExpectStartedOnce(kSpacedTool);  // the tool, not the planted program
  for (const Start& start : ReadStarts()) EXPECT_FALSE(SamePath(start.module, kPlanted));

  // The planted program is live: started the careless way, the same path runs it.
  RemoveFile(LogPath());
  std::wstring unquoted = kSpacedTool;
  Process careless;
  ASSERT_TRUE(careless.Start(L"", unquoted, L""));
  const std::vector<Start> starts = WaitForStarts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_TRUE(SamePath(starts[0].module, kPlanted));
}

TEST_F(SysInfoButton, StartsTheToolInTheFolderOfTheSecondValueWithJapaneseCharacters) {
  InstallJapaneseFolder();
  OpenAbout();
  PressSysInfo();
  ExpectStartedOnce(kJapaneseTool);
}

// HKEY_LOCAL_MACHINE is read-only to a standard user: a key opened for every right would fail.
TEST_F(SysInfoButton, ReadsKeysThatAreReadOnly) {
  InstallSpacedTool();
  InstallJapaneseFolder();
  OpenAbout();
  {
    ReadOnlyKey readOnly(kPathKey);
    ASSERT_TRUE(readOnly.Applied());
    ASSERT_EQ(OpenForAllAccess(kPathKey), ERROR_ACCESS_DENIED);
    PressSysInfo();
    ExpectStartedOnce(kSpacedTool);
  }
  RemoveFile(LogPath());
  DeleteMachineValue(kPathKey, kPathValue);
  {
    ReadOnlyKey readOnly(kFolderKey);
    ASSERT_TRUE(readOnly.Applied());
    ASSERT_EQ(OpenForAllAccess(kFolderKey), ERROR_ACCESS_DENIED);
    PressSysInfo();
    ExpectStartedOnce(kJapaneseTool);
  }
}

TEST_F(SysInfoButton, ShowsTheMessageWhenNeitherValueIsThere) {
  OpenAbout();
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
}

TEST_F(SysInfoButton, ShowsTheMessageWhenTheSecondValuesFolderLacksTheTool) {
  ASSERT_TRUE(CreateDirectoryW(kEmptyFolder, nullptr));
  ASSERT_EQ(SetMachineText(kFolderKey, kFolderValue, kEmptyFolder), ERROR_SUCCESS);
  OpenAbout();
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
}

// A hidden or system file is not found, as the folder's listing would not show it.
TEST_F(SysInfoButton, ShowsTheMessageWhenTheToolFileIsHiddenOrSystem) {
  InstallJapaneseFolder();
  OpenAbout();
  for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    ASSERT_TRUE(SetFileAttributesW(kJapaneseTool, attribute));
    ASSERT_EQ(GetFileAttributesW(kJapaneseTool) & attribute, attribute);
    PressSysInfo();
    ExpectMessageOnce();
    ExpectNothingStarted();
  }
}

// A first value of another type counts as found with an empty path: nothing starts, and the
// second value, although it names a real tool, is not read.
TEST_F(SysInfoButton, ShowsTheMessageForAFirstValueOfAnotherType) {
  InstallJapaneseFolder();
  const std::wstring path = kSpacedTool;
  ASSERT_EQ(SetMachineValue(kPathKey, kPathValue, REG_BINARY, path.c_str(),
                            static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  OpenAbout();
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
}

// A second value of another type names no folder: the clock, started from a folder on C:, shows
// the message and never starts the program planted at that drive's root (\MSINFO32.EXE).
TEST_F(SysInfoButton, NeverStartsAProgramFromTheRootOfTheCurrentDrive) {
  ScratchFolder release(L"morv-root");
  ASSERT_EQ(release.path().rfind(L"C:\\", 0), 0u);
  ASSERT_TRUE(release.Copy(MorvTimePath(), L"morvtime.exe") && PutStandIn(kDriveRootTool));
  ASSERT_EQ(SetMachineValue(kFolderKey, kFolderValue, REG_BINARY, L"C:\\", 8), ERROR_SUCCESS);
  OpenAbout(release.path());
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
  clock_.process.Terminate();  // before its folder goes
}

// More than the 1024-byte buffer cannot be read: the first value counts as missing.
TEST_F(SysInfoButton, ShowsTheMessageForAnOverlongFirstValue) {
  const std::wstring path =
      std::wstring(kSpacedFolder) + L"\\" + std::wstring(1100, L'x') + L".EXE";
  ASSERT_EQ(SetMachineText(kPathKey, kPathValue, path), ERROR_SUCCESS);
  OpenAbout();
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
}

// A value that fills the 1024-byte buffer exactly, without a terminating zero, is not trusted:
// the message follows at once, although the second value names a real tool. Both in single
// bytes and in code page 932 double-byte characters ("ソ", whose second byte is a backslash).
TEST_F(SysInfoButton, ShowsTheMessageForAFirstValueFillingTheBufferWithoutATerminator) {
  InstallJapaneseFolder();
  OpenAbout();
  for (const std::wstring& value : {std::wstring(1024, L'x'), std::wstring(512, L'ソ')}) {
    ASSERT_EQ(SetExactValue(kPathKey, kPathValue, REG_SZ, value), ERROR_SUCCESS);
    ASSERT_EQ(StoredSize(kPathKey, kPathValue), static_cast<long>(value.size() * sizeof(wchar_t)));
    ASSERT_EQ(WideCharToMultiByte(932, 0, value.data(), static_cast<int>(value.size()), nullptr, 0,
                                  nullptr, nullptr),
              1024);
    PressSysInfo();
    ExpectMessageOnce();
    ExpectNothingStarted();
  }
}

// A first value that is no full path starts nothing, though the system would find a program of
// that name in the clock's current folder: neither the text "MSINFO32.EXE" nor a number, which
// reads as its decimal text (261, bytes 05 01 00 00).
TEST_F(SysInfoButton, NeverStartsAProgramFromTheCurrentFolder) {
  ASSERT_TRUE(PutStandIn(PlantedInCurrentFolder(L"MSINFO32.EXE")));
  ASSERT_TRUE(PutStandIn(PlantedInCurrentFolder(L"261")));
  ASSERT_EQ(SetMachineText(kPathKey, kPathValue, L"MSINFO32.EXE"), ERROR_SUCCESS);
  OpenAbout();
  PressSysInfo();
  ExpectMessageOnce();
  const DWORD number = 261;
  ASSERT_EQ(SetMachineValue(kPathKey, kPathValue, REG_DWORD, &number, sizeof(number)),
            ERROR_SUCCESS);
  PressSysInfo();
  ExpectMessageOnce();
  ExpectNothingStarted();
}

}  // namespace
}  // namespace morv::e2e
