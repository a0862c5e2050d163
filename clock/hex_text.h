// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace morv {

// Upper-case hexadecimal without leading zeros: 0 -> "0", 11 -> "B", 59 -> "3B".
std::string HexText(unsigned value);

}  // namespace morv
