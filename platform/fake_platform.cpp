// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/fake_code_page.h"
#include "platform/tick_marks.h"

namespace morv::fake {

FakeLine::FakeLine(FakeWindow& owner, Point from_, Point to_, int widthPx_, Colour colour_,
                   bool visible)
    : from(from_), to(to_), widthPx(widthPx_), colour(colour_), owner_(owner), visible_(visible) {}

void FakeLine::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ++repaintRequests;
  ++owner_.repaintRequests;
}

FakeLabel::FakeLabel(Rect bounds_, std::string text, const Font* font_)
    : bounds(bounds_),
      hasFont(font_ != nullptr),
      font(font_ ? *font_ : Font{}),
      text_(std::move(text)) {}

FakeWindow::FakeWindow(FakePlatform& platform, WindowSpec spec_,
                       std::function<void()> onCloseRequest)
    : spec(std::move(spec_)), platform_(platform), onCloseRequest_(std::move(onCloseRequest)) {
  platform_.windows_.push_back(this);
  ++platform_.windowsOpened;
}

FakeWindow::~FakeWindow() {
  auto& windows = platform_.windows_;
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

Line& FakeWindow::AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) {
  const int limit = platform_.faults.linesBeforeFailure;
  if (limit >= 0 && static_cast<int>(lines.size()) >= limit) {
    throw PlatformError("the drawing resources could not be created");
  }
  lines.push_back(std::make_unique<FakeLine>(*this, from, to, widthPx, colour, visible));
  return *lines.back();
}

void FakeWindow::CheckControlFault() const {
  const int limit = platform_.faults.controlsBeforeFailure;
  if (limit >= 0 && static_cast<int>(tabOrder.size()) >= limit) {
    throw PlatformError("a control could not be created");
  }
}

Label& FakeWindow::AddLabel(Rect bounds, const std::string& text, const Font* font) {
  CheckControlFault();
  labels.push_back(std::make_unique<FakeLabel>(bounds, text, font));
  tabOrder.push_back("label " + text);
  return *labels.back();
}

void FakeWindow::AddButton(Rect bounds, const std::string& text, ButtonRole role,
                           std::function<void()> onClick) {
  CheckControlFault();
  buttons.push_back({bounds, text, role, std::move(onClick)});
  tabOrder.push_back("button " + text);
}

void FakeWindow::AddIconPicture(Rect bounds, Colour background) {
  CheckControlFault();
  pictures.push_back({bounds, background});
  tabOrder.push_back("picture");
}

void FakeWindow::AddMenuCommand(const std::string& caption, std::function<void()> onChoose) {
  menu.push_back({caption, std::move(onChoose)});
}

void FakeWindow::StartTimer(int intervalMs, std::function<void()> onTick) {
  if (platform_.faults.startTimer) throw PlatformError("the timer could not be created");
  timerIntervalMs = nextTickInMs = intervalMs;
  onTick_ = std::move(onTick);
}

void FakeWindow::DescribeToScreenReaders(AccessibleRole role,
                                         std::function<AccessibleText()> describe) {
  accessibleRole = role;
  describe_ = std::move(describe);
}

AccessibleText FakeWindow::AskAsScreenReader() const {
  if (!describe_) throw std::logic_error("the window describes nothing to screen readers");
  return describe_();
}

void FakeWindow::Show() { shown = true; }

void FakeWindow::BringToFront() { ++timesBroughtToFront; }

// Handlers are copied before they run, because running one may destroy this window.
void FakeWindow::Raise(const std::function<void()>& handler) {
  auto copy = handler;
  try {
    copy();
  } catch (const std::exception&) {
    ++platform_.failedEvents;
  }
}

void FakeWindow::Tick() {
  if (!onTick_) throw std::logic_error("the window has no timer");
  const TimerMessagePlan plan = PlanTimerMessage(platform_.now.millisecond, timerIntervalMs);
  // As a USER timer: armed again only for another period, and kept at its old one on failure.
  bool armed = plan.nextWaitMs == nextTickInMs;
  if (!armed && !platform_.faults.rearmTimer) {
    nextTickInMs = plan.nextWaitMs;
    armed = true;
  }
  lastMessageTicked_ = TicksNow(plan, armed, lastMessageTicked_);
  if (lastMessageTicked_) {
    ++ticks;
    Raise(onTick_);
  }
}

void FakeWindow::WaitForTick() {
  if (!onTick_) throw std::logic_error("the window has no timer");
  platform_.PassTime(nextTickInMs);
  Tick();
}

void FakeWindow::ChooseMenu(const std::string& caption) {
  for (const auto& command : menu) {
    if (command.caption == caption) {
      Raise(command.onChoose);
      return;
    }
  }
  throw std::logic_error("no menu command " + caption);
}

