// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The thin layer between MorvTime's forms and the window system.
//
// Forms speak in their own terms: window contents are placed in twips (1/1440 inch) from the
// top-left corner of the client area, line widths are pixels, texts are UTF-8. A backend turns
// these into native calls (win32_*.cpp) or keeps them as inspectable state (fake_*.cpp), and
// turns the window system's messages back into the callbacks given here. Nothing in this header
// or in the forms depends on <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/registry.h"

namespace morv {

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// 0x00BBGGRR, as Windows writes colours.
using Colour = std::uint32_t;
// The platform's default: window text for lines and labels.
inline constexpr Colour kDefaultColour = 0xFFFFFFFFu;

enum class Frame {
  Sizable,      // title bar, system menu, minimize and maximize buttons, resizable border
  FixedDialog,  // title bar and close box only; neither resizable nor minimizable
};

struct WindowSpec {
  std::string caption;
  int clientWidth = 0;   // twips
  int clientHeight = 0;  // twips
  Frame frame = Frame::Sizable;
  bool hasMenuBar = false;
};

struct Font {
  std::string face;
  double points = 9.0;
  bool bold = false;
  int charset = 0;  // a Windows character set number, such as 128 for Japanese
};

enum class ButtonRole {
  Normal,
  DefaultAndCancel,  // answers Enter (while no other button has the focus) and Esc
};

// What a screen reader is told of a window's client area, as of the moment it asks (UTF-8).
struct AccessibleText {
  std::string name;
  std::string value;  // "" when there is nothing to tell
  std::string description;
};

// What a window's client area is to a screen reader.
enum class AccessibleRole {
  Clock,  // read-only; its value is the time it shows
};

class Line {
 public:
  virtual ~Line() = default;
  // Hiding or showing repaints just this line; assigning the current state costs nothing.
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
};

// One top-level window. Destroying the object closes the window, its controls and its timer.
class Window {
 public:
  virtual ~Window() = default;

  // Controls take the keyboard's tab order in the order they are added.
  virtual Line& AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) = 0;
  virtual Label& AddLabel(Rect bounds, const std::string& text, const Font* font) = 0;
  virtual void AddButton(Rect bounds, const std::string& text, ButtonRole role,
                         std::function<void()> onClick) = 0;
  // The program icon, centred on a plain background.
  virtual void AddIconPicture(Rect bounds, Colour background) = 0;
  // A top-level command on the menu bar: choosing it runs onChoose, there is no sub-menu.
  virtual void AddMenuCommand(const std::string& caption, std::function<void()> onChoose) = 0;
  // A periodic timer whose ticks arrive on the user-interface thread; it lives as long as the
  // window. The first tick comes one interval after the start; from the second on, the ticks
  // fall just after the marks of the local time (tick_marks.h), about intervalMs apart. Ticks
  // that fall due while the thread is busy are merged, so a tick must read the clock rather
  // than count.
  virtual void StartTimer(int intervalMs, std::function<void()> onTick) = 0;
  // Lets screen readers read the client area as one object of this role. describe runs only
  // when a reader asks, on the user-interface thread, and never after the window is gone.
  virtual void DescribeToScreenReaders(AccessibleRole role,
                                       std::function<AccessibleText()> describe) = 0;
  // Shows and activates the window; a dialog-framed window puts the focus on its first control.
  virtual void Show() = 0;
  virtual void BringToFront() = 0;
};

// Thrown by a backend that cannot create what the program asked for.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Where a started program is looked for.
enum class ProgramSearch {
  // A path as given: a full path is taken as it stands, never split at its spaces.
  AsGiven,
  // A program of the operating system: only the system folders are searched, never the
  // current directory, so that a file planted there cannot stand in for it.
  SystemProgram,
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Creates a hidden top-level window. onCloseRequest runs when the user asks to close it
  // (close box, system menu, Alt+F4); the owner answers by destroying the Window.
  virtual std::unique_ptr<Window> OpenWindow(const WindowSpec& spec,
                                             std::function<void()> onCloseRequest) = 0;
  // Runs the message loop until the last window has been destroyed; returns the exit status.
  virtual int Run() = 0;

  virtual LocalTime Now() = 0;

  // Starts program with the given argument text in a normal, focused window and does not
  // wait for it. False when it could not be started.
  virtual bool StartProgram(const std::string& program, const std::string& arguments,
                            ProgramSearch search) = 0;
  // A message box with an OK button only, titled with the application title.
  virtual void ShowMessage(const std::string& text) = 0;
  // The name of the file at path when it exists and is neither hidden nor a system file, else
  // "". Throws PlatformError when the path cannot be looked up at all.
  virtual std::string FindFile(const std::string& path) = 0;

  virtual Registry& registry() = 0;
  // Text in the system's ANSI code page (932 on Japanese Windows) to UTF-8.
  virtual std::string FromSystemCodePage(const std::string& bytes) = 0;
};

}  // namespace morv
