// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The platform over Win32: windows, the message loop, the clock, process start, message boxes,
// the file test and the registry.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32_registry.h"

namespace morv::win32 {

class Win32Window;

class Win32Platform final : public Platform {
 public:
  std::unique_ptr<Window> OpenWindow(const WindowSpec& spec,
                                     std::function<void()> onCloseRequest) override;
  int Run() override;
  LocalTime Now() override;
  bool StartProgram(const std::string& program, const std::string& arguments,
                    ProgramSearch search) override;
  void ShowMessage(const std::string& text) override;
  std::string FindFile(const std::string& path) override;
  Registry& registry() override { return registry_; }
  std::string FromSystemCodePage(const std::string& bytes) override;

  // Kept by the windows themselves: the loop ends when the last one is gone.
  void WindowCreated(Win32Window& window);
  void WindowDestroyed(Win32Window& window);
  // Centres a dialog without an owner on the clock window, or on the screen without one.
  void PlaceDialog(HWND dialog) const;

 private:
  std::vector<Win32Window*> windows_;
  bool running_ = false;
  Win32Registry registry_;
};

}  // namespace morv::win32
