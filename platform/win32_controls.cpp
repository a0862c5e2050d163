#include "platform/win32_controls.h"

#include <commctrl.h>

#include "platform/win32_dpi.h"
#include "platform/win32_library.h"
#include "platform/win32_text.h"
#include "resources/resource_ids.h"

namespace morv::win32 {

namespace {

// Control ids count up from here in the order of adding; menu commands use ids of their own.
constexpr int kFirstControlId = 100;

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

HICON LoadProgramIcon(int width, int height, UINT flags) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(MORV_ICON_ID),
                                       IMAGE_ICON, width, height, flags));
}

// The clock window needs no common controls, and leaving them unloaded until the first dialog
// keeps the running clock over 3 MB smaller. They are loaded, after the program has restricted
// library loading to the system folder, rather than imported: an import is loaded before the
// program runs, and brings the theme library along, from wherever the default search finds it
// first, this program's own folder included.
void LoadCommonControls() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  if (const HMODULE library = LoadLibraryW(L"comctl32.dll")) {
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = LibraryFunction<InitControls>(library, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    if (init != nullptr) init(&controls);
  }
}

// ---- Labels ----

void Win32Label::SetText(const std::string& text) {
  SetWindowTextW(control_, Widen(text).c_str());
  owner_.TextChanged(control_);
}

std::string Win32Label::Text() const { return Narrow(WindowTextOf(control_)); }

// ---- The set ----

ControlSet::~ControlSet() {
  // The controls themselves go with their window; what was made for them goes here.
  for (Control& control : controls_) {
    if (control.madeFont != nullptr) DeleteObject(control.madeFont);
    if (control.icon != nullptr) DestroyIcon(control.icon);
  }
  if (dialogFont_ != nullptr) DeleteObject(dialogFont_);
}

HWND ControlSet::Add(const wchar_t* className, const std::string& text, DWORD style, Rect bounds,
                     const Font* font, bool isLabel, std::function<void()> onClick) {
  if (dialogFont_ == nullptr) dialogFont_ = CreateMessageFont(dpi_);
  const int index = static_cast<int>(controls_.size());
  const HWND control = CreateWindowExW(
      0, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
      GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) throw PlatformError("a control could not be created");
  // The tab order follows the order of adding.
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  controls_.push_back({control, bounds, font != nullptr, font ? *font : Font{}, isLabel,
                       std::move(onClick)});
  Place(controls_.back());
  return control;
}

Label& ControlSet::AddLabel(Rect bounds, const std::string& text, const Font* font) {
  const HWND control = Add(L"STATIC", text, SS_LEFT | SS_NOPREFIX, bounds, font, true, nullptr);
  labels_.push_back(std::make_unique<Win32Label>(*this, control));
  return *labels_.back();
}

HWND ControlSet::AddButton(Rect bounds, const std::string& text, ButtonRole role,
                           std::function<void()> onClick) {
  const bool isDefault = role == ButtonRole::DefaultAndCancel;
  const HWND control = Add(L"BUTTON", text, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                           bounds, nullptr, false, std::move(onClick));
  if (isDefault) cancelControl_ = static_cast<int>(controls_.size()) - 1;
  return control;
}

void ControlSet::AddIconPicture(Rect bounds, Colour background) {
  const HWND control = Add(L"STATIC", "", SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE, bounds,
                           nullptr, false, nullptr);
  controls_.back().background = background;
  // The icon at the 32 x 32 pixels it is drawn in, whatever the DPI. Not a shared icon: the
  // system keeps one shared icon per resource, in the size it was first loaded at (the window
  // class's, scaled to the DPI), and that would be drawn larger than the picture and cut off.
  const HICON icon = LoadProgramIcon(32, 32, 0);
  controls_.back().icon = icon;
  SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  Place(controls_.back());  // SS_ICON resizes itself to the icon; keep the given box
}

// ---- Layout and fonts ----

int ControlSet::ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }

void ControlSet::Place(Control& control) {
  SetWindowPos(control.hwnd, nullptr, ToPixels(control.bounds.left), ToPixels(control.bounds.top),
               ToPixels(control.bounds.width), ToPixels(control.bounds.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyFont(control);
}

// A control's font at the current DPI: its own, or for a label the font its text fits in, or
// the message font. The new font is in place before the old one goes.
void ControlSet::ApplyFont(Control& control) {
  HFONT made = nullptr;
  if (control.hasOwnFont) {
    made = CreatePointFont(control.font, dpi_);
  } else if (control.isLabel) {
    made = CreateFittingLabelFont(control.hwnd, WindowTextOf(control.hwnd),
                                  {ToPixels(control.bounds.width), ToPixels(control.bounds.height)},
                                  dpi_);
  }
  SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(made ? made : dialogFont_), TRUE);
  if (control.madeFont != nullptr) DeleteObject(control.madeFont);
  control.madeFont = made;
}

void ControlSet::TextChanged(HWND control) {
  for (Control& entry : controls_) {
    if (entry.hwnd == control) ApplyFont(entry);
  }
}

void ControlSet::SetDpi(UINT dpi) {
  dpi_ = dpi;
  if (controls_.empty()) return;
  const HFONT oldFont = dialogFont_;
  dialogFont_ = CreateMessageFont(dpi_);
  for (Control& control : controls_) Place(control);
  DeleteObject(oldFont);
}

// ---- Colours and commands ----

void ControlSet::ForwardColourChange() const {
  for (const Control& control : controls_) SendMessageW(control.hwnd, WM_SYSCOLORCHANGE, 0, 0);
}

LRESULT ControlSet::StaticColours(HDC dc, HWND control) const {
  SetBkMode(dc, TRANSPARENT);
  // A label's text in the text colour of the face it stands on: readable in every scheme.
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (const Control& entry : controls_) {
    if (entry.hwnd == control && entry.background != kDefaultColour) {
      SetDCBrushColor(dc, static_cast<COLORREF>(entry.background));
      SetBkColor(dc, static_cast<COLORREF>(entry.background));
      return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

std::function<void()> ControlSet::CommandHandler(int id) const {
  if ((id == IDOK || id == IDCANCEL) && cancelControl_ >= 0) {
    return controls_[static_cast<std::size_t>(cancelControl_)].onClick;
  }
  const int index = id - kFirstControlId;
  if (index >= 0 && index < static_cast<int>(controls_.size())) {
    return controls_[static_cast<std::size_t>(index)].onClick;
  }
  return {};
}

}  // namespace morv::win32
