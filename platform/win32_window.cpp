#include "platform/win32_window.h"

#include <commctrl.h>

#include "platform/win32_dpi.h"
#include "platform/win32_platform.h"
#include "platform/win32_text.h"
#include "resources/resource_ids.h"

namespace morv::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"MorvTimeWindow";
constexpr UINT_PTR kTimerId = 1;
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 1000;

// Loads the common controls, once, for the dialogs' buttons; the clock window needs none, and
// leaving them unloaded until the first dialog keeps the running clock over 3 MB smaller. They
// are loaded, after the program has restricted library loading to the system folder, rather
// than imported: an import is loaded before the program runs, and brings the theme library
// along, from wherever the default search finds it first, this program's own folder included.
void LoadCommonControls() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  if (const HMODULE library = LoadLibraryW(L"comctl32.dll")) {
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    // The cast through void(*)() keeps GCC's function-type-cast warning quiet.
    const auto init = reinterpret_cast<InitControls>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    if (init != nullptr) init(&controls);
  }
}

// A dialog template with no controls: the dialog manager provides keyboard navigation, the
// default button and the dialog's system colours, and the controls are added afterwards.
struct alignas(4) EmptyDialogTemplate {  // templates must be DWORD-aligned
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// The program icon at width x height pixels; LR_SHARED gives the system's shared copy.
HICON LoadProgramIcon(HINSTANCE instance, int width, int height, UINT flags) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(MORV_ICON_ID), IMAGE_ICON, width, height, flags));
}

ATOM RegisterMainClass(HINSTANCE instance, WNDPROC proc) {
  static ATOM atom = 0;
  if (atom != 0) return atom;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  // The icon's one image as drawn, 32 x 32; LoadIconW would stretch it to the system's icon
  // size (40 pixels at 120 DPI) and blur the X.
  wc.hIcon = LoadProgramIcon(instance, 32, 32, 0);
  wc.hIconSm = LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON),
                               GetSystemMetrics(SM_CYSMICON), 0);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // No background brush: the window paints its whole client area itself, without flicker.
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kMainClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

}  // namespace

// ---- Labels ----

void Win32Label::SetText(const std::string& text) {
  SetWindowTextW(control_, Widen(text).c_str());
  owner_.TextChanged(control_);
}

std::string Win32Label::Text() const { return Narrow(WindowTextOf(control_)); }

// ---- Creation and destruction ----

Win32Window::Win32Window(Win32Platform& platform, const WindowSpec& spec,
                         std::function<void()> onCloseRequest)
    : platform_(platform),
      frame_(spec.frame),
      clientWidthTwips_(spec.clientWidth),
      clientHeightTwips_(spec.clientHeight),
      onCloseRequest_(std::move(onCloseRequest)),
      // The clock repaints every second: it keeps its back buffer. A dialog paints when it opens.
      painter_({0, 0, spec.clientWidth, spec.clientHeight}, spec.frame != Frame::FixedDialog) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::wstring caption = Widen(spec.caption);
  if (frame_ == Frame::FixedDialog) {
    LoadCommonControls();
    EmptyDialogTemplate dialog{};
    dialog.header.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    hwnd_ = CreateDialogIndirectParamW(instance, &dialog.header, nullptr, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (hwnd_ != nullptr) {
      SetWindowTextW(hwnd_, caption.c_str());
      // Without WS_EX_DLGMODALFRAME's implicit icon hiding: the dialog shows the program icon.
      SendMessageW(hwnd_, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(MORV_ICON_ID))));
      SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON),
                                                            LR_SHARED)));
    }
  } else {
    if (RegisterMainClass(instance, WindowProc) == 0) throw PlatformError("RegisterClassExW");
    if (spec.hasMenuBar) menu_ = CreateMenu();
    hwnd_ = CreateWindowExW(0, kMainClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                            menu_, instance, this);
    if (hwnd_ == nullptr && menu_ != nullptr) DestroyMenu(menu_);
  }
  if (hwnd_ == nullptr) throw PlatformError("the window could not be created");
  try {
    platform_.WindowCreated(*this);
  } catch (...) {
    // No destructor runs for a constructor that throws: the window, which points back at this
    // object, must go now.
    destroying_ = true;
    DestroyWindow(hwnd_);
    throw;
  }
  dpi_ = DpiForWindow(hwnd_);
  painter_.Attach(hwnd_, dpi_);
  FitClientSize();
}

