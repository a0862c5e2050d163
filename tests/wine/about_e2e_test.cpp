// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog and the two menu commands of the real morvtime.exe under Wine at 120 DPI,
// driven as a user drives them: through the menu bar, the keyboard and the mouse.
#include <windows.h>
#include <gtest/gtest.h>
// The process list, which needs <windows.h> before it.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "about/about_layout.h"
#include "clock_probe_client.h"
#include "e2e_support.h"

namespace morv::e2e {
namespace {

constexpr int kDpi = 120;

int Px(int twips) { return MulDiv(twips, kDpi, 1440); }

// Answers only while the window's thread runs its message loop.
bool Responds(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// What the window procedure answers for a point of the screen: the dialog manager decides from
// the window's style where the caption buttons and the sizing borders are.
int HitTest(HWND window, int x, int y) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<int>(static_cast<LRESULT>(result));
}

// The hit-test codes along the middle of the title bar, with the x of the last point of each.
std::vector<std::pair<int, int>> CaptionRow(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  POINT client{0, 0};
  ClientToScreen(window, &client);
  const int y = (frame.top + client.y) / 2;
  std::vector<std::pair<int, int>> row;
  for (int x = frame.left; x < frame.right; ++x) row.emplace_back(HitTest(window, x, y), x);
  return row;
}

bool RowHas(const std::vector<std::pair<int, int>>& row, int code) {
  return std::any_of(row.begin(), row.end(), [code](const auto& hit) { return hit.first == code; });
}

POINT CentreOf(const std::vector<std::pair<int, int>>& row, int code, HWND window) {
  int first = -1, last = -1;
  for (const auto& [hit, x] : row) {
    if (hit != code) continue;
    if (first < 0) first = x;
    last = x;
  }
  RECT frame{};
  GetWindowRect(window, &frame);
  POINT client{0, 0};
  ClientToScreen(window, &client);
  return {(first + last) / 2, (frame.top + client.y) / 2};
}

// A real left click at a point of the screen.
void ClickAt(POINT point) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input[3] = {};
  for (INPUT& one : input) one.type = INPUT_MOUSE;
  input[0].mi.dx = MulDiv(point.x, 65535, width - 1);
  input[0].mi.dy = MulDiv(point.y, 65535, height - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, input, sizeof(INPUT));
}

// Pixels of part of a capture that differ from the expected image.
int Differences(const Pixels& capture, const RECT& area, const Pixels& expected) {
  int differences = 0;
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      differences += capture.at(area.left + x, area.top + y) != expected.at(x, y);
    }
  }
  return differences;
}

int DarkCount(const Pixels& pixels) {
  int dark = 0;
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) dark += pixels.Dark(x, y);
  }
  return dark;
}

// Ends the processes that own the given windows (the editors our commands start).
void EndOwners(const std::vector<HWND>& windows) {
  for (HWND window : windows) EndProcessAfter(OpenOwner(window), 0);
}

// The editor processes that the given process started.
std::vector<DWORD> EditorsStartedBy(DWORD parent) {
  std::vector<DWORD> editors;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return editors;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, L"notepad.exe") == 0) {
      editors.push_back(entry.th32ProcessID);
    }
  }
  CloseHandle(snapshot);
  return editors;
}

// The read-me as the build put it next to morvtime.exe, as text.
std::wstring ReadMeText() {
  const std::wstring path = BuildFolder() + L"\\Morvyomi.txt";
  std::ifstream file(path.c_str(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  return FromUtf8(bytes);
}

std::wstring EditorText(HWND editor) {
  const HWND edit = FindWindowExW(editor, nullptr, L"Edit", nullptr);
  if (edit == nullptr) return L"<no edit control>";
  const auto length = static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  SendMessageW(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

// One running morvtime.exe with its clock window; editors it started are ended afterwards.
class MorvTime : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kDpi));
    EndOwners(WindowsTitled(kEditorCaption));
    ASSERT_EQ(clock_.Start(), "");
  }
  void TearDown() override { EndOwners(WindowsTitled(kEditorCaption)); }

  HWND OpenAbout() {
    const HWND dialog = clock_.OpenAbout(15000);
    // Keyboard input goes to it once it is the active window.
    if (dialog != nullptr) WaitUntil([dialog] { return GetForegroundWindow() == dialog; }, 5000);
    return dialog;
  }

  // Presses a key in the dialog and waits for it to close.
  bool CloseWithKey(HWND dialog, WORD key) {
    if (!ActivateWindow(dialog)) return false;
    PressKey(key);
    return WaitGone(dialog);
  }

  RunningClock clock_;
};

