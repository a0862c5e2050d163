// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_window_scale.h"

#include "platform/win32_dpi.h"

namespace morv::win32 {

void WindowScale::Attach(HWND hwnd, UINT classIconDpi) {
  hwnd_ = hwnd;
  iconDpi_ = classIconDpi;
  dpi_ = DpiForWindow(hwnd_);
  frameSize_ = FrameSize();
  clientSize_ = ClientSize();
  LoadIcons();
}

int WindowScale::ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }

SIZE WindowScale::FrameSize() const {
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

SIZE WindowScale::ClientSize() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return {client.right, client.bottom};
}

void WindowScale::FitClientSize() {
  const OwnChange own(*this);
  atDesignSize_ = true;
  const int width = ToPixels(clientWidthTwips_);
  const int height = ToPixels(clientHeightTwips_);
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  // Grow or shrink the frame by what the client area lacks or has too much; this holds
  // whatever the frame, menu bar and DPI, and is checked again after the change.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int dx = width - (client.right - client.left);
    const int dy = height - (client.bottom - client.top);
    if (dx == 0 && dy == 0) break;
    SetWindowPos(hwnd_, nullptr, 0, 0, (window.right - window.left) + dx,
                 (window.bottom - window.top) + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
  }
}

void WindowScale::Place(const std::function<void()>& centre) {
  if (placed_) return;
  if (centre) {
    // Centring may take the dialog to a monitor of another scale: it is then laid out at that
    // scale (here, or by WM_DPICHANGED while it is placed), and centred again at its new size.
    const UINT before = dpi_;
    const OwnChange own(*this);
    centre();
    const UINT placedAt = DpiForWindow(hwnd_);
    if (placedAt != dpi_) {
      ApplyDpi(placedAt);
      FitClientSize();
    }
    if (dpi_ != before) centre();
  }
  placed_ = true;
}

RECT WindowScale::DesignFrame(UINT dpi) const {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)) &
                     ~static_cast<DWORD>(WS_MAXIMIZE | WS_MINIMIZE);
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  return FrameForClient(TwipsToPixels(clientWidthTwips_, dpi),
                        TwipsToPixels(clientHeightTwips_, dpi), style, GetMenu(hwnd_) != nullptr,
                        exStyle, dpi);
}

// Answered so that the system suggests the right rectangle at once: scaled linearly, frame and
// menu bar included, a window at its design size would need a second resize to its client area,
// and while it is dragged across a monitor's edge that second size could move it back over. A
// pending size other than the window's own is a resize under way, the user's or a program's
// (SetWindowPos onto a monitor of another scale): that size is the one to scale.
bool WindowScale::ScaledSize(UINT dpi, SIZE& size) {
  if (!placed_ || IsIconic(hwnd_) || IsZoomed(hwnd_) || !atDesignSize_) return false;
  const SIZE own = FrameSize();
  if (size.cx != own.cx || size.cy != own.cy) {
    atDesignSize_ = false;
    return false;
  }
  const RECT frame = DesignFrame(dpi);
  size = {frame.right, frame.bottom};
  return true;
}

// All or nothing: a layout the system refuses a font for throws before anything is recorded.
void WindowScale::ApplyDpi(UINT dpi) {
  layOut_(dpi);
  dpi_ = dpi;
  LoadIcons();
}

// The window keeps its state: maximised over the suggested rectangle, or minimised, it stays so
// and restores to its design size at the new DPI. Otherwise it takes the suggested rectangle: the
// size it answered to WM_GETDPISCALEDSIZE, or the one the system scaled for it. One at its design
// size is then measured once more; where the frame is the one the answer assumed, as on Windows,
// that changes nothing. A window not yet shown is only laid out again: it is placed when it is
// shown.
void WindowScale::TakeNewDpi(UINT dpi, const RECT& suggested) {
  const bool atDesignSize = atDesignSize_;
  ApplyDpi(dpi);
  if (!placed_) {
    FitClientSize();
    return;
  }
  if (IsIconic(hwnd_)) {
    RestoreToDesignSize();
    return;
  }
  const bool maximised = IsZoomed(hwnd_) != FALSE;
  if (maximised) RestoreToDesignSize();
  const OwnChange own(*this);
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (atDesignSize && !maximised) FitClientSize();
}

