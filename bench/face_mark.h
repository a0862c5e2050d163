// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// The mark that tells the start-up benchmark a first face has been painted: the middle of the
// clock's first diagonal, in twips from the client area's top-left corner. The clock draws it
// as part of its face; the floor paints a small square there and nothing else.
#pragma once

#include "clock/clock_layout.h"

namespace morv::bench {

inline constexpr int kMarkX = (clock_layout::kBoxes[0].left + clock_layout::kBoxes[0].right) / 2;
inline constexpr int kMarkY = (clock_layout::kBoxTop + clock_layout::kBoxBottom) / 2;

}  // namespace morv::bench
