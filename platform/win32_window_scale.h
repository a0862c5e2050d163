// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// What a window does when its scale changes: the DPI it is laid out for, its client area at the
// design size, the icons loaded for that DPI, a maximised or minimised window kept so through a
// scale change, and a dialog placed again when its first placement changed its scale.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "platform/win32_controls.h"

namespace morv::win32 {

class WindowScale {
 public:
  // The design client area in twips; layOut lays the window's contents out at a DPI.
  WindowScale(int clientWidthTwips, int clientHeightTwips, std::function<void(UINT dpi)> layOut)
      : clientWidthTwips_(clientWidthTwips),
        clientHeightTwips_(clientHeightTwips),
        layOut_(std::move(layOut)) {}
  WindowScale(const WindowScale&) = delete;
  WindowScale& operator=(const WindowScale&) = delete;

  // The window has been created, with class icons for classIconDpi (0: none). Takes its DPI, its
  // icons for that DPI and its design client area; the contents are laid out by the window.
  void Attach(HWND hwnd, UINT classIconDpi);
  UINT Dpi() const { return dpi_; }
  // Sizes the frame so that the client area has the design size at the window's DPI.
  void FitClientSize();
  // Before the window is first shown. centre, given for a dialog, centres it; should that take it
  // to a monitor of another scale, it is laid out at that scale and centred again at its size.
  void Place(const std::function<void()>& centre);
  // WM_GETDPISCALEDSIZE, asked before a scale change: the window's size at dpi. A window at its
  // design size keeps its design client area there, in the frame of that DPI (true, size set);
  // any other is left to the system, which scales it linearly (false).
  bool ScaledSize(UINT dpi, SIZE& size) const;
  // WM_DPICHANGED: a move to a monitor of another scale, or a new scale for this one.
  void TakeNewDpi(UINT dpi, const RECT& suggested);
  // WM_SIZE with SIZE_RESTORED.
  void Restored();

 private:
  int ToPixels(int twips) const;
  bool AtDesignSize() const;
  // The window rectangle, at (0, 0), of the design client area at dpi.
  RECT DesignFrame(UINT dpi) const;
  void ApplyDpi(UINT dpi);
  void RestoreToDesignSize();
  void LoadIcons();

  const int clientWidthTwips_;
  const int clientHeightTwips_;
  std::function<void(UINT)> layOut_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = 96;
  bool placed_ = false;
  bool fitWhenRestored_ = false;  // a scale change came while maximised or minimised
  UINT iconDpi_ = 0;              // the DPI its icons (its class's or its own) are for
  OwnedIcon bigIcon_;             // the window's own icons
  OwnedIcon smallIcon_;
};

}  // namespace morv::win32
