// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A platform without a window system, for unit tests. It keeps the state a real backend would
// show (every window, line, label, button, menu command and timer), records what the program
// asked of the system, and lets a test raise the events a user or the clock would.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace morv::fake {

class FakePlatform;
class FakeWindow;

class FakeLine final : public Line {
 public:
  FakeLine(FakeWindow& owner, Point from, Point to, int widthPx, Colour colour, bool visible);
  void SetVisible(bool visible) override;
  bool Visible() const override { return visible_; }

  Point from;
  Point to;
  int widthPx;
  Colour colour;
  int repaintRequests = 0;

 private:
  FakeWindow& owner_;
  bool visible_;
};

class FakeLabel final : public Label {
 public:
  FakeLabel(Rect bounds, std::string text, const Font* font);
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }

  Rect bounds;
  bool hasFont;
  Font font;

 private:
  std::string text_;
};

struct FakeButton {
  Rect bounds;
  std::string text;
  ButtonRole role;
  std::function<void()> onClick;
};

struct FakePicture {
  Rect bounds;
  Colour background;
};

struct FakeMenuCommand {
  std::string caption;
  std::function<void()> onChoose;
};

class FakeWindow final : public Window {
 public:
  FakeWindow(FakePlatform& platform, WindowSpec spec, std::function<void()> onCloseRequest);
  ~FakeWindow() override;

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

  // What a user or the system would do. Each of these may destroy this window. As the window
  // system's calls into a real program, none lets an error of the program out: it is counted
  // in FakePlatform::failedEvents instead.
  // The timer's message now, at the platform's time: it arms the next one from that time and
  // ticks, unless it came early for a mark.
  void Tick();
  // Lets the platform's clock run until the timer's next message is due, and delivers it.
  void WaitForTick();
  void ChooseMenu(const std::string& caption);
  void Click(const std::string& buttonText);
  void PressEnter();  // with the focus where the dialog opened it
  void PressEscape();
  void RequestClose();  // the close box
  // What a screen reader would be told now; throws when the window describes nothing.
  AccessibleText AskAsScreenReader() const;

  const WindowSpec spec;
  std::vector<std::unique_ptr<FakeLine>> lines;
  std::vector<std::unique_ptr<FakeLabel>> labels;
  std::vector<FakeButton> buttons;
  std::vector<FakePicture> pictures;
  std::vector<FakeMenuCommand> menu;
  std::vector<std::string> tabOrder;  // control kinds and texts, in the order they were added
  int timerIntervalMs = 0;
  int nextTickInMs = -1;  // the timer's period: when, after the latest message, the next is due
  int ticks = 0;          // messages that ticked
  std::optional<AccessibleRole> accessibleRole;
  bool shown = false;
  int timesBroughtToFront = 0;
  int repaintRequests = 0;

 private:
  FakeButton& DefaultButton();
  void Raise(const std::function<void()>& handler);
  void CheckControlFault() const;
  FakePlatform& platform_;
  std::function<void()> onCloseRequest_;
  std::function<void()> onTick_;
  std::function<AccessibleText()> describe_;
  bool lastMessageTicked_ = true;
};

struct StartedProgram {
  std::string program;
  std::string arguments;
  ProgramSearch search;
};

// A registry whose every answer a test can choose.
class FakeRegistry final : public Registry {
 public:
  struct Value {
    long queryResult = kErrorSuccess;
    std::uint32_t type = kRegSz;
    std::string bytes;  // the value's data as stored, zero bytes and all
  };
  // A key that opens; openResult other than 0 makes opening it fail with that code.
  void AddKey(const std::string& subKey, long openResult = kErrorSuccess);
  void SetValue(const std::string& subKey, const std::string& valueName, Value value);
  void SetString(const std::string& subKey, const std::string& valueName, const std::string& text);

  long OpenKey(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
               RegKey* key) override;
  long QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                  unsigned char* data, std::uint32_t* size) override;
  long CloseKey(RegKey key) override;

  // What was asked, in order: "open SUBKEY", "query SUBKEY VALUE", "close SUBKEY".
  std::vector<std::string> calls;
  std::uint32_t lastAccess = 0;
  std::set<RegKey> openKeys;  // keys opened and not yet closed

 private:
  std::map<std::string, long> keys_;
  std::map<std::pair<std::string, std::string>, Value> values_;
  std::map<RegKey, std::string> handles_;
  RegKey nextHandle_ = 0x1000;
};

class FakePlatform final : public Platform {
 public:
  std::unique_ptr<Window> OpenWindow(const WindowSpec& spec,
                                     std::function<void()> onCloseRequest) override;
  int Run() override { return 0; }
  LocalTime Now() override { return now; }
  // Moves the clock on by ms (not negative), into the next day if need be. No tick comes: the
  // program is busy, or the time is set forward.
  void PassTime(int ms);
  bool StartProgram(const std::string& program, const std::string& arguments,
                    ProgramSearch search) override;
  void ShowMessage(const std::string& text) override;
  std::string FindFile(const std::string& path) override;
  Registry& registry() override { return fakeRegistry; }
  std::string FromSystemCodePage(const std::string& bytes) override;

  // The open window with this caption, or nullptr.
  FakeWindow* FindWindow(const std::string& caption) const;
  int OpenWindowCount() const { return static_cast<int>(windows_.size()); }
  // The program goes on while any of its windows is open.
  bool Running() const { return !windows_.empty(); }

  // Faults a test can inject. All but rearmTimer make the call throw PlatformError, as the Win32
  // backend does when the system refuses the window, the timer, a drawing resource, a control or
  // a font; with rearmTimer the timer keeps its period, as a USER timer does when SetTimer fails.
  struct Faults {
    bool openWindow = false;
    bool startTimer = false;
    bool rearmTimer = false;
    int linesBeforeFailure = -1;     // AddLine fails once this many lines exist (-1: never)
    int controlsBeforeFailure = -1;  // adding a control fails once a window has this many
  };
  Faults faults;

  LocalTime now;
  std::vector<StartedProgram> started;
  bool startSucceeds = true;
  std::vector<std::string> messages;
  std::vector<int> windowsOpenAtMessage;  // how many windows were open as each message showed
  std::set<std::string> files;            // FindFile finds these (exact path, case-sensitive)
  std::vector<std::string> lookedUp;      // paths given to FindFile
  bool findFileThrows = false;
  FakeRegistry fakeRegistry;
  int windowsOpened = 0;
  int failedEvents = 0;  // events whose handler failed, and which the window system contained

 private:
  friend class FakeWindow;
  std::vector<FakeWindow*> windows_;
};

}  // namespace morv::fake
