#pragma once

#include <string>

namespace morv {

// Upper-case hexadecimal without leading zeros: 0 -> "0", 11 -> "B", 59 -> "3B".
std::string HexText(unsigned value);

}  // namespace morv
