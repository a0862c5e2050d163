// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Code page 932 (the ANSI code page of a Japanese Windows) to UTF-8, for the fake platform, so
// that the unit tests see what a Japanese system would give the program, whatever the machine.
#pragma once

#include <string>

namespace morv::fake {

// Like Windows, an unconvertible byte becomes a question mark and conversion goes on.
std::string Cp932ToUtf8(const std::string& bytes);

}  // namespace morv::fake
