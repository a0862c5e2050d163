// A top-level window over Win32: the clock's resizable main window or a fixed dialog. Contents
// are kept in twips and laid out in pixels at the window's DPI, again whenever the DPI changes.
// Lines are painted by the window itself (win32_lines.h); labels, buttons and the picture are
// real child controls, so that screen readers can read them. The window creates itself and its
// controls, owns its menu bar and timer, and turns messages into the callbacks it was given.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32_dpi.h"
#include "platform/win32_lines.h"

namespace morv::win32 {

class Win32Platform;
class Win32Window;

class Win32Label final : public Label {
 public:
  Win32Label(Win32Window& owner, HWND control) : owner_(owner), control_(control) {}
  // Also chooses the font the new text fits the label in.
  void SetText(const std::string& text) override;
  std::string Text() const override;

 private:
  Win32Window& owner_;
  HWND control_;
};

class Win32Window final : public Window {
 public:
  Win32Window(Win32Platform& platform, const WindowSpec& spec, std::function<void()> onCloseRequest);
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
  void Show() override;
  void BringToFront() override;

  HWND handle() const { return hwnd_; }
  bool IsDialog() const { return frame_ == Frame::FixedDialog; }
  // The label's text has changed: fit its font again.
  void TextChanged(HWND control);

 private:
  struct Control {
    HWND hwnd;
    Rect bounds;      // twips
    bool hasOwnFont;  // the font below; else the message font, fitted to a label's text
    Font font;
    bool isLabel = false;
    std::function<void()> onClick;
    HFONT madeFont = nullptr;  // a font made for this control alone, destroyed with the window
    Colour background = kDefaultColour;
    HICON icon = nullptr;  // a picture's own icon, destroyed with the window
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Handles one message; false leaves it to the system's default handling. Contained: what the
  // program or the backend raises while handling it ends here, never in the system's frames.
  bool HandleContained(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  int ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }
  void FitClientSize();
  void ApplyDpi(UINT dpi);
  // The system's colours, theme or fonts have changed.
  void FollowSystemSettings(UINT message);
  void PlaceControl(Control& control);
  void ApplyFont(Control& control);
  HWND AddControl(const wchar_t* className, const std::string& text, DWORD style, Rect bounds,
                  const Font* font, bool isLabel, std::function<void()> onClick);
  void RunCommand(int id);

  Win32Platform& platform_;
  const Frame frame_;
  const int clientWidthTwips_;
  const int clientHeightTwips_;
  std::function<void()> onCloseRequest_;
  std::function<void()> onTick_;
  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  UINT dpi_ = 96;
  bool placed_ = false;
  bool destroying_ = false;
  HFONT dialogFont_ = nullptr;  // the message font, made with the first control
  LinePainter painter_;
  std::vector<std::unique_ptr<Win32Label>> labels_;
  std::vector<Control> controls_;
  std::vector<std::function<void()>> menuCommands_;
  int cancelControl_ = -1;  // index of the control that Esc and Enter press
};

}  // namespace morv::win32
