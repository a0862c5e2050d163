// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock's face: decoding hexadecimal digits and showing the time on every tick.
#include <gtest/gtest.h>

#include "clock/hex_text.h"
#include "clock_test_support.h"

namespace morv {
namespace {

using testing_support::ReadFace;
using testing_support::RunningClock;

TEST(GetHexBit, GivesEveryBitOfEverySixteenDigits) {
  const std::string digits = "0123456789ABCDEF";
  for (int value = 0; value < 16; ++value) {
    for (int bit = 0; bit < 4; ++bit) {
      const auto result = Form1Probe::GetHexBit(std::string(1, digits[value]), bit);
      EXPECT_EQ(result, std::optional<bool>(((value >> bit) & 1) == 1))
          << digits[value] << " bit " << bit;
    }
  }
}

TEST(GetHexBit, IsEmptyForOtherDigitsAndBits) {
  EXPECT_FALSE(Form1Probe::GetHexBit("a", 1).has_value());  // lower case is not a digit here
  EXPECT_FALSE(Form1Probe::GetHexBit("f", 0).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit("7", 4).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit("7", -1).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit("G", 0).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit("", 0).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit("10", 0).has_value());
  EXPECT_FALSE(Form1Probe::GetHexBit(std::string(1, '\0'), 0).has_value());
}

TEST(HexText, IsUpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(9), "9");
  EXPECT_EQ(HexText(10), "A");
  EXPECT_EQ(HexText(15), "F");
  EXPECT_EQ(HexText(16), "10");
  EXPECT_EQ(HexText(23), "17");
  EXPECT_EQ(HexText(59), "3B");
  EXPECT_EQ(HexText(255), "FF");
  EXPECT_EQ(HexText(256), "100");
}

// Every second of a day, read back from the lines alone.
TEST(ClockTick, ShowsEverySecondOfTheDay) {
  RunningClock program;
  for (int t = 0; t < 24 * 3600; ++t) {
    program.TickAt(t / 3600, t / 60 % 60, t % 60);
    ASSERT_EQ(ReadFace(program.window()), t) << "nullopt: an unexpected line";
  }
}

TEST(ClockTick, KeepsTheTimeAndItsHexadecimalTexts) {
  RunningClock program;
  program.TickAt(12, 34, 56);
  EXPECT_EQ(program.clock.HouHex, "C");
  EXPECT_EQ(program.clock.MinHex, "22");
  EXPECT_EQ(program.clock.SecHex, "38");
  EXPECT_EQ(program.clock.TickTime.hour, 12);
  EXPECT_EQ(program.clock.TickTime.minute, 34);
  EXPECT_EQ(program.clock.TickTime.second, 56);
}

// A screen reader hears the time in decimal and can learn the face's hexadecimal reading; before
// the first tick the face shows no time, and neither text tells one.
TEST(ClockTick, TellsScreenReadersTheTimeTheFaceShows) {
  RunningClock program;
  EXPECT_EQ(program.window().accessibleRole, AccessibleRole::Clock);
  const auto heard = [&] {
    const AccessibleText text = program.window().AskAsScreenReader();
    EXPECT_EQ(text.name, "時刻");
    return text.value + " " + text.description;
  };
  EXPECT_EQ(heard(), " ");
  program.TickAt(0, 0, 0);
  EXPECT_EQ(heard(), "00:00:00 00:00:00");
  program.TickAt(9, 5, 7);
  EXPECT_EQ(heard(), "09:05:07 09:05:07");
  program.TickAt(17, 59, 33);
  EXPECT_EQ(heard(), "17:59:33 11:3B:21");
  program.TickAt(23, 59, 59);
  EXPECT_EQ(heard(), "23:59:59 17:3B:3B");
}

std::string Sides(const Form1::DigitBox& box) {
  std::string shown;
  for (const Line* side : box) shown += side->Visible() ? '1' : '0';
  return shown;  // bit 0 (bottom) first
}

TEST(ClockTick, ShowsTheDocumentedFaces) {
  RunningClock program;
  Form1& f = program.clock;

  program.TickAt(0, 0, 0);
  for (const auto* box : {&f.hou1, &f.hou2, &f.min1, &f.min2, &f.sec1, &f.sec2}) {
    EXPECT_EQ(Sides(*box), "0000");
  }

  program.TickAt(12, 34, 56);
  EXPECT_EQ(Sides(f.hou1), "0000");
  EXPECT_EQ(Sides(f.hou2), "0011");  // top and left
  EXPECT_EQ(Sides(f.min1), "0100");  // right
  EXPECT_EQ(Sides(f.min2), "0100");
  EXPECT_EQ(Sides(f.sec1), "1100");  // bottom and right
  EXPECT_EQ(Sides(f.sec2), "0001");  // left

  program.TickAt(23, 59, 59);
  EXPECT_EQ(Sides(f.hou1), "1000");
  EXPECT_EQ(Sides(f.hou2), "1110");
  EXPECT_EQ(Sides(f.min1), "1100");
  EXPECT_EQ(Sides(f.min2), "1101");
  EXPECT_EQ(Sides(f.sec1), "1100");
  EXPECT_EQ(Sides(f.sec2), "1101");

  program.TickAt(15, 15, 15);
  for (const auto* box : {&f.hou1, &f.min1, &f.sec1}) EXPECT_EQ(Sides(*box), "0000");
  for (const auto* box : {&f.hou2, &f.min2, &f.sec2}) EXPECT_EQ(Sides(*box), "1111");

  // One-character minutes clear the high box even after a two-character one.
  program.TickAt(0, 16, 0);
  EXPECT_EQ(Sides(f.min1), "1000");
  program.TickAt(0, 10, 0);
  EXPECT_EQ(f.MinHex, "A");
  EXPECT_EQ(Sides(f.min1), "0000");
  EXPECT_EQ(Sides(f.min2), "0101");
}

TEST(ClockTick, UnchangedSidesAskForNoRepaint) {
  RunningClock program;
  program.TickAt(10, 20, 30);
  const int before = program.window().repaintRequests;
  // The same second again, as four of five 200 ms ticks are.
  program.TickAt(10, 20, 30);
  program.TickAt(10, 20, 30);
  EXPECT_EQ(program.window().repaintRequests, before);

  // 30 (1E) to 31 (1F): only bit 0 of the low seconds box turns on.
  program.TickAt(10, 20, 31);
  EXPECT_EQ(program.window().repaintRequests, before + 1);
  EXPECT_EQ(program.clock.sec2[0]->Visible(), true);
}

TEST(ClockTick, RepaintsOnlyTheSidesThatChangeOverADay) {
  RunningClock program;
  program.TickAt(23, 59, 59);
  int expected = program.window().repaintRequests;
  std::array<bool, 24> previous{};
  auto snapshot = [&program] {
    std::array<bool, 24> sides{};
    std::size_t i = 0;
    for (const auto* box : {&program.clock.hou1, &program.clock.hou2, &program.clock.min1,
                            &program.clock.min2, &program.clock.sec1, &program.clock.sec2}) {
      for (const Line* side : *box) sides[i++] = side->Visible();
    }
    return sides;
  };
  previous = snapshot();
  for (int t = 0; t < 24 * 3600; t += 7) {
    program.TickAt(t / 3600, t / 60 % 60, t % 60);
    const auto now = snapshot();
    for (std::size_t i = 0; i < now.size(); ++i) expected += now[i] != previous[i];
    previous = now;
    ASSERT_EQ(program.window().repaintRequests, expected) << t;
  }
}

}  // namespace
}  // namespace morv