// ---- The dialog as it opens ----

using AboutDialog = MorvTime;

TEST_F(AboutDialog, OpensFromTheMenuBarAsAFixedOwnerlessDialogCentredOnTheClock) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), kAboutCaption);
  EXPECT_EQ(ClassOf(dialog), L"#32770") << "a dialog of the dialog manager";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);

  const SIZE client = ClientSize(dialog);
  EXPECT_EQ(client.cx, 548);
  EXPECT_EQ(client.cy, 247);

  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

  // The title bar as the window itself lays it out: a close box and no other; and the clock's,
  // which has all three, shows that the row is read right.
  const auto row = CaptionRow(dialog);
  EXPECT_TRUE(RowHas(row, HTCLOSE));
  EXPECT_TRUE(RowHas(row, HTCAPTION));
  EXPECT_FALSE(RowHas(row, HTMINBUTTON));
  EXPECT_FALSE(RowHas(row, HTMAXBUTTON));
  const auto clockRow = CaptionRow(clock_.window);
  EXPECT_TRUE(RowHas(clockRow, HTMINBUTTON));
  EXPECT_TRUE(RowHas(clockRow, HTMAXBUTTON));

  // No edge or corner resizes it.
  RECT frame{};
  GetWindowRect(dialog, &frame);
  const int midX = (frame.left + frame.right) / 2, midY = (frame.top + frame.bottom) / 2;
  const POINT edges[] = {{frame.left, midY},
                         {frame.right - 1, midY},
                         {midX, frame.bottom - 1},
                         {midX, frame.top},
                         {frame.left, frame.top},
                         {frame.right - 1, frame.bottom - 1},
                         {frame.left, frame.bottom - 1},
                         {frame.right - 1, frame.top}};
  for (const POINT& edge : edges) {
    const int hit = HitTest(dialog, edge.x, edge.y);
    EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << "resizes at " << edge.x << "," << edge.y;
  }

  // Centred on the clock window, and wholly on the clock's monitor's work area.
  RECT clock{};
  GetWindowRect(clock_.window, &clock);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(clock_.window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int centredLeft = (clock.left + clock.right - width) / 2;
  const int centredTop = (clock.top + clock.bottom - height) / 2;
  const int expectedLeft =
      std::clamp(centredLeft, static_cast<int>(work.left), static_cast<int>(work.right) - width);
  const int expectedTop =
      std::clamp(centredTop, static_cast<int>(work.top), static_cast<int>(work.bottom) - height);
  EXPECT_NEAR(frame.left, expectedLeft, 1);
  EXPECT_NEAR(frame.top, expectedTop, 1);
}

// Every Windows 10 and 11 desktop draws the buttons with a visual style whose edges let the
// dialog show through: each button has the dialog paint its background into the button's
// device context. None of the button's area may be left unpainted. It runs in the clock's
// process, as the button's own painting does.
TEST_F(AboutDialog, PaintsTheBackgroundBehindEachThemedButton) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  ClockProbe probe(clock_.process.handle());
  ASSERT_EQ(probe.Run(kPaintThemedBackgrounds, dialog), "");
  const BackgroundReport& report = probe.shared().backgrounds;
  ASSERT_EQ(report.count, 2);
  for (LONG i = 0; i < report.count; ++i) {
    EXPECT_GT(report.buttons[i].pixels, 0);
    EXPECT_EQ(report.buttons[i].unpainted, 0) << Utf8(report.buttons[i].text);
  }
}

