// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// A window's child controls over Win32: labels, buttons and the icon picture, which are real
// controls so that the keyboard and screen readers reach them. The set creates them, lays them
// out at the window's DPI, gives each its font (a label's fitted to its text) and its colours,
// and tells the window which handler a control's command runs.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/platform.h"

namespace morv::win32 {

class ControlSet;

// The program icon at the size of a system metric (SM_CXICON or SM_CXSMICON) for this DPI; the
// caller destroys it. Not the system's shared copy, which keeps the size it was first asked for.
HICON ProgramIconFor(int widthMetric, int heightMetric, UINT dpi);
// Loads the common controls, once, before the first dialog's buttons are made.
void LoadCommonControls();

struct DeleteFont {
  void operator()(HFONT font) const { DeleteObject(font); }
};
struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteFont>;
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, DestroyIconHandle>;

class Win32Label final : public Label {
 public:
  Win32Label(ControlSet& owner, HWND control) : owner_(owner), control_(control) {}
  // Also chooses the font the new text fits the label in.
  void SetText(const std::string& text) override;
  std::string Text() const override;

 private:
  ControlSet& owner_;
  HWND control_;
};

class ControlSet {
 public:
  ControlSet() = default;
  ControlSet(const ControlSet&) = delete;
  ControlSet& operator=(const ControlSet&) = delete;

  // The window the controls are made in, and its DPI; set before the first control.
  void Attach(HWND parent, UINT dpi) {
    parent_ = parent;
    dpi_ = dpi;
  }
  // Each throws PlatformError when the system refuses the control or its font.
  Label& AddLabel(Rect bounds, const std::string& text, const Font* font);
  // Returns the new button; a default-and-cancel button is pressed by Enter and Esc.
  HWND AddButton(Rect bounds, const std::string& text, ButtonRole role,
                 std::function<void()> onClick);
  void AddIconPicture(Rect bounds, Colour background);

  bool Empty() const { return controls_.empty(); }
  HWND First() const { return controls_.front().hwnd; }
  // Lays out every control and makes its font and icon again at this DPI (also after a settings
  // change, which may bring another message font). All or nothing: should the system refuse one
  // font, it throws PlatformError and every control keeps what it had.
  void SetDpi(UINT dpi);
  // The label's text has changed: fit its font again.
  void TextChanged(HWND control);
  // Passes a colour change on to the controls, which take it from their parent.
  void ForwardColourChange() const;
  // Answers WM_CTLCOLORSTATIC for one of the controls: the brush to paint it with.
  LRESULT StaticColours(HDC dc, HWND control) const;
  // The handler of a command: a control's id, or IDOK and IDCANCEL for the default-and-cancel
  // button; empty for any other id.
  std::function<void()> CommandHandler(int id) const;

 private:
  enum class Kind { Label, Button, Picture };
  struct Control {
    HWND hwnd;
    Kind kind;
    Rect bounds;      // twips
    bool hasOwnFont;  // the font below; else the message font, fitted to a label's text
    Font font;
    std::function<void()> onClick;
    Colour background = kDefaultColour;
    OwnedFont madeFont;  // a font made for this control alone
    OwnedIcon icon;      // a picture's icon
  };
  // What a control is given at a DPI: its own font (none for the message font) and a picture's
  // icon.
  struct Look {
    OwnedFont font;
    OwnedIcon icon;
  };

  HWND Add(const wchar_t* className, Kind kind, const std::string& text, DWORD style, Rect bounds,
           const Font* font, std::function<void()> onClick);
  Look MakeLook(const Control& control, UINT dpi) const;
  // Places the control at the set's DPI and hands it its look; what it had before goes.
  void Apply(Control& control, Look look);

  HWND parent_ = nullptr;
  UINT dpi_ = 96;
  OwnedFont dialogFont_;  // the message font, made with the first control
  std::vector<Control> controls_;
  std::vector<std::unique_ptr<Win32Label>> labels_;
  int cancelControl_ = -1;  // index of the control that Esc and Enter press
};

}  // namespace morv::win32
