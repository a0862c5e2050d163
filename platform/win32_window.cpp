// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_window.h"

#include "platform/tick_marks.h"
#include "platform/win32_dpi.h"
#include "platform/win32_platform.h"
#include "platform/win32_text.h"

namespace morv::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"MorvTimeWindow";
constexpr UINT_PTR kTimerId = 1;
constexpr int kFirstMenuId = 1000;

// A dialog template with no controls: the dialog manager provides keyboard navigation, the
// default button and the dialog's system colours, and the controls are added afterwards.
struct alignas(4) EmptyDialogTemplate {  // templates must be DWORD-aligned
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

ATOM RegisterMainClass(HINSTANCE instance, WNDPROC proc) {
  static ATOM atom = 0;
  if (atom != 0) return atom;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  // The class icons serve a clock at the system DPI, where it usually opens; at another DPI it
  // is given icons of its own (WindowScale). Both sizes: a small icon the system derived from
  // the big one would be scaled, and blurred.
  wc.hIcon = ProgramIconFor(SM_CXICON, SM_CYICON, SystemDpi());
  wc.hIconSm = ProgramIconFor(SM_CXSMICON, SM_CYSMICON, SystemDpi());
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // No background brush: the window paints its whole client area itself, without flicker.
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kMainClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

// Whether a settings change alters what the windows look like: the message font and the other
// non-client metrics, high contrast, the window metrics. WM_SETTINGCHANGE comes often for other
// settings (the work area, the wallpaper, the input language, policies), and following each would
// measure every label again with up to ten fonts and repaint everything.
bool ChangesTheLook(WPARAM action, LPARAM area) {
  if (action == SPI_SETNONCLIENTMETRICS || action == SPI_SETHIGHCONTRAST) return true;
  const auto* name = reinterpret_cast<const wchar_t*>(area);
  return name != nullptr && lstrcmpiW(name, L"WindowMetrics") == 0;
}

}  // namespace

// ---- Creation and destruction ----

Win32Window::Win32Window(Win32Platform& platform, const WindowSpec& spec,
                         std::function<void()> onCloseRequest)
    : platform_(platform),
      frame_(spec.frame),
      onCloseRequest_(std::move(onCloseRequest)),
      scale_(spec.clientWidth, spec.clientHeight, [this](UINT dpi) { LayOut(dpi); }),
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
      LeaveScalingToDialog(hwnd_);
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
  scale_.Attach(hwnd_, IsDialog() ? 0 : SystemDpi());
  painter_.Attach(hwnd_, scale_.Dpi());
  controls_.Attach(hwnd_, scale_.Dpi());
  scale_.FitClientSize();
}

Win32Window::~Win32Window() {
  // From here on only WM_NCDESTROY is handled, which tells the platform the window is gone.
  destroying_ = true;
  if (hwnd_ != nullptr) {
    KillTimer(hwnd_, kTimerId);
    DestroyWindow(hwnd_);  // the menu bar and the controls go with the window
  }
}

// ---- Contents ----

Line& Win32Window::AddLine(Point from, Point to, int widthPx, Colour colour, bool visible) {
  return painter_.AddLine(from, to, widthPx, colour, visible);
}

Label& Win32Window::AddLabel(Rect bounds, const std::string& text, const Font* font) {
  return controls_.AddLabel(bounds, text, font);
}

void Win32Window::AddButton(Rect bounds, const std::string& text, ButtonRole role,
                            std::function<void()> onClick) {
  const HWND button = controls_.AddButton(bounds, text, role, std::move(onClick));
  if (role == ButtonRole::DefaultAndCancel && IsDialog()) {
    SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(button)), 0);
  }
}

void Win32Window::AddIconPicture(Rect bounds, Colour background) {
  controls_.AddIconPicture(bounds, background);
}

void Win32Window::AddMenuCommand(const std::string& caption, std::function<void()> onChoose) {
  if (menu_ == nullptr) throw PlatformError("the window has no menu bar");
  const int id = kFirstMenuId + static_cast<int>(menuCommands_.size());
  if (!AppendMenuW(menu_, MF_STRING, static_cast<UINT_PTR>(id), Widen(caption).c_str())) {
    throw PlatformError("AppendMenuW");
  }
  menuCommands_.push_back(std::move(onChoose));
  DrawMenuBar(hwnd_);
  scale_.FitClientSize();
}

