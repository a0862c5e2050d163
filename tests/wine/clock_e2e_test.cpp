// The real clock window under Wine: its size at the screen's DPI and the time it shows.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace morv::e2e {
namespace {

const wchar_t kClockCaption[] = L"MORV時計（デジタル）";

TEST(ClockWindow, HasTheExactClientSizeAt120Dpi) {
  SetScreenDpi(120);
  Process clock;
  ASSERT_TRUE(clock.StartMorvTime());
  const HWND window = WaitForWindow(clock.id(), kClockCaption);
  ASSERT_NE(window, nullptr);
  const SIZE size = ClientSize(window);
  EXPECT_EQ(size.cx, 645);
  EXPECT_EQ(size.cy, 112);
}

TEST(ClockWindow, AboutCommandOpensTheDialogThroughTheMenuBar) {
  Process clock;
  ASSERT_TRUE(clock.StartMorvTime());
  const HWND window = WaitForWindow(clock.id(), kClockCaption);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(ChooseMenuCommand(window, 1));
  EXPECT_NE(WaitForWindow(clock.id(), L"ﾊﾞｰｼﾞｮﾝ情報 MorvTime", 5000), nullptr);
}

}  // namespace
}  // namespace morv::e2e