TEST_F(AboutDialog, ControlsHaveTheirTextsAndPlacesInTabOrder) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  struct Expected {
    const wchar_t* className;
    std::wstring text;
    int left, top, width, height;  // twips
  };
  // In tab order: OK, system information, icon, version, title, the two description lines
  // (index 2, the lower one, before index 3), the disclaimer. The icon's picture, 432 twips, has
  // grown to hold the 40-pixel icon of this DPI.
  const Expected expected[] = {
      {L"Button", L"OK", 4728, 2148, 1620, 345},
      {L"Button", L"ｼｽﾃﾑ情報(&S)...", 4740, 2592, 1608, 345},
      {L"Static", L"", 240, 240, 480, 480},
      {L"Static", kVersionText, 1050, 780, 3885, 225},
      {L"Static", L"MorvTime", 1050, 240, 3885, 480},
      {L"Static", FromUtf8(about_layout::kDescription2Text), 1080, 1560, 3888, 204},
      {L"Static", FromUtf8(about_layout::kDescription3Text), 1080, 1200, 3888, 204},
      {L"Static", L"", 120, 2160, 4452, 720},
  };
  const std::vector<HWND> children = Children(dialog);
  ASSERT_EQ(children.size(), std::size(expected));
  for (std::size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "tab position " << i);
    const Expected& want = expected[i];
    EXPECT_EQ(_wcsicmp(ClassOf(children[i]).c_str(), want.className), 0);
    EXPECT_EQ(WindowText(children[i]), want.text);
    const RECT rect = RectInClient(dialog, children[i]);
    EXPECT_EQ(rect.left, Px(want.left));
    EXPECT_EQ(rect.top, Px(want.top));
    EXPECT_EQ(rect.right - rect.left, Px(want.width));
    EXPECT_EQ(rect.bottom - rect.top, Px(want.height));
    EXPECT_TRUE(IsWindowVisible(children[i]));
  }
  EXPECT_FALSE(FromUtf8(about_layout::kDescription2Text).empty());
  EXPECT_FALSE(FromUtf8(about_layout::kDescription3Text).empty());
  // The picture holds the icon; the buttons are the only tab stops.
  EXPECT_EQ(GetWindowLongW(children[2], GWL_STYLE) & SS_TYPEMASK, SS_ICON);
  EXPECT_NE(SendMessageW(children[2], STM_GETICON, 0, 0), 0);
  EXPECT_EQ(GetNextDlgTabItem(dialog, children[0], FALSE), children[1]);
  EXPECT_EQ(GetNextDlgTabItem(dialog, children[1], FALSE), children[0]);
}

TEST_F(AboutDialog, OpensWithTheFocusOnTheDefaultOkButtonAndTabMovesIt) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  const std::vector<HWND> children = Children(dialog);
  ASSERT_GE(children.size(), 2u);
  const HWND ok = children[0], sysInfo = children[1];
  ASSERT_EQ(WindowText(ok), L"OK");

  // The window manager activates the new dialog when it gets to it, which under load is a moment
  // after the window shows; until then the focus is still in the clock.
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == ok; }, 5000))
      << "the focus is on " << FocusOf(dialog) << ", not on OK (" << ok << ")";
  const LRESULT defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
  EXPECT_EQ(LOWORD(defId), GetDlgCtrlID(ok));
  EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

  PressKey(VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == sysInfo; }, 5000));
  PressKey(VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) == ok; }, 5000));
  EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(AboutDialog, PaintsTheIconTheEtchedSeparatorAndItsTextsInTheirFonts) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ASSERT_TRUE(Responds(dialog));
  const Pixels shot = CaptureClient(dialog);
  ASSERT_EQ(shot.width, 548);
  shot.SavePpm(PicturePath(L"about_dialog"));
  const std::uint32_t face = SysColour(COLOR_BTNFACE);

  // The whole icon on light grey: the 40 pixels of an icon at this DPI, in a picture grown from its
  // 36 pixels (432 twips) at (20, 20) to hold them, as at 96 DPI 32 pixels in 29.
  EXPECT_EQ(WholeIconProblem(dialog, kDpi), "");
  const RECT box = RectInClient(dialog, IconPicture(dialog));
  EXPECT_EQ(box.left, 20);
  EXPECT_EQ(box.top, 20);
  const LONG middle = (box.left + box.right) / 2;
  for (const POINT edge : {POINT{middle, box.top}, POINT{box.left, middle},
                           POINT{box.right - 1, middle}, POINT{middle, box.bottom - 1}}) {
    EXPECT_EQ(shot.at(edge.x, edge.y), 0xC0C0C0u) << edge.x << "," << edge.y;
  }

  // The separator at 1920 twips (160 px) from 240 to 6480 twips (20 to 540 px): grey over white,
  // on the face colour, which reads as a groove cut into the face.
  for (const int x : {20, 100, 280, 460, 540}) {
    SCOPED_TRACE(testing::Message() << "x " << x);
    EXPECT_EQ(shot.at(x, 159), face);
    EXPECT_EQ(shot.at(x, 160), 0x808080u);
    EXPECT_EQ(shot.at(x, 161), 0xFFFFFFu);
    EXPECT_EQ(shot.at(x, 162), face);
  }
  EXPECT_EQ(shot.at(19, 160), face);
  EXPECT_EQ(shot.at(10, 161), face);

  // Each label shows its text exactly as a static control draws it in the expected font.
  const LOGFONTW messageFont = MessageFont(kDpi);
  const LOGFONTW titleFont = TitleFont(kDpi);
  struct Text {
    std::wstring text;
    LOGFONTW font;
    int left, top, width, height;  // twips
  };
  const Text texts[] = {
      {L"MorvTime", titleFont, 1050, 240, 3885, 480},
      {kVersionText, messageFont, 1050, 780, 3885, 225},
      {FromUtf8(about_layout::kDescription3Text), messageFont, 1080, 1200, 3888, 204},
      {FromUtf8(about_layout::kDescription2Text), messageFont, 1080, 1560, 3888, 204},
  };
  for (const Text& label : texts) {
    SCOPED_TRACE(testing::Message() << "label at " << label.left << "," << label.top);
    const RECT area{Px(label.left), Px(label.top), Px(label.left) + Px(label.width),
                    Px(label.top) + Px(label.height)};
    const Pixels expected =
        RenderText(label.text, label.font, area.right - area.left, area.bottom - area.top,
                   DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
    EXPECT_GT(DarkCount(expected), 20);
    EXPECT_EQ(Differences(shot, area, expected), 0);
  }

  // The button's caption in the dialog font: its ink is as wide as the text's in that font.
  const RECT button{Px(4740) + 4, Px(2592) + 4, Px(4740) + Px(1608) - 4, Px(2592) + Px(345) - 4};
  const Pixels caption =
      RenderText(L"ｼｽﾃﾑ情報(&S)...", messageFont, 300, 40, DT_LEFT | DT_TOP | DT_SINGLELINE);
  const RECT want = Ink(caption, {0, 0, caption.width, caption.height});
  const RECT got = Ink(shot, button);
  EXPECT_GT(want.right - want.left, 0);
  EXPECT_NEAR(got.right - got.left, want.right - want.left, 1);
}