void Win32Window::StartTimer(int intervalMs, std::function<void()> onTick) {
  // The ticks keep to marks that divide each second evenly.
  if (intervalMs <= 0 || 1000 % intervalMs != 0) {
    throw PlatformError("the timer's interval must divide a second");
  }
  if (SetTimer(hwnd_, kTimerId, static_cast<UINT>(intervalMs), nullptr) == 0) {
    throw PlatformError("the timer could not be created");
  }
  onTick_ = std::move(onTick);
  timerIntervalMs_ = timerWaitMs_ = intervalMs;
}

// A USER timer is periodic: it is set again only when the next wait differs from its period,
// so that a timer already on the marks costs nothing more. Should that fail, the timer goes
// on at its old period, and this message ticks whatever its plan.
bool Win32Window::ArmNextTimerMessage() {
  const TimerMessagePlan plan = PlanTimerMessage(platform_.Now().millisecond, timerIntervalMs_);
  bool armed = plan.nextWaitMs == timerWaitMs_;
  if (!armed && SetTimer(hwnd_, kTimerId, static_cast<UINT>(plan.nextWaitMs), nullptr) != 0) {
    timerWaitMs_ = plan.nextWaitMs;
    armed = true;
  }
  lastMessageTicked_ = TicksNow(plan, armed, lastMessageTicked_);
  return lastMessageTicked_;
}

void Win32Window::DescribeToScreenReaders(AccessibleRole role,
                                          std::function<AccessibleText()> describe) {
  screenReaders_.Describe(role, std::move(describe));
}

void Win32Window::Show() {
  if (IsDialog()) {
    scale_.Place([this] { platform_.PlaceDialog(hwnd_); });
  } else {
    scale_.Place(nullptr);
  }
  ShowWindow(hwnd_, IsDialog() ? SW_SHOWNORMAL : SW_SHOWDEFAULT);
  // The focus is on the first control before the dialog is brought to the front, so that it is
  // there from the moment the user (or a screen reader) sees the dialog in front.
  if (IsDialog() && !controls_.Empty()) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.First()), TRUE);
  }
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
}

void Win32Window::BringToFront() {
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  BringWindowToTop(hwnd_);
}

// ---- Layout and system settings ----

void Win32Window::LayOut(UINT dpi) {
  controls_.SetDpi(dpi);
  painter_.SetDpi(dpi);
}

void Win32Window::FollowSystemSettings(UINT message) {
  // New metrics or a new theme may have changed the frame: a window at its design size keeps its
  // client area. The message font may have changed with the settings: the controls take it again.
  if (message != WM_SYSCOLORCHANGE) scale_.MetricsChanged();
  if (message == WM_SETTINGCHANGE) LayOut(scale_.Dpi());
  painter_.RenewColours();
  // Common controls take a colour change from their parent.
  if (message == WM_SYSCOLORCHANGE) controls_.ForwardColourChange();
  RedrawWindow(hwnd_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// ---- Messages ----

void Win32Window::RunCommand(int id) {
  std::function<void()> handler;
  if (id >= kFirstMenuId && id - kFirstMenuId < static_cast<int>(menuCommands_.size())) {
    handler = menuCommands_[static_cast<std::size_t>(id - kFirstMenuId)];
  } else {
    handler = controls_.CommandHandler(id);
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
        // Armed first, from the time as the message came: the tick cannot stop its successor,
        // and may close the window.
        if (ArmNextTimerMessage()) {
          auto handler = onTick_;
          handler();
        }
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
    case WM_SIZE:
      if (wParam == SIZE_RESTORED) scale_.Restored();
      return false;
    case WM_WINDOWPOSCHANGED:
      scale_.PositionChanged();
      return false;  // the default handling sends WM_SIZE and WM_MOVE
    case WM_PRINTCLIENT:
      painter_.Print(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC:
      result =
          controls_.StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    case WM_GETDPISCALEDSIZE:
      result = scale_.ScaledSize(static_cast<UINT>(wParam), *reinterpret_cast<SIZE*>(lParam));
      return true;
    case WM_DPICHANGED:
      scale_.TakeNewDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      result = 0;
      return true;
    case WM_SETTINGCHANGE:
      if (ChangesTheLook(wParam, lParam)) FollowSystemSettings(message);
      return false;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      FollowSystemSettings(message);
      return false;
    case WM_GETOBJECT:
      return screenReaders_.Answer(hwnd_, wParam, lParam, result);
    case WM_NCDESTROY:
      screenReaders_.Disconnect();
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