Win32Window::~Win32Window() {
  // From here on only WM_NCDESTROY is handled, which tells the platform the window is gone.
  destroying_ = true;
  if (hwnd_ != nullptr) {
    KillTimer(hwnd_, kTimerId);
    DestroyWindow(hwnd_);  // the menu bar and the controls go with the window
  }
  for (Control& control : controls_) {
    if (control.madeFont != nullptr) DeleteObject(control.madeFont);
    if (control.icon != nullptr) DestroyIcon(control.icon);
  }
  if (dialogFont_ != nullptr) DeleteObject(dialogFont_);
}

// ---- Contents ----

Line& Win32Window::AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) {
  return painter_.AddLine(from, to, widthPx, colour, visible);
}

HWND Win32Window::AddControl(const wchar_t* className, const std::string& text, DWORD style,
                             Rect bounds, const Font* font, bool isLabel,
                             std::function<void()> onClick) {
  if (dialogFont_ == nullptr) dialogFont_ = CreateMessageFont(dpi_);
  const int index = static_cast<int>(controls_.size());
  const HWND control = CreateWindowExW(
      0, className, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
      GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) throw PlatformError("a control could not be created");
  // The tab order follows the order of adding.
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  controls_.push_back({control, bounds, font != nullptr, font ? *font : Font{}, isLabel,
                       std::move(onClick)});
  PlaceControl(controls_.back());
  return control;
}

Label& Win32Window::AddLabel(Rect bounds, const std::string& text, const Font* font) {
  const HWND control =
      AddControl(L"STATIC", text, SS_LEFT | SS_NOPREFIX, bounds, font, true, nullptr);
  labels_.push_back(std::make_unique<Win32Label>(*this, control));
  return *labels_.back();
}

void Win32Window::AddButton(Rect bounds, const std::string& text, ButtonRole role,
                            std::function<void()> onClick) {
  const bool isDefault = role == ButtonRole::DefaultAndCancel;
  const HWND control = AddControl(L"BUTTON", text,
                                  WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                  bounds, nullptr, false, std::move(onClick));
  if (isDefault) {
    cancelControl_ = static_cast<int>(controls_.size()) - 1;
    if (IsDialog()) SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(control)), 0);
  }
}

void Win32Window::AddIconPicture(Rect bounds, Colour background) {
  const HWND control = AddControl(L"STATIC", "", SS_ICON | SS_CENTERIMAGE | SS_REALSIZEIMAGE,
                                  bounds, nullptr, false, nullptr);
  controls_.back().background = background;
  // The icon at the 32 x 32 pixels it is drawn in, whatever the DPI. Not a shared icon: the
  // system keeps one shared icon per resource, in the size it was first loaded at (the window
  // class's, scaled to the DPI), and that would be drawn larger than the picture and cut off.
  const HICON icon = LoadProgramIcon(GetModuleHandleW(nullptr), 32, 32, 0);
  controls_.back().icon = icon;
  SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  PlaceControl(controls_.back());  // SS_ICON resizes itself to the icon; keep the given box
}

void Win32Window::AddMenuCommand(const std::string& caption, std::function<void()> onChoose) {
  if (menu_ == nullptr) throw PlatformError("the window has no menu bar");
  const int id = kFirstMenuId + static_cast<int>(menuCommands_.size());
  if (!AppendMenuW(menu_, MF_STRING, static_cast<UINT_PTR>(id), Widen(caption).c_str())) {
    throw PlatformError("AppendMenuW");
  }
  menuCommands_.push_back(std::move(onChoose));
  DrawMenuBar(hwnd_);
  FitClientSize();
}

void Win32Window::StartTimer(int intervalMs, std::function<void()> onTick) {
  onTick_ = std::move(onTick);
  if (SetTimer(hwnd_, kTimerId, static_cast<UINT>(intervalMs), nullptr) == 0) {
    throw PlatformError("the timer could not be created");
  }
}

void Win32Window::Show() {
  if (!placed_ && IsDialog()) {
    platform_.PlaceDialog(hwnd_);
  }
  placed_ = true;
  ShowWindow(hwnd_, IsDialog() ? SW_SHOWNORMAL : SW_SHOWDEFAULT);
  // The focus is on the first control before the dialog is brought to the front, so that it is
  // there from the moment the user (or a screen reader) sees the dialog in front.
  if (IsDialog() && !controls_.empty()) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.front().hwnd), TRUE);
  }
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
}

void Win32Window::BringToFront() {
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  BringWindowToTop(hwnd_);
}

// ---- Geometry ----

