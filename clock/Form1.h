// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The clock window: six square glyphs showing the time of day in hexadecimal, two colons, a
// 200 ms timer that keeps them current, and a menu bar with the read-me and About commands.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace morv {

class frmAbout;

class Form1 {
 public:
  Form1(Platform& platform, frmAbout& about);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates and shows the window with all its lines, the timer and the menu bar.
  void Show();
  bool Loaded() const { return window_ != nullptr; }

  // What a screen reader is told, as of the latest tick: the time in decimal as the value, the
  // face's own hexadecimal reading as the description; both empty before the first tick.
  AccessibleText TimeForScreenReaders() const;

  // Event handlers.
  void Timer1_Timer();
  void mn_yomi_Click();
  void Mn_About_Click();

  // Side lines of the six boxes, index = bit of the digit (0 bottom, 1 right, 2 top, 3 left).
  using DigitBox = std::array<Line*, 4>;
  DigitBox hou1{}, hou2{}, min1{}, min2{}, sec1{}, sec2{};
  std::array<Line*, 6> zop{};    // the boxes' diagonals, right to left
  std::array<Line*, 4> Line2{};  // the colon strokes

  // The time read at the latest tick, and its units as hexadecimal text.
  LocalTime TickTime;
  std::string SecHex, MinHex, HouHex;

 private:
  friend struct Form1Probe;  // lets the unit tests reach GetHexBit

  // Bit `bit` of the upper-case hexadecimal digit; empty for any other digit text or bit.
  static std::optional<bool> GetHexBit(const std::string& digit, int bit);
  void UpdatePair(DigitBox& high, DigitBox& low, const std::string& text);
  // Adds the lines, the menu and the timer to the new window and shows it.
  void Populate();
  void Unload();

  Platform& platform_;
  frmAbout& about_;
  std::unique_ptr<Window> window_;
};

}  // namespace morv
