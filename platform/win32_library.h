// SPDX-FileCopyrightText: 2026 MorvTime Developers
// SPDX-License-Identifier: MIT
// Functions looked up in a loaded library at run time rather than imported: for calls that newer
// systems have and older ones lack, and for libraries loaded only once they are needed.
#pragma once

#include <windows.h>

namespace morv::win32 {

// The function name in library, or nullptr where either is missing.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  if (library == nullptr) return nullptr;
  // The cast through void(*)() keeps GCC's function-type-cast warning quiet.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace morv::win32
