// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Text conversions between the forms' UTF-8 and Windows' UTF-16 and ANSI code page.
#pragma once

#include <string>

namespace morv::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// UTF-8 to the system's ANSI code page, for the "A" forms of system calls.
std::string ToAnsi(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);

}  // namespace morv::win32
