// The release as a user gets it: the clock started from the unpacked zip. A CMake script beside
// this file makes each package and then runs one suite of this program: ReleaseZip
// (release_zip_test.cmake).
#include <gtest/gtest.h>

#include <string>

#include "clock_face_pixels.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

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

}  // namespace
}  // namespace morv::e2e