// What the title and the dialog texts are drawn in: ＭＳ Ｐゴシック as a Japanese Windows has it,
// proportional, and the message font scaled to this DPI (9 points under Wine 8, 8 under Wine 10).
TEST(DialogFonts, AreTheProportionalJapaneseFacesAtThisDpi) {
  const HDC screen = GetDC(nullptr);
  const LOGFONTW titleFont = TitleFont(kDpi), messageFont = MessageFont(kDpi);
  const HFONT title = CreateFontIndirectW(&titleFont);
  HGDIOBJ old = SelectObject(screen, title);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SIZE narrow{}, wide{};
  GetTextExtentPoint32W(screen, L"iiii", 4, &narrow);
  GetTextExtentPoint32W(screen, L"WWWW", 4, &wide);
  SelectObject(screen, old);
  EXPECT_EQ(std::wstring(face), L"ＭＳ Ｐゴシック");
  EXPECT_EQ(metrics.tmCharSet, SHIFTJIS_CHARSET);
  EXPECT_LT(narrow.cx * 2, wide.cx) << "a monospaced face stands in for ＭＳ Ｐゴシック";

  EXPECT_EQ(messageFont.lfHeight, MulDiv(MessageFont(96).lfHeight, kDpi, 96));
  const HFONT message = CreateFontIndirectW(&messageFont);
  old = SelectObject(screen, message);
  GetTextExtentPoint32W(screen, L"iiii", 4, &narrow);
  GetTextExtentPoint32W(screen, L"WWWW", 4, &wide);
  SelectObject(screen, old);
  EXPECT_LT(narrow.cx * 2, wide.cx) << "a monospaced face stands in for the dialog font";
  DeleteObject(title);
  DeleteObject(message);
  ReleaseDC(nullptr, screen);
}

// ---- Closing and reopening ----

