// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// What a window does when its scale or the system's metrics change: the DPI it is laid out for,
// its client area at the design size, the icons loaded for that DPI, a maximised or minimised
// window kept so through a scale change, and a dialog placed again when its first placement
// changed its scale.
//
// A window is at its design size from its creation until the user (or another program) resizes
// it, and again once it restores itself to that size. While it is, it keeps its design client
// area whatever changes around it: a new scale, or a frame that a settings change made larger.
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
  // WM_GETDPISCALEDSIZE, asked before a scale change with the window's pending size: its size at
  // dpi. A window at its design size that nobody is resizing keeps its design client area there,
  // in the frame of that DPI (true, size set); any other is left to the system, which scales the
  // pending size linearly (false).
  bool ScaledSize(UINT dpi, SIZE& size);
  // WM_DPICHANGED: a move to a monitor of another scale, or a new scale for this one.
  void TakeNewDpi(UINT dpi, const RECT& suggested);
  // WM_SIZE with SIZE_RESTORED.
  void Restored();
  // WM_WINDOWPOSCHANGED: notes a resize that the window did not make itself.
  void PositionChanged();
  // The non-client metrics or the theme may have changed, and with them the frame's size.
  void MetricsChanged();

 private:
  // Marks the window's own moves and resizes, which leave it at its design size.
  class OwnChange {
   public:
    explicit OwnChange(WindowScale& scale) : scale_(scale) { ++scale_.ownChanges_; }
    ~OwnChange() { --scale_.ownChanges_; }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

   private:
    WindowScale& scale_;
  };

  int ToPixels(int twips) const;
  SIZE FrameSize() const;
  SIZE ClientSize() const;
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
  bool atDesignSize_ = true;
  int ownChanges_ = 0;  // the window's own SetWindowPos calls under way
  SIZE frameSize_{};    // the window and client sizes, and whether it was neither
  SIZE clientSize_{};   // maximised nor minimised, as last seen
  bool shownNormal_ = true;
  bool fitWhenRestored_ = false;  // a scale or metrics change came while maximised or minimised
  UINT iconDpi_ = 0;              // the DPI its icons (its class's or its own) are for
  OwnedIcon bigIcon_;             // the window's own icons
  OwnedIcon smallIcon_;
};

}  // namespace morv::win32
