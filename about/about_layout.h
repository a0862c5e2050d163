// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The About dialog's texts and geometry, in twips from the client area's top-left corner.
// Controls are listed in their tab order.
#pragma once

#include "platform/platform.h"

namespace morv::about_layout {

inline constexpr const char* kCaption = "ﾊﾞｰｼﾞｮﾝ情報 MorvTime";
inline constexpr int kClientWidth = 6576;
inline constexpr int kClientHeight = 2964;

inline constexpr Rect kOkButton{4728, 2148, 1620, 345};
inline constexpr const char* kOkText = "OK";
inline constexpr Rect kSysInfoButton{4740, 2592, 1608, 345};
inline constexpr const char* kSysInfoText = "ｼｽﾃﾑ情報(&S)...";

inline constexpr Rect kIcon{240, 240, 432, 432};
inline constexpr Colour kIconBackground = 0x00C0C0C0u;

inline constexpr Rect kVersion{1050, 780, 3885, 225};
inline constexpr const char* kVersionInitialText = "Version";

inline constexpr Rect kTitle{1050, 240, 3885, 480};
inline constexpr const char* kTitleText = "MorvTime";
inline constexpr const char* kTitleFace = "ＭＳ Ｐゴシック";
inline constexpr double kTitlePoints = 19.8;
inline constexpr int kJapaneseCharset = 128;

// The notice and the contact line, top to bottom.
inline constexpr Rect kDescription3{1080, 1200, 3888, 204};
inline constexpr const char* kDescription3Text = "時刻を16進数で表す時計です。";
inline constexpr Rect kDescription2{1080, 1560, 3888, 204};
inline constexpr const char* kDescription2Text = "ご意見: morvtime@example.jp";

inline constexpr Rect kDisclaimer{120, 2160, 4452, 720};

// The separator: a white line with a grey hairline over its upper row, across the dialog.
inline constexpr Point kSeparatorFrom{240, 1920};
inline constexpr Point kSeparatorTo{6480, 1920};
inline constexpr Colour kSeparatorGrey = 0x00808080u;
inline constexpr Colour kSeparatorWhite = 0x00FFFFFFu;

}  // namespace morv::about_layout

namespace morv::sysinfo {

inline constexpr const char* kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kPathValue = "PATH";
inline constexpr const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kFolderValue = "MSINFO";
inline constexpr const char* kToolFile = "\\MSINFO32.EXE";
inline constexpr const char* kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";
inline constexpr std::size_t kBufferSize = 1024;

}  // namespace morv::sysinfo