TEST_F(AboutDialog, EscEnterAndTheCloseBoxEachCloseItAndReopeningLoadsTheVersionAgain) {
  enum class Closer { Escape, Enter, CloseBox };
  for (const Closer closer : {Closer::Escape, Closer::Enter, Closer::CloseBox}) {
    SCOPED_TRACE(testing::Message() << "closer " << static_cast<int>(closer));
    const HWND dialog = OpenAbout();
    ASSERT_NE(dialog, nullptr);
    const std::vector<HWND> children = Children(dialog);
    ASSERT_GE(children.size(), 4u);
    EXPECT_EQ(WindowText(children[3]), kVersionText);
    switch (closer) {
      case Closer::Escape:
        EXPECT_TRUE(CloseWithKey(dialog, VK_ESCAPE));
        break;
      case Closer::Enter:
        EXPECT_TRUE(CloseWithKey(dialog, VK_RETURN));
        break;
      case Closer::CloseBox: {
        ASSERT_TRUE(ActivateWindow(dialog));
        const auto row = CaptionRow(dialog);
        ASSERT_TRUE(RowHas(row, HTCLOSE));
        ClickAt(CentreOf(row, HTCLOSE, dialog));
        EXPECT_TRUE(WaitGone(dialog));
        break;
      }
    }
    EXPECT_TRUE(WindowsTitled(kAboutCaption).empty());
    EXPECT_TRUE(clock_.process.Running());
    EXPECT_TRUE(IsWindowVisible(clock_.window));
  }
  const HWND again = OpenAbout();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(WindowText(Children(again).at(3)), kVersionText);
}

// ---- The menu commands ----

using AboutCommand = MorvTime;

TEST_F(AboutCommand, ChosenAgainKeepsOneDialogAndBringsItToTheFront) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(ActivateWindow(clock_.window));
  ASSERT_TRUE(ChooseMenuCommand(clock_.window, kAboutCommand));
  EXPECT_TRUE(WaitUntil([dialog] { return GetForegroundWindow() == dialog; }, 10000));
  const std::vector<HWND> dialogs = WindowsTitled(kAboutCaption);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs.front(), dialog);
  EXPECT_EQ(WindowText(Children(dialog).at(3)), kVersionText);
}

TEST_F(AboutCommand, LeavesTheClockTickingWhileTheDialogIsOpen) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  // Out of the clock's way, as a user would drag it, so that the whole face is on screen.
  RECT clock{};
  GetWindowRect(clock_.window, &clock);
  SetWindowPos(dialog, nullptr, clock.left, clock.bottom + 8, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(Responds(dialog));
  const Pixels first = CaptureClient(clock_.window);
  ASSERT_EQ(first.width, 645);
  EXPECT_TRUE(WaitUntil([&] { return CaptureClient(clock_.window).data != first.data; }, 5000))
      << "the face did not change in 5 seconds";
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetForegroundWindow(), dialog);
}

using ReadMeCommand = MorvTime;

TEST_F(ReadMeCommand, TwiceOpensTwoEditorsShowingTheJapaneseReadMe) {
  ASSERT_TRUE(ChooseMenuCommand(clock_.window, kReadMeCommand));
  ASSERT_TRUE(WaitUntil([] { return WindowsTitled(kEditorCaption).size() == 1; }));
  // The first editor takes the focus as it starts: the second command waits until it has, and
  // until the editor has finished starting (it activates its window again as it goes), so that
  // the command's keys go to the clock and not to that editor.
  ASSERT_TRUE(WaitUntil([] { return WindowText(GetForegroundWindow()) == kEditorCaption; }, 5000));
  const HANDLE firstEditor = OpenOwner(WindowsTitled(kEditorCaption).front());
  ASSERT_NE(firstEditor, nullptr);
  EXPECT_EQ(WaitForInputIdle(firstEditor, 10000), 0u);
  CloseHandle(firstEditor);
  ASSERT_TRUE(ChooseMenuCommand(clock_.window, kReadMeCommand));
  ASSERT_TRUE(WaitUntil([] { return WindowsTitled(kEditorCaption).size() == 2; }))
      << EditorsStartedBy(clock_.process.id()).size() << " editors started; in front: \""
      << Utf8(WindowText(GetForegroundWindow())) << "\"";

  const std::wstring readMe = ReadMeText();
  ASSERT_NE(readMe.find(L"読み方"), std::wstring::npos);
  const std::vector<HWND> editors = WindowsTitled(kEditorCaption);
  DWORD first = 0, second = 0;
  GetWindowThreadProcessId(editors[0], &first);
  GetWindowThreadProcessId(editors[1], &second);
  EXPECT_NE(first, second) << "one editor process each time";
  EXPECT_EQ(EditorsStartedBy(clock_.process.id()).size(), 2u);
  for (HWND editor : editors) {
    EXPECT_FALSE(IsIconic(editor));
    EXPECT_EQ(EditorText(editor), readMe);
  }
  // The editor that came last has the focus, and the clock goes on.
  EXPECT_TRUE(WaitUntil(
      [&] {
        const HWND front = GetForegroundWindow();
        return WindowText(front) == kEditorCaption;
      },
      5000));
  EXPECT_TRUE(clock_.process.Running());
  EXPECT_TRUE(Responds(clock_.window));
}

