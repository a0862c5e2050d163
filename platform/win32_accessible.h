// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A window's client area for screen readers: one Microsoft Active Accessibility object
// (IAccessible) with the role, name, value and description the program describes it by, served
// through WM_GETOBJECT. Nothing of it costs anything until a reader asks: the accessibility and
// COM libraries are loaded, and COM is started on the user-interface thread, at the first
// request. When the window goes, the object is cut off from every reader that still holds it,
// and answers every further call with an error without touching the program.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/platform.h"

namespace morv::win32 {

class AccessibleClient;

class ScreenReaderAccess {
 public:
  ScreenReaderAccess() = default;
  ~ScreenReaderAccess() { Disconnect(); }
  ScreenReaderAccess(const ScreenReaderAccess&) = delete;
  ScreenReaderAccess& operator=(const ScreenReaderAccess&) = delete;

  void Describe(AccessibleRole role, std::function<AccessibleText()> describe);
  // Answers WM_GETOBJECT for the client area; false leaves the message (another object, or a
  // request that cannot be served) to the system's default handling.
  bool Answer(HWND window, WPARAM flags, LPARAM objectId, LRESULT& result);
  // The window is going: readers that hold the object lose it, and describe is never run again.
  void Disconnect();

 private:
  AccessibleRole role_ = AccessibleRole::Clock;
  std::function<AccessibleText()> describe_;
  AccessibleClient* object_ = nullptr;  // one reference, held from the first request
};

}  // namespace morv::win32
