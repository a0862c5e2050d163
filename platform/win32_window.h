// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A top-level window over Win32: the clock's resizable main window or a fixed dialog. Contents
// are kept in twips and laid out in pixels at the window's DPI, again whenever the DPI changes
// (win32_window_scale.h). Lines are painted by the window itself (win32_lines.h); labels, buttons
// and the picture are real child controls (win32_controls.h). The window creates itself, owns its
// menu bar and timer, serves screen readers (win32_accessible.h), and turns messages into the
// callbacks it was given.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32_accessible.h"
#include "platform/win32_controls.h"
#include "platform/win32_lines.h"
#include "platform/win32_window_scale.h"

namespace morv::win32 {

class Win32Platform;

class Win32Window final : public Window {
 public:
  Win32Window(Win32Platform& platform, const WindowSpec& spec,
              std::function<void()> onCloseRequest);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  Line& AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) override;
  Label& AddLabel(Rect bounds, const std::string& text, const Font* font) override;
  void AddButton(Rect bounds, const std::string& text, ButtonRole role,
                 std::function<void()> onClick) override;
  void AddIconPicture(Rect bounds, Colour background) override;
  void AddMenuCommand(const std::string& caption, std::function<void()> onChoose) override;
  void StartTimer(int intervalMs, std::function<void()> onTick) override;
  void DescribeToScreenReaders(AccessibleRole role,
                               std::function<AccessibleText()> describe) override;
  void Show() override;
  void BringToFront() override;

  HWND handle() const { return hwnd_; }
  bool IsDialog() const { return frame_ == Frame::FixedDialog; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Handles one message; false leaves it to the system's default handling. Contained: what the
  // program or the backend raises while handling it ends here, never in the system's frames.
  bool HandleContained(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Lays the lines and the controls out at this DPI.
  void LayOut(UINT dpi);
  // The system's colours, theme or fonts have changed.
  void FollowSystemSettings(UINT message);
  void RunCommand(int id);
  // Sets the timer for its next message, just after a mark of the local time; returns whether
  // this message ticks (not when it came early for a mark).
  bool ArmNextTimerMessage();

  Win32Platform& platform_;
  const Frame frame_;
  std::function<void()> onCloseRequest_;
  std::function<void()> onTick_;
  int timerIntervalMs_ = 0;
  int timerWaitMs_ = 0;  // the period the timer runs at now
  bool lastMessageTicked_ = true;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  bool destroying_ = false;
  WindowScale scale_;  // declared before the window's contents, which it lays out
  LinePainter painter_;
  ControlSet controls_;
  ScreenReaderAccess screenReaders_;
  std::vector<std::function<void()>> menuCommands_;
};

}  // namespace morv::win32
