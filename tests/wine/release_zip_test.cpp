// The clock started from the unpacked release zip (release_zip_test.cmake unpacks it under
// tests/package/unpacked): it opens its window, finds its read-me in its own folder, and ends
// cleanly when closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace morv::e2e {
namespace {

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
  SetScreenDpi(120);
  RunningClock clock;
  ASSERT_TRUE(clock.Start(folder));
  const SIZE size = ClientSize(clock.window);
  EXPECT_EQ(size.cx, 645);
  EXPECT_EQ(size.cy, 112);

  // The read-me travels with the program: the editor finds it in the current directory.
  const std::vector<HWND> before = WindowsTitled(kEditorCaption);
  ASSERT_TRUE(ChooseMenuCommand(clock.window, kReadMeCommand));
  const HWND editor = WaitForNewWindow(kEditorCaption, before, 20000);
  EXPECT_NE(editor, nullptr) << "the editor did not open the read-me from the zip";
  for (HWND open : WindowsTitled(kEditorCaption)) PostMessageW(open, WM_CLOSE, 0, 0);

  PostMessageW(clock.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(clock.process.WaitForExit(10000), 0u);
}

}  // namespace
}  // namespace morv::e2e