// An editor that cannot start at all is ignored: no message, and the clock goes on running and
// answering its menu. Run as the test about_e2e_without_editor, whose environment tells Wine not
// to load notepad.exe: Wine reads that when a process starts, so this program cannot arrange it
// for the clock itself, and the shared prefix stays as it is.
TEST(ReadMeCommandWithoutEditor, LeavesTheClockRunning) {
  wchar_t overrides[1024] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  if (std::wstring(overrides).find(L"notepad.exe=d") == std::wstring::npos) {
    GTEST_SKIP() << "needs WINEDLLOVERRIDES with notepad.exe=d (the about_e2e_without_editor test)";
  }
  ASSERT_EQ(ScreenDpi(), static_cast<UINT>(kDpi));
  EndOwners(WindowsTitled(kEditorCaption));
  RunningClock clock;
  ASSERT_EQ(clock.Start(), "");

  ASSERT_TRUE(ChooseMenuCommand(clock.window, kReadMeCommand));
  ASSERT_TRUE(ChooseMenuCommand(clock.window, kAboutCommand));
  // The About dialog answering the next command shows that the read-me command has returned.
  const HWND dialog = WaitForWindow(clock.process.id(), kAboutCaption);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(EditorsStartedBy(clock.process.id()).empty()) << "the editor was started after all";
  EXPECT_TRUE(WindowsTitled(kEditorCaption).empty());
  EXPECT_TRUE(clock.process.Running());
  EXPECT_TRUE(Responds(clock.window));
  const Pixels first = CaptureClient(clock.window);
  EXPECT_TRUE(WaitUntil([&] { return CaptureClient(clock.window).data != first.data; }, 5000));
}

// ---- The program's lifetime ----

using ProgramLifetime = MorvTime;

TEST_F(ProgramLifetime, ClosingTheClockFirstKeepsTheDialogUntilItCloses) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  PostMessageW(clock_.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitDestroyed(clock_.window));
  EXPECT_EQ(clock_.process.WaitForExit(1000), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(Responds(dialog));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_TRUE(CloseWithKey(dialog, VK_ESCAPE));
  EXPECT_EQ(clock_.process.WaitForExit(15000), 0u);
}

TEST_F(ProgramLifetime, ClosingTheDialogFirstKeepsTheClockUntilItCloses) {
  const HWND dialog = OpenAbout();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(CloseWithKey(dialog, VK_ESCAPE));
  EXPECT_EQ(clock_.process.WaitForExit(1000), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(Responds(clock_.window));
  PostMessageW(clock_.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(clock_.process.WaitForExit(15000), 0u);
}

// ---- Resources over many openings ----

using AboutDialogEndurance = MorvTime;

TEST_F(AboutDialogEndurance, AHundredOpenCloseCyclesLeaveGdiObjectsAndMemoryFlat) {
  const auto cycle = [this] {
    const HWND dialog = OpenAbout();
    if (dialog == nullptr) return false;
    return CloseWithKey(dialog, VK_ESCAPE);
  };
  ASSERT_TRUE(cycle()) << "warm-up";
  const int gdiBefore = SettledGdiObjects(clock_.process.handle());
  const std::size_t memoryBefore = ResidentBytes(clock_.process.handle());
  ASSERT_GT(gdiBefore, 0);
  ASSERT_GT(memoryBefore, 0u);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(cycle()) << "cycle " << i;
  const int gdiAfter = SettledGdiObjects(clock_.process.handle());
  const std::size_t memoryAfter = ResidentBytes(clock_.process.handle());
  std::printf("GDI objects %d -> %d, resident memory %zu -> %zu KiB\n", gdiBefore, gdiAfter,
              memoryBefore / 1024, memoryAfter / 1024);
  EXPECT_EQ(gdiAfter, gdiBefore);
  // Heap pages may settle a little differently; a leak of 3 KB or more per cycle exceeds this.
  constexpr std::size_t kMemoryTolerance = std::size_t{256} * 1024;
  EXPECT_LE(memoryAfter, memoryBefore + kMemoryTolerance);
}

}  // namespace
}  // namespace morv::e2e