void WindowScale::Restored() {
  if (!fitWhenRestored_) return;
  fitWhenRestored_ = false;
  FitClientSize();
}

// A change of both the window's size and its client area's, made neither by the window nor by
// maximising, minimising or restoring, is a resize: by the user, or by another program. It leaves
// the window at its design size only when it gives it the design client area (as an X window
// manager that answers late with a size the window has had does). A frame that changes alone,
// the client area or the window keeping its size, is no resize.
void WindowScale::PositionChanged() {
  if (hwnd_ == nullptr) return;
  const SIZE frame = FrameSize(), client = ClientSize();
  const bool normal = !IsIconic(hwnd_) && !IsZoomed(hwnd_);
  const bool resized = (frame.cx != frameSize_.cx || frame.cy != frameSize_.cy) &&
                       (client.cx != clientSize_.cx || client.cy != clientSize_.cy);
  if (resized && normal && shownNormal_ && ownChanges_ == 0) {
    atDesignSize_ =
        client.cx == ToPixels(clientWidthTwips_) && client.cy == ToPixels(clientHeightTwips_);
  }
  frameSize_ = frame;
  clientSize_ = client;
  shownNormal_ = normal;
}

// Windows keeps every window's outer rectangle when the non-client metrics change, and computes
// the frame again, before this message or after it: the menu bar or the caption grows, and the
// client area shrinks. A window at its design size computes its frame now, so that the order does
// not matter, and takes its design client area again. A maximised or minimised one does so when
// it is restored.
void WindowScale::MetricsChanged() {
  if (hwnd_ == nullptr || !atDesignSize_) return;
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
    fitWhenRestored_ = true;
    return;
  }
  {
    const OwnChange own(*this);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  FitClientSize();
}

// The size a maximised or minimised window restores to: its design client area at the DPI.
// SW_SHOWNA leaves the window in its state, and the focus where it is. The frame is worked out
// for the DPI, so the client area is measured once more when the window is restored.
void WindowScale::RestoreToDesignSize() {
  const OwnChange own(*this);
  atDesignSize_ = true;
  fitWhenRestored_ = true;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(hwnd_, &placement)) return;
  const RECT frame = DesignFrame(dpi_);
  RECT& normal = placement.rcNormalPosition;
  normal.right = normal.left + frame.right;
  normal.bottom = normal.top + frame.bottom;
  placement.showCmd = SW_SHOWNA;
  SetWindowPlacement(hwnd_, &placement);
}

// The program icon as the window's big and small icons, loaded at the sizes that the window's
// DPI asks for: an icon of another size is scaled by the system where it is shown, and blurs.
// Not shared: the system keeps one shared copy per resource, at the size first asked for. Only
// when the window has none for its DPI yet: under Wine each WM_SETICON sends the icons to the X
// server again, which would add to the clock's start.
void WindowScale::LoadIcons() {
  if (iconDpi_ == dpi_) return;
  iconDpi_ = dpi_;
  const struct {
    WPARAM which;
    int width, height;  // system metrics
    OwnedIcon& held;
  } icons[] = {{ICON_BIG, SM_CXICON, SM_CYICON, bigIcon_},
               {ICON_SMALL, SM_CXSMICON, SM_CYSMICON, smallIcon_}};
  for (const auto& icon : icons) {
    OwnedIcon loaded(ProgramIconFor(icon.width, icon.height, dpi_));
    if (!loaded) continue;  // the window keeps the icon it has
    SendMessageW(hwnd_, WM_SETICON, icon.which, reinterpret_cast<LPARAM>(loaded.get()));
    icon.held = std::move(loaded);
  }
}

}  // namespace morv::win32
