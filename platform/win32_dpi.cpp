// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "platform/win32_dpi.h"

#include <cmath>
#include <cstdlib>

#include "platform/win32_library.h"
#include "platform/win32_text.h"

namespace morv::win32 {

namespace {

template <typename Function>
Function Lookup(const wchar_t* module, const char* name) {
  return LibraryFunction<Function>(GetModuleHandleW(module), name);
}

// A window's device context for as long as this object lives.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {
    if (dc_ == nullptr) throw PlatformError("no device context");
  }
  ~WindowDc() { ReleaseDC(window_, dc_); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

HFONT CreateLogFont(const LOGFONTW& logFont) {
  const HFONT font = CreateFontIndirectW(&logFont);
  if (font == nullptr) throw PlatformError("a font could not be created");
  return font;
}

}  // namespace

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void DeclareDpiAwareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  if (auto set = Lookup<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then _PER_MONITOR_AWARE.
    if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return;
    if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))) return;
    // Already set (by the manifest, or by the system): nothing more to do.
    return;
  }
  // Windows 10 before 1703: aware of the system DPI at least.
  SetProcessDPIAware();
}

UINT DpiForWindow(HWND hwnd) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto getDpi = Lookup<GetDpi>(L"user32.dll", "GetDpiForWindow");
  const UINT dpi = getDpi ? getDpi(hwnd) : 0;
  return dpi != 0 ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
  using MetricForDpi = int(WINAPI*)(int, UINT);
  static const auto forDpi = Lookup<MetricForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

RECT FrameForClient(int width, int height, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi) {
  RECT frame{0, 0, width, height};
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto forDpi = Lookup<AdjustForDpi>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (!forDpi || !forDpi(&frame, style, hasMenu, exStyle, dpi)) {
    AdjustWindowRectEx(&frame, style, hasMenu, exStyle);
  }
  OffsetRect(&frame, -frame.left, -frame.top);
  return frame;
}

void LeaveScalingToDialog(HWND dialog) {
  using SetBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
  static const auto set = Lookup<SetBehavior>(L"user32.dll", "SetDialogDpiChangeBehavior");
  if (set) set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

LOGFONTW MessageLogFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = Lookup<ParametersForDpi>(L"user32.dll", "SystemParametersInfoForDpi");
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                            static_cast<int>(SystemDpi()));
    return metrics.lfMessageFont;
  }
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  return font;
}

LOGFONTW LabelLogFont(const LOGFONTW& message, const LabelFont& choice) {
  LOGFONTW font = message;
  font.lfHeight = -choice.heightPx;
  font.lfWidth = 0;
  if (choice.face == LabelFont::Face::StandardDialog) {
    // Each Windows maps this name to the dialog face of its own language.
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    font.lfCharSet = DEFAULT_CHARSET;
  }
  return font;
}

HFONT CreateMessageFont(UINT dpi) { return CreateLogFont(MessageLogFont(dpi)); }

HFONT CreatePointFont(const Font& font, UINT dpi) {
  LOGFONTW logFont{};
  logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
  logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  logFont.lfCharSet = static_cast<BYTE>(font.charset);
  logFont.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Widen(font.face);
  lstrcpynW(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
  return CreateLogFont(logFont);
}

HFONT CreateFittingLabelFont(HWND label, const std::wstring& text, TextExtent box, UINT dpi) {
  if (text.empty()) return nullptr;
  const LOGFONTW message = MessageLogFont(dpi);
  const int messageHeight = std::abs(static_cast<int>(message.lfHeight));
  const WindowDc dc(label);
  const LabelFont choice = FitLabelFont(box, messageHeight, [&](const LabelFont& candidate) {
    const HFONT font = CreateLogFont(LabelLogFont(message, candidate));
    const HGDIOBJ old = SelectObject(dc.get(), font);
    RECT extent{0, 0, box.width, 0};
    DrawTextW(dc.get(), text.c_str(), -1, &extent,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc.get(), old);
    DeleteObject(font);
    return TextExtent{extent.right - extent.left, extent.bottom - extent.top};
  });
  if (choice.face == LabelFont::Face::Message && choice.heightPx == messageHeight) return nullptr;
  return CreateLogFont(LabelLogFont(message, choice));
}

}  // namespace morv::win32
