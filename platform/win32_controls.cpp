// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

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

HICON ProgramIconFor(int widthMetric, int heightMetric, UINT dpi) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(MORV_ICON_ID),
                                       IMAGE_ICON, SystemMetricForDpi(widthMetric, dpi),
                                       SystemMetricForDpi(heightMetric, dpi), 0));
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

HWND ControlSet::Add(const wchar_t* className, Kind kind, const std::string& text, DWORD style,
                     Rect bounds, const Font* font, std::function<void()> onClick) {
  if (!dialogFont_) dialogFont_.reset(CreateMessageFont(dpi_));
  const int index = static_cast<int>(controls_.size());
  const HWND control = CreateWindowExW(
      0, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
      GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) throw PlatformError("a control could not be created");
  // The tab order follows the order of adding.
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  controls_.push_back({control, kind, bounds, font != nullptr, font ? *font : Font{},
                       std::move(onClick), kDefaultColour, nullptr, nullptr});
  Control& added = controls_.back();
  Apply(added, MakeLook(added, dpi_));
  return control;
}

Label& ControlSet::AddLabel(Rect bounds, const std::string& text, const Font* font) {
  const HWND control =
      Add(L"STATIC", Kind::Label, text, SS_LEFT | SS_NOPREFIX, bounds, font, nullptr);
  labels_.push_back(std::make_unique<Win32Label>(*this, control));
  return *labels_.back();
}

HWND ControlSet::AddButton(Rect bounds, const std::string& text, ButtonRole role,
                           std::function<void()> onClick) {
  const bool isDefault = role == ButtonRole::DefaultAndCancel;
  const HWND control = Add(L"BUTTON", Kind::Button, text,
                           WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), bounds,
                           nullptr, std::move(onClick));
  if (isDefault) cancelControl_ = static_cast<int>(controls_.size()) - 1;
  return control;
}

// The icon at the size the system gives an icon at the DPI, in a box grown from its top-left corner
// to hold it where the icon is the larger (32 pixels in 432 twips at 96 DPI, 40 at 120): the
// picture looks at every scale as it does at 96 DPI. The system enlarges the 32 x 32 image by
// repeating its pixels, so at a whole factor each stays a crisp square.
void ControlSet::AddIconPicture(Rect bounds, Colour background) {
  Add(L"STATIC", Kind::Picture, "", SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE, bounds, nullptr,
      nullptr);
  controls_.back().background = background;  // asked for when the picture paints
}

// ---- Layout, fonts and icons ----

// A control's font at a DPI: its own, or for a label the font its text fits in, or (none) the
// message font; and a picture's icon.
ControlSet::Look ControlSet::MakeLook(const Control& control, UINT dpi) const {
  Look look;
  if (control.hasOwnFont) {
    look.font.reset(CreatePointFont(control.font, dpi));
  } else if (control.kind == Kind::Label) {
    const TextExtent box{TwipsToPixels(control.bounds.width, dpi),
                         TwipsToPixels(control.bounds.height, dpi)};
    look.font.reset(CreateFittingLabelFont(control.hwnd, WindowTextOf(control.hwnd), box, dpi));
  }
  // A picture whose icon cannot be loaded keeps the one it has, if any.
  if (control.kind == Kind::Picture) look.icon.reset(ProgramIconFor(SM_CXICON, SM_CYICON, dpi));
  return look;
}

void ControlSet::Apply(Control& control, Look look) {
  // An icon control takes the icon's size: it is given its box afterwards.
  if (look.icon) {
    SendMessageW(control.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(look.icon.get()), 0);
    control.icon = std::move(look.icon);
  }
  const Rect& b = control.bounds;
  int width = TwipsToPixels(b.width, dpi_), height = TwipsToPixels(b.height, dpi_);
  if (control.kind == Kind::Picture) {
    // A picture holds its whole icon: a static control clips an image larger than itself.
    width = std::max(width, SystemMetricForDpi(SM_CXICON, dpi_));
    height = std::max(height, SystemMetricForDpi(SM_CYICON, dpi_));
  }
  SetWindowPos(control.hwnd, nullptr, TwipsToPixels(b.left, dpi_), TwipsToPixels(b.top, dpi_),
               width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  const HFONT font = look.font ? look.font.get() : dialogFont_.get();
  SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  control.madeFont = std::move(look.font);  // the old font goes once the new one is in place
}

void ControlSet::TextChanged(HWND control) {
  for (Control& entry : controls_) {
    if (entry.hwnd == control) Apply(entry, MakeLook(entry, dpi_));
  }
}

void ControlSet::SetDpi(UINT dpi) {
  if (controls_.empty()) {
    dpi_ = dpi;
    return;
  }
  // Everything is made before any control changes; what was made goes if anything is refused.
  OwnedFont dialogFont(CreateMessageFont(dpi));
  std::vector<Look> looks;
  looks.reserve(controls_.size());
  for (const Control& control : controls_) looks.push_back(MakeLook(control, dpi));
  dpi_ = dpi;
  // The old message font, swapped into dialogFont, goes when this returns: no control uses it then.
  dialogFont_.swap(dialogFont);
  for (std::size_t i = 0; i < controls_.size(); ++i) Apply(controls_[i], std::move(looks[i]));
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
