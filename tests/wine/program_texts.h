// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The program's texts as a user sees them, written out here rather than taken from the program,
// so that a changed caption or message fails the end-to-end tests.
#pragma once

namespace morv::e2e {

inline constexpr wchar_t kClockCaption[] = L"MORV時計（デジタル）";
inline constexpr wchar_t kAboutCaption[] = L"ﾊﾞｰｼﾞｮﾝ情報 MorvTime";
inline constexpr wchar_t kEditorCaption[] = L"Morvyomi.txt - メモ帳";
// What a screen reader calls the clock's face.
inline constexpr wchar_t kAccessibleName[] = L"時刻";
inline constexpr wchar_t kVersionText[] = L"Version 1.1.0";
// Message boxes carry the application title.
inline constexpr wchar_t kMessageTitle[] = L"MORVTIME";
inline constexpr wchar_t kUnavailable[] = L"現時点ではｼｽﾃﾑ情報を使用できません";
inline constexpr wchar_t kCannotStart[] =
    L"時計のウィンドウを作成できないため、MorvTimeを起動できません。";

}  // namespace morv::e2e