void Win32Window::FitClientSize() {
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

void Win32Window::PlaceControl(Control& control) {
  SetWindowPos(control.hwnd, nullptr, ToPixels(control.bounds.left), ToPixels(control.bounds.top),
               ToPixels(control.bounds.width), ToPixels(control.bounds.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyFont(control);
}

// A control's font at the current DPI: its own, or for a label the font its text fits in, or
// the message font. The new font is in place before the old one goes.
void Win32Window::ApplyFont(Control& control) {
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

void Win32Window::TextChanged(HWND control) {
  for (Control& entry : controls_) {
    if (entry.hwnd == control) ApplyFont(entry);
  }
}

void Win32Window::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  if (!controls_.empty()) {
    const HFONT oldFont = dialogFont_;
    dialogFont_ = CreateMessageFont(dpi_);
    for (Control& control : controls_) PlaceControl(control);
    DeleteObject(oldFont);
  }
  painter_.SetDpi(dpi_);
}

void Win32Window::FollowSystemSettings(UINT message) {
  // The message font may have changed with the settings: the controls take it again.
  if (message == WM_SETTINGCHANGE) ApplyDpi(dpi_);
  painter_.RenewColours();
  // Common controls take a colour change from their parent.
  if (message == WM_SYSCOLORCHANGE) {
    for (const Control& control : controls_) SendMessageW(control.hwnd, WM_SYSCOLORCHANGE, 0, 0);
  }
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// ---- Messages ----

void Win32Window::RunCommand(int id) {
  std::function<void()> handler;
  if (id >= kFirstMenuId && id - kFirstMenuId < static_cast<int>(menuCommands_.size())) {
    handler = menuCommands_[static_cast<std::size_t>(id - kFirstMenuId)];
  } else if ((id == IDOK || id == IDCANCEL) && cancelControl_ >= 0) {
    handler = controls_[static_cast<std::size_t>(cancelControl_)].onClick;
  } else if (id >= kFirstControlId && id - kFirstControlId < static_cast<int>(controls_.size())) {
    handler = controls_[static_cast<std::size_t>(id - kFirstControlId)].onClick;
  }
  // A copy runs, because the handler may destroy this window and everything it holds.
  if (handler) handler();
}

// Everything the window system asks of the program comes through here. A handler that fails
// (a control or font of a new dialog refused, say) has already put away what it half made; the
// failure must not unwind through the system's own frames, which would end the process, so it
// ends here, the message counts as handled, and the program goes on.
bool Win32Window::HandleContained(UINT message, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) noexcept {
  try {
    return Handle(message, wParam, lParam, result);
  } catch (...) {
    result = 0;
    return true;
  }
}

bool Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (destroying_ && message != WM_NCDESTROY) return false;
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimerId && onTick_) {
        auto handler = onTick_;
        handler();
      }
      result = 0;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) RunCommand(LOWORD(wParam));
      result = 0;
      return true;
    case WM_CLOSE: {
      auto handler = onCloseRequest_;
      if (handler) handler();
      result = 0;
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;  // WM_PAINT fills the background itself
      return true;
    case WM_PAINT:
      painter_.Paint();
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      const auto control = reinterpret_cast<HWND>(lParam);
      SetBkMode(dc, TRANSPARENT);
      // A label's text in the text colour of the face it stands on: readable in every scheme.
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      for (const Control& entry : controls_) {
        if (entry.hwnd == control && entry.background != kDefaultColour) {
          SetDCBrushColor(dc, static_cast<COLORREF>(entry.background));
          SetBkColor(dc, static_cast<COLORREF>(entry.background));
          result = reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
          return true;
        }
      }
      result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ApplyDpi(HIWORD(wParam));
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      FitClientSize();
      result = 0;
      return true;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      FollowSystemSettings(message);
      return false;
    case WM_NCDESTROY:
      platform_.WindowDestroyed(*this);
      hwnd_ = nullptr;
      return false;
    default:
      return false;
  }
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* self = static_cast<Win32Window*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (self != nullptr && self->HandleContained(message, wParam, lParam, result)) return result;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Win32Window*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return FALSE;  // the focus is set when the dialog is shown, once it has controls
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  LRESULT result = 0;
  if (self == nullptr || !self->HandleContained(message, wParam, lParam, result)) return FALSE;
  switch (message) {
    case WM_CTLCOLORSTATIC:
      return static_cast<INT_PTR>(result);  // brushes are returned directly
    default:
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace morv::win32
