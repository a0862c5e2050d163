// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "clock/Form1.h"

#include <string>

#include "about/frmAbout.h"
#include "clock/clock_layout.h"
#include "clock/hex_text.h"

namespace morv {

namespace layout = clock_layout;

Form1::Form1(Platform& platform, frmAbout& about) : platform_(platform), about_(about) {}

void Form1::Show() {
  if (window_) {
    window_->BringToFront();
    return;
  }
  WindowSpec spec;
  spec.caption = layout::kCaption;
  spec.clientWidth = layout::kClientWidth;
  spec.clientHeight = layout::kClientHeight;
  spec.frame = Frame::Sizable;
  spec.hasMenuBar = true;
  window_ = platform_.OpenWindow(spec, [this] { Unload(); });
  try {
    Populate();
  } catch (...) {
    // A window without all its lines, its menu or its timer would show a wrong or frozen
    // face: close it again, so that only the caller's report of the failure remains.
    Unload();
    throw;
  }
}

void Form1::Populate() {
  std::array<DigitBox*, 6> boxes{&hou1, &hou2, &min1, &min2, &sec1, &sec2};
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    const layout::BoxColumn& column = layout::kBoxes[b];
    for (int bit = 0; bit < 4; ++bit) {
      const layout::Segment side = layout::SideSegment(column, bit);
      (*boxes[b])[static_cast<std::size_t>(bit)] =
          &window_->AddLine(side.from, side.to, layout::kLineWidthPx, kDefaultColour, false);
    }
    const layout::Segment diagonal = layout::DiagonalSegment(column);
    zop[static_cast<std::size_t>(column.diagonal)] =
        &window_->AddLine(diagonal.from, diagonal.to, layout::kLineWidthPx, kDefaultColour, true);
  }
  for (std::size_t i = 0; i < Line2.size(); ++i) {
    const layout::Segment& stroke = layout::kColonStrokes[i];
    Line2[i] =
        &window_->AddLine(stroke.from, stroke.to, layout::kLineWidthPx, kDefaultColour, true);
  }

  window_->AddMenuCommand(layout::kMenuHowToRead, [this] { mn_yomi_Click(); });
  window_->AddMenuCommand(layout::kMenuAbout, [this] { Mn_About_Click(); });
  window_->StartTimer(layout::kTimerIntervalMs, [this] { Timer1_Timer(); });
  window_->DescribeToScreenReaders(AccessibleRole::Clock,
                                   [this] { return TimeForScreenReaders(); });
  window_->Show();
}

void Form1::Unload() {
  hou1 = hou2 = min1 = min2 = sec1 = sec2 = DigitBox{};
  zop = {};
  Line2 = {};
  window_.reset();
}

void Form1::Timer1_Timer() {
  TickTime = platform_.Now();
  SecHex = HexText(static_cast<unsigned>(TickTime.second));
  MinHex = HexText(static_cast<unsigned>(TickTime.minute));
  HouHex = HexText(static_cast<unsigned>(TickTime.hour));
  UpdatePair(sec1, sec2, SecHex);
  UpdatePair(min1, min2, MinHex);
  UpdatePair(hou1, hou2, HouHex);
}

// Every side is assigned on every tick; the lines themselves skip assignments that change
// nothing, so an unchanged face costs no repaint.
void Form1::UpdatePair(DigitBox& high, DigitBox& low, const std::string& text) {
  const bool twoDigits = text.size() == 2;
  const std::string highDigit = twoDigits ? text.substr(0, 1) : std::string();
  const std::string lowDigit = text.empty() ? std::string() : text.substr(text.size() - 1);
  for (int bit = 0; bit < 4; ++bit) {
    const auto k = static_cast<std::size_t>(bit);
    high[k]->SetVisible(twoDigits && GetHexBit(highDigit, bit).value_or(false));
    low[k]->SetVisible(GetHexBit(lowDigit, bit).value_or(false));
  }
}

namespace {

// A unit as the face shows it: two digits, the high one 0 where the text has only one.
std::string TwoDigits(const std::string& text) { return text.size() < 2 ? "0" + text : text; }
std::string TwoDigits(int value) { return TwoDigits(std::to_string(value)); }

}  // namespace

AccessibleText Form1::TimeForScreenReaders() const {
  AccessibleText text{layout::kAccessibleName, "", ""};
  if (HouHex.empty()) return text;  // no tick yet: the face shows no time
  text.value = TwoDigits(TickTime.hour) + ":" + TwoDigits(TickTime.minute) + ":" +
               TwoDigits(TickTime.second);
  text.description = TwoDigits(HouHex) + ":" + TwoDigits(MinHex) + ":" + TwoDigits(SecHex);
  return text;
}

std::optional<bool> Form1::GetHexBit(const std::string& digit, int bit) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (bit < 0 || bit > 3 || digit.size() != 1) return std::nullopt;
  for (int value = 0; value < 16; ++value) {
    if (digit[0] == kDigits[value]) return ((value >> bit) & 1) != 0;
  }
  return std::nullopt;
}

void Form1::mn_yomi_Click() {
  platform_.StartProgram(layout::kEditorProgram, layout::kReadMeFile, ProgramSearch::SystemProgram);
}

void Form1::Mn_About_Click() { about_.Show(); }

}  // namespace morv
