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

// The program icon at the size of a system metric (SM_CXICON or SM_CXSMICON) for this DPI.
HICON ProgramIconFor(int widthMetric, int heightMetric, UINT dpi) {
  return LoadProgramIcon(SystemMetricForDpi(widthMetric, dpi),
                         SystemMetricForDpi(heightMetric, dpi), 0);
}

ATOM RegisterMainClass(HINSTANCE instance, WNDPROC proc) {
  static ATOM atom = 0;
  if (atom != 0) return atom;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  // The class icons serve a clock at the system DPI, where it usually opens; at another DPI it
  // is given icons of its own (LoadIcons). Both sizes: a small icon the system derived from the
  // big one would be scaled, and blurred.
  wc.hIcon = ProgramIconFor(SM_CXICON, SM_CYICON, SystemDpi());
  wc.hIconSm = ProgramIconFor(SM_CXSMICON, SM_CYSMICON, SystemDpi());
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // No background brush: the window paints its whole client area itself, without flicker.
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kMainClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

}  // namespace

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
    if (hwnd_ != nullptr) SetWindowTextW(hwnd_, caption.c_str());
  } else {
    if (RegisterMainClass(instance, WindowProc) == 0) throw PlatformError("RegisterClassExW");
    iconDpi_ = SystemDpi();
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
  controls_.Attach(hwnd_, dpi_);
  LoadIcons();
  FitClientSize();
}

Win32Window::~Win32Window() {
  // From here on only WM_NCDESTROY is handled, which tells the platform the window is gone.
  destroying_ = true;
  if (hwnd_ != nullptr) {
    KillTimer(hwnd_, kTimerId);
    DestroyWindow(hwnd_);  // the menu bar and the controls go with the window
  }
  for (const HICON icon : {bigIcon_, smallIcon_}) {
    if (icon != nullptr) DestroyIcon(icon);
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
  FitClientSize();
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
// on at its old period.
bool Win32Window::ArmNextTimerMessage() {
  const TimerMessagePlan plan = PlanTimerMessage(platform_.Now().millisecond, timerIntervalMs_);
  if (plan.nextWaitMs != timerWaitMs_ &&
      SetTimer(hwnd_, kTimerId, static_cast<UINT>(plan.nextWaitMs), nullptr) != 0) {
    timerWaitMs_ = plan.nextWaitMs;
  }
  return plan.tickNow;
}

void Win32Window::DescribeToScreenReaders(AccessibleRole role,
                                          std::function<AccessibleText()> describe) {
  screenReaders_.Describe(role, std::move(describe));
}

void Win32Window::Show() {
  if (!placed_ && IsDialog()) {
    // Centring may take the dialog to a monitor of another scale: it is then laid out at that
    // scale (here, or by WM_DPICHANGED while it is placed), and centred again at its new size.
    const UINT before = dpi_;
    platform_.PlaceDialog(hwnd_);
    const UINT placedAt = DpiForWindow(hwnd_);
    if (placedAt != dpi_) {
      ApplyDpi(placedAt);
      FitClientSize();
    }
    if (dpi_ != before) platform_.PlaceDialog(hwnd_);
  }
  placed_ = true;
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

bool Win32Window::AtDesignSize() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return client.right == ToPixels(clientWidthTwips_) &&
         client.bottom == ToPixels(clientHeightTwips_);
}

void Win32Window::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  controls_.SetDpi(dpi_);
  painter_.SetDpi(dpi_);
  LoadIcons();
}

// A move to a monitor of another scale, or a new scale for this one. The window keeps its state:
// maximised over the suggested rectangle, or minimised, it stays so and restores to its design
// size at the new DPI. Otherwise it takes the suggested rectangle, in which the system has scaled
// its size; one at its design size then keeps its exact design client area. A window not yet
// shown is only laid out again: it is placed when it is shown.
void Win32Window::TakeNewDpi(UINT dpi, const RECT& suggested) {
  const bool atDesignSize = AtDesignSize();
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
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (atDesignSize && !maximised) FitClientSize();
}

// The size a maximised or minimised window restores to: its design client area at the DPI.
// SW_SHOWNA leaves the window in its state, and the focus where it is. The frame is worked out
// for the DPI, so the client area is measured once more when the window is restored.
void Win32Window::RestoreToDesignSize() {
  fitWhenRestored_ = true;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(hwnd_, &placement)) return;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)) &
                     ~static_cast<DWORD>(WS_MAXIMIZE | WS_MINIMIZE);
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  const RECT frame = FrameForClient(ToPixels(clientWidthTwips_), ToPixels(clientHeightTwips_),
                                    style, menu_ != nullptr, exStyle, dpi_);
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
void Win32Window::LoadIcons() {
  if (iconDpi_ == dpi_) return;
  iconDpi_ = dpi_;
  const struct {
    WPARAM which;
    int width, height;  // system metrics
    HICON& held;
  } icons[] = {{ICON_BIG, SM_CXICON, SM_CYICON, bigIcon_},
               {ICON_SMALL, SM_CXSMICON, SM_CYSMICON, smallIcon_}};
  for (const auto& icon : icons) {
    const HICON loaded = ProgramIconFor(icon.width, icon.height, dpi_);
    if (loaded == nullptr) continue;  // the window keeps the icon it has
    SendMessageW(hwnd_, WM_SETICON, icon.which, reinterpret_cast<LPARAM>(loaded));
    if (icon.held != nullptr) DestroyIcon(icon.held);
    icon.held = loaded;
  }
}

void Win32Window::FollowSystemSettings(UINT message) {
  // The message font may have changed with the settings: the controls take it again.
  if (message == WM_SETTINGCHANGE) ApplyDpi(dpi_);
  painter_.RenewColours();
  // Common controls take a colour change from their parent.
  if (message == WM_SYSCOLORCHANGE) controls_.ForwardColourChange();
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
      if (wParam == SIZE_RESTORED && fitWhenRestored_) {
        fitWhenRestored_ = false;
        FitClientSize();
      }
      return false;
    case WM_PRINTCLIENT:
      painter_.Print(reinterpret_cast<HDC>(wParam));
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC:
      result = controls_.StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    case WM_DPICHANGED:
      TakeNewDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      result = 0;
      return true;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
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