void FakeWindow::Click(const std::string& buttonText) {
  for (const auto& button : buttons) {
    if (button.text == buttonText) {
      Raise(button.onClick);
      return;
    }
  }
  throw std::logic_error("no button " + buttonText);
}

FakeButton& FakeWindow::DefaultButton() {
  for (auto& button : buttons) {
    if (button.role == ButtonRole::DefaultAndCancel) return button;
  }
  throw std::logic_error("the window has no default button");
}

void FakeWindow::PressEnter() { Raise(DefaultButton().onClick); }

void FakeWindow::PressEscape() { PressEnter(); }

void FakeWindow::RequestClose() { Raise(onCloseRequest_); }

void FakeRegistry::AddKey(const std::string& subKey, long openResult) {
  keys_[subKey] = openResult;
}

void FakeRegistry::SetValue(const std::string& subKey, const std::string& valueName, Value value) {
  keys_.emplace(subKey, kErrorSuccess);
  values_[{subKey, valueName}] = std::move(value);
}

void FakeRegistry::SetString(const std::string& subKey, const std::string& valueName,
                             const std::string& text) {
  SetValue(subKey, valueName, {kErrorSuccess, kRegSz, text + std::string(1, '\0')});
}

long FakeRegistry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t /*options*/,
                           std::uint32_t access, RegKey* key) {
  calls.push_back("open " + subKey);
  lastAccess = access;
  const auto found = keys_.find(subKey);
  if (root != kHkeyLocalMachine || found == keys_.end()) return kErrorFileNotFound;
  if (found->second != kErrorSuccess) return found->second;
  *key = nextHandle_++;
  handles_[*key] = subKey;
  openKeys.insert(*key);
  return kErrorSuccess;
}

long FakeRegistry::QueryValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* size) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end() || openKeys.count(key) == 0) return 6;  // ERROR_INVALID_HANDLE
  calls.push_back("query " + handle->second + " " + valueName);
  const auto found = values_.find({handle->second, valueName});
  if (found == values_.end()) return kErrorFileNotFound;
  const Value& value = found->second;
  if (value.queryResult != kErrorSuccess) return value.queryResult;
  const auto needed = static_cast<std::uint32_t>(value.bytes.size());
  *type = value.type;
  if (needed > *size) {
    *size = needed;
    return kErrorMoreData;
  }
  // Registry data as stored: binary, terminated only if the value holds its own zero.
  std::memcpy(data, value.bytes.data(), needed);  // NOLINT(bugprone-not-null-terminated-result)
  *size = needed;
  return kErrorSuccess;
}

long FakeRegistry::CloseKey(RegKey key) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end() || openKeys.erase(key) == 0) return 6;  // ERROR_INVALID_HANDLE
  calls.push_back("close " + handle->second);
  return kErrorSuccess;
}

namespace {

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

void FakePlatform::PassTime(int ms) {
  if (ms < 0) throw std::logic_error("the clock does not run backwards");
  constexpr long long kDayMs = 24LL * 60 * 60 * 1000;
  long long ofDay =
      ((now.hour * 60LL + now.minute) * 60 + now.second) * 1000 + now.millisecond + ms;
  for (; ofDay >= kDayMs; ofDay -= kDayMs) {
    if (++now.day <= DaysInMonth(now.year, now.month)) continue;
    now.day = 1;
    if (++now.month > 12) now.month = 1, ++now.year;
  }
  now.millisecond = static_cast<int>(ofDay % 1000);
  now.second = static_cast<int>(ofDay / 1000 % 60);
  now.minute = static_cast<int>(ofDay / 60000 % 60);
  now.hour = static_cast<int>(ofDay / 3600000);
}

std::unique_ptr<Window> FakePlatform::OpenWindow(const WindowSpec& spec,
                                                 std::function<void()> onCloseRequest) {
  if (faults.openWindow) throw PlatformError("the window could not be created");
  return std::make_unique<FakeWindow>(*this, spec, std::move(onCloseRequest));
}

bool FakePlatform::StartProgram(const std::string& program, const std::string& arguments,
                                ProgramSearch search) {
  started.push_back({program, arguments, search});
  return startSucceeds && !program.empty();
}

void FakePlatform::ShowMessage(const std::string& text) {
  messages.push_back(text);
  windowsOpenAtMessage.push_back(OpenWindowCount());
}

std::string FakePlatform::FindFile(const std::string& path) {
  lookedUp.push_back(path);
  if (findFileThrows) throw PlatformError("bad file name");
  if (files.count(path) == 0) return "";
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The system code page of a Japanese Windows.
std::string FakePlatform::FromSystemCodePage(const std::string& bytes) {
  return Cp932ToUtf8(bytes);
}

FakeWindow* FakePlatform::FindWindow(const std::string& caption) const {
  for (FakeWindow* window : windows_) {
    if (window->spec.caption == caption) return window;
  }
  return nullptr;
}

}  // namespace morv::fake
