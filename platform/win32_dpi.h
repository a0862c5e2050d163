// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// DPI awareness and DPI-dependent resources: the fonts at a DPI, and a label's font that fits
// its text. The calls that came with later versions of Windows 10 (1607, 1703) are looked up at
// run time, so that the program also starts on the first ones, at the system DPI.
#pragma once

#include <windows.h>

#include <string>

#include "platform/label_font.h"
#include "platform/platform.h"

namespace morv::win32 {

// Asks for per-monitor (v2) awareness, falling back to older forms; failure is harmless.
void DeclareDpiAwareness();
UINT DpiForWindow(HWND hwnd);
// The DPI of the primary monitor as the process started, where windows usually open.
UINT SystemDpi();
// A system metric (SM_CXICON, ...) as the system gives it to a window of this DPI.
int SystemMetricForDpi(int index, UINT dpi);
// The window rectangle, at (0, 0), that a window of these styles needs at this DPI for a client
// area of width x height pixels (with a one-line menu bar, if it has one).
RECT FrameForClient(int width, int height, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi);
// Leaves a dialog's size, layout and fonts at a scale change to the dialog itself: the dialog
// manager would otherwise scale them too, from a font the dialog does not use.
void LeaveScalingToDialog(HWND dialog);
// Twips (1/1440 inch) to whole pixels at this DPI.
inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }
// The font native dialogs use for their texts, at the given DPI.
LOGFONTW MessageLogFont(UINT dpi);
// A label's font: the message font, or the standard dialog face with the message font's other
// attributes, at the chosen height.
LOGFONTW LabelLogFont(const LOGFONTW& message, const LabelFont& choice);
// Each throws PlatformError when the system refuses the font.
HFONT CreateMessageFont(UINT dpi);
HFONT CreatePointFont(const Font& font, UINT dpi);
// The font a label's text fits its box (in pixels) in, measured as the label draws it, wrapped
// at its width; nullptr when the message font fits.
HFONT CreateFittingLabelFont(HWND label, const std::wstring& text, TextExtent box, UINT dpi);

}  // namespace morv::win32
