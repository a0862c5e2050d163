// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#include "clock/program.h"

#include "about/frmAbout.h"
#include "clock/Form1.h"

namespace morv {

inline constexpr const char* kCannotStart =
    "時計のウィンドウを作成できないため、MorvTimeを起動できません。";

int RunProgram(Platform& platform) {
  frmAbout about(platform);
  Form1 clock(platform, about);
  try {
    clock.Show();
  } catch (const PlatformError&) {
    // Without its window, timer or drawing resources the clock could only show a broken face.
    platform.ShowMessage(kCannotStart);
    return 1;
  }
  return platform.Run();
}

}  // namespace morv
