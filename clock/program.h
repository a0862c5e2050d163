// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform.h"

namespace morv {

// Shows the clock window and runs until the last of the program's windows has closed.
int RunProgram(Platform& platform);

}  // namespace morv
